#include "Folders.h"

#include "Database.h"

namespace {
qint32 firstKey(Database &db, const QString &sql, const QVariantList &params, const QString &column)
{
    auto rs = db.openQuery(sql, params);
    if (rs->recordCount() == 0)
        return -1;
    rs->moveFirst();
    return static_cast<qint32>(rs->value(column).toLongLong());
}

qint32 fixedFolder(Database &db, qint32 userKey, const char *name)
{
    return firstKey(db,
                    QStringLiteral("SELECT FLD_Primary FROM Folders WHERE FLD_Name = ? AND FLD_User = ? AND "
                                   "FLD_Parent = 0 ORDER BY FLD_Primary"),
                    {QString::fromLatin1(name), userKey}, QStringLiteral("FLD_Primary"));
}
} // namespace

qint32 GetAuctionFolder(Database &db, qint32 auctionKey)
{
    return firstKey(db, QStringLiteral("SELECT AUC_Folder FROM Auctions WHERE AUC_Primary = ?"), {auctionKey},
                    QStringLiteral("AUC_Folder"));
}

qint32 GetOpenAuctionsFolder(Database &db, qint32 userKey)
{
    return fixedFolder(db, userKey, kOpenAuctionsFolder);
}

qint32 GetClosedAuctionsFolder(Database &db, qint32 userKey)
{
    return fixedFolder(db, userKey, kClosedAuctionsFolder);
}
