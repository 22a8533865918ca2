// Failures met inside the window's event handlers (a database locked by another program or
// damaged, a dial-up component that fails or does not answer): each is said once, and the
// program goes on running.
#include "FakeBrowser.h"
#include "FakeDialogs.h"
#include "FakeNmcli.h"
#include "FakeTrayIcon.h"
#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "engine/AuctionEngine.h"
#include "engine/EventGuard.h"
#include "layout/BNLayoutError.h"
#include "mainwindow/frmAuction.h"
#include "platform/Database.h"
#include "platform/DialUpComponent.h"
#include "store/AppSettings.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QMenu>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

namespace {

struct Prepared
{
    qint32 connectionType = 2;
    qint16 autoConnect = 0;
};

// Settings saved, one user signed in automatically with the two fixed folders.
void prepare(TestProgramFolder &folder, const Prepared &p = {})
{
    QVERIFY(folder.openStore());
    gSettings->ConnectionType = p.connectionType;
    gSettings->AutoConnect = p.autoConnect;
    gSettings->PhoneBookEntry = QStringLiteral("Home Modem");
    gSettings->AutoTimeSync = 0;
    gSettings->ShowClosingWarning = 1;
    QVERIFY(gSettings->SaveSettings());
    TestProgramFolder::addUserAnn();
    ReleaseGlobals();
}

// Another program's connection to the same file, holding its lock until destroyed.
class OtherProgramLock
{
public:
    explicit OtherProgramLock(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
        db.setDatabaseName(path);
        if (db.open())
            m_locked = QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE"));
    }
    ~OtherProgramLock()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(kName);
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
        QSqlDatabase::removeDatabase(kName);
    }
    bool isLocked() const { return m_locked; }

private:
    static inline const QString kName = QStringLiteral("other-program");
    bool m_locked = false;
};

enum class Fault
{
    Locked,
    Damaged
};

// The window's own connection gives up on a lock quickly, so each refused statement costs little.
std::unique_ptr<OtherProgramLock> breakDatabase(Fault fault, const TestProgramFolder &folder)
{
    gDB->execute(QStringLiteral("PRAGMA busy_timeout = 50"));
    if (fault == Fault::Damaged) {
        gDB->execute(QStringLiteral("ALTER TABLE Auctions RENAME TO AuctionsUnreadable"));
        return nullptr;
    }
    auto lock = std::make_unique<OtherProgramLock>(folder.databasePath());
    return lock;
}

} // namespace

class TestWindowErrors : public QObject
{
    Q_OBJECT

private slots:
    void init() { gClosing = false; }
    void cleanup() { ReleaseGlobals(); }

