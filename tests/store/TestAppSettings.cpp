#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "platform/Database.h"
#include "platform/Recordset.h"
#include "platform/SettingsStore.h"
#include "store/AppSettings.h"
#include "store/AuctionDatabase.h"
#include "store/Globals.h"

#include <QtTest>

class TestAppSettings : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    const QString S = QStringLiteral("appsettings");

    std::unique_ptr<AppSettings> load() { return std::make_unique<AppSettings>(*gDB, SettingsStore::instance()); }

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(OpenAuctionDatabase());
    }
    void cleanup() { m_folder.reset(); }

    void firstRunIgnoresTheStore()
    {
        SettingsStore::instance().set(S, QStringLiteral("DiscAfterSnipe"), QStringLiteral("1"));
        SettingsStore::instance().set(S, QStringLiteral("duser"), QStringLiteral("dial"));
        gDB->execute(QStringLiteral("UPDATE Application SET APP_SettingsUpdated = 2, APP_ConnectXPriortoBid = 9"));
        auto s = load();
        QVERIFY(s->NotSetup);
        QCOMPARE(s->ConnectionType, 0);
        QCOMPARE(s->AutoConnect, qint16(1));
        QCOMPARE(s->AutoTimeSync, qint16(1));
        QCOMPARE(s->ConnectXPriortoBid, qint16(5));
        QCOMPARE(s->PeriodicTimeSync, qint16(24));
        QCOMPARE(s->ShowClosingWarning, qint16(1));
        QCOMPARE(s->DisconnectAfterSnipe, qint16(0));
        QCOMPARE(s->AutoDeleteErrorLogs, false);
        QCOMPARE(s->DeleteErrorLogDays, qint16(0));
        QVERIFY(s->DialupUserName.isEmpty());
    }

    void savedSettingsRoundTrip()
    {
        {
            auto s = load();
            s->PhoneBookEntry = QStringLiteral("Ann's ISP");
            s->ConnectionType = 3;
            s->ProxyServer = QStringLiteral("proxy:8080");
            s->AutoConnect = 0;
            s->AutoTimeSync = 0;
            s->ConnectXPriortoBid = 7;
            s->TimeOffset = -3;
            s->TimeZone = QStringLiteral("Eastern");
            s->PeriodicTimeSync = 6;
            s->DisconnectAfterSnipe = 1;
            s->ShowClosingWarning = 0;
            s->AutoDeleteErrorLogs = true;
            s->DeleteErrorLogDays = 14;
            s->DialupUserName = QStringLiteral("  dialer ");
            s->DialupPassword = QStringLiteral(" p&ss=wörd ");
            QVERIFY(s->SaveSettings());
            QVERIFY(s->SaveSettings());
        }
        QCOMPARE(gDB->openQuery(QStringLiteral("SELECT * FROM Application"))->recordCount(), 1);
        SettingsStore &store = SettingsStore::instance();
        QCOMPARE(store.get(S, QStringLiteral("closewarn")), QStringLiteral("dröw=ss&p"));
        QCOMPARE(store.get(S, QStringLiteral("duser")), QStringLiteral("dialer"));
        QCOMPARE(store.get(S, QStringLiteral("DeleteErrorLogDays")), QStringLiteral("14"));

        auto s = load();
        QVERIFY(!s->NotSetup);
        QCOMPARE(s->PhoneBookEntry, QStringLiteral("Ann's ISP"));
        QCOMPARE(s->ConnectionType, 3);
        QCOMPARE(s->ProxyServer, QStringLiteral("proxy:8080"));
        QCOMPARE(s->AutoConnect, qint16(0));
        QCOMPARE(s->AutoTimeSync, qint16(0));
        QCOMPARE(s->ConnectXPriortoBid, qint16(7));
        QCOMPARE(s->TimeOffset, qint16(-3));
        QCOMPARE(s->TimeZone, QStringLiteral("Eastern"));
        QCOMPARE(s->PeriodicTimeSync, qint16(6));
        QCOMPARE(s->DisconnectAfterSnipe, qint16(1));
        QCOMPARE(s->ShowClosingWarning, qint16(0));
        QCOMPARE(s->AutoDeleteErrorLogs, true);
        QCOMPARE(s->DeleteErrorLogDays, qint16(14));
        QCOMPARE(s->DialupUserName, QStringLiteral("dialer"));
        QCOMPARE(s->DialupPassword, QStringLiteral("p&ss=wörd"));
    }

    void errorLogDaysOnlyWhilePurging()
    {
        SettingsStore &store = SettingsStore::instance();
        store.set(S, QStringLiteral("DeleteErrorLogDays"), QStringLiteral("3"));
        {
            auto s = load();
            s->AutoDeleteErrorLogs = false;
            s->DeleteErrorLogDays = 99;
            QVERIFY(s->SaveSettings());
        }
        QCOMPARE(store.get(S, QStringLiteral("DeleteErrorLogDays")), QStringLiteral("3")); // not written
        QCOMPARE(store.get(S, QStringLiteral("AutoDeleteErrorLogs")), QStringLiteral("0"));
        auto s = load();
        QCOMPARE(s->AutoDeleteErrorLogs, false);
        QCOMPARE(s->DeleteErrorLogDays, qint16(0)); // not read
    }

    void errorLogDaysOutOfRange_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<qint16>("days");
        QTest::newRow("negative") << "-5" << qint16(7);
        QTest::newRow("negative in parentheses") << "(30)" << qint16(7);
        QTest::newRow("above 999: kept as long as it can be") << "1000" << qint16(999);
        QTest::newRow("zero") << "0" << qint16(0);
        QTest::newRow("999") << "999" << qint16(999);
    }
    void errorLogDaysOutOfRange()
    {
        QFETCH(QString, stored);
        QFETCH(qint16, days);
        gDB->execute(QStringLiteral("UPDATE Application SET APP_SettingsUpdated = 1"));
        SettingsStore::instance().set(S, QStringLiteral("DeleteErrorLogDays"), stored);
        MsgBoxRecorder boxes;
        QCOMPARE(load()->DeleteErrorLogDays, days);
        QVERIFY(boxes.boxes.isEmpty());
    }

    // Reversed character by character: read back from the file, nothing is lost.
    void dialupPasswordOutsideTheBasicPlane()
    {
        const QString password = QStringLiteral("pa\U0001F600ss\U00010348");
        {
            auto s = load();
            s->DialupPassword = password;
            QVERIFY(s->SaveSettings());
        }
        SettingsStore::redirect(m_folder->settingsPath()); // read the file again
        QCOMPARE(SettingsStore::instance().get(S, QStringLiteral("closewarn")),
                 QStringLiteral("\U00010348ss\U0001F600ap"));
        QCOMPARE(load()->DialupPassword, password);
    }

    void savedDefaultsWhenTheStoreIsEmpty()
    {
        gDB->execute(QStringLiteral("UPDATE Application SET APP_SettingsUpdated = 1"));
        auto s = load();
        QVERIFY(!s->NotSetup);
        QCOMPARE(s->DisconnectAfterSnipe, qint16(0));
        QCOMPARE(s->ShowClosingWarning, qint16(1));
        QCOMPARE(s->AutoDeleteErrorLogs, true);
        QCOMPARE(s->DeleteErrorLogDays, qint16(7));
    }

    void badStoredValues()
    {
        gDB->execute(QStringLiteral("UPDATE Application SET APP_SettingsUpdated = 1, APP_TimeOffset = 2"));
        SettingsStore &store = SettingsStore::instance();
        // The two tolerant keys keep the member; the others stop the load with a message.
        store.set(S, QStringLiteral("DiscAfterSnipe"), QStringLiteral("yes"));
        store.set(S, QStringLiteral("AutoDeleteErrorLogs"), QStringLiteral("1"));
        store.set(S, QStringLiteral("DeleteErrorLogDays"), QStringLiteral("many"));
        MsgBoxRecorder boxes;
        auto s = load();
        QCOMPARE(s->DisconnectAfterSnipe, qint16(0));
        QCOMPARE(s->TimeOffset, qint16(2));
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("Error Retrieving Application Settings."));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Unable to Retrieve Information"));
        QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Critical);
    }

    // A folder not even root can write to: the settings file's parent is a plain file.
    void saveThatCannotWriteTheStoreReports()
    {
        QFile blocker(m_folder->file(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        SettingsStore::redirect(blocker.fileName() + QStringLiteral("/settings.ini"));
        auto s = load();
        s->DialupUserName = QStringLiteral("dialer");
        MsgBoxRecorder boxes;
        QVERIFY(!s->SaveSettings());
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("Unable to save application settings."));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Error Saving Settings"));
        QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Exclamation);
        // The row is not marked saved, and the store does not pretend to hold the value.
        auto app = gDB->openQuery(QStringLiteral("SELECT APP_SettingsUpdated FROM Application"));
        QCOMPARE(app->value(QStringLiteral("APP_SettingsUpdated")).toInt(), 0);
        QCOMPARE(SettingsStore::instance().get(S, QStringLiteral("duser")), QString());
    }

    void saveWithoutItsRowReports()
    {
        auto s = load();
        gDB->execute(QStringLiteral("DELETE FROM Application"));
        MsgBoxRecorder boxes;
        QVERIFY(!s->SaveSettings());
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("Unable to save application settings."));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Error Saving Settings"));
        QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Exclamation);
    }
};

QTEST_GUILESS_MAIN(TestAppSettings)
#include "TestAppSettings.moc"
