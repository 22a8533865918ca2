#pragma once

#include <QString>
#include <QStringList>

// Which of the 17 auction-grid columns a user shows, and in which order: a position per
// column (0 = first shown, -1 = hidden) and its fixed caption.
class AucColumns
{
public:
    AucColumns();

    qint16 AuctionName, ItemNumber, CurrentBid, MyMaxBid, NumOfBids, QtyOffered, TimeEnds, TimeLeft, MyBidQty, Location,
        CountryRegion, Seller, HighBidder, Paid, Received, LeftFeedback, Comments;
    QString AuctionNameTxt, ItemNumberTxt, CurrentBidTxt, MyMaxBidTxt, NumOfBidsTxt, QtyOfferedTxt, TimeEndsTxt,
        TimeLeftTxt, MyBidQtyTxt, LocationTxt, CountryRegionTxt, SellerTxt, HighBidderTxt, PaidTxt, ReceivedTxt,
        LeftFeedbackTxt, CommentsTxt;

    QStringList ViewColumns;
    QStringList NonViewColumns;

    void RestoreDefaults();
    void CreateViewNonViewColumns();

    static constexpr int kCount = 17;
    // The columns in declaration order, for code that walks all of them.
    struct Column
    {
        qint16 *position;
        const QString *caption;
    };
    Column column(int i);
    qint16 *positionByCaption(const QString &caption);
};
