#include "mainwindow/FolderTreePane.h"

#include "engine/AuctionEngine.h"
#include "engine/EventGuard.h"
#include "mainwindow/AuctionGridPaneSupport.h"
#include "mainwindow/FolderTreePaneSupport.h"
#include "platform_gui/FolderTreeWidget.h"
#include "platform_gui/QtFolderTree.h"
#include "store/Folders.h"
#include "store/Globals.h"

#include <QMenu>
#include <QVBoxLayout>

using namespace folder_tree;

FolderTreePane::FolderTreePane(AuctionEngine &engine, QWidget *parent)
    : QWidget(parent), m_engine(engine), m_tree(new FolderTreeWidget(this)), m_folders(new QtFolderTree(m_tree, this)),
      m_menu(new QMenu(this))
{
    m_tree->setObjectName(QStringLiteral("sftFolders"));
    m_tree->setHeaderLabels({QStringLiteral("Folder")});
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);

    m_menu->setObjectName(QStringLiteral("mnuFolderPop"));
    mnuFolderPopNewFolder = m_menu->addAction(QStringLiteral("New Folder"));
    mnuFolderPopNewFolder->setObjectName(QStringLiteral("mnuFolderPopNewFolder"));
    mnuFolderPopDeleteFolder = m_menu->addAction(QStringLiteral("Delete Folder"));
    mnuFolderPopDeleteFolder->setObjectName(QStringLiteral("mnuFolderPopDeleteFolder"));
    connect(mnuFolderPopNewFolder, &QAction::triggered, this, [this] { CreateNewFolder(m_folders->currentItem()); });
    connect(mnuFolderPopDeleteFolder, &QAction::triggered, this, [this] { DeleteFolder(m_folders->currentItem()); });

    connect(m_folders, &QtFolderTree::selectionChanged, this, &FolderTreePane::sftFolders_SelChange);
    connect(m_folders, &QtFolderTree::contextMenuRequested, this,
            [this](qint32 item, const QPoint &pos) { sftFolders_Click(item, Qt::RightButton, pos); });
    connect(m_folders, &QtFolderTree::editRequested, this, &FolderTreePane::sftFolders_EditRequest);
    connect(m_folders, &QtFolderTree::editEnded, this,
            [this](qint32 item, QString *text) { sftFolders_EndEdit(item, *text); });
    connect(m_folders, &QtFolderTree::dragStartRequested, this, &FolderTreePane::sftFolders_DragStart);
    connect(m_folders, &QtFolderTree::dragOver, this, &FolderTreePane::sftFolders_DragOver);
    connect(m_folders, &QtFolderTree::dropped, this, &FolderTreePane::sftFolders_DragDrop);
}

// The tree outlives this object by a moment: an edit it commits then must not reach the handlers.
FolderTreePane::~FolderTreePane()
{
    disconnect(m_folders, nullptr, this, nullptr);
}

void FolderTreePane::LoadFolderTree()
{
    m_folders->clear();
    mlngLastFolderItem = -1;
    if (!gCurrentUser || !gDB)
        return;
    const qint32 userKey = gCurrentUser->PrimaryKey;
    runGuarded("LoadFolderLevel", ErrorReport::Log, [&] { LoadFolderLevel(-1, 0, userKey); });
    m_tree->expandAll();
}

void FolderTreePane::LoadFolderLevel(qint32 parentItem, qint32 parentFolder, qint32 userKey)
{
    QSet<qint32> visited{parentFolder};
    for (qint32 i = 0; i < m_folders->itemCount(); ++i)
        visited.insert(m_folders->itemKey(i));
    loadLevel(parentItem, parentFolder, userKey, visited);
}

void FolderTreePane::loadLevel(qint32 parentItem, qint32 parentFolder, qint32 userKey, QSet<qint32> &visited)
{
    for (const folder_store::Folder &folder : folder_store::children(*gDB, userKey, parentFolder)) {
        const qint32 key = folder.key;
        if (visited.contains(key))
            continue;
        visited.insert(key);
        const qint32 item = m_folders->addItem(folder.name);
        if (parentItem >= 0) {
            m_folders->setItemLevel(item, m_folders->itemLevel(parentItem) + 1);
        } else if ((folder.name == QLatin1String(kOpenAuctionsFolder) ||
                    folder.name == QLatin1String(kClosedAuctionsFolder)) &&
                   folder.parent == 0) {
            m_folders->setItemBold(item, true);
            m_folders->setItemColor(item, captionColor(*m_tree));
        }
        m_folders->setItemKey(item, key);
        m_folders->setItemPicture(item, kClosedFolderPicture);
        loadLevel(item, key, userKey, visited);
    }
}

void FolderTreePane::SelectOpenAuctionsFolder()
{
    const qint32 key = GetOpenAuctionsFolder();
    m_folders->selectItem(key == -1 ? -1 : m_folders->findItemByKey(key));
}

void FolderTreePane::SelectFolderInTree(qint32 item)
{
    m_folders->selectItem(item);
    m_folders->expand(item);
    m_folders->makeVisible(item);
    sftFolders_SelChange();
}

