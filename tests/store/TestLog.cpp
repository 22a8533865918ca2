#include "TestProgramFolder.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/Recordset.h"
#include "platform/SettingsStore.h"
#include "platform/Transaction.h"
#include "platform/Values.h"
#include "store/AppSettings.h"
#include "store/AuctionDatabase.h"
#include "store/BSN_Log.h"
#include "store/BSN_User.h"
#include "store/Globals.h"
#include "store/LogRecords.h"

#include <QtTest>
#include <limits>

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

    // The views read the newest rows a page at a time, the export an auction's rows in order.
    void pagesOfRows_data()
    {
        QTest::addColumn<bool>("inOrder");
        QTest::addColumn<qint32>("auction");
        QTest::addColumn<qint32>("user");
        QTest::addColumn<QString>("after"); // the row whose key bounds the page; empty for none
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("general, every row") << false << 0 << 0 << ""
                                            << "" << 100 << QStringList{"g3", "g2", "g1"};
        QTest::newRow("general, a page") << false << 0 << 0 << ""
                                         << "" << 2 << QStringList{"g3", "g2"};
        QTest::newRow("general, the next page") << false << 0 << 0 << ""
                                                << "g2" << 2 << QStringList{"g1"};
        QTest::newRow("general, newer ones") << false << 0 << 0 << "g1"
                                             << "" << 100 << QStringList{"g3", "g2"};
        QTest::newRow("an auction of a user") << false << 5 << 1 << ""
                                              << "" << 100 << QStringList{"a3", "a2", "a1"};
        QTest::newRow("an auction of another user") << false << 5 << 2 << ""
                                                    << "" << 100 << QStringList{"b1"};
        QTest::newRow("in order") << true << 5 << 1 << ""
                                  << "" << 100 << QStringList{"a1", "a2", "a3"};
        QTest::newRow("in order, the next slice") << true << 5 << 1 << "a1"
                                                  << "" << 1 << QStringList{"a2"};
    }
    void pagesOfRows()
    {
        QFETCH(bool, inOrder);
        QFETCH(qint32, auction);
        QFETCH(qint32, user);
        QFETCH(QString, after);
        QFETCH(QString, before);
        QFETCH(int, limit);
        QFETCH(QStringList, rows);
        QHash<QString, qint64> keys;
        const struct
        {
            qint32 auction, user;
            const char *message;
        } written[] = {{0, 0, "g1"}, {5, 1, "a1"}, {5, 2, "b1"}, {0, 1, "g2"},
                       {5, 1, "a2"}, {6, 1, "c1"}, {0, 0, "g3"}, {5, 1, "a3"}};
        for (const auto &w : written) {
            gDB->execute(QStringLiteral("INSERT INTO Logs (LOG_TimeStamp, LOG_Auction, LOG_User, LOG_Message) "
                                        "VALUES (?, ?, ?, ?)"),
                         {m_now, w.auction, w.user, QLatin1String(w.message)});
            keys[QLatin1String(w.message)] = gDB->openQuery(QStringLiteral("SELECT max(LOG_Primary) AS k FROM Logs"))
                                                 ->value(QStringLiteral("k"))
                                                 .toLongLong();
        }
        const qint64 afterKey = after.isEmpty() ? 0 : keys.value(after);
        const qint64 beforeKey = before.isEmpty() ? std::numeric_limits<qint64>::max() : keys.value(before);
        const QVector<log_store::Entry> entries =
            inOrder ? log_store::inOrder(*gDB, auction, user, afterKey, limit)
                    : log_store::newestFirst(*gDB, auction, user, afterKey, beforeKey, limit);
        QStringList got;
        for (const log_store::Entry &e : entries) {
            got << e.message;
            QCOMPARE(e.key, keys.value(e.message));
            QCOMPARE(e.stamp, m_now);
        }
        QCOMPARE(got, rows);
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "TestLog.moc"
