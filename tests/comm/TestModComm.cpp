// The dial-up procedures over our fake nmcli (tests/data/fake_nmcli), which keeps its
// connections in a state file and logs every call.
#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "engine/modComm.h"
#include "platform/DialUpComponent.h"
#include "platform/Recordset.h"
#include "store/AppSettings.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include "platform/Database.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

namespace {
// name, uuid, type, active, user name
const char *kPhoneBook = "Home Modem\tu1\tgsm\t0\tstored\n"
                         "Office LAN\tu2\t802-3-ethernet\t1\t\n"
                         "DSL\tu3\tpppoe\t0\t\n"
                         "Phone\tu4\tbluetooth\t0\t\n";
} // namespace

class TestModComm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void entryFoundOnlyByExactName_data();
    void entryFoundOnlyByExactName();
    void unresolvedEntryDialsNothing();
    void credentialsSetOnlyWhenNotEmpty_data();
    void credentialsSetOnlyWhenNotEmpty();
    void dialBringsConnectionUp();
    void userNameFailureStillDials();
    void alreadyConnectedIsToldThenDialled();
    void hangUpAllEndsEveryOpenConnection();
    void hangUpWithNothingOpenDoesNothing();
    void componentErrorsMapped_data();
    void componentErrorsMapped();
    void onlineTests_data();
    void onlineTests();
    void onlineTestNeverHangs();
    void withoutNmcliThereIsNothing();
    void connectMenuWhenConnected();

private:
    void setState(const QByteArray &state);
    QByteArray state() const;
    QStringList calls() const;
    QStringList logRows() const;

    QByteArray m_path;
    QString m_fakeDir;
    std::unique_ptr<TestProgramFolder> m_folder;
};

void TestModComm::initTestCase()
{
    m_path = qgetenv("PATH");
    m_fakeDir = QStringLiteral(ZANDRIFT_TEST_DATA "/fake_nmcli");
}

void TestModComm::init()
{
    m_folder = std::make_unique<TestProgramFolder>();
    QVERIFY(m_folder->isValid());
    QVERIFY(m_folder->openStore());
    gSettings->ConnectionType = 0;
    gSettings->DialupUserName.clear();
    gSettings->DialupPassword.clear();
    qputenv("PATH", m_fakeDir.toUtf8() + ':' + m_path);
    qputenv("FAKE_NMCLI_STATE", m_folder->file("nm-state").toUtf8());
    qputenv("FAKE_NMCLI_LOG", m_folder->file("nm-calls").toUtf8());
    qunsetenv("FAKE_NMCLI_FAIL");
    setState(kPhoneBook);
}

void TestModComm::cleanup()
{
    qunsetenv("FAKE_NMCLI_SLEEP");
    qputenv("PATH", m_path);
    ReleaseGlobals();
    m_folder.reset();
}

