#include "AppSettings.h"
#include "AuctionDatabase.h"
#include "BSN_Log.h"
#include "BSN_User.h"
#include "Clock.h"
#include "Database.h"
#include "Globals.h"
#include "Recordset.h"
#include "SettingsStore.h"
#include "TestProgramFolder.h"
#include "Transaction.h"
#include "Values.h"

#include <QtTest>

class TestLog : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    const QDateTime m_now{QDate(2026, 12, 10), QTime(12, 0, 0)};

    QStringList messages(const QString &where = QStringLiteral("1 = 1"))
    {
        QStringList out;
        auto rs =
            gDB->openQuery(QStringLiteral("SELECT LOG_Message FROM Logs WHERE %1 ORDER BY LOG_Primary").arg(where));
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            out << rs->value(QStringLiteral("LOG_Message")).toString();
        return out;
    }

    void addAuction(qint32 user, const QString &item, int endedDaysAgo)
    {
        gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_ItemNumber, AUC_Ended) VALUES (?, ?, ?)"),
                     {user, item, m_now.addDays(-endedDaysAgo)});
    }
    void addLog(qint32 auction, qint32 user, const QString &msg, int daysAgo)
    {
        Clock::freeze(m_now.addDays(-daysAgo));
        BSN_Log().MarkAuction(auction, user, msg);
        Clock::freeze(m_now);
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(OpenAuctionDatabase());
        Clock::freeze(m_now);
        ConnectionLogChanged = AuctionLogChanged = false;
    }
    void cleanup()
    {
        Clock::unfreeze();
        m_folder.reset();
    }

    void messageIsCutAndTrimmed_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");
        const QString x300 = QString(300, QLatin1Char('x'));
        QTest::newRow("300 characters") << x300 << x300.left(255);
        QTest::newRow("blanks around") << "  Item #7 refreshed  "
                                       << "Item #7 refreshed";
        QTest::newRow("blanks only") << "     "
                                     << "";
        QTest::newRow("cut then trimmed")
            << QString(250, QLatin1Char('a')) + QStringLiteral("     tail") << QString(250, QLatin1Char('a'));
        QTest::newRow("apostrophe") << "Ann's bid; DROP TABLE Logs"
                                    << "Ann's bid; DROP TABLE Logs";
    }
    void messageIsCutAndTrimmed()
    {
        QFETCH(QString, message);
        QFETCH(QString, stored);
        BSN_Log().MarkAuction(3, 1, message);
        QCOMPARE(messages(), QStringList{stored});
        auto rs = gDB->openQuery(QStringLiteral("SELECT * FROM Logs"));
        QCOMPARE(rs->value(QStringLiteral("LOG_TimeStamp")).toDateTime(), m_now);
        QCOMPARE(rs->value(QStringLiteral("LOG_Auction")).toLongLong(), 3);
        QCOMPARE(rs->value(QStringLiteral("LOG_User")).toLongLong(), 1);
    }

    void eachKindRaisesItsOwnFlag()
    {
        BSN_Log log;
        log.MarkAuction(0, 1, QStringLiteral("general"));
        QVERIFY(ConnectionLogChanged);
        QVERIFY(!AuctionLogChanged);
        ConnectionLogChanged = false;
        log.MarkAuction(12, 1, QStringLiteral("auction"));
        QVERIFY(AuctionLogChanged);
        QVERIFY(!ConnectionLogChanged);
    }

    void purgeByAge_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<bool>("userPurge");
        QTest::addColumn<bool>("generalPurge");
        QTest::addColumn<QStringList>("auctionsLeft");
        QTest::addColumn<QStringList>("logsLeft");
        const QStringList allAuctions = {"ann-31", "ann-29", "bob-90"};
        const QStringList allLogs = {"ann auction 31", "ann auction 29", "bob auction 90",
                                     "ann general 31", "bob general 8",  "bob general 6"};
        QTest::newRow("both on") << true << true << true << QStringList({"ann-29", "bob-90"})
                                 << QStringList({"ann auction 29", "bob auction 90", "bob general 6"});
        QTest::newRow("user only") << true << true << false << QStringList({"ann-29", "bob-90"})
                                   << QStringList({"ann auction 29", "bob auction 90", "ann general 31",
                                                   "bob general 8", "bob general 6"});
        QTest::newRow("general only") << true << false << true << allAuctions
                                      << QStringList(
                                             {"ann auction 31", "ann auction 29", "bob auction 90", "bob general 6"});
        QTest::newRow("nobody signed in")
            << false << true << true << allAuctions
            << QStringList({"ann auction 31", "ann auction 29", "bob auction 90", "bob general 6"});
        QTest::newRow("all off") << true << false << false << allAuctions << allLogs;
    }
    void purgeByAge()
    {
        QFETCH(bool, signedIn);
        QFETCH(bool, userPurge);
        QFETCH(bool, generalPurge);
        QFETCH(QStringList, auctionsLeft);
        QFETCH(QStringList, logsLeft);
        const qint32 ann = 1, bob = 2;
        addAuction(ann, QStringLiteral("ann-31"), 31);
        addAuction(ann, QStringLiteral("ann-29"), 29);
        addAuction(bob, QStringLiteral("bob-90"), 90);
        addLog(5, ann, QStringLiteral("ann auction 31"), 31);
        addLog(6, ann, QStringLiteral("ann auction 29"), 29);
        addLog(7, bob, QStringLiteral("bob auction 90"), 90);
        addLog(0, ann, QStringLiteral("ann general 31"), 31);
        addLog(0, bob, QStringLiteral("bob general 8"), 8);
        addLog(0, bob, QStringLiteral("bob general 6"), 6);

        BSN_User user;
        user.PrimaryKey = ann;
        user.AutoDeleteAuctions = userPurge;
        user.DeleteAuctionDays = 30;
        AppSettings settings(*gDB, SettingsStore::instance());
        settings.AutoDeleteErrorLogs = generalPurge;
        settings.DeleteErrorLogDays = 7;

        PurgeOldRecords(*gDB, signedIn ? &user : nullptr, settings);

        QStringList items;
        auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_ItemNumber FROM Auctions ORDER BY AUC_Primary"));
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            items << rs->value(QStringLiteral("AUC_ItemNumber")).toString();
        QCOMPARE(items, auctionsLeft);
        QCOMPARE(messages(), logsLeft);
    }

    // The purge never reaches a running auction or a live snipe: counts below a day are taken as
    // the default, the end is read on the site's clock, and a scheduled or submitted row stays.
    void purgeSparesLiveAuctions_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("timeOffset");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("endedHoursAgo"); // on the site's clock; negative: still running
        QTest::addColumn<bool>("kept");
        QTest::newRow("no count, site 3 hours behind, ends in 2 hours") << 0 << 3 << 2 << -2 << true;
        QTest::newRow("negative count, running") << -30 << 0 << 1 << -5 << true;
        QTest::newRow("negative count, ended yesterday") << -30 << 0 << 1 << 24 << true;
        QTest::newRow("count 1, site behind, ended 22 hours ago") << 1 << 3 << 1 << 22 << true;
        QTest::newRow("count 1, site ahead, ended 25 hours ago") << 1 << -3 << 1 << 25 << false;
        QTest::newRow("30 days, ended 31 days ago") << 30 << 0 << 6 << 31 * 24 << false;
        QTest::newRow("30 days, scheduled, ended 31 days ago") << 30 << 0 << 2 << 31 * 24 << true;
        QTest::newRow("30 days, bid submitted, ended 31 days ago") << 30 << 0 << 3 << 31 * 24 << true;
    }
    void purgeSparesLiveAuctions()
    {
        QFETCH(int, days);
        QFETCH(int, timeOffset);
        QFETCH(int, status);
        QFETCH(int, endedHoursAgo);
        QFETCH(bool, kept);
        const QDateTime siteNow = m_now.addSecs(-3600LL * timeOffset);
        gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_ItemNumber, AUC_Ended, AUC_Status) "
                                    "VALUES (1, 'item', ?, ?)"),
                     {siteNow.addSecs(-3600LL * endedHoursAgo), status});
        BSN_User user;
        user.PrimaryKey = 1;
        user.AutoDeleteAuctions = true;
        user.DeleteAuctionDays = static_cast<qint16>(days);
        AppSettings settings(*gDB, SettingsStore::instance());
        settings.TimeOffset = static_cast<qint16>(timeOffset);
        settings.AutoDeleteErrorLogs = true;
        settings.DeleteErrorLogDays = -30;
        addLog(0, 1, QStringLiteral("general now"), 0);
        PurgeOldRecords(*gDB, &user, settings);
        QCOMPARE(gDB->openQuery(QStringLiteral("SELECT * FROM Auctions"))->recordCount(), kept ? 1 : 0);
        QCOMPARE(messages(), QStringList({"general now"}));
    }

    // Run again in New York (see CMakeLists): 30 days before 7 April 02:30 is 02:30 on the day
    // the clock springs forward, an hour that clock skips; the stored times are wall-clock times.
    void purgeCutoffOnTheWallClock()
    {
        const QDateTime now(QDate(2026, 4, 7), QTime(2, 30));
        Clock::freeze(now);
        for (const QTime &t : {QTime(1, 50), QTime(2, 10), QTime(2, 50), QTime(3, 10)})
            gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_ItemNumber, AUC_Ended) VALUES (1, ?, ?)"),
                         {t.toString(QStringLiteral("HH:mm")), Values::wallClock(QDate(2026, 3, 8), t)});
        BSN_User user;
        user.PrimaryKey = 1;
        user.AutoDeleteAuctions = true;
        user.DeleteAuctionDays = 30;
        AppSettings settings(*gDB, SettingsStore::instance());
        PurgeOldRecords(*gDB, &user, settings);
        QStringList left;
        auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_ItemNumber FROM Auctions ORDER BY AUC_Primary"));
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            left << rs->value(QStringLiteral("AUC_ItemNumber")).toString();
        QCOMPARE(left, QStringList({"02:50", "03:10"}));
    }

    void theProgramsPurgeGoesOnASliceAtATime()
    {
        // Months of general rows past the age: the program's purge deletes a first slice at once
        // and the rest while the event loop turns; the rows of today stay.
        {
            Transaction rows(*gDB);
            for (int i = 0; i < 25000; ++i)
                BSN_Log().MarkAuction(0, 1, QStringLiteral("old"), m_now.addDays(-40).addSecs(i));
            rows.commit();
        }
        addLog(0, 1, QStringLiteral("today"), 0);
        addLog(7, 1, QStringLiteral("an auction's, old"), 40); // no user signed in: stays
        gSettings = std::make_unique<AppSettings>(*gDB, SettingsStore::instance());
        gSettings->AutoDeleteErrorLogs = true;
        gSettings->DeleteErrorLogDays = 30;
        const auto count = [] {
            return gDB->openQuery(QStringLiteral("SELECT COUNT(*) AS n FROM Logs"))->value(QStringLiteral("n")).toInt();
        };
        PurgeOldRecords();
        QVERIFY2(count() > 2 && count() < 25002, qPrintable(QString::number(count())));
        QTRY_COMPARE(count(), 2);
        QCOMPARE(messages(), QStringList({"today", "an auction's, old"}));
        gSettings.reset();
    }

    void purgeKeepsAuctionsWithoutAnEnd()
    {
        gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_ItemNumber) VALUES (1, 'no end')"));
        BSN_User user;
        user.PrimaryKey = 1;
        user.AutoDeleteAuctions = true;
        user.DeleteAuctionDays = 0;
        AppSettings settings(*gDB, SettingsStore::instance());
        PurgeOldRecords(*gDB, &user, settings);
        QCOMPARE(gDB->openQuery(QStringLiteral("SELECT * FROM Auctions"))->recordCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "TestLog.moc"