    // A dial-up component that fails, or does not answer within its second, at the start-up's
    // automatic dial (said in the general log) and on Connect (the menu and the toolbar's button).
    void dialUpFailuresAreReportedOnce_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QByteArray>("sleep");
        QTest::addColumn<QByteArray>("fail");
        for (const char *entry : {"start-up", "Actions menu", "toolbar"}) {
            QTest::addRow("%s, nmcli too slow", entry) << QString::fromLatin1(entry) << QByteArray("2") << QByteArray();
            QTest::addRow("%s, nmcli fails", entry)
                << QString::fromLatin1(entry) << QByteArray() << QByteArray("show=4");
        }
    }
    void dialUpFailuresAreReportedOnce()
    {
        QFETCH(QString, entry);
        QFETCH(QByteArray, sleep);
        QFETCH(QByteArray, fail);
        const bool atStart = entry == QLatin1String("start-up");
        TestProgramFolder folder;
        prepare(folder, {0, qint16(atStart ? 1 : 0)});
        const FakeNmcli nmcli(folder.path(), "Home Modem\tu1\tppp\t0\t\n");
        qputenv("FAKE_NMCLI_SLEEP", sleep);
        qputenv("FAKE_NMCLI_FAIL", fail);

        MsgBoxRecorder boxes;
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        if (entry == QLatin1String("Actions menu"))
            w.menuItem(QStringLiteral("mnuActionsConnect"))->trigger();
        else if (entry == QLatin1String("toolbar"))
            w.toolbarButton(QStringLiteral("connect"))->trigger();
        if (atStart) {
            // Nobody may be there to answer: the start's own dial writes to the general log.
            QVERIFY(boxes.boxes.isEmpty());
            auto rs = gDB->openQuery(
                QStringLiteral("SELECT LOG_Message FROM Logs WHERE LOG_Auction = 0 AND LOG_Message LIKE 'Error in %'"));
            QCOMPARE(rs->recordCount(), 1);
        } else {
            QCOMPARE(boxes.boxes.size(), 1);
            QVERIFY2(boxes.boxes[0].prompt.startsWith(QStringLiteral("Error in ")), qPrintable(boxes.boxes[0].prompt));
            QVERIFY2(boxes.boxes[0].title.startsWith(QStringLiteral("Error: ")), qPrintable(boxes.boxes[0].title));
        }
        // The start went on to its end.
        QVERIFY(gCurrentUser);
        QVERIFY(w.engine().timersEnabled());
        QVERIFY(w.isVisible());
    }

    // Closing, and minimising into the tray, halt the engine; its bookkeeping failing does not
    // stop either, and is said once.
    void closeAndMinimiseSurviveABrokenDatabase_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<bool>("minimise");
        QTest::newRow("close, locked by another program") << int(Fault::Locked) << false;
        QTest::newRow("close, damaged") << int(Fault::Damaged) << false;
        QTest::newRow("minimise into the tray, locked by another program") << int(Fault::Locked) << true;
        QTest::newRow("minimise into the tray, damaged") << int(Fault::Damaged) << true;
    }
    void closeAndMinimiseSurviveABrokenDatabase()
    {
        QFETCH(int, fault);
        QFETCH(bool, minimise);
        TestProgramFolder folder;
        prepare(folder);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        giveFakeTray(w, true);
        QVERIFY(w.Form_Load(QString()));
        QVERIFY(gCurrentUser);
        const auto lock = breakDatabase(Fault(fault), folder);
        QVERIFY(!lock || lock->isLocked());
        MsgBoxRecorder boxes;
        if (minimise) {
            w.showMinimized();
            QTRY_VERIFY(w.isHidden());
            QVERIFY(w.trayIcon().isShown());
            QVERIFY(w.keptUser());
        } else {
            w.close();
            QTRY_VERIFY_WITH_TIMEOUT(w.isClosed(), 3000);
            QVERIFY(!w.isVisible());
            QVERIFY(!w.trayIcon().isShown());
        }
        QCOMPARE(boxes.boxes.size(), 1);
        const QString procedure = minimise ? QStringLiteral("Form_Resize") : QStringLiteral("Form_QueryUnload");
        QVERIFY2(boxes.boxes[0].prompt.startsWith(QStringLiteral("Error in %1: ").arg(procedure)),
                 qPrintable(boxes.boxes[0].prompt));
    }

    // The window's entries from the event loop, each meeting a database another program holds
    // locked: one guard reports each as its own procedure's error, and the window goes on.
    void everyEntryReportsThroughTheOneGuard_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("procedure");
        QTest::newRow("menu command") << "mnuFileLogOut"
                                      << "mnuFileLogOut_Click";
        QTest::newRow("toolbar button") << "logout"
                                        << "mnuFileLogOut_Click";
        QTest::newRow("tray double-click") << "double-click"
                                           << "trayIcon_DoubleClick";
        QTest::newRow("tray menu") << "mnuTrayPopupRestore"
                                   << "mnuTrayPopupRestore_Click";
    }
    void everyEntryReportsThroughTheOneGuard()
    {
        QFETCH(QString, entry);
        QFETCH(QString, procedure);
        const bool fromTray = entry == QLatin1String("double-click") || entry.startsWith(QLatin1String("mnuTray"));
        TestProgramFolder folder;
        prepare(folder);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        FakeTrayIcon *icon = giveFakeTray(w, true);
        QVERIFY(w.Form_Load(QString()));
        if (fromTray) {
            w.showMinimized();
            QTRY_VERIFY(w.isHidden());
        }
        const auto lock = breakDatabase(Fault::Locked, folder);
        QVERIFY(lock->isLocked());
        MsgBoxRecorder boxes;
        if (entry == QLatin1String("double-click"))
            icon->doubleClick();
        else if (fromTray)
            trayAction(w, qPrintable(entry))->trigger();
        else if (entry.startsWith(QLatin1String("mnu")))
            w.menuItem(entry)->trigger();
        else
            w.toolbarButton(entry)->trigger();
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY2(boxes.boxes[0].prompt.startsWith(QStringLiteral("Error in %1: ").arg(procedure)),
                 qPrintable(boxes.boxes[0].prompt));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Database Error"));
        QVERIFY(w.isVisible());
        QVERIFY(w.engine().timersEnabled());
    }

    // Another program takes the database's lock, or the database is damaged, while the start
    // runs: the start goes on to its end, says once what failed, and the timers run.
    void theStartGoesOnWithABrokenDatabase_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("locked by another program") << int(Fault::Locked);
        QTest::newRow("damaged") << int(Fault::Damaged);
    }
    void theStartGoesOnWithABrokenDatabase()
    {
        QFETCH(int, fault);
        TestProgramFolder folder;
        prepare(folder);
        FakeDialogs dialogs;
        std::unique_ptr<OtherProgramLock> lock;
        dialogs.onOpen = [&](const QString &name) {
            if (name == QLatin1String("splash"))
                lock = breakDatabase(Fault(fault), folder);
        };
        MsgBoxRecorder boxes;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        QVERIFY(!lock || lock->isLocked());
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY2(boxes.boxes[0].prompt.startsWith(QStringLiteral("Error in ")), qPrintable(boxes.boxes[0].prompt));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Database Error"));
        QVERIFY(w.isVisible());
        QVERIFY(w.engine().timersEnabled());
    }

    // Whatever the program throws comes out as the procedure's error: a box for what the user
    // did, a general-log row for what ran by itself, and nothing ever escapes.
    void theGuardReportsEveryErrorAsTheProceduresOwn_data()
    {
        QTest::addColumn<std::function<void()>>("fail");
        QTest::addColumn<bool>("message");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        const int critical = int(MsgBox::Icon::Critical);
        const std::function<void()> db = [] { throw DbError(QStringLiteral("database is locked")); };
        const std::function<void()> dialUp = [] {
            throw DialUpError(DialUpComponent::errNoAnswer, QStringLiteral("nmcli did not answer within 1000 ms"));
        };
        QTest::newRow("database") << db << true << "Error in cmdOK_Click: database is locked"
                                  << "Database Error" << int(MsgBox::Icon::Exclamation);
        QTest::newRow("duplicate key") << std::function<void()>([] {
            throw DbDuplicateKey(QStringLiteral("UNIQUE constraint failed"));
        }) << true << "Error in cmdOK_Click: UNIQUE constraint failed"
                                       << "Database Error" << int(MsgBox::Icon::Exclamation);
        QTest::newRow("dial-up") << dialUp << true << "Error in cmdOK_Click: nmcli did not answer within 1000 ms"
                                 << QStringLiteral("Error: %1").arg(DialUpComponent::kObjectErrorBase + 678)
                                 << critical;
        QTest::newRow("layout") << std::function<void()>([] {
            throw BNLayoutError(BNLayoutError::UnknownName, QStringLiteral("sftGone"));
        }) << true << "Error in cmdOK_Click: 5: sftGone"
                                << "Zandrift" << critical;
        QTest::newRow("any standard error") << std::function<void()>([] { throw std::out_of_range("index 7"); }) << true
                                            << "Error in cmdOK_Click: index 7"
                                            << "Zandrift" << critical;
        QTest::newRow("not even a standard error")
            << std::function<void()>([] { throw 42; }) << true << "Error in cmdOK_Click: an unknown error"
            << "Zandrift" << critical;
        QTest::newRow("a timer's: logged only") << db << false << "Error in cmdOK_Click: database is locked"
                                                << "" << 0;
    }
    void theGuardReportsEveryErrorAsTheProceduresOwn()
    {
        QFETCH(std::function<void()>, fail);
        QFETCH(bool, message);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(int, icon);
        TestProgramFolder folder;
        QVERIFY(folder.openStore());
        MsgBoxRecorder boxes;
        bool ranOn = false;
        QVERIFY(!runGuarded("cmdOK_Click", message ? ErrorReport::Message : ErrorReport::Log, [&] {
            fail();
            ranOn = true;
        }));
        QVERIFY(!ranOn);
        QCOMPARE(boxes.boxes.size(), message ? 1 : 0);
        if (message) {
            QCOMPARE(boxes.boxes[0].prompt, text);
            QCOMPARE(boxes.boxes[0].title, title);
            QCOMPARE(int(boxes.boxes[0].icon), icon);
        }
        auto rs = gDB->openQuery(QStringLiteral("SELECT LOG_Message FROM Logs WHERE LOG_Auction = 0"));
        QVERIFY(!rs->eof());
        QCOMPARE(rs->value(QStringLiteral("LOG_Message")).toString(), text);
        QVERIFY(runGuarded("cmdOK_Click", ErrorReport::Message, [] {}));
    }

    // One step of the user's says once what failed, however many of its parts meet the error; a
    // dialog's own event loop inside it is the user's next step, and says it again.
    void oneStepSaysOnce()
    {
        TestProgramFolder folder;
        QVERIFY(folder.openStore());
        MsgBoxRecorder boxes;
        const auto fail = [] { throw DbError(QStringLiteral("database is locked")); };
        {
            const ReportOnce once;
            runGuarded("Form_Load", ErrorReport::Message, fail);
            runGuarded("ShowErrorLog", ErrorReport::Message, fail);
            QEventLoop dialogLoop;
            QTimer::singleShot(0, &dialogLoop, [&] {
                runGuarded("cmdOK_Click", ErrorReport::Message, fail);
                dialogLoop.quit();
            });
            dialogLoop.exec();
        }
        runGuarded("mnuFileExit_Click", ErrorReport::Message, fail);
        QStringList prompts;
        for (const MsgBox::Request &r : boxes.boxes)
            prompts << r.prompt;
        QCOMPARE(prompts,
                 (QStringList{"Error in Form_Load: database is locked", "Error in cmdOK_Click: database is locked",
                              "Error in mnuFileExit_Click: database is locked"}));
        auto rs = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM Logs WHERE LOG_Auction = 0"));
        QCOMPARE(rs->value(QStringLiteral("n")).toInt(), 4);
    }

    // The database being what failed: the row cannot be written, the message still goes out.
    void theGuardStillSpeaksWhenTheLogCannotBeWritten()
    {
        TestProgramFolder folder;
        QVERIFY(folder.openStore());
        const auto lock = breakDatabase(Fault::Locked, folder);
        QVERIFY(lock->isLocked());
        MsgBoxRecorder boxes;
        QVERIFY(!runGuarded("mnuActionsStop_Click", ErrorReport::Message,
                            [] { gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Refreshed = 1")); }));
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes[0].prompt.startsWith(QStringLiteral("Error in mnuActionsStop_Click: ")));
    }

    // When even the general log refuses a snipe's report, the window says it in a box that does
    // not wait for its answer, so the snipe goes on.
    void databaseTroubleIsABoxThatDoesNotWait()
    {
        TestProgramFolder folder;
        prepare(folder);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        MsgBoxRecorder boxes;
        const QString text = QStringLiteral("<b>The database is locked</b>: 2 log rows are held.");
        static_cast<IMainWindow &>(w).showDatabaseTrouble(text);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, text);
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Zandrift"));
        QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Exclamation);
        QCOMPARE(boxes.boxes[0].buttons, MsgBox::Buttons::Ok);
        QVERIFY(!boxes.boxes[0].waits);
    }
};

QTEST_MAIN(TestWindowErrors)
#include "TestWindowErrors.moc"
