// The tray icon: minimising hides the window into it, a double-click or its menu brings the
// window back and signs a user in again.
#include "mainwindow/frmAuction.h"

#include "dialogs/IDialogs.h"
#include "engine/AuctionEngine.h"
#include "engine/EventGuard.h"
#include "platform_gui/TrayIcon.h"
#include "store/AppSettings.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <utility>

void frmAuction::setTrayIcon(std::unique_ptr<ITrayIcon> tray)
{
    m_tray = std::move(tray);
    m_tray->setParent(nullptr);
    connect(m_tray.get(), &ITrayIcon::doubleClicked, this,
            [this] { runGuarded("trayIcon_DoubleClick", ErrorReport::Message, [this] { trayIcon_DoubleClick(); }); });
}

ITrayIcon &frmAuction::trayIcon()
{
    if (!m_tray)
        setTrayIcon(std::make_unique<QtTrayIcon>());
    return *m_tray;
}

void frmAuction::buildTrayMenu()
{
    mnuTrayPopup = new QMenu(this);
    mnuTrayPopup->setObjectName(QStringLiteral("mnuTrayPopup"));
    QAction *restore = mnuTrayPopup->addAction(QStringLiteral("Restore Zandrift"));
    restore->setObjectName(QStringLiteral("mnuTrayPopupRestore"));
    QAction *close = mnuTrayPopup->addAction(QStringLiteral("Close Zandrift"));
    close->setObjectName(QStringLiteral("mnuTrayPopupClose"));
    connect(restore, &QAction::triggered, this, [this] {
        runGuarded("mnuTrayPopupRestore_Click", ErrorReport::Message, [this] { mnuTrayPopupRestore_Click(); });
    });
    connect(close, &QAction::triggered, this, [this] {
        runGuarded("mnuTrayPopupClose_Click", ErrorReport::Message, [this] { mnuTrayPopupClose_Click(); });
    });
}

void frmAuction::AddTrayIcon()
{
    if (trayIcon().isAvailable())
        trayIcon().show(windowTitle(), mnuTrayPopup);
}

void frmAuction::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        const ReportOnce once;
        runGuarded("Form_Resize", ErrorReport::Message, [this] { windowStateChanged(); });
    }
}

// The resize handler's part for the window state: minimising puts the signed-in user aside,
// stops imports and refreshes (snipes go on) and hides the window into the tray. Where the
// desktop has no tray it stays an ordinary minimise, or the window could not be reached again.
void frmAuction::windowStateChanged()
{
    if (!isMinimized()) {
        CurrentUser::instance().dropAside();
        return;
    }
    if (!m_engine || gClosing || !trayIcon().isAvailable() || !m_loaded)
        return;
    CurrentUser::instance().putAside();
    // The window goes into the tray also when the halt or the redraw fails (a locked database).
    runGuarded("Form_Resize", ErrorReport::Message, [this] {
        setQueuedWorkAside();
        m_engine->HaltOperation();
        LoadAuctionScreen();
    });
    // After the state change has run its course: showMinimized() shows the window after it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isMinimized() && trayIcon().isAvailable())
                MinimizeToTray();
        },
        Qt::QueuedConnection);
}

// What the halt is about to drop or cancel, snipes apart: the user's imports and refreshes
// wait out the minimise instead of being lost.
void frmAuction::setQueuedWorkAside()
{
    const auto askedFor = [](const QItemPtr &item) { return item->Action != BNQItem::Snipe && !item->Bid; };
    if (const QItemPtr current = m_engine->mLastQueueItem; current && askedFor(current) && !current->Processed)
        m_setAside << std::make_shared<BNQItem>(*current);
    for (const QItemPtr &item : m_engine->queue().items())
        if (askedFor(item))
            m_setAside << item;
}

// Back from the tray: what was set aside is queued again for its user; what belongs to
// nobody signed in now is dropped, and the general log says which.
void frmAuction::carryOnSetAsideWork()
{
    const QList<QItemPtr> items = std::exchange(m_setAside, {});
    const qint32 user = AuctionEngine::currentUserKey();
    BNQueue &queue = m_engine->queue();
    for (const QItemPtr &item : items) {
        const bool theirs = item->Action == BNQItem::TimeSync || (user != 0 && item->UserKey == user);
        if (!theirs) {
            BSN_Log().MarkAuction(0, user,
                                  QStringLiteral("Not carried on after the restore from the tray (its user is not "
                                                 "signed in): ") +
                                      item->message);
            continue;
        }
        if (item->Action == BNQItem::Import && queue.ItemIsQueued(item->ItemNumber))
            continue;
        item->Processed = false;
        queue.Add(item);
    }
    if (!items.isEmpty())
        setStatusPanel(3, QStringLiteral("Items in Queue: %1").arg(queue.Count()));
}

void frmAuction::MinimizeToTray()
{
    HideToTray();
}

void frmAuction::HideToTray()
{
    // A panel started after the program brings its tray only now: without the icon the hidden
    // window could not be reached again.
    if (!trayIcon().isShown())
        trayIcon().show(windowTitle(), mnuTrayPopup);
    // No animation into the tray: Linux desktops offer nothing to draw it with.
    hide();
}

void frmAuction::restoreFromTray()
{
    QCoreApplication::processEvents();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    activateWindow();
    if (!gCurrentUser && gSettings && !gSettings->NotSetup) {
        if (!LogInDefaultUser())
            m_dialogs.signIn(this);
    }
    LoadAuctionScreen();
    carryOnSetAsideWork();
    QCoreApplication::processEvents();
}

void frmAuction::bringToFront()
{
    QWidget *modal = QApplication::activeModalWidget();
    QWidget *target = modal ? modal : this;
    target->raise();
    target->activateWindow();
}

void frmAuction::trayIcon_DoubleClick()
{
    if (isMinimized() || isHidden())
        restoreFromTray();
    else
        bringToFront();
}

void frmAuction::mnuTrayPopupRestore_Click()
{
    trayIcon_DoubleClick();
}

// The icon goes only once the close is sure (its second phase): "Do Not Close" keeps the
// program reachable.
void frmAuction::mnuTrayPopupClose_Click()
{
    if (isHidden()) {
        // The confirmation needs a window to stand over.
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
    }
    close();
}
