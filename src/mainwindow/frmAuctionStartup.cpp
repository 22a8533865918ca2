// Start-up, the two-phase close and the redraw for the signed-in user.
#include "mainwindow/frmAuction.h"

#include "dialogs/IDialogs.h"
#include "engine/AuctionEngine.h"
#include "engine/EventGuard.h"
#include "engine/modComm.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/BrowserPane.h"
#include "mainwindow/FolderTreePane.h"
#include "mainwindow/LogViewsPane.h"
#include "mainwindow/ShortcutBarPane.h"
#include "platform/Database.h"
#include "platform/DialUpComponent.h"
#include "platform/FormTimer.h"
#include "platform/InetTransfer.h"
#include "platform/MsgBox.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "platform_gui/QtTreeGrid.h"
#include "platform_gui/TrayIcon.h"
#include "store/AppSettings.h"
#include "store/AuctionDatabase.h"
#include "store/AuctionRecords.h"
#include "store/BSN_Log.h"
#include "store/Folders.h"
#include "store/Globals.h"
#include "store/PrivateFiles.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>

bool frmAuction::Form_Load(const QString &commandLine)
{
    m_startMinimised = commandLine.trimmed().toUpper() == QLatin1String("/M");
    setAllTimersEnabled(false);

    m_instance = std::make_unique<SingleInstance>(ProgramFolder::file(QLatin1String(SingleInstance::kLockFileName)));
    if (!m_instance->acquire()) {
        setAllTimersEnabled(false);
        MsgBox::show(QStringLiteral("Zandrift is Already Executing(check your system tray)...unloading..."),
                     QStringLiteral("Zandrift Already Executing"), MsgBox::Icon::Information);
        mblnDuplicate = true;
        return false;
    }

    if (!openStore())
        return false;
    LogViewsPane::EnsureLogsFolder();
    m_dialogs.showSplash(this);
    // Each modal step lets the session end meanwhile; the start goes no further then.
    if (m_closed)
        return false;

    cboView->clear();
    cboView->addItems(
        {QStringLiteral("Auction View"), QStringLiteral("Auction Log"), QStringLiteral("General Error Log")});
    cboView->setCurrentIndex(0);
    // The start goes on to its end also when the database is locked by another program or
    // damaged: what failed is said once, and the timers still run the snipes once it is free.
    const ReportOnce once;
    gUsers = std::make_unique<BSN_Users>();
    runGuarded("Form_Load", ErrorReport::Message, [] { gUsers->Init(*gDB); });
    AddTrayIcon();

    startLayout();
    m_shortcutPane->BuildShortcutBar();
    runGuarded("ShowErrorLog", ErrorReport::Message, [this] { m_logPane->ShowErrorLog(); });
    SizeWindowToScreen();
    RestoreLayout();
    // What an earlier run could not write comes first: a final post it sent is never sent again.
    runGuarded("Form_Load", ErrorReport::Message, [this] { m_engine->recoverHeldWrites(); });
    runGuarded("Form_Load", ErrorReport::Message, [this] { m_engine->QueueDueSnipes(); });
    m_engine->queue().InetAvailable = true;
    ToggleToolBarsMenus();

    if (!m_startMinimised)
        show();

    // The command itself: a first set-up that was saved unlocks the menus it locked.
    if (gSettings->NotSetup)
        mnuToolsSystemSettings_Click();
    else
        ApplySystemSettings();
    if (m_closed)
        return false;

    // Settings never saved are nobody's choice of dial-up: nothing is dialled on them.
    if (!m_startMinimised && !gSettings->NotSetup && gSettings->ConnectionType == 0 && gSettings->AutoConnect == 1) {
        // A start may be unattended, with snipes due: the dial asks nobody and waits for no line,
        // and an nmcli that fails or does not answer in time goes to the general log.
        runGuarded("Form_Load", ErrorReport::Log, [] {
            DialUpComponent dialUp;
            if (dialUp.OpenConnectionCount() < 1)
                DialConnection(gSettings->PhoneBookEntry, false);
        });
    }

    if (m_closed)
        return false;
    runGuarded("Form_Load", ErrorReport::Message, [this] { signInAtStart(); });
    if (m_closed)
        return false;
    m_browserPane->ShowNewsPage();

    if (!gSettings->NotSetup)
        setAllTimersEnabled(true);
    m_loaded = true;
    if (m_startMinimised)
        showMinimized();
    runGuarded("Form_Load", ErrorReport::Message, [this] { startupTimeSync(); });
    return true;
}

