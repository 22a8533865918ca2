// The shortcut bar's clicks, its pop-up menu and its toolbar.
#include "mainwindow/ShortcutBarPane.h"

#include "engine/EventGuard.h"
#include "mainwindow/AuctionGridPaneSupport.h"
#include "platform/MsgBox.h"
#include "platform_gui/ListBar.h"
#include "platform_gui/Pictures.h"
#include "store/Globals.h"

#include <QMenu>
#include <QToolBar>

bool ShortcutBarPane::parseKey(const QString &key, shortcut_store::Target *target)
{
    if (key.size() < 2)
        return false;
    bool ok = false;
    const qint32 id = key.mid(1).toInt(&ok);
    if (!ok)
        return false;
    if (key.at(0) == QLatin1Char('f'))
        *target = {shortcut_store::Target::Kind::Folder, id};
    else if (key.at(0) == QLatin1Char('a'))
        *target = {shortcut_store::Target::Kind::Auction, id};
    else
        return false;
    return true;
}

QString ShortcutBarPane::keyOf(const shortcut_store::Target &target)
{
    return (target.kind == shortcut_store::Target::Kind::Folder ? QLatin1Char('f') : QLatin1Char('a')) +
           QString::number(target.key);
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
    shortcut_store::Target target;
    if (caption != QLatin1String("Auctions") || !parseKey(key, &target) || !gCurrentUser || !gDB)
        return;
    const qint32 userKey = gCurrentUser->PrimaryKey;
    runGuarded("lbarOutlook_ItemClick", ErrorReport::Log, [&] {
        qint32 folder = -1;
        if (!shortcut_store::targetExists(*gDB, userKey, target, &folder)) {
            invalidShortcutRemoved(key);
            return;
        }
        if (target.kind == shortcut_store::Target::Kind::Folder)
            emit folderShortcutClicked(target.key);
        else
            emit auctionShortcutClicked(folder, target.key);
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
    shortcut_store::Target target;
    if (!parseKey(mShortcutItem, &target) || !gCurrentUser || !gDB)
        return;
    const QString key = mShortcutItem;
    const qint32 userKey = gCurrentUser->PrimaryKey;
    runGuarded("mnuOutlookPopUpRemove_Click", ErrorReport::Log, [&] {
        shortcut_store::removeShortcut(*gDB, userKey, target);
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
    const qint32 userKey = gCurrentUser->PrimaryKey;
    runGuarded("PruneShortcutBar", ErrorReport::Log, [&] {
        for (int i = m_bar->itemCount(kAuctionsGroup); i >= 1; --i) {
            shortcut_store::Target target;
            if (parseKey(m_bar->itemKey(kAuctionsGroup, i), &target) &&
                !shortcut_store::targetExists(*gDB, userKey, target))
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
