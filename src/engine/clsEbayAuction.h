#pragma once

#include "engine/BNHTMLExtract.h"

#include <QString>

// One auction as read from its item page. Every text field holds what the page gave, uncleaned
// but for the fixed rules of Parse; the 16-bit marks are the user's, set by the caller.
class clsEbayAuction
{
public:
    QString ItemNumber;
    QString title;
    QString CurrentBid;
    QString Quantity;
    QString TimeLeft;
    QString TimeStarted;
    QString TimeEnds;
    QString Category;
    QString FirstBid;
    QString NumberOfBids;
    QString Location;
    QString Country;
    QString AuctionType;
    QString BidIncrement;
    QString MinimumBid;
    QString HighBidder;
    QString Seller;
    qint16 Refreshed = 0;
    qint16 Paid = 0;
    qint16 Received = 0;
    qint16 LeftFeedback = 0;
    QString MeHighBidder;
    QString Comments;
    // The length of the page's title; longer than kTitleWidth when title was cut to it.
    qsizetype TitleLength = 0;
    static constexpr qsizetype kTitleWidth = 255; // the stored title's column

    // Reads the page through the program folder's ebparse.zdx. Never fails: a step that cannot
    // be done leaves its field as it was.
    void Parse(const QString &page, const QString &itemNumber);
    // The same with the script at scriptPath (benchmarks, tests).
    void Parse(const QString &page, const QString &itemNumber, const QString &scriptPath);

    // Removes every tag from text (in place, and returns it). Each pass takes the first tag and
    // removes every copy of it; a ">" ahead of the first "<" stops the stripping.
    static QString StripTags(QString &text);

private:
    BNHTMLExtract m_extract;
};
