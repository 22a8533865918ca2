// Dragging folders and auctions onto folders of their own branch.
#include "mainwindow/FolderTreePane.h"

#include "engine/EventGuard.h"
#include "mainwindow/AuctionGridPaneSupport.h"
#include "mainwindow/FolderTreePaneSupport.h"
#include "platform/MsgBox.h"
#include "platform_gui/QtFolderTree.h"
#include "store/AuctionRecords.h"
#include "store/Folders.h"
#include "store/Globals.h"

using namespace folder_tree;

void FolderTreePane::sftFolders_DragStart()
{
    const qint32 item = m_folders->currentItem();
    if (item < 0)
        return;
    const qint32 closedKey = GetClosedAuctionsFolder();
    const bool closed = closedKey != -1 &&
                        (m_folders->itemKey(FolderRootOf(item)) == closedKey || m_folders->itemKey(item) == closedKey);
    m_folders->setDragPicture(closed ? kDragClosedFolderPicture : kDragFolderPicture);
    // The drag runs its own event loop: the drop is told the folder by key.
    mlngDragFolderItem = item;
    m_dragFolderKey = m_folders->itemKey(item);
    m_folders->beginDrag();
}

void FolderTreePane::sftFolders_DragOver(const QString &, const QPoint &viewportPos, int state)
{
    m_folders->setDropHighlight(state == 1 ? -1 : m_folders->itemAt(viewportPos));
}

void FolderTreePane::sftFolders_DragDrop(const QString &source, const QPoint &)
{
    const qint32 target = m_folders->dropHighlight();
    m_folders->setDropHighlight(-1);
    // Dropped beside every item: nothing to move into.
    if (target < 0)
        return;
    const qint32 targetKey = m_folders->itemKey(target);
    if (source == QLatin1String("sftFolders"))
        DropFolderOn(m_dragFolderKey, targetKey);
    else if (source == QLatin1String("sftAuctions"))
        DropAuctionsOn(m_draggedAuctions, targetKey);
}

bool FolderTreePane::DropFolderOn(qint32 folderKey, qint32 targetFolderKey)
{
    if (!gCurrentUser || !gDB)
        return false;
    const qint32 dragged = m_folders->findItemByKey(folderKey);
    const qint32 target = m_folders->findItemByKey(targetFolderKey);
    if (dragged < 0 || target < 0)
        return false;
    // Top-level folders (the fixed ones among them) stay where they are; a folder never leaves
    // its branch.
    if (m_folders->itemLevel(dragged) == 0 || target == dragged || FolderRootOf(dragged) != FolderRootOf(target))
        return false;
    if (IsFolderDescendant(dragged, target)) {
        MsgBox::show(QStringLiteral("A parent folder cannot be dropped into its own subfolder"),
                     QStringLiteral("Cannot Move Selected Folder"), MsgBox::Icon::Information);
        return false;
    }
    bool moved = false;
    runGuarded("sftFolders_DragDrop", ErrorReport::Message,
               [&] { moved = folder_store::moveFolder(*gDB, gCurrentUser->PrimaryKey, folderKey, targetFolderKey); });
    if (!moved)
        return false;
    LoadFolderTree();
    const qint32 item = m_folders->findItemByKey(folderKey);
    m_folders->selectItem(item);
    m_folders->makeVisible(item);
    sftFolders_SelChange();
    m_folders->refreshLayout();
    return true;
}

bool FolderTreePane::DropAuctionsOn(const QList<qint32> &auctionKeys, qint32 targetFolderKey)
{
    if (!gCurrentUser || !gDB)
        return false;
    const qint32 target = m_folders->findItemByKey(targetFolderKey);
    if (target < 0)
        return false;
    const qint32 targetRoot = FolderRootOf(target);
    // Every auction is tested, not only the one under the mouse: none may change its branch.
    QList<qint32> moving;
    for (qint32 key : auctionKeys) {
        const qint32 folder = GetAuctionFolder(key);
        if (folder == -1)
            continue; // deleted meanwhile
        if (FolderRootOf(m_folders->findItemByKey(folder)) != targetRoot) {
            MsgBox::show(QStringLiteral("Auctions can only be moved into Folders that concur with the auction's status "
                                        "(open or closed).  For example, a Closed Auction may not be moved into a "
                                        "Folder under Open Auctions, nor can Open Auctions be moved into a Folder "
                                        "containing Closed Auctions."),
                         QStringLiteral("Auction Cannot be Moved to this Folder"), MsgBox::Icon::Information);
            return false;
        }
        moving << key;
    }
    if (moving.isEmpty())
        return false;
    bool moved = false;
    runGuarded("sftFolders_DragDrop", ErrorReport::Message, [&] {
        auction_store::moveAuctions(*gDB, gCurrentUser->PrimaryKey, moving, targetFolderKey);
        moved = true;
    });
    if (moved)
        sftFolders_SelChange();
    return moved;
}
