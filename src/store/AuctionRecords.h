#pragma once

#include "store/AuctionRow.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>
#include <vector>

class Database;

// The operations on Auctions rows that the window and the dialogs ask for. Each throws DbError
// (its message says what the database refused) when the database cannot do it; a refusal that
// is no error comes back as a value.
namespace auction_store {

// Snipes waiting to bid: of one user, or of every user when none is given.
qint64 countScheduledSnipes(Database &db, std::optional<qint32> userKey = std::nullopt);

// Nothing is queued in a new run: marks every row as needing no refresh.
void clearRefreshMarks(Database &db);

bool auctionExists(Database &db, qint32 auctionKey);
// Trimmed of blanks; none when the row is gone.
std::optional<QString> itemNumber(Database &db, qint32 auctionKey);

// The user's auctions among keys, all in one transaction; returns how many rows went.
int deleteAuctions(Database &db, qint32 userKey, const QList<qint32> &auctionKeys);
// Into folderKey, all or none; returns how many rows moved.
int moveAuctions(Database &db, qint32 userKey, const QList<qint32> &auctionKeys, qint32 folderKey);

// Empty when the row is gone or has none.
QString comment(Database &db, qint32 auctionKey);
// False when the row is gone. A null text is stored as empty text.
bool saveComment(Database &db, qint32 auctionKey, const QString &comment);

// The grid's check boxes; a flag left unset keeps its stored value.
struct CheckFlags
{
    std::optional<bool> paid;
    std::optional<bool> received;
    std::optional<bool> leftFeedback;
};
// False when no flag is set or the row is gone.
bool saveCheckFlags(Database &db, qint32 auctionKey, const CheckFlags &flags);

// A folder's rows for the grid, ordered by the column whose caption starts the way
// sortCaption does (the title for any other), text without regard to case.
std::vector<AuctionRow> folderRows(Database &db, qint32 folderKey, const QString &sortCaption, bool descending);

// What the scheduler shows and edits of one auction.
struct SnipeTerms
{
    QString title;
    double minBid = 0;
    double maxBid = 0;
    qint32 status = 0;
    qint64 quantity = 0;
    qint64 bidSeconds = 0;
    qint64 bidQuantity = 0;
    QDateTime ended;
};
std::optional<SnipeTerms> loadSnipeTerms(Database &db, qint32 auctionKey);

enum class SnipeWrite
{
    Written,
    Missing,       // the row was deleted meanwhile
    StatusChanged, // a bid was placed or the auction ended since loadedStatus was read
};
// Schedules the snipe, unless the row's status moved on from loadedStatus to anything but
// scheduled or not.
SnipeWrite scheduleSnipe(Database &db, qint32 auctionKey, qint32 loadedStatus, double maxBid, qint64 bidSeconds,
                         qint64 bidQuantity);
// Unschedules it under the same rule, clearing the maximum and the quantity.
SnipeWrite unscheduleSnipe(Database &db, qint32 auctionKey, qint32 loadedStatus);

} // namespace auction_store
