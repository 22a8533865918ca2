// The main toolbar, the window's keys and the delete command.
#include "mainwindow/frmAuction.h"

#include "engine/AuctionEngine.h"
#include "engine/EventGuard.h"
#include "mainwindow/AddAuctionStrip.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/BrowserPane.h"
#include "mainwindow/FolderTreePane.h"
#include "platform/MsgBox.h"
#include "platform_gui/QtFolderTree.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QToolBar>
#include <algorithm>

void frmAuction::buildToolbar()
{
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    static const struct
    {
        const char *key;
        const char *text;
    } buttons[] = {
        {"globalconfig", "Application Settings"},
        {"userconfig", "Edit My User Profile"},
        {"login", "Log In User"},
        {"logout", "Log Out Current User"},
        {"connect", "Connect to Internet"},
        {"disconnect", "Disconnect from Internet"},
        {"rassep", nullptr},
        {"schedule", "Schedule Bidding for Selected Auction"},
        {"delete", "Delete Auction"},
        {"refreshselected", "Refresh Selected Auction(s)"},
        {"refresh", "Refresh All Auctions"},
        {"stop", "Stop Processing"},
        {"time", "Sychronize Time"},
        {"news", "View Latest Zandrift News"},
    };
    for (const auto &b : buttons) {
        QAction *a = b.text ? Toolbar1->addAction(QString::fromLatin1(b.text)) : Toolbar1->addSeparator();
        a->setObjectName(QLatin1String(b.key));
        if (b.text) {
            const QString key = QLatin1String(b.key);
            connect(a, &QAction::triggered, this, [this, key] {
                runGuarded("Toolbar1_ButtonClick", ErrorReport::Message, [this, key] { Toolbar1_ButtonClick(key); });
            });
        }
    }
}

static void initToolbarArt()
{
    Q_INIT_RESOURCE(toolbar);
}

// Each button of the main toolbar shows the picture named by its key; a key with no picture
// leaves its button as text alone.
void frmAuction::SetToolbarIcons()
{
    static const bool loaded = (initToolbarArt(), true);
    Q_UNUSED(loaded);
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    Toolbar1->setIconSize(QSize(24, 24));
    for (QAction *button : Toolbar1->actions()) {
        const QString path = QStringLiteral(":/toolbar/%1.svg").arg(button->objectName());
        if (QFile::exists(path)) {
            button->setIcon(QIcon(path));
            button->setToolTip(button->text());
        }
    }
}

QAction *frmAuction::toolbarButton(const QString &key) const
{
    return Toolbar1->findChild<QAction *>(key);
}

// The buttons that do what a menu item does: they press that item and share its state.
static const QHash<QString, QString> &buttonMenus()
{
    static const QHash<QString, QString> asMenu = {
        {QStringLiteral("globalconfig"), QStringLiteral("mnuToolsSystemSettings")},
        {QStringLiteral("userconfig"), QStringLiteral("mnuToolsUserSettings")},
        {QStringLiteral("login"), QStringLiteral("mnuFileLogIn")},
        {QStringLiteral("logout"), QStringLiteral("mnuFileLogOut")},
        {QStringLiteral("connect"), QStringLiteral("mnuActionsConnect")},
        {QStringLiteral("disconnect"), QStringLiteral("mnuActionsDisconnect")},
        {QStringLiteral("delete"), QStringLiteral("mnuActionsDelete")},
        {QStringLiteral("schedule"), QStringLiteral("mnuActionsSchedule")},
        {QStringLiteral("refreshselected"), QStringLiteral("mnuActionsRefreshSelected")},
        {QStringLiteral("refresh"), QStringLiteral("mnuActionsRefresh")},
        {QStringLiteral("stop"), QStringLiteral("mnuActionsStop")},
        {QStringLiteral("time"), QStringLiteral("mnuToolsSyncTime")},
    };
    return asMenu;
}

void frmAuction::syncToolbarWithMenus()
{
    const auto &asMenu = buttonMenus();
    for (auto it = asMenu.cbegin(); it != asMenu.cend(); ++it) {
        QAction *menu = menuItem(it.value());
        toolbarButton(it.key())->setEnabled(menu->isEnabled());
        toolbarButton(it.key())->setVisible(menu->isVisible());
    }
    toolbarButton(QStringLiteral("rassep"))->setVisible(menuItem(QStringLiteral("mnuActionsSep1"))->isVisible());
    toolbarButton(QStringLiteral("globalconfig"))->setEnabled(true);
    toolbarButton(QStringLiteral("news"))->setEnabled(!(gSettings && gSettings->NotSetup));
}

void frmAuction::Toolbar1_ButtonClick(const QString &key)
{
    const auto &asMenu = buttonMenus();
    if (asMenu.contains(key))
        menuItem(asMenu.value(key))->trigger();
    else if (key == QLatin1String("news"))
        m_browserPane->tbrNews_Click();
    ToggleToolBarsMenus();
}

void frmAuction::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_addStrip->isStripOpen()) {
        m_addStrip->hideAddAuctionStrip();
        m_addStrip->setAddAuctionDefault(false);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// Deletes exactly the selected auctions: their keys are taken before anything is removed, so
// each deletion finds its own row again however the grid shifted meanwhile.
void frmAuction::mnuActionsDelete_Click()
{
    TreeGrid &grid = m_gridPane->auctionGrid();
    const QList<qint32> rows = grid.selectedRows();
    if (rows.isEmpty() || !gCurrentUser)
        return;
    QList<qint32> keys;
    for (qint32 row : rows)
        keys << grid.rowKey(row);
    const QString question = keys.size() > 1
                                 ? QStringLiteral("Are you sure you want to Delete these %1 Auctions?").arg(keys.size())
                                 : QStringLiteral("Are you sure you want to delete the selected Auction (%1) ?")
                                       .arg(grid.cellText(rows.first(), gCurrentUser->Columns.ItemNumber));
    if (MsgBox::show(question, QStringLiteral("Auction Remove"), MsgBox::Icon::Question, MsgBox::Buttons::YesNo,
                     MsgBox::Answer::No) != MsgBox::Answer::Yes)
        return;
    for (qint32 key : keys) {
        const qint32 row = grid.findRowByKey(key, 0);
        if (row < 0)
            continue;
        m_gridPane->DeleteAuction(row);
    }
    // The row now in the first deleted one's place is chosen, and highlighted as such.
    if (grid.rowCount() > 0 && grid.selectedRows().isEmpty())
        grid.selectRow(std::min(rows.first(), grid.rowCount() - 1));
    ToggleToolBarsMenus();
}
