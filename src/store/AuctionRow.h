#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

class Database;
class Recordset;

// One auction as its grid row shows it: the fields of its Auctions row that the grid reads.
struct AuctionRow
{
    qint32 primary = 0;
    qint32 folder = 0;
    qint32 status = 0;
    bool refreshed = false; // no refresh waits for its page (AUC_Refreshed = 1)
    QString title;
    QString itemNumber;
    std::optional<double> currentBid; // none when Null
    double maxBid = 0;
    qint64 bidQuantity = 0;
    QString numberOfBids; // as stored, as text
    QString quantity;     // as stored, as text
    QDateTime ended;      // invalid when Null or not a date
    QString timeLeft;
    QString location;
    QString country;
    QString seller;
    QString highBidder;
    QString comments;
    bool paid = false;
    bool received = false;
    bool leftFeedback = false;

    // The columns of a SELECT from Auctions whose rows read() takes.
    static QString selectColumns();
    static AuctionRow read(Recordset &rs);
    // The row with that key; none when there is no such row.
    static std::optional<AuctionRow> load(Database &db, qint32 primary);
};