void TestModComm::setState(const QByteArray &s)
{
    QFile f(m_folder->file("nm-state"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(s);
}

QByteArray TestModComm::state() const
{
    QFile f(m_folder->file("nm-state"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList TestModComm::calls() const
{
    QFile f(m_folder->file("nm-calls"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

QStringList TestModComm::logRows() const
{
    QStringList out;
    auto rs = gDB->openQuery("SELECT LOG_Auction, LOG_Message FROM Logs ORDER BY LOG_Primary");
    for (; !rs->eof(); rs->moveNext()) {
        out << QString::number(rs->value("LOG_Auction").toInt()) + ":" + rs->value("LOG_Message").toString();
    }
    return out;
}

void TestModComm::entryFoundOnlyByExactName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::newRow("exact") << "Home Modem" << 0;
    QTest::newRow("other case") << "home modem" << -1;
    QTest::newRow("trailing blank") << "Home Modem " << -1;
    QTest::newRow("second dial-up kind") << "DSL" << 1;
    QTest::newRow("bluetooth") << "Phone" << 2;
    QTest::newRow("not a dial-up kind") << "Office LAN" << -1;
}

void TestModComm::entryFoundOnlyByExactName()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QCOMPARE(int(FindPhoneBookEntry(name)), index);
}

void TestModComm::unresolvedEntryDialsNothing()
{
    MsgBoxRecorder boxes;
    DialConnection("home modem", true);
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("Unable to resolve Phonebook Entry, make sure you have the correct "
                                                   "dialup network connection chosen."));
    QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Exclamation);
    QCOMPARE(boxes.boxes[0].title, QString());
    QVERIFY(calls().filter(" up ").isEmpty());
    QVERIFY(logRows().isEmpty());
}

void TestModComm::credentialsSetOnlyWhenNotEmpty_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("neither") << ""
                             << "";
    QTest::newRow("user name only") << "bob"
                                    << "";
    QTest::newRow("password only") << ""
                                   << "p&ss= w%rd";
    QTest::newRow("both") << "bob"
                          << "pw";
}

void TestModComm::credentialsSetOnlyWhenNotEmpty()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    gSettings->DialupUserName = user;
    gSettings->DialupPassword = password;
    MsgBoxRecorder boxes;
    DialConnection("Home Modem", false);
    QVERIFY(boxes.boxes.isEmpty());
    const QStringList c = calls();
    QCOMPARE(c.filter("modify --temporary").size(), user.isEmpty() ? 0 : 1); // not saved in the profile
    QCOMPARE(state().contains("Home Modem\tu1\tgsm\t1\t" + (user.isEmpty() ? "stored" : user).toUtf8() + "\n"), true);
    const QStringList secrets = c.filter(QRegularExpression("^secrets "));
    QCOMPARE(secrets, password.isEmpty() ? QStringList() : QStringList{"secrets gsm.password:" + password});
    QCOMPARE(c.filter("passwd-file").size(), password.isEmpty() ? 0 : 1);
    for (const QString &line : c.filter("passwd-file")) // never on a command line
        QVERIFY(!line.contains(password));
}

void TestModComm::dialBringsConnectionUp()
{
    QVERIFY(!IsOnlineForBid());
    DialConnection("DSL", false);
    QVERIFY(calls().contains("--wait 0 connection up uuid u3"));
    QVERIFY(IsOnlineForBid());
    // DSL is up now: the second dial is told so first.
    MsgBoxRecorder boxes;
    DialConnection("Home Modem", true); // the user asked: the dial waits for the line
    QVERIFY(calls().contains("--wait 60 connection up uuid u1"));
    QCOMPARE(boxes.boxes.size(), 1);
}

void TestModComm::userNameFailureStillDials()
{
    gSettings->DialupUserName = "bob";
    qputenv("FAKE_NMCLI_FAIL", "modify=4");
    MsgBoxRecorder boxes;
    DialConnection("Home Modem", false);
    QVERIFY(calls().contains("--wait 0 connection up uuid u1"));
    QVERIFY(state().contains("Home Modem\tu1\tgsm\t1\t"));
    QCOMPARE(logRows().size(), 1); // the failed override is reported, once
    QVERIFY(boxes.boxes.isEmpty());
}

void TestModComm::alreadyConnectedIsToldThenDialled()
{
    setState("DSL\tu3\tpppoe\t1\t\nHome Modem\tu1\tgsm\t0\t\n");
    MsgBoxRecorder boxes;
    DialConnection("Home Modem", true);
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("Already Connected, Connection State: activated"));
    QVERIFY(calls().contains("--wait 60 connection up uuid u1"));
}

void TestModComm::hangUpAllEndsEveryOpenConnection()
{
    setState("Home Modem\tu1\tgsm\t1\t\nOffice LAN\tu2\t802-3-ethernet\t1\t\nDSL\tu3\tpppoe\t1\t\n");
    QVERIFY(IsOnline());
    HangUpAll();
    QCOMPARE(calls().filter("down"), (QStringList{"connection down uuid u1", "connection down uuid u3"}));
    QVERIFY(!IsOnline());
    QVERIFY(state().contains("Office LAN\tu2\t802-3-ethernet\t1")); // not ours to hang up
}

void TestModComm::hangUpWithNothingOpenDoesNothing()
{
    MsgBoxRecorder boxes;
    qputenv("FAKE_NMCLI_FAIL", "down=5");
    HangUpAll();
    setState("DSL\tu3\tpppoe\t1\t\n");
    HangUpAll(); // the failing hang-up is ignored too
    QVERIFY(boxes.boxes.isEmpty());
    QVERIFY(logRows().isEmpty());
    QCOMPARE(calls().filter("down").size(), 1);
}

void TestModComm::componentErrorsMapped_data()
{
    QTest::addColumn<QByteArray>("fail");
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("boxNumber"); // 0: no box
    QTest::newRow("activation failed: its own text") << QByteArray("up=4") << "Error: simulated up failure." << 0;
    QTest::newRow("timed out: its own text") << QByteArray("up=3") << "Error: simulated up failure." << 0;
    QTest::newRow("not supported (120)") << QByteArray("up=2") << "Error: simulated up failure." << 0;
    QTest::newRow("not running (1911)") << QByteArray("up=8") << "Ras is not Properly Configured on this machine" << 0;
    QTest::newRow("bad handle (6)") << QByteArray("up=5")
                                    << "Error: simulated up failure.: Often The Result Of An Invalid Connection Handle"
                                    << 0;
    QTest::newRow("anything else: logged and shown")
        << QByteArray("up=1") << "Error: simulated up failure." << DialUpComponent::kObjectErrorBase + 2001;
}

void TestModComm::componentErrorsMapped()
{
    QFETCH(QByteArray, fail);
    QFETCH(QString, row);
    QFETCH(int, boxNumber);
    qputenv("FAKE_NMCLI_FAIL", fail);
    // Errors are reported, never thrown at the caller; a box only when the user asked for the dial.
    for (const bool interactive : {true, false}) {
        gDB->execute(QStringLiteral("DELETE FROM Logs"));
        MsgBoxRecorder boxes;
        DialConnection("Home Modem", interactive);
        QCOMPARE(logRows(), QStringList{"0:" + row});
        if (boxNumber == 0 || !interactive) {
            QVERIFY(boxes.boxes.isEmpty());
        } else {
            QCOMPARE(boxes.boxes.size(), 1);
            QCOMPARE(boxes.boxes[0].prompt, row);
            QCOMPARE(boxes.boxes[0].title, "Error: " + QString::number(boxNumber));
            QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Critical);
        }
    }
}

