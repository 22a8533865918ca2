// The end of the session, as a real signal to this process, closes the program from every
// state it can be in: shown, minimised, hidden in the tray, behind a modal dialog, and during
// the start-up's dialogs. Each case runs the application's own event loop, which has to end.
#include "FakeBrowser.h"
#include "FakeDialogs.h"
#include "FakeTrayIcon.h"
#include "TestProgramFolder.h"
#include "engine/AuctionEngine.h"
#include "mainwindow/SessionEnd.h"
#include "mainwindow/frmAuction.h"
#include "platform/Database.h"
#include "platform/SingleInstance.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QDialog>
#include <QMessageBox>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

namespace {

// A signed-in user with a scheduled snipe, and the closing question switched on: a close that
// asked would show in the dialogs' calls.
void prepare(TestProgramFolder &folder)
{
    QVERIFY(folder.openStore());
    gSettings->ConnectionType = 2;
    gSettings->AutoTimeSync = 0;
    gSettings->ShowClosingWarning = 1;
    QVERIFY(gSettings->SaveSettings());
    TestProgramFolder::addUserAnn();
    gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Status) "
                                "VALUES (1, 1, '12', 2)"));
    ReleaseGlobals();
}

// Runs the application's event loop as main() does; 99 when it had to be ended from outside.
int runEventLoop()
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(10000);
    return QApplication::exec();
}

} // namespace

class TestSessionEnd : public QObject
{
    Q_OBJECT

private slots:
    void init() { gClosing = false; }
    void cleanup() { ReleaseGlobals(); }

    void endsFromEveryState_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("state");
        const struct
        {
            const char *name;
            int number;
        } endings[] = {{"SIGTERM", SIGTERM}, {"SIGINT", SIGINT}, {"SIGHUP", SIGHUP}};
        for (const auto &e : endings) {
            for (const char *state : {"shown", "minimised", "in the tray", "behind a dialog", "behind a message box"})
                QTest::addRow("%s, %s", e.name, state) << e.number << QString::fromLatin1(state);
        }
    }
    void endsFromEveryState()
    {
        QFETCH(int, signal);
        QFETCH(QString, state);
        TestProgramFolder folder;
        prepare(folder);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        FakeTrayIcon *icon = giveFakeTray(w, state != QLatin1String("minimised"));
        SessionEnd session(w);
        QVERIFY(w.Form_Load(QString()));
        QVERIFY(w.engine().timersEnabled());

        if (state == QLatin1String("minimised") || state == QLatin1String("in the tray")) {
            w.showMinimized();
            if (icon->isAvailable())
                QTRY_VERIFY(w.isHidden());
            else
                QTRY_VERIFY(w.isMinimized() && w.isVisible());
        }
        bool dialogEnded = false;
        if (state.startsWith(QLatin1String("behind"))) {
            QTimer::singleShot(0, &w, [&] {
                std::unique_ptr<QDialog> d;
                if (state == QLatin1String("behind a dialog"))
                    d = std::make_unique<QDialog>(&w);
                else
                    d = std::make_unique<QMessageBox>(QMessageBox::Warning, QStringLiteral("Zandrift"),
                                                      QStringLiteral("Unable to read the error log"), QMessageBox::Ok,
                                                      &w);
                d->exec();
                dialogEnded = true;
            });
        }
        QTimer::singleShot(300, &w, [signal] { ::raise(signal); });

        QCOMPARE(runEventLoop(), 0);
        QVERIFY(w.isClosed());
        QVERIFY(!w.engine().timersEnabled());
        QVERIFY(!icon->isShown());
        QCOMPARE(dialogEnded, state.startsWith(QLatin1String("behind")));
        QVERIFY(!dialogs.calls.contains(QStringLiteral("closeConfirmation")));
    }

    // The program itself, ended by a real signal while its first start waits in the settings
    // dialog: it leaves at once, with exit code 0, and lets go of its lock.
    void theProgramEndsOnASignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void theProgramEndsOnASignal()
    {
        QFETCH(int, signal);
        TestProgramFolder folder;
        QVERIFY(folder.isValid());
        ReleaseGlobals();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZANDRIFT_HOME"), folder.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.file(QStringLiteral("config")));
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(ZANDRIFT_EXECUTABLE), QStringList());
        QVERIFY(program.waitForStarted());
        const QString lock = folder.file(QLatin1String(SingleInstance::kLockFileName));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(lock), 20000);
        // Past the splash, into the first start's settings dialog.
        QTest::qWait(3000);
        QCOMPARE(program.state(), QProcess::Running);
        QCOMPARE(::kill(pid_t(program.processId()), signal), 0);
        const bool ended = program.waitForFinished(10000);
        if (!ended) {
            program.kill();
            program.waitForFinished();
        }
        QVERIFY(ended);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(!QFile::exists(lock));
    }

    // During the start-up's splash: the start goes no further (no sign-in, no timers), and
    // main() does not enter the event loop. Last: the ending's request to leave the event loop
    // stays pending after it.
    void anEndDuringTheStartGoesNoFurther()
    {
        TestProgramFolder folder;
        prepare(folder);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        giveFakeTray(w, true);
        SessionEnd session(w);
        bool splashEnded = false;
        dialogs.onOpen = [&](const QString &name) {
            if (name != QLatin1String("splash"))
                return;
            QDialog splash(&w);
            QTimer::singleShot(100, &splash, [] { ::raise(SIGTERM); });
            // A splash that is never closed stands for one waiting on the user.
            splash.exec();
            splashEnded = true;
        };
        QVERIFY(!w.Form_Load(QString()));
        QVERIFY(splashEnded);
        QVERIFY(w.isClosed());
        QCOMPARE(dialogs.calls, QStringList{QStringLiteral("splash")});
        QVERIFY(!gCurrentUser);
        QVERIFY(!w.engine().timersEnabled());
    }
};

QTEST_MAIN(TestSessionEnd)
#include "TestSessionEnd.moc"
