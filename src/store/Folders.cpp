#include "store/Folders.h"

#include "platform/Database.h"
#include "platform/Recordset.h"
#include "platform/Transaction.h"
#include "store/AuctionRecords.h"
#include "store/Shortcuts.h"

#include <QSet>

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

namespace folder_store {

QVector<Folder> children(Database &db, qint32 userKey, qint32 parentKey)
{
    auto rs = db.openQuery(QStringLiteral("SELECT FLD_Primary, FLD_Name, FLD_Parent FROM Folders WHERE FLD_User = ? "
                                          "AND FLD_Parent = ? ORDER BY FLD_Name COLLATE NOCASE, FLD_Primary"),
                           {userKey, parentKey});
    QVector<Folder> out;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        out << Folder{static_cast<qint32>(rs->value(QStringLiteral("FLD_Primary")).toLongLong()),
                      rs->value(QStringLiteral("FLD_Name")).toString(),
                      static_cast<qint32>(rs->value(QStringLiteral("FLD_Parent")).toLongLong())};
    return out;
}

qint32 addFolder(Database &db, qint32 userKey, qint32 parentKey, const QString &name)
{
    auto rs = db.openTable(QStringLiteral("Folders"));
    rs->addNew();
    rs->setValue(QStringLiteral("FLD_User"), userKey);
    rs->setValue(QStringLiteral("FLD_Name"), name);
    rs->setValue(QStringLiteral("FLD_Parent"), parentKey);
    rs->update();
    return static_cast<qint32>(rs->lastInsertedKey());
}

bool renameFolder(Database &db, qint32 userKey, qint32 folderKey, const QString &name)
{
    return db.execute(QStringLiteral("UPDATE Folders SET FLD_Name = ? WHERE FLD_Primary = ? AND FLD_User = ?"),
                      {name, folderKey, userKey}) > 0;
}

bool moveFolder(Database &db, qint32 userKey, qint32 folderKey, qint32 newParentKey)
{
    return db.execute(QStringLiteral("UPDATE Folders SET FLD_Parent = ? WHERE FLD_Primary = ? AND FLD_User = ?"),
                      {newParentKey, folderKey, userKey}) > 0;
}

qint32 folderRoot(Database &db, qint32 userKey, qint32 folderKey)
{
    QSet<qint32> seen;
    qint32 key = folderKey;
    while (!seen.contains(key)) {
        seen.insert(key);
        auto rs = db.openQuery(QStringLiteral("SELECT FLD_Parent FROM Folders WHERE FLD_Primary = ? AND FLD_User = ?"),
                               {key, userKey});
        if (rs->eof())
            return -1;
        const auto parent = static_cast<qint32>(rs->value(QStringLiteral("FLD_Parent")).toLongLong());
        if (parent <= 0)
            return key;
        key = parent;
    }
    return key;
}

void addFixedFolders(Database &db, qint32 userKey)
{
    Transaction t(db);
    for (const char *name : {kOpenAuctionsFolder, kClosedAuctionsFolder}) {
        const QString text = QString::fromLatin1(name);
        shortcut_store::addShortcut(db, userKey,
                                    {{shortcut_store::Target::Kind::Folder, addFolder(db, userKey, 0, text)}, text});
    }
    t.commit();
}

TreeDeletion deleteFolderTree(Database &db, qint32 userKey, qint32 folderKey)
{
    TreeDeletion d;
    if (db.openQuery(QStringLiteral("SELECT FLD_Primary FROM Folders WHERE FLD_Primary = ? AND FLD_User = ?"),
                     {folderKey, userKey})
            ->eof())
        return d;
    Transaction t(db);
    // Walked by the parents in the table, each folder once.
    QSet<qint32> seen{folderKey};
    d.folders << folderKey;
    for (qsizetype i = 0; i < d.folders.size(); ++i) {
        auto folders = db.openQuery(QStringLiteral("SELECT FLD_Primary FROM Folders WHERE FLD_Parent = ? AND "
                                                   "FLD_User = ?"),
                                    {d.folders[i], userKey});
        for (folders->moveFirst(); !folders->eof(); folders->moveNext()) {
            const auto child = static_cast<qint32>(folders->value(QStringLiteral("FLD_Primary")).toLongLong());
            if (child > 0 && !seen.contains(child)) {
                seen.insert(child);
                d.folders << child;
            }
        }
        auto auctions = db.openQuery(QStringLiteral("SELECT AUC_Primary, AUC_ItemNumber FROM Auctions WHERE "
                                                    "AUC_Folder = ? AND AUC_User = ?"),
                                     {d.folders[i], userKey});
        for (auctions->moveFirst(); !auctions->eof(); auctions->moveNext()) {
            d.auctions << static_cast<qint32>(auctions->value(QStringLiteral("AUC_Primary")).toLongLong());
            d.itemNumbers << auctions->value(QStringLiteral("AUC_ItemNumber")).toString();
        }
    }
    auction_store::deleteAuctions(db, userKey, d.auctions);
    for (qint32 folder : d.folders)
        db.execute(QStringLiteral("DELETE FROM Folders WHERE FLD_Primary = ? AND FLD_User = ?"), {folder, userKey});
    shortcut_store::pruneShortcuts(db, userKey);
    t.commit();
    return d;
}

} // namespace folder_store