void TestModComm::onlineTests_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("dialUp"); // the dial-up connection: 0 closed, 1 up, 2 still activating
    QTest::addColumn<bool>("online");
    QTest::addColumn<bool>("onlineForBid");
    QTest::addColumn<bool>("asks");
    QTest::newRow("dial-up, closed") << 0 << QByteArray("0") << false << false << true;
    QTest::newRow("dial-up, open") << 0 << QByteArray("1") << true << true << true;
    QTest::newRow("dial-up, still activating") << 0 << QByteArray("2") << false << false << true;
    QTest::newRow("AOL, closed") << 1 << QByteArray("0") << true << false << true;
    QTest::newRow("AOL, still activating") << 1 << QByteArray("2") << true << false << true;
    QTest::newRow("direct") << 2 << QByteArray("0") << true << true << false;
    QTest::newRow("proxy") << 3 << QByteArray("0") << true << true << false;
}

void TestModComm::onlineTests()
{
    QFETCH(int, type);
    QFETCH(QByteArray, dialUp);
    QFETCH(bool, online);
    QFETCH(bool, onlineForBid);
    QFETCH(bool, asks);
    gSettings->ConnectionType = type;
    setState("DSL\tu3\tpppoe\t" + dialUp + "\t\nOffice LAN\tu2\t802-3-ethernet\t1\t\n");
    QCOMPARE(IsOnline(), online);
    QCOMPARE(IsOnlineForBid(), onlineForBid);
    QCOMPARE(!calls().isEmpty(), asks);
}

void TestModComm::onlineTestNeverHangs()
{
    // An nmcli that does not answer holds the window for at most a second.
    setState("DSL\tu3\tpppoe\t1\t\n");
    qputenv("FAKE_NMCLI_SLEEP", "5");
    QElapsedTimer clock;
    clock.start();
    QVERIFY_THROWS_EXCEPTION(DialUpError, IsOnlineForBid());
    // One second, and room for a busy machine; the nmcli above would take five.
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    qunsetenv("FAKE_NMCLI_SLEEP");
    QVERIFY(IsOnlineForBid());
}

void TestModComm::withoutNmcliThereIsNothing()
{
    qputenv("PATH", "/nonexistent");
    DialUpComponent component;
    QCOMPARE(component.PhoneBookCount(), 0);
    QCOMPARE(component.OpenConnectionCount(), 0);
    QVERIFY(!IsOnline());
    MsgBoxRecorder boxes;
    DialConnection("Home Modem", true);
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].prompt,
             QStringLiteral("Unable to dial: NetworkManager's nmcli was not found on this computer.  Install "
                            "NetworkManager, or choose another connection type in the system settings."));
    QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Exclamation);
    HangUpAll();
    QVERIFY(logRows().isEmpty());
}

void TestModComm::connectMenuWhenConnected()
{
    setState("DSL\tu3\tpppoe\t1\t\n");
    MsgBoxRecorder boxes;
    ActionsConnect();
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("You are already connected to the internet"));
    QCOMPARE(boxes.boxes[0].title, QStringLiteral("Alerady Connected"));
    QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Information);
    QVERIFY(calls().filter(" up ").isEmpty());

    ActionsDisconnect();
    setState(state() + "Home Modem\tu1\tgsm\t0\t\n");
    gSettings->PhoneBookEntry = "Home Modem";
    ActionsConnect();
    QCOMPARE(boxes.boxes.size(), 1);
    QVERIFY(calls().contains("--wait 60 connection up uuid u1"));
}

QTEST_GUILESS_MAIN(TestModComm)
#include "TestModComm.moc"
