#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>

class Database;

// Reading the Logs table a page at a time, for the log views and the export. Each throws
// DbError when the database cannot be read.
namespace log_store {

struct Entry
{
    qint64 key = 0;
    QDateTime stamp;
    QString message;
};

// The general log (auctionKey 0) or one auction's rows of a user, newest first, with keys
// strictly between after and before, at most limit of them.
QVector<Entry> newestFirst(Database &db, qint32 auctionKey, qint32 userKey, qint64 after, qint64 before, int limit);
// An auction's rows of a user in the order of writing, from the first key above after.
QVector<Entry> inOrder(Database &db, qint32 auctionKey, qint32 userKey, qint64 after, int limit);

} // namespace log_store
