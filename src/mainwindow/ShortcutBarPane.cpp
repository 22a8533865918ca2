#include "ShortcutBarPane.h"

#include "AuctionGridPaneSupport.h"
#include "Database.h"
#include "EventGuard.h"
#include "Folders.h"
#include "Globals.h"
#include "ListBar.h"
#include "MsgBox.h"
#include "Pictures.h"
#include "Transaction.h"

#include <QMenu>
#include <QSet>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
constexpr int kIconAuction = 1;
constexpr int kIconFolder = 2;
constexpr int kIconClosedFolder = 6;

// The folder's top-level ancestor by its parents in the table; -1 when a folder on the way is
// missing. A damaged file whose parents form a cycle ends the walk.
qint32 folderRoot(qint32 folderKey, qint32 userKey)
{
    QSet<qint32> seen;
    qint32 key = folderKey;
    while (!seen.contains(key)) {
        seen.insert(key);
        auto rs = gDB->openQuery(
            QStringLiteral("SELECT FLD_Parent FROM Folders WHERE FLD_Primary = ? AND FLD_User = ?"), {key, userKey});
        if (rs->eof())
            return -1;
        const qint32 parent = static_cast<qint32>(rs->value(QStringLiteral("FLD_Parent")).toLongLong());
        if (parent <= 0)
            return key;
        key = parent;
    }
    return key;
}

int folderIcon(qint32 folderKey, qint32 userKey, qint32 closedKey)
{
    return closedKey != -1 && folderRoot(folderKey, userKey) == closedKey ? kIconClosedFolder : kIconFolder;
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
        // SaveShortcuts writes the rows in the bar's order, so their keys keep it.
        auto rs = gDB->openQuery(
            QStringLiteral("SELECT Shortcuts.SHT_Folder, Shortcuts.SHT_Auction, Shortcuts.SHT_Text, Folders.FLD_Name "
                           "FROM Shortcuts LEFT JOIN Folders ON Shortcuts.SHT_Folder = Folders.FLD_Primary AND "
                           "Folders.FLD_User = Shortcuts.SHT_User WHERE Shortcuts.SHT_User = ? "
                           "ORDER BY Shortcuts.SHT_Primary"),
            {userKey});
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            const qint32 folder = static_cast<qint32>(rs->value(QStringLiteral("SHT_Folder")).toLongLong());
            const qint32 auction = static_cast<qint32>(rs->value(QStringLiteral("SHT_Auction")).toLongLong());
            // A row that fails (a second row for the same target) is skipped, the others load.
            try {
                const int position = m_bar->itemCount(kAuctionsGroup) + 1;
                if (folder > 0) {
                    const QVariant name = rs->value(QStringLiteral("FLD_Name"));
                    // A folder gone since: the old text, and the first click removes it.
                    m_bar->addItem(kAuctionsGroup, position, QStringLiteral("f%1").arg(folder),
                                   name.isNull() ? rs->value(QStringLiteral("SHT_Text")).toString() : name.toString());
                    m_bar->setItemIcon(kAuctionsGroup, position, folderIcon(folder, userKey, closedKey));
                } else if (auction > 0) {
                    m_bar->addItem(kAuctionsGroup, position, QStringLiteral("a%1").arg(auction),
                                   rs->value(QStringLiteral("SHT_Text")).toString());
                    m_bar->setItemIcon(kAuctionsGroup, position, kIconAuction);
                }
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
        Transaction t(*gDB);
        gDB->execute(QStringLiteral("DELETE FROM Shortcuts WHERE SHT_User = ?"), {userKey});
        for (int i = 1; i <= m_bar->itemCount(kAuctionsGroup); ++i) {
            QChar kind;
            qint32 id = 0;
            if (!parseKey(m_bar->itemKey(kAuctionsGroup, i), &kind, &id))
                continue;
            const bool folder = kind == QLatin1Char('f');
            gDB->execute(QStringLiteral("INSERT INTO Shortcuts (SHT_User, SHT_Text, SHT_Folder, SHT_Auction) "
                                        "VALUES (?, ?, ?, ?)"),
                         {userKey, m_bar->itemText(kAuctionsGroup, i), folder ? id : 0, folder ? 0 : id});
        }
        t.commit();
        saved = true;
    });
    return saved;
}

bool ShortcutBarPane::AddFolderShortcut(qint32 folderKey, int position)
{
    return addShortcut(QLatin1Char('f'), folderKey, position);
}

bool ShortcutBarPane::AddAuctionShortcut(qint32 auctionKey, int position)
{
    return addShortcut(QLatin1Char('a'), auctionKey, position);
}

bool ShortcutBarPane::addShortcut(QChar kind, qint32 id, int position)
{
    if (!gCurrentUser || !gDB || id <= 0)
        return false;
    const qint32 userKey = gCurrentUser->PrimaryKey;
    const bool folder = kind == QLatin1Char('f');
    const int count = m_bar->itemCount(kAuctionsGroup);
    if (position < 1 || position > count + 1)
        position = count + 1;
    const QString key = kind + QString::number(id);
    bool added = false;
    runGuarded("lbarOutlook_DragDrop", ErrorReport::Log, [&] {
        // The text the tree or the grid shows: the folder's name, the auction's title.
        auto rs = folder ? gDB->openQuery(QStringLiteral("SELECT FLD_Name AS t FROM Folders WHERE FLD_Primary = ? "
                                                         "AND FLD_User = ?"),
                                          {id, userKey})
                         : gDB->openQuery(QStringLiteral("SELECT AUC_Title AS t FROM Auctions WHERE AUC_Primary = ? "
                                                         "AND AUC_User = ?"),
                                          {id, userKey});
        if (rs->eof())
            return;
        const QString text = rs->value(QStringLiteral("t")).toString();
        try {
            m_bar->addItem(kAuctionsGroup, position, key, text);
        } catch (const ListBarError &e) {
            if (e.number() == ListBar::kDuplicateKey)
                MsgBox::show(QStringLiteral("This Auction Shortcut has already been added to the list."),
                             QStringLiteral("Cannot Duplicate Auction Shortcut"), MsgBox::Icon::Information);
            return;
        }
        added = true;
        m_bar->setItemIcon(kAuctionsGroup, position,
                           folder ? folderIcon(id, userKey, GetClosedAuctionsFolder(*gDB, userKey)) : kIconAuction);
        gDB->execute(QStringLiteral("INSERT INTO Shortcuts (SHT_User, SHT_Text, SHT_Folder, SHT_Auction) "
                                    "VALUES (?, ?, ?, ?)"),
                     {userKey, text, folder ? id : 0, folder ? 0 : id});
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
