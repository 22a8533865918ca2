#include "store/LogRecords.h"

#include "platform/Database.h"
#include "platform/Recordset.h"

namespace log_store {

namespace {
QVector<Entry> entries(Recordset &rs)
{
    QVector<Entry> out;
    out.reserve(rs.recordCount());
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        out.push_back({rs.value(QStringLiteral("LOG_Primary")).toLongLong(),
                       rs.value(QStringLiteral("LOG_TimeStamp")).toDateTime(),
                       rs.value(QStringLiteral("LOG_Message")).toString()});
    return out;
}
} // namespace

QVector<Entry> newestFirst(Database &db, qint32 auctionKey, qint32 userKey, qint64 after, qint64 before, int limit)
{
    // Newest first by key, which is the order of writing. The general log walks the table's own
    // order ("+" keeps the planner off the auction index, which would sort every general row);
    // an auction's rows come in key order from that index.
    auto rs = auctionKey == 0
                  ? db.openQuery(QStringLiteral("SELECT LOG_Primary, LOG_TimeStamp, LOG_Message FROM Logs WHERE "
                                                "+LOG_Auction = 0 AND LOG_Primary > ? AND LOG_Primary < ? "
                                                "ORDER BY LOG_Primary DESC LIMIT ?"),
                                 {after, before, limit})
                  : db.openQuery(QStringLiteral("SELECT LOG_Primary, LOG_TimeStamp, LOG_Message FROM Logs WHERE "
                                                "LOG_Auction = ? AND LOG_User = ? AND LOG_Primary > ? AND "
                                                "LOG_Primary < ? ORDER BY LOG_Primary DESC LIMIT ?"),
                                 {auctionKey, userKey, after, before, limit});
    return entries(*rs);
}

QVector<Entry> inOrder(Database &db, qint32 auctionKey, qint32 userKey, qint64 after, int limit)
{
    auto rs = db.openQuery(QStringLiteral("SELECT LOG_Primary, LOG_TimeStamp, LOG_Message FROM Logs WHERE "
                                          "LOG_Auction = ? AND LOG_User = ? AND LOG_Primary > ? "
                                          "ORDER BY LOG_Primary LIMIT ?"),
                           {auctionKey, userKey, after, limit});
    return entries(*rs);
}

} // namespace log_store