bool frmAuction::openStore()
{
    QString error;
    // Before the database is opened, so its journal is made with the file's own mode.
    const Tightened tightened = TightenPrivateFiles();
    if (!OpenAuctionDatabase(&error)) {
        MsgBox::show(error, QStringLiteral("Zandrift"), MsgBox::Icon::Critical);
        return false;
    }
    try {
        UpgradeDatabase();
        // Nothing is queued in a new run: rows still marked as waiting for a refresh were left so
        // by a run that was killed, and would stay painted as busy.
        auction_store::clearRefreshMarks(*gDB);
        gSettings = std::make_unique<AppSettings>(*gDB, SettingsStore::instance());
    } catch (const DbError &e) {
        MsgBox::show(QStringLiteral("Unable to open the database %1: %2")
                         .arg(QDir::toNativeSeparators(AuctionDatabasePath()), e.message()),
                     QStringLiteral("Zandrift"), MsgBox::Icon::Critical);
        return false;
    }
    for (const QString &said : {tightened.message(), SettingsStore::instance().refusal()}) {
        if (said.isEmpty())
            continue;
        try {
            BSN_Log(*gDB).MarkAuction(0, 0, said);
        } catch (const DbError &) {
            // A database that takes no row now says its own trouble at its next write.
        }
    }
    return true;
}

void frmAuction::signInAtStart()
{
    if (NoUsersExist()) {
        CurrentUser::instance().signOut();
        m_dialogs.profileWizard(this);
        if (!gCurrentUser) {
            if (!NoUsersExist()) {
                m_dialogs.signIn(this);
                if (gCurrentUser)
                    LoadAuctionScreen();
            }
        } else {
            LoadAuctionScreen();
        }
        return;
    }
    if (!LogInDefaultUser())
        m_dialogs.signIn(this);
    if (gCurrentUser)
        LoadAuctionScreen();
}

void frmAuction::startupTimeSync()
{
    if (gSettings->AutoTimeSync != 1 || gSettings->NotSetup)
        return;
    if (gSettings->AutoConnect != 0) {
        m_engine->TimeSync(false, false);
        return;
    }
    bool online = false;
    try {
        online = IsOnlineForBid();
    } catch (const DialUpError &) {
        online = false;
    }
    m_engine->TimeSync(false, !online);
}

