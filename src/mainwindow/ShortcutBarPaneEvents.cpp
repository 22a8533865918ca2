// The shortcut bar's clicks, its pop-up menu and its toolbar.
#include "ShortcutBarPane.h"

#include "AuctionGridPaneSupport.h"
#include "Database.h"
#include "EventGuard.h"
#include "Globals.h"
#include "ListBar.h"
#include "MsgBox.h"
#include "Pictures.h"

#include <QMenu>
#include <QToolBar>

bool ShortcutBarPane::parseKey(const QString &key, QChar *kind, qint32 *id)
{
    if (key.size() < 2)
        return false;
    bool ok = false;
    *kind = key.at(0);
    *id = key.mid(1).toInt(&ok);
    return ok && (*kind == QLatin1Char('f') || *kind == QLatin1Char('a'));
}

// Whether the user's folder or auction is still there; for an auction also its folder, which
// the grid must show. Throws DbError when the database cannot say.
bool ShortcutBarPane::targetExists(QChar kind, qint32 id, qint32 *folderKey) const
{
    const qint32 userKey = gCurrentUser->PrimaryKey;
    qint32 folder = id;
    if (kind == QLatin1Char('a')) {
        auto rs = gDB->openQuery(
            QStringLiteral("SELECT AUC_Folder FROM Auctions WHERE AUC_Primary = ? AND AUC_User = ?"), {id, userKey});
        if (rs->eof())
            return false;
        folder = static_cast<qint32>(rs->value(QStringLiteral("AUC_Folder")).toLongLong());
    }
    auto rs = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM Folders WHERE FLD_Primary = ? AND FLD_User = ?"),
                             {folder, userKey});
    if (folderKey)
        *folderKey = folder;
    return rs->value(QStringLiteral("n")).toInt() > 0;
}

void ShortcutBarPane::lbarOutlook_ItemClick(int group, int index)
{
    if (group != m_bar->currentGroup())
        return;
    const QString key = m_bar->itemKey(group, index);
    const QString caption = m_bar->groupCaption(group);
    if (caption == QLatin1String("Views")) {
        static const QStringList views = {QStringLiteral("viewauctions"), QStringLiteral("viewauctionlog"),
                                          QStringLiteral("viewerrorlog")};
        if (views.contains(key))
            emit viewChosen(static_cast<int>(views.indexOf(key)));
        return;
    }
    QChar kind;
    qint32 id = 0;
    if (caption != QLatin1String("Auctions") || !parseKey(key, &kind, &id) || !gCurrentUser || !gDB)
        return;
    runGuarded("lbarOutlook_ItemClick", ErrorReport::Log, [&] {
        qint32 folder = -1;
        if (!targetExists(kind, id, &folder)) {
            invalidShortcutRemoved(key);
            return;
        }
        if (kind == QLatin1Char('f'))
            emit folderShortcutClicked(id);
        else
            emit auctionShortcutClicked(folder, id);
    });
}

// The row goes at the next SaveShortcuts.
void ShortcutBarPane::invalidShortcutRemoved(const QString &key)
{
    MsgBox::show(
        QStringLiteral("This Shortcut no longer points to a valid item.  Zandrift will remove the shortcut now."),
        QStringLiteral("Invalid Shortcut"));
    removeItem(key);
}

void ShortcutBarPane::lbarOutlook_MouseUp(Qt::MouseButton button, const QPoint &pos)
{
    if (button != Qt::RightButton || m_bar->groupKey(m_bar->currentGroup()) != QLatin1String("auctions") ||
        m_bar->hitArea(pos) != 2)
        return;
    // The menu lets the event loop run: the item is held by its key.
    mShortcutItem = m_bar->itemKey(m_bar->currentGroup(), m_bar->itemAt(pos));
    m_menu->popup(m_bar->mapToGlobal(pos));
}

void ShortcutBarPane::mnuOutlookPopUpRemove_Click()
{
    QChar kind;
    qint32 id = 0;
    if (!parseKey(mShortcutItem, &kind, &id) || !gCurrentUser || !gDB)
        return;
    const QString key = mShortcutItem;
    const qint32 userKey = gCurrentUser->PrimaryKey;
    runGuarded("mnuOutlookPopUpRemove_Click", ErrorReport::Log, [&] {
        if (kind == QLatin1Char('f'))
            gDB->execute(QStringLiteral("DELETE FROM Shortcuts WHERE SHT_Folder = ? AND SHT_User = ?"), {id, userKey});
        else
            gDB->execute(QStringLiteral("DELETE FROM Shortcuts WHERE SHT_Auction = ? AND SHT_User = ?"), {id, userKey});
        removeItem(key);
    });
}

void ShortcutBarPane::removeItem(const QString &key)
{
    const int index = m_bar->findItem(kAuctionsGroup, key);
    if (index > 0)
        m_bar->removeItem(kAuctionsGroup, index);
}

void ShortcutBarPane::PruneShortcutBar()
{
    if (!gCurrentUser || !gDB)
        return;
    runGuarded("PruneShortcutBar", ErrorReport::Log, [&] {
        for (int i = m_bar->itemCount(kAuctionsGroup); i >= 1; --i) {
            QChar kind;
            qint32 id = 0;
            if (parseKey(m_bar->itemKey(kAuctionsGroup, i), &kind, &id) && !targetExists(kind, id, nullptr))
                m_bar->removeItem(kAuctionsGroup, i);
        }
    });
}

void ShortcutBarPane::RemoveAuctionShortcut(qint32 auctionKey)
{
    removeItem(QStringLiteral("a%1").arg(auctionKey));
}

void ShortcutBarPane::setToolBarKey(const QString &key)
{
    m_button->setData(key);
    m_button->setIcon(programPicture(key));
}

void ShortcutBarPane::tbrOutlook_ButtonClick()
{
    if (m_button->data().toString() == QLatin1String("minus"))
        OutlookOff();
    else
        OutlookOn();
}

void ShortcutBarPane::OutlookOff()
{
    m_bar->hide();
    setToolBarKey(QStringLiteral("plus"));
    m_button->setToolTip(QStringLiteral("Click to Open the Shortcut Bar"));
    emit barVisibilityChanged(false);
}

void ShortcutBarPane::OutlookOn()
{
    m_bar->show();
    setToolBarKey(QStringLiteral("minus"));
    m_button->setToolTip(QStringLiteral("Click to Close the Shortcut Bar"));
    emit barVisibilityChanged(true);
}
