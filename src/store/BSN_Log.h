#pragma once

#include <QDateTime>
#include <QString>

class Database;

// Set when a general-log row (auction key 0) or an auction-log row was written; the window's
// 200 ms timer reloads the matching log view and clears the flag.
extern bool ConnectionLogChanged;
extern bool AuctionLogChanged;

// The one writer of the Logs table.
class BSN_Log
{
public:
    BSN_Log(); // writes through gDB
    explicit BSN_Log(Database &db);

    // Appends a row: now, the auction key (0 = general log), the user key and the message
    // cut to 255 characters and trimmed. Database errors reach the caller as DbError.
    void MarkAuction(qint32 auctionKey, qint32 userKey, const QString &message);
    // The same, for a row that could not be written when it happened: it keeps its own time.
    void MarkAuction(qint32 auctionKey, qint32 userKey, const QString &message, const QDateTime &at);
    void MarkConnection(const QString &message);

    static constexpr int kMaxMessage = 255;

private:
    Database *m_db;
};

class BSN_User;
class AppSettings;

// Deletes the signed-in user's old auctions and auction-log rows, and the general log of all
// users, by the user's and the system's settings. The program's purge (no arguments) deletes the
// old auctions and a first slice of the log rows at once and the other slices on the following
// turns of the event loop, so a purge of months of rows never holds the window for long; the
// other form deletes everything before it returns.
void PurgeOldRecords();
void PurgeOldRecords(Database &db, const BSN_User *currentUser, const AppSettings &settings);