void frmAuction::closeEvent(QCloseEvent *event)
{
    qint16 cancel = 0;
    const ReportOnce once;
    // Its steps that can fail are guarded one by one; this is for what is left.
    runGuarded("Form_QueryUnload", ErrorReport::Message, [this, &cancel] { Form_QueryUnload(cancel, m_unloadMode); });
    m_unloadMode = 0;
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void frmAuction::Form_QueryUnload(qint16 &Cancel, qint16 UnloadMode)
{
    // Closed for good already: nothing is asked or stopped again.
    if (m_closed)
        return;
    if (UnloadMode == 2 || UnloadMode == 3 || mblnDuplicate) {
        // The session is ending: stop the work, keep nothing else waiting.
        if (m_engine && !mblnDuplicate) {
            m_engine->Inet1().Cancel();
            setAllTimersEnabled(false);
            runGuarded("Form_QueryUnload", ErrorReport::Log, [this] { m_engine->HaltOperation(); });
            if (m_tray)
                m_tray->remove();
            // Nobody is there to read a box: what cannot be written is kept for the next start.
            QString report;
            runGuarded("Form_QueryUnload", ErrorReport::Log, [this, &report] { m_engine->closeDown(report, 2000); });
        }
        m_closed = true;
        emit closed();
        return;
    }
    if (!gClosing && gSettings && gSettings->ShowClosingWarning == 1) {
        bool scheduled = false;
        try {
            if (!gDB)
                throw DbError(QStringLiteral("The database is not open."));
            scheduled = auction_store::countScheduledSnipes(*gDB) > 0;
        } catch (const std::exception &) {
            // A database that cannot say may well hold scheduled snipes: the user is asked.
            scheduled = true;
        }
        if (scheduled) {
            CloseResult = 0;
            m_dialogs.closeConfirmation(this);
            if (CloseResult == 1) {
                Cancel = 1;
                return;
            }
            if (CloseResult == 2) {
                CurrentUser::instance().signOut();
                runGuarded("Form_QueryUnload", ErrorReport::Message, [this] { LoadAuctionScreen(); });
                showMinimized();
                Cancel = 1;
                return;
            }
        }
    }

    m_shortcutPane->SaveShortcuts();
    m_engine->Inet1().Cancel();
    setAllTimersEnabled(false);
    for (FormTimer *t : {tmrDateTime, tmrStatusAdjust, tmrFav, tmrTerminate})
        t->setInterval(0);
    // The close goes on when the halt's bookkeeping fails (a locked or damaged database): the
    // next start clears what it left, and the user asked to close.
    runGuarded("Form_QueryUnload", ErrorReport::Message, [this] { m_engine->HaltOperation(); });
    if (gClosing) {
        if (m_tray)
            m_tray->remove();
        if (!isMinimized() && !isHidden())
            runGuarded("Form_QueryUnload", ErrorReport::Message, [this] { SaveLayout(); });
        // The snipes' bookkeeping gets a last wait for the database; what it still refuses is
        // kept for the next start, and the user is told.
        QString report;
        runGuarded("Form_QueryUnload", ErrorReport::Message, [this, &report] {
            if (!m_engine->closeDown(report))
                MsgBox::show(report, QStringLiteral("Zandrift"), MsgBox::Icon::Exclamation);
        });
        m_closed = true;
        emit closed();
        return;
    }
    Cancel = 1;
    gClosing = true;
    tmrTerminate->setEnabled(true);
    tmrTerminate->setInterval(500);
}

void frmAuction::tmrTerminate_Timer()
{
    tmrTerminate->setEnabled(false);
    close();
}

void frmAuction::mnuFileExit_Click()
{
    close();
}

void frmAuction::closeForShutdown()
{
    if (m_closed)
        return;
    endModalDialogs();
    m_unloadMode = 2;
    // Also a hidden window (in the tray) gets its close event; one never shown has no window
    // to close, and is unloaded directly.
    close();
    if (!m_closed) {
        qint16 cancel = 0;
        Form_QueryUnload(cancel, 2);
        m_unloadMode = 0;
    }
}

// A modal dialog runs its own event loop until it is answered: ended as its Cancel would,
// it lets the close go on.
void frmAuction::endModalDialogs()
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QDialog *>(top);
        if (dialog && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    }
}

void frmAuction::LoadAuctionScreen()
{
    ShowUser();
}

void frmAuction::ShowUser()
{
    try {
        PurgeOldRecords();
    } catch (const DbError &e) {
        BSN_Log().MarkAuction(0, AuctionEngine::currentUserKey(),
                              QStringLiteral("Unable to purge old records: %1").arg(e.message()));
    }
    CurrentUser::instance().restore();
    if (!gCurrentUser) {
        m_folderPane->LoadFolderTree();
        m_shortcutPane->LoadShortcutBar();
        m_gridPane->auctionGrid().clear();
        // Nobody's columns either: the next user's are built when they sign in.
        m_gridPane->showNobodysHeader();
        showSelectedAuction();
        lblHeading->setText(QStringLiteral("Auctions - (No User Currently Signed In...)"));
        UpdateWindowCaption();
    } else {
        lblHeading->setText(QStringLiteral("Auctions - ") + gCurrentUser->ZandroName);
        UpdateWindowCaption();
        m_folderPane->LoadFolderTree();
        configureGridColumns();
        m_shortcutPane->LoadShortcutBar();
        m_folderPane->SelectOpenAuctionsFolder();
        sftFolders_SelChange();
    }
    runGuarded("ShowErrorLog", ErrorReport::Message, [this] { m_logPane->ShowErrorLog(); });
    ToggleToolBarsMenus();
}
