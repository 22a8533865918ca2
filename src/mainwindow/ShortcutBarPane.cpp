#include "mainwindow/ShortcutBarPane.h"

#include "engine/EventGuard.h"
#include "mainwindow/AuctionGridPaneSupport.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "platform_gui/ListBar.h"
#include "platform_gui/Pictures.h"
#include "store/Folders.h"
#include "store/Globals.h"

#include <QMenu>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
constexpr int kIconAuction = 1;
constexpr int kIconFolder = 2;
constexpr int kIconClosedFolder = 6;

int folderIcon(qint32 folderKey, qint32 userKey, qint32 closedKey)
{
    return closedKey != -1 && folder_store::folderRoot(*gDB, userKey, folderKey) == closedKey ? kIconClosedFolder
                                                                                              : kIconFolder;
}
} // namespace

ShortcutBarPane::ShortcutBarPane(QWidget *parent)
    : QWidget(parent), m_bar(new ListBar(this)), m_toolBar(new QToolBar(this)), m_menu(new QMenu(this))
{
    m_bar->setObjectName(QStringLiteral("lbarOutlook"));
    m_bar->addGroup(QStringLiteral("Auctions"), QStringLiteral("auctions"));
    m_bar->addGroup(QStringLiteral("Views"), QStringLiteral("views"));

    m_toolBar->setObjectName(QStringLiteral("tbrOutlook"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_button = m_toolBar->addAction(QString());
    setToolBarKey(QStringLiteral("minus"));
    m_button->setToolTip(QStringLiteral("Click to Close the Shortcut Bar"));
    connect(m_button, &QAction::triggered, this, &ShortcutBarPane::tbrOutlook_ButtonClick);

    m_menu->setObjectName(QStringLiteral("mnuOutlookPopUp"));
    mnuOutlookPopUpRemove = m_menu->addAction(QStringLiteral("Remove ShortCut"));
    mnuOutlookPopUpRemove->setObjectName(QStringLiteral("mnuOutlookPopUpRemove"));
    connect(mnuOutlookPopUpRemove, &QAction::triggered, this, &ShortcutBarPane::mnuOutlookPopUpRemove_Click);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_bar, 1);

    connect(m_bar, &ListBar::itemClicked, this, &ShortcutBarPane::lbarOutlook_ItemClick);
    connect(m_bar, &ListBar::mouseUp, this, &ShortcutBarPane::lbarOutlook_MouseUp);
    connect(m_bar, &ListBar::dropped, this, &ShortcutBarPane::lbarOutlook_DragDrop);
}

void ShortcutBarPane::BuildShortcutBar()
{
    const struct
    {
        const char *key;
        const char *picture;
    } images[] = {{"open", "imgDragIconAuction"},      {"folder", "imgDragIconFolder"},
                  {"viewauctions", "imgViewAuctions"}, {"viewauctionlog", "imgViewAuctionLog"},
                  {"viewerrorlog", "imgViewErrorLog"}, {"closedfolder", "imgDragIconFolderClosed"}};
    int index = 1;
    for (const auto &image : images)
        m_bar->addImage(index++, QLatin1String(image.key), QLatin1String(image.picture));

    m_bar->clearItems(kViewsGroup);
    const struct
    {
        const char *key;
        const char *text;
    } views[] = {
        {"viewauctions", "Auction Browser"}, {"viewauctionlog", "Auction Log"}, {"viewerrorlog", "General Error Log"}};
    for (const auto &view : views)
        m_bar->addItem(kViewsGroup, m_bar->itemCount(kViewsGroup) + 1, QLatin1String(view.key),
                       QLatin1String(view.text));
    for (int i = 1; i <= 3; ++i)
        m_bar->setItemIcon(kViewsGroup, i, i + 2);
}

void ShortcutBarPane::LoadShortcutBar()
{
    m_bar->clearItems(kAuctionsGroup);
    mShortcutItem.clear();
    if (!gCurrentUser || !gDB)
        return;
    const qint32 userKey = gCurrentUser->PrimaryKey;
    runGuarded("LoadShortcutBar", ErrorReport::Log, [&] {
        const qint32 closedKey = GetClosedAuctionsFolder(*gDB, userKey);
        for (const shortcut_store::Shortcut &shortcut : shortcut_store::loadShortcuts(*gDB, userKey)) {
            // A row that fails (a second row for the same target) is skipped, the others load.
            try {
                const int position = m_bar->itemCount(kAuctionsGroup) + 1;
                m_bar->addItem(kAuctionsGroup, position, keyOf(shortcut.target), shortcut.text);
                m_bar->setItemIcon(kAuctionsGroup, position,
                                   shortcut.target.kind == shortcut_store::Target::Kind::Folder
                                       ? folderIcon(shortcut.target.key, userKey, closedKey)
                                       : kIconAuction);
            } catch (const ListBarError &) {
            } catch (const DbError &) {
            }
        }
    });
}

bool ShortcutBarPane::SaveShortcuts()
{
    if (!gCurrentUser || !gDB)
        return false;
    const qint32 userKey = gCurrentUser->PrimaryKey;
    bool saved = false;
    // All or nothing: a failure midway keeps the rows of the last save.
    runGuarded("SaveShortcuts", ErrorReport::Log, [&] {
        QVector<shortcut_store::Shortcut> shortcuts;
        for (int i = 1; i <= m_bar->itemCount(kAuctionsGroup); ++i) {
            shortcut_store::Target target;
            if (parseKey(m_bar->itemKey(kAuctionsGroup, i), &target))
                shortcuts.push_back({target, m_bar->itemText(kAuctionsGroup, i)});
        }
        shortcut_store::replaceShortcuts(*gDB, userKey, shortcuts);
        saved = true;
    });
    return saved;
}

bool ShortcutBarPane::AddFolderShortcut(qint32 folderKey, int position)
{
    return addShortcut({shortcut_store::Target::Kind::Folder, folderKey}, position);
}

bool ShortcutBarPane::AddAuctionShortcut(qint32 auctionKey, int position)
{
    return addShortcut({shortcut_store::Target::Kind::Auction, auctionKey}, position);
}

bool ShortcutBarPane::addShortcut(const shortcut_store::Target &target, int position)
{
    if (!gCurrentUser || !gDB || target.key <= 0)
        return false;
    const qint32 userKey = gCurrentUser->PrimaryKey;
    const bool folder = target.kind == shortcut_store::Target::Kind::Folder;
    const int count = m_bar->itemCount(kAuctionsGroup);
    if (position < 1 || position > count + 1)
        position = count + 1;
    bool added = false;
    runGuarded("lbarOutlook_DragDrop", ErrorReport::Log, [&] {
        // The text the tree or the grid shows: the folder's name, the auction's title.
        QString text;
        if (!shortcut_store::targetText(*gDB, userKey, target, &text))
            return;
        try {
            m_bar->addItem(kAuctionsGroup, position, keyOf(target), text);
        } catch (const ListBarError &e) {
            if (e.number() == ListBar::kDuplicateKey)
                MsgBox::show(QStringLiteral("This Auction Shortcut has already been added to the list."),
                             QStringLiteral("Cannot Duplicate Auction Shortcut"), MsgBox::Icon::Information);
            return;
        }
        added = true;
        m_bar->setItemIcon(kAuctionsGroup, position,
                           folder ? folderIcon(target.key, userKey, GetClosedAuctionsFolder(*gDB, userKey))
                                  : kIconAuction);
        shortcut_store::addShortcut(*gDB, userKey, {target, text});
    });
    return added;
}

void ShortcutBarPane::lbarOutlook_DragDrop(const QString &source, const QPoint &pos)
{
    if (m_bar->groupKey(m_bar->currentGroup()) != QLatin1String("auctions")) {
        MsgBox::show(QStringLiteral("Shortcuts can only be added to the 'Auctions' Group."),
                     QStringLiteral("Unable to Create Shortcut"), MsgBox::Icon::Information);
        return;
    }
    const int position = m_bar->hitArea(pos) == 2 ? m_bar->itemAt(pos) : m_bar->itemCount(kAuctionsGroup) + 1;
    if (source == QLatin1String("sftFolders"))
        AddFolderShortcut(m_dragFolderKey, position);
    else if (source == QLatin1String("sftAuctions"))
        AddAuctionShortcut(m_dragAuctionKey, position);
}
