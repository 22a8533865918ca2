#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QWidget>

class AuctionEngine;
class FolderTreeWidget;
class QAction;
class QMenu;
class QtFolderTree;
namespace folder_store {
struct TreeDeletion;
}

// The folder tree sftFolders: the signed-in user's folders, the selection the auction grid
// follows, the pop-up menu that creates and deletes folders, renaming in place, and dropping
// folders and auctions onto folders of their own branch. Items are addressed by index in the
// tree's order; anything that lets the event loop run is followed by keys.
//
// The grid, the caption, the menus and the shortcut bar are the window's: the pane tells it
// through signals.
class FolderTreePane : public QWidget
{
    Q_OBJECT
public:
    // The engine's queue loses the requests of the auctions a folder deletion takes away; its
    // serving state keeps "Delete Folder" disabled.
    explicit FolderTreePane(AuctionEngine &engine, QWidget *parent = nullptr);
    ~FolderTreePane() override;

    QtFolderTree &folderTree() { return *m_folders; }
    FolderTreeWidget *sftFolders() const { return m_tree; }
    QMenu *mnuFolderPop() const { return m_menu; }

    // Empties the tree and fills it with the signed-in user's folders (empty when nobody is).
    void LoadFolderTree();
    // Adds the user's folders whose parent is parentFolder below parentItem (-1: at top level),
    // each followed by its subtree, siblings by name. A folder met twice (a damaged file whose
    // parents form a cycle) is shown once.
    void LoadFolderLevel(qint32 parentItem, qint32 parentFolder, qint32 userKey);
    // Selects the user's top-level "Open Auctions" folder (found by its key).
    void SelectOpenAuctionsFolder();
    // Selects the item, opens its branch, scrolls it into view and shows the folder.
    void SelectFolderInTree(qint32 item);

    // What the window forwards for the engine. folderSelected() is how the grid follows.
    void sftFolders_SelChange();
    qint32 selectedFolderKey() const;
    qint32 selectedFolderRootKey() const;
    bool folderTreeHasSelection() const;
    // The selected folder's name, empty when none (the window caption's "Viewing" part).
    QString selectedFolderText() const;

    void CreateNewFolder(qint32 parentItem);
    // False when nothing was written.
    bool RenameFolder(qint32 folderKey, const QString &newName);
    // Asks first; deletes the folder with its subfolders, their auctions, the auctions' queued
    // requests and the shortcuts to any of them, then selects the parent.
    void DeleteFolder(qint32 item);
    // Deletes the user's shortcut rows whose folder or auction no longer exists.
    void PruneShortcutBar();

    // The item's top-level ancestor (the item itself at top level); -1 for no item.
    qint32 FolderRootOf(qint32 item) const;
    bool IsFolderDescendant(qint32 ancestor, qint32 item) const;
    // Key lookups for the signed-in user; -1 when there is none.
    qint32 GetAuctionFolder(qint32 auctionKey) const;
    qint32 GetOpenAuctionsFolder() const;
    qint32 GetClosedAuctionsFolder() const;

    // The tree's event handlers, public so that tests can drive them.
    void sftFolders_Click(qint32 item, Qt::MouseButton button, const QPoint &viewportPos = QPoint());
    void sftFolders_EditRequest(qint32 item);
    void sftFolders_EndEdit(qint32 item, QString &newText);
    void sftFolders_DragStart();
    // state 1: the drag left the tree.
    void sftFolders_DragOver(const QString &source, const QPoint &viewportPos, int state);
    void sftFolders_DragDrop(const QString &source, const QPoint &viewportPos);
    // The drop by keys: a folder onto a folder, the grid's auctions onto a folder. True when
    // rows were moved.
    bool DropFolderOn(qint32 folderKey, qint32 targetFolderKey);
    bool DropAuctionsOn(const QList<qint32> &auctionKeys, qint32 targetFolderKey);

    qint32 dragFolderItem() const { return mlngDragFolderItem; }

public slots:
    // The auctions the grid's drag carries, told when that drag begins.
    void setDraggedAuctions(const QList<qint32> &auctionKeys) { m_draggedAuctions = auctionKeys; }

signals:
    // The selection handler ran: the grid shows this folder (-1: no folder is selected, the
    // grid shows nothing); the caption and the menus follow.
    void folderSelected(qint32 folderKey);
    // Shortcut rows were deleted: the shortcut bar reloads.
    void shortcutsPruned();

private:
    void loadLevel(qint32 parentItem, qint32 parentFolder, qint32 userKey, QSet<qint32> &visited);
    bool isFixedFolder(qint32 folderKey) const;
    void updateFolderMenu();
    void dropQueuedRequests(const folder_store::TreeDeletion &gone);

    AuctionEngine &m_engine;
    FolderTreeWidget *m_tree;
    QtFolderTree *m_folders;
    QMenu *m_menu;
    QAction *mnuFolderPopNewFolder;
    QAction *mnuFolderPopDeleteFolder;
    qint32 mlngLastFolderItem = -1;
    qint32 mlngDragFolderItem = -1;
    qint32 m_dragFolderKey = -1;
    QList<qint32> m_draggedAuctions;
};
