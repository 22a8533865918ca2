#include "store/AucColumns.h"

AucColumns::AucColumns()
    : AuctionNameTxt(QStringLiteral("Auctions")), ItemNumberTxt(QStringLiteral("Item #")),
      CurrentBidTxt(QStringLiteral("Current Bid")), MyMaxBidTxt(QStringLiteral("My Max Bid")),
      NumOfBidsTxt(QStringLiteral("# of Bids")), QtyOfferedTxt(QStringLiteral("Qty for Sale")),
      TimeEndsTxt(QStringLiteral("Time Ends")), TimeLeftTxt(QStringLiteral("Time Left")),
      MyBidQtyTxt(QStringLiteral("My Bid Qty")), LocationTxt(QStringLiteral("Location")),
      CountryRegionTxt(QStringLiteral("Country/Region")), SellerTxt(QStringLiteral("Seller")),
      HighBidderTxt(QStringLiteral("High Bidder")), PaidTxt(QStringLiteral("Paid")),
      ReceivedTxt(QStringLiteral("Received")), LeftFeedbackTxt(QStringLiteral("Left Feedback")),
      CommentsTxt(QStringLiteral("Comments"))
{
    RestoreDefaults();
}

void AucColumns::RestoreDefaults()
{
    AuctionName = 0;
    ItemNumber = 1;
    CurrentBid = 2;
    MyMaxBid = 5;
    NumOfBids = 3;
    QtyOffered = 4;
    TimeEnds = 7;
    TimeLeft = 8;
    MyBidQty = 6;
    Location = -1;
    CountryRegion = -1;
    Seller = -1;
    HighBidder = -1;
    Paid = -1;
    Received = -1;
    LeftFeedback = -1;
    Comments = -1;
}

AucColumns::Column AucColumns::column(int i)
{
    const Column all[kCount] = {
        {&AuctionName, &AuctionNameTxt},     {&ItemNumber, &ItemNumberTxt},
        {&CurrentBid, &CurrentBidTxt},       {&MyMaxBid, &MyMaxBidTxt},
        {&NumOfBids, &NumOfBidsTxt},         {&QtyOffered, &QtyOfferedTxt},
        {&TimeEnds, &TimeEndsTxt},           {&TimeLeft, &TimeLeftTxt},
        {&MyBidQty, &MyBidQtyTxt},           {&Location, &LocationTxt},
        {&CountryRegion, &CountryRegionTxt}, {&Seller, &SellerTxt},
        {&HighBidder, &HighBidderTxt},       {&Paid, &PaidTxt},
        {&Received, &ReceivedTxt},           {&LeftFeedback, &LeftFeedbackTxt},
        {&Comments, &CommentsTxt},
    };
    return (i >= 0 && i < kCount) ? all[i] : Column{nullptr, nullptr};
}

qint16 *AucColumns::positionByCaption(const QString &caption)
{
    for (int i = 0; i < kCount; ++i) {
        const Column c = column(i);
        if (*c.caption == caption)
            return c.position;
    }
    return nullptr;
}

void AucColumns::CreateViewNonViewColumns()
{
    ViewColumns.clear();
    NonViewColumns.clear();

    // The hidden list and the shown list each walk the columns in their own fixed order.
    const Column hiddenOrder[] = {
        {&AuctionName, &AuctionNameTxt},
        {&CurrentBid, &CurrentBidTxt},
        {&ItemNumber, &ItemNumberTxt},
        {&MyBidQty, &MyBidQtyTxt},
        {&MyMaxBid, &MyMaxBidTxt},
        {&NumOfBids, &NumOfBidsTxt},
        {&QtyOffered, &QtyOfferedTxt},
        {&TimeEnds, &TimeEndsTxt},
        {&TimeLeft, &TimeLeftTxt},
        {&HighBidder, &HighBidderTxt},
        {&Seller, &SellerTxt},
        {&Location, &LocationTxt},
        {&CountryRegion, &CountryRegionTxt},
        {&Paid, &PaidTxt},
        {&Received, &ReceivedTxt},
        {&LeftFeedback, &LeftFeedbackTxt},
        {&Comments, &CommentsTxt},
    };
    for (const Column &c : hiddenOrder) {
        if (*c.position == -1)
            NonViewColumns << *c.caption;
    }

    const Column shownOrder[] = {
        {&AuctionName, &AuctionNameTxt},
        {&CountryRegion, &CountryRegionTxt},
        {&CurrentBid, &CurrentBidTxt},
        {&HighBidder, &HighBidderTxt},
        {&ItemNumber, &ItemNumberTxt},
        {&LeftFeedback, &LeftFeedbackTxt},
        {&Location, &LocationTxt},
        {&MyBidQty, &MyBidQtyTxt},
        {&MyMaxBid, &MyMaxBidTxt},
        {&NumOfBids, &NumOfBidsTxt},
        {&Paid, &PaidTxt},
        {&QtyOffered, &QtyOfferedTxt},
        {&Received, &ReceivedTxt},
        {&Seller, &SellerTxt},
        {&TimeEnds, &TimeEndsTxt},
        {&TimeLeft, &TimeLeftTxt},
        {&Comments, &CommentsTxt},
    };
    for (int p = 0; p <= 16; ++p) {
        for (const Column &c : shownOrder) {
            if (*c.position == p)
                ViewColumns << *c.caption;
        }
    }
}
