// Deleting a folder with everything under it, and the shortcuts that pointed there.
#include "FolderTreePane.h"

#include "AuctionEngine.h"
#include "AuctionGridPaneSupport.h"
#include "Database.h"
#include "EventGuard.h"
#include "Globals.h"
#include "MsgBox.h"
#include "QtFolderTree.h"
#include "Transaction.h"

void FolderTreePane::DeleteFolder(qint32 item)
{
    if (item < 0 || item >= m_folders->itemCount() || !gCurrentUser || !gDB)
        return;
    const qint32 key = m_folders->itemKey(item);
    if (key <= 0 || isFixedFolder(key))
        return;
    const QString name = m_folders->cellText(item);
    if (MsgBox::show(QStringLiteral("Deleting this Folder (") + name +
                         QStringLiteral(") will also delete all subfolders and auctions under it.  Are you sure you "
                                        "want to Delete this folder?"),
                     QStringLiteral("Delete Folder: ") + name + QLatin1Char('?'), MsgBox::Icon::Question,
                     MsgBox::Buttons::YesNo) != MsgBox::Answer::Yes)
        return;
    // The question let the event loop run: from here on the folder is known by its key.
    if (!gCurrentUser || !gDB)
        return;
    const UserPtr user = gCurrentUser;
    bool deleted = false;
    Deletion gone;
    runGuarded("DeleteFolder", ErrorReport::Message, [&] {
        gone = collectSubtree(key, user->PrimaryKey);
        Transaction t(*gDB);
        for (qint32 auction : gone.auctions)
            gDB->execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_Primary = ? AND AUC_User = ?"),
                         {auction, user->PrimaryKey});
        for (qint32 folder : gone.folders)
            gDB->execute(QStringLiteral("DELETE FROM Folders WHERE FLD_Primary = ? AND FLD_User = ?"),
                         {folder, user->PrimaryKey});
        deleteShortcutRows(user->PrimaryKey);
        t.commit();
        deleted = true;
    });
    if (!deleted)
        return;
    dropQueuedRequests(gone);

    const qint32 now = m_folders->findItemByKey(key);
    if (now != -1) {
        const qint32 parent = m_folders->Parent(now);
        const qint32 parentKey = parent != -1 ? m_folders->itemKey(parent) : -1;
        m_folders->removeItem(now);
        mlngLastFolderItem = -1;
        m_folders->selectItem(parentKey != -1 ? m_folders->findItemByKey(parentKey) : -1);
        sftFolders_SelChange();
    }
    emit shortcutsPruned();
}

// The folder and its subfolders by walking the parents in the table, each folder once.
FolderTreePane::Deletion FolderTreePane::collectSubtree(qint32 folderKey, qint32 userKey) const
{
    Deletion d;
    d.folders << folderKey;
    d.folderSet.insert(folderKey);
    for (qsizetype i = 0; i < d.folders.size(); ++i) {
        auto children =
            gDB->openQuery(QStringLiteral("SELECT FLD_Primary FROM Folders WHERE FLD_Parent = ? AND FLD_User = ?"),
                           {d.folders[i], userKey});
        for (children->moveFirst(); !children->eof(); children->moveNext()) {
            const qint32 child = static_cast<qint32>(children->value(QStringLiteral("FLD_Primary")).toLongLong());
            if (child > 0 && !d.folderSet.contains(child)) {
                d.folderSet.insert(child);
                d.folders << child;
            }
        }
        auto auctions = gDB->openQuery(
            QStringLiteral("SELECT AUC_Primary, AUC_ItemNumber FROM Auctions WHERE AUC_Folder = ? AND AUC_User = ?"),
            {d.folders[i], userKey});
        for (auctions->moveFirst(); !auctions->eof(); auctions->moveNext()) {
            d.auctions << static_cast<qint32>(auctions->value(QStringLiteral("AUC_Primary")).toLongLong());
            d.itemNumbers << auctions->value(QStringLiteral("AUC_ItemNumber")).toString();
        }
    }
    return d;
}

// Every request for a deleted auction goes, a snipe in flight is cancelled, and imports on
// their way into a deleted folder are dropped.
void FolderTreePane::dropQueuedRequests(const Deletion &gone)
{
    const UserPtr user = gCurrentUser;
    if (!user)
        return;
    AuctionEngine::Forget forget;
    forget.userKey = user->PrimaryKey;
    forget.auctions = gone.auctions;
    forget.itemNumbers = gone.itemNumbers;
    forget.folders = QList<qint32>(gone.folderSet.begin(), gone.folderSet.end());
    m_engine.ForgetAuctions(forget);
}

void FolderTreePane::PruneShortcutBar()
{
    if (!gCurrentUser || !gDB)
        return;
    const qint32 userKey = gCurrentUser->PrimaryKey;
    bool pruned = false;
    runGuarded("PruneShortcutBar", ErrorReport::Log, [&] {
        deleteShortcutRows(userKey);
        pruned = true;
    });
    if (pruned)
        emit shortcutsPruned();
}

// A shortcut points at a folder when SHT_Folder > 0, else at an auction when SHT_Auction > 0.
void FolderTreePane::deleteShortcutRows(qint32 userKey)
{
    gDB->execute(QStringLiteral("DELETE FROM Shortcuts WHERE SHT_User = ? AND ("
                                "(SHT_Folder > 0 AND NOT EXISTS (SELECT 1 FROM Folders WHERE FLD_Primary = "
                                "Shortcuts.SHT_Folder)) OR "
                                "(COALESCE(SHT_Folder, 0) <= 0 AND SHT_Auction > 0 AND NOT EXISTS "
                                "(SELECT 1 FROM Auctions WHERE AUC_Primary = Shortcuts.SHT_Auction)))"),
                 {userKey});
}
