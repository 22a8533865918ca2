// Deleting a folder with everything under it, and the shortcuts that pointed there.
#include "mainwindow/FolderTreePane.h"

#include "engine/AuctionEngine.h"
#include "engine/EventGuard.h"
#include "mainwindow/AuctionGridPaneSupport.h"
#include "platform/MsgBox.h"
#include "platform_gui/QtFolderTree.h"
#include "store/Folders.h"
#include "store/Globals.h"
#include "store/Shortcuts.h"

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
    folder_store::TreeDeletion gone;
    runGuarded("DeleteFolder", ErrorReport::Message, [&] {
        gone = folder_store::deleteFolderTree(*gDB, user->PrimaryKey, key);
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

// Every request for a deleted auction goes, a snipe in flight is cancelled, and imports on
// their way into a deleted folder are dropped.
void FolderTreePane::dropQueuedRequests(const folder_store::TreeDeletion &gone)
{
    const UserPtr user = gCurrentUser;
    if (!user)
        return;
    AuctionEngine::Forget forget;
    forget.userKey = user->PrimaryKey;
    forget.auctions = gone.auctions;
    forget.itemNumbers = gone.itemNumbers;
    forget.folders = gone.folders;
    m_engine.ForgetAuctions(forget);
}

void FolderTreePane::PruneShortcutBar()
{
    if (!gCurrentUser || !gDB)
        return;
    const qint32 userKey = gCurrentUser->PrimaryKey;
    bool pruned = false;
    runGuarded("PruneShortcutBar", ErrorReport::Log, [&] {
        shortcut_store::pruneShortcuts(*gDB, userKey);
        pruned = true;
    });
    if (pruned)
        emit shortcutsPruned();
}