void FolderTreePane::sftFolders_SelChange()
{
    const qint32 current = m_folders->currentItem();
    if (current != -1 && current != mlngLastFolderItem) {
        m_folders->setItemPicture(current, kOpenFolderPicture);
        if (mlngLastFolderItem > -1 && m_folders->descendantCount(mlngLastFolderItem) == 0)
            m_folders->setItemPicture(mlngLastFolderItem, kClosedFolderPicture);
        mlngLastFolderItem = current;
    }
    emit folderSelected(current != -1 ? m_folders->itemKey(current) : -1);
}

qint32 FolderTreePane::selectedFolderKey() const
{
    const qint32 current = m_folders->currentItem();
    return current != -1 ? m_folders->itemKey(current) : -1;
}

qint32 FolderTreePane::selectedFolderRootKey() const
{
    const qint32 current = m_folders->currentItem();
    return current != -1 ? m_folders->itemKey(FolderRootOf(current)) : -1;
}

bool FolderTreePane::folderTreeHasSelection() const
{
    return m_folders->itemCount() > 0 && m_folders->currentItem() != -1;
}

QString FolderTreePane::selectedFolderText() const
{
    return m_folders->cellText(m_folders->currentItem());
}

bool FolderTreePane::isFixedFolder(qint32 folderKey) const
{
    return folderKey == GetOpenAuctionsFolder() || folderKey == GetClosedAuctionsFolder();
}

void FolderTreePane::updateFolderMenu()
{
    const qint32 current = m_folders->currentItem();
    // With no current item there is no folder to act on.
    mnuFolderPopNewFolder->setEnabled(current != -1);
    mnuFolderPopDeleteFolder->setEnabled(current != -1 && !isFixedFolder(m_folders->itemKey(current)) &&
                                         !m_engine.mblnServingItem);
}

// Qt reports one context-menu request per right-click, so no flag has to swallow a second one.
void FolderTreePane::sftFolders_Click(qint32, Qt::MouseButton button, const QPoint &viewportPos)
{
    if (button != Qt::RightButton || !gCurrentUser)
        return;
    updateFolderMenu();
    m_menu->popup(m_tree->viewport()->mapToGlobal(viewportPos));
}

void FolderTreePane::CreateNewFolder(qint32 parentItem)
{
    if (parentItem < 0 || parentItem >= m_folders->itemCount() || !gCurrentUser || !gDB)
        return;
    const QString name = QStringLiteral("New Folder");
    const qint32 parentKey = m_folders->itemKey(parentItem);
    qint32 key = -1;
    // The row first: a folder the database refused never appears in the tree.
    runGuarded("CreateNewFolder", ErrorReport::Message,
               [&] { key = folder_store::addFolder(*gDB, gCurrentUser->PrimaryKey, parentKey, name); });
    if (key <= 0)
        return;
    const qint32 item = m_folders->insertItem(parentItem + 1, name);
    m_folders->setItemLevel(item, m_folders->itemLevel(parentItem) + 1);
    m_folders->setItemKey(item, key);
    m_folders->setItemPicture(item, kClosedFolderPicture);
    m_folders->beginEdit(item);
}

void FolderTreePane::sftFolders_EditRequest(qint32 item)
{
    if (item >= 0 && !isFixedFolder(m_folders->itemKey(item)))
        m_folders->beginEdit(item);
}

void FolderTreePane::sftFolders_EndEdit(qint32 item, QString &newText)
{
    const qint32 key = m_folders->itemKey(item);
    const bool renamed = !newText.isEmpty() && !isFixedFolder(key) && RenameFolder(key, newText);
    if (!renamed)
        newText = m_folders->cellText(item);
    m_folders->refreshLayout();
}

bool FolderTreePane::RenameFolder(qint32 folderKey, const QString &newName)
{
    if (!gCurrentUser || !gDB)
        return false;
    bool changed = false;
    runGuarded("RenameFolder", ErrorReport::Message,
               [&] { changed = folder_store::renameFolder(*gDB, gCurrentUser->PrimaryKey, folderKey, newName); });
    return changed;
}

qint32 FolderTreePane::FolderRootOf(qint32 item) const
{
    if (item < 0 || item >= m_folders->itemCount())
        return -1;
    for (qint32 p = m_folders->Parent(item); p != -1; p = m_folders->Parent(p))
        item = p;
    return item;
}

bool FolderTreePane::IsFolderDescendant(qint32 ancestor, qint32 item) const
{
    for (qint32 p = m_folders->Parent(item); p != -1; p = m_folders->Parent(p)) {
        if (p == ancestor)
            return true;
    }
    return false;
}

qint32 FolderTreePane::GetAuctionFolder(qint32 auctionKey) const
{
    return lookUp([&] { return ::GetAuctionFolder(*gDB, auctionKey); });
}

qint32 FolderTreePane::GetOpenAuctionsFolder() const
{
    return gCurrentUser ? lookUp([] { return ::GetOpenAuctionsFolder(*gDB, gCurrentUser->PrimaryKey); }) : -1;
}

qint32 FolderTreePane::GetClosedAuctionsFolder() const
{
    return gCurrentUser ? lookUp([] { return ::GetClosedAuctionsFolder(*gDB, gCurrentUser->PrimaryKey); }) : -1;
}
