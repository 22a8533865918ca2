// Start-up order, the single running copy and the two-phase close, with the dialogs faked.
#include "FakeBrowser.h"
#include "FakeDialogs.h"
#include "Fifo.h"
#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "engine/AuctionEngine.h"
#include "mainwindow/frmAuction.h"
#include "platform/Database.h"
#include "platform/FileModes.h"
#include "platform/FormTimer.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLabel>
#include <QLockFile>
#include <QProcess>
#include <QtTest>
#include <sys/stat.h>

namespace {

QStringList generalLog()
{
    QStringList rows;
    auto rs = gDB->openQuery(QStringLiteral("SELECT LOG_Message FROM Logs WHERE LOG_Auction = 0 ORDER BY LOG_Primary"));
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        rows << rs->value(QStringLiteral("LOG_Message")).toString();
    return rows;
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Prepares the folder's store as earlier runs would have left it, then lets go of it so that
// the window opens it itself.
struct Prepared
{
    bool settingsSaved = true;
    bool autoLogOnUser = false;
    bool plainUser = false;
    bool scheduledSnipe = false;
    qint16 closingWarning = 1;
};

void prepare(TestProgramFolder &folder, const Prepared &p)
{
    QVERIFY(folder.openStore());
    if (p.settingsSaved) {
        gSettings->ConnectionType = 2;
        gSettings->AutoTimeSync = 0;
        gSettings->ShowClosingWarning = p.closingWarning;
        QVERIFY(gSettings->SaveSettings());
    }
    if (p.autoLogOnUser || p.plainUser) {
        TestProgramFolder::addUserAnn(p.autoLogOnUser);
    }
    if (p.scheduledSnipe)
        gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Status) "
                                    "VALUES (1, 1, '12', 2)"));
    ReleaseGlobals();
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void init() { gClosing = false; }
    void cleanup() { ReleaseGlobals(); }

    void firstRunOpensSettingsAndLeavesTimersOff()
    {
        TestProgramFolder folder;
        prepare(folder, {false, false, false, false, 1});
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        QCOMPARE(dialogs.calls, (QStringList{"splash", "systemSettings", "profileWizard"}));
        QVERIFY(!w.engine().timersEnabled());
        QVERIFY(!w.dateTimeTimer().isRunning());
        QVERIFY(!w.menuItem("mnuFileExit")->isEnabled());
        QVERIFY(w.menuItem("mnuToolsSystemSettings")->isEnabled());
    }

    // Settings saved in the first-run dialog unlock the commands: Exit and the time
    // synchronisation no longer wait for another start.
    void firstRunSettingsSavedUnlockTheMenus()
    {
        TestProgramFolder folder;
        prepare(folder, {false, false, false, false, 1});
        FakeDialogs dialogs;
        dialogs.onOpen = [](const QString &name) {
            if (name == QLatin1String("systemSettings")) {
                gSettings->ConnectionType = 2;
                gSettings->AutoTimeSync = 0;
                QVERIFY(gSettings->SaveSettings());
                gSettings->NotSetup = false;
            }
        };
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        QCOMPARE(dialogs.calls, (QStringList{"splash", "systemSettings", "profileWizard"}));
        QVERIFY(w.engine().timersEnabled());
        for (const char *name : {"mnuFile", "mnuFileExit", "mnuToolsSyncTime", "mnuToolsUserAdd", "mnuActions"})
            QVERIFY2(w.menuItem(QLatin1String(name))->isEnabled(), name);
        QVERIFY(w.toolbarButton(QStringLiteral("time"))->isEnabled());
        QVERIFY(w.toolbarButton(QStringLiteral("news"))->isEnabled());
    }

    void noUserOpensWizardAndCancelSignsNobodyIn()
    {
        TestProgramFolder folder;
        prepare(folder, {});
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        QCOMPARE(dialogs.calls, (QStringList{"splash", "profileWizard"}));
        QVERIFY(!gCurrentUser);
        QCOMPARE(w.findChild<QLabel *>("lblHeading")->text(),
                 QStringLiteral("Auctions - (No User Currently Signed In...)"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Zandrift 2.0"));
        QVERIFY(w.engine().timersEnabled());
        QVERIFY(w.dateTimeTimer().isRunning());
        QVERIFY(!w.terminateTimer().isRunning()); // interval 0: enabled, but never fires
    }

    void signInFollowsTheUsers_data()
    {
        QTest::addColumn<bool>("autoLogOn");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("automatic log-on") << true << QStringList{"splash"} << true;
        QTest::newRow("sign-in dialog") << false << QStringList{"splash", "signIn"} << false;
    }
    void signInFollowsTheUsers()
    {
        QFETCH(bool, autoLogOn);
        QFETCH(QStringList, calls);
        QFETCH(bool, signedIn);
        TestProgramFolder folder;
        Prepared p;
        p.autoLogOnUser = autoLogOn;
        p.plainUser = !autoLogOn;
        prepare(folder, p);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        QCOMPARE(dialogs.calls, calls);
        QCOMPARE(bool(gCurrentUser), signedIn);
        if (signedIn) {
            QCOMPARE(w.findChild<QLabel *>("lblHeading")->text(), QStringLiteral("Auctions - ann"));
            QVERIFY(w.windowTitle().startsWith(QStringLiteral("Zandrift 2.0.")));
            QVERIFY(w.selectedFolderKey() > 0);
        }
    }

    void secondCopyEndsWithoutTouchingTheDatabase()
    {
        TestProgramFolder folder;
        prepare(folder, {});
        const QByteArray before = fileHash(folder.databasePath());
        SingleInstance first(folder.file(QLatin1String(SingleInstance::kLockFileName)));
        QVERIFY(first.acquire());

        MsgBoxRecorder boxes;
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(!w.Form_Load(QString()));
        QVERIFY(w.isDuplicate());
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt,
                 QStringLiteral("Zandrift is Already Executing(check your system tray)...unloading..."));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Zandrift Already Executing"));
        QVERIFY(dialogs.calls.isEmpty());
        QVERIFY(!gDB);
        QCOMPARE(fileHash(folder.databasePath()), before);
    }

    void staleLockOfAKilledCopyDoesNotBlock()
    {
        TestProgramFolder folder;
        prepare(folder, {});
        // A lock written by a process that has ended since.
        QProcess gone;
        gone.start(QStringLiteral("true"));
        QVERIFY(gone.waitForFinished());
        const qint64 deadPid = gone.processId() ? gone.processId() : 999999;
        QFile lock(folder.file(QLatin1String(SingleInstance::kLockFileName)));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(deadPid) + "\nzandrift\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();

        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        QVERIFY(!w.isDuplicate());
    }

    void refreshMarksOfAKilledRunAreCleared()
    {
        TestProgramFolder folder;
        Prepared p;
        p.autoLogOnUser = true;
        prepare(folder, p);
        // A run killed while these two waited for their refresh.
        QVERIFY(folder.openStore());
        for (const char *item : {"12", "13"})
            gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Status, "
                                        "AUC_Refreshed) VALUES (1, 1, ?, 1, 0)"),
                         {QLatin1String(item)});
        ReleaseGlobals();

        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        auto rs = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM Auctions WHERE AUC_Refreshed IS NOT 1"));
        QCOMPARE(rs->value(QStringLiteral("n")).toInt(), 0);
    }

    void minimisedStart_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("minimised");
        QTest::newRow("/M") << "/M" << true;
        QTest::newRow("/m") << "/m" << true;
        QTest::newRow("longer") << "/Mx" << false;
        QTest::newRow("other") << "/X" << false;
        QTest::newRow("none") << "" << false;
    }
    void minimisedStart()
    {
        QFETCH(QString, commandLine);
        QFETCH(bool, minimised);
        TestProgramFolder folder;
        prepare(folder, {});
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(commandLine));
        QCOMPARE(w.startedMinimised(), minimised);
        QCOMPARE(w.isMinimized(), minimised);
    }

    void closeWithScheduledSnipeAsksOnce_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("close") << 0 << true << true;
        QTest::newRow("do not close") << 1 << false << true;
        QTest::newRow("tray") << 2 << false << false;
    }
    void closeWithScheduledSnipeAsksOnce()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(bool, signedIn);
        TestProgramFolder folder;
        Prepared p;
        p.autoLogOnUser = true;
        p.scheduledSnipe = true;
        prepare(folder, p);
        FakeDialogs dialogs;
        dialogs.onOpen = [answer](const QString &name) {
            if (name == QLatin1String("closeConfirmation"))
                CloseResult = static_cast<qint16>(answer);
        };
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        QVERIFY(gCurrentUser);
        w.close();
        if (closed) {
            QVERIFY(gClosing);
            QVERIFY(w.isVisible()); // phase 1 stops the work and keeps the window
            QVERIFY(!w.engine().timersEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(w.isClosed(), 3000);
        } else {
            QTest::qWait(700);
            QVERIFY(!gClosing);
            QVERIFY(!w.isClosed());
            QVERIFY(w.engine().timersEnabled());
        }
        QCOMPARE(dialogs.calls.count("closeConfirmation"), 1);
        QCOMPARE(bool(gCurrentUser), signedIn);
        if (answer == 2)
            QVERIFY(w.isMinimized());
    }

    // A database that cannot say whether snipes are scheduled may hold some: the user is asked.
    void closeWithAnUnreadableDatabaseAsks()
    {
        TestProgramFolder folder;
        Prepared p;
        p.autoLogOnUser = true;
        prepare(folder, p);
        FakeDialogs dialogs;
        dialogs.onOpen = [](const QString &name) {
            if (name == QLatin1String("closeConfirmation"))
                CloseResult = 1;
        };
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        gDB->close();
        w.close();
        QTest::qWait(700);
        QCOMPARE(dialogs.calls.count("closeConfirmation"), 1);
        QVERIFY(!gClosing);
        QVERIFY(!w.isClosed());
    }

    // Files that hold passwords and that other accounts could read are made owner-only at the
    // start, and the general log says so once.
    void startTightensWhatOthersCouldRead_data()
    {
        QTest::addColumn<int>("databaseMode");
        QTest::addColumn<int>("settingsMode");
        QTest::addColumn<QString>("said");
        QTest::newRow("both readable by all") << 0644 << 0644 << "auction.mdb and settings.ini, which hold passwords";
        QTest::newRow("database by the group") << 0640 << 0600 << "auction.mdb, which holds passwords";
        QTest::newRow("settings writable by all") << 0600 << 0666 << "settings.ini, which holds passwords";
        QTest::newRow("owner only") << 0600 << 0600 << "";
    }
    void startTightensWhatOthersCouldRead()
    {
        QFETCH(int, databaseMode);
        QFETCH(int, settingsMode);
        QFETCH(QString, said);
        TestProgramFolder folder;
        prepare(folder, {});
        QVERIFY(QFile::exists(folder.settingsPath()));
        QCOMPARE(::chmod(QFile::encodeName(folder.databasePath()).constData(), databaseMode), 0);
        QCOMPARE(::chmod(QFile::encodeName(folder.settingsPath()).constData(), settingsMode), 0);

        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        QCOMPARE(file_modes::permissions(folder.databasePath()), 0600);
        QCOMPARE(file_modes::permissions(folder.settingsPath()), 0600);
        const QStringList rows = generalLog().filter(QStringLiteral("Other accounts on this computer could read"));
        if (said.isEmpty()) {
            QVERIFY2(rows.isEmpty(), qPrintable(rows.join(QLatin1Char('|'))));
        } else {
            QCOMPARE(rows.size(), 1);
            QVERIFY2(rows.first().contains(said), qPrintable(rows.first()));
        }
    }

    // A FIFO in place of a file the start opens: the start goes on at once instead of waiting
    // for a writer that never comes.
    void aFifoInPlaceOfAProgramFileIsNotWaitedOn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("settings file") << "settings.ini";
        QTest::newRow("lock file") << "zandrift.lock";
        QTest::newRow("start page") << "html/index.html";
    }
    void aFifoInPlaceOfAProgramFileIsNotWaitedOn()
    {
        QFETCH(QString, name);
        TestProgramFolder folder;
        Prepared p;
        p.autoLogOnUser = true;
        prepare(folder, p);
        QFile::remove(folder.file(name));
        QElapsedTimer clock;
        clock.start();
        Fifo pipe(folder.file(name));
        QVERIFY(pipe.isValid());
        if (name == QLatin1String("settings.ini"))
            SettingsStore::redirect(folder.settingsPath());

        FakeDialogs dialogs;
        auto *browser = new FakeBrowser;
        frmAuction w(dialogs, browser);
        QVERIFY(w.Form_Load(QString()));
        QVERIFY2(clock.elapsed() < Fifo::kReleaseAfterMs / 2, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(gCurrentUser);
        if (name == QLatin1String("settings.ini")) {
            QVERIFY(!SettingsStore::instance().sync());
            QCOMPARE(generalLog().filter(QStringLiteral("is not a regular file")).size(), 1);
        }
        if (name == QLatin1String("html/index.html")) {
            // The news page cannot be reached: the start page is shown in its place, blank.
            QVERIFY(!browser->navigations.isEmpty());
            browser->failLoad(browser->navigations.last());
            QCOMPARE(browser->navigations.last(), QUrl(QStringLiteral("about:blank")));
        }
    }

    void sessionEndClosesWithoutAsking()
    {
        TestProgramFolder folder;
        Prepared p;
        p.autoLogOnUser = true;
        p.scheduledSnipe = true;
        prepare(folder, p);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        w.closeForShutdown();
        QVERIFY(w.isClosed());
        QVERIFY(!dialogs.calls.contains("closeConfirmation"));
        QVERIFY(!w.engine().timersEnabled());
    }
};

QTEST_MAIN(TestStartup)
#include "TestStartup.moc"
