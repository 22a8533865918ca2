#include "SnipeTestSupport.h"
#include "platform/Database.h"
#include "platform/TreeGrid.h"
#include "store/AuctionDatabase.h"

#include <QtTest>

// Turning scheduled rows into conversations, the periodic clock synchronisation and the
// schedule command, on a clock the test holds still.
class TestSnipeScheduling : public QObject
{
    Q_OBJECT

    std::unique_ptr<EngineFixture> f;
    const QDateTime m_now{QDate(2026, 12, 10), QTime(12, 0, 30)};

    QDateTime siteAt(int minutes, int seconds = 0) const
    {
        // A moment on the site's clock, counted from the site's present minute.
        const QDateTime site = AuctionEngine::siteNow();
        const QDateTime minuteStart(site.date(), QTime(site.time().hour(), site.time().minute()));
        return minuteStart.addSecs(minutes * 60 + seconds);
    }
    QList<QItemPtr> snipesQueued() const
    {
        QList<QItemPtr> out;
        for (const QItemPtr &i : f->engine->queue().items())
            if (i->Action == BNQItem::Snipe)
                out << i;
        return out;
    }

private slots:
    void init()
    {
        f = std::make_unique<EngineFixture>();
        QVERIFY(f->isValid());
        Clock::freeze(m_now);
        gSettings->ConnectXPriortoBid = 5;
    }
    void cleanup()
    {
        Clock::unfreeze();
        f.reset();
    }

    void dueByMinuteBoundaries_data()
    {
        QTest::addColumn<int>("minutesAhead");
        QTest::addColumn<bool>("queued");
        QTest::newRow("6 boundaries ahead") << 6 << true;
        QTest::newRow("7 boundaries ahead") << 7 << false;
        QTest::newRow("passed an hour ago") << -60 << true;
    }
    void dueByMinuteBoundaries()
    {
        QFETCH(int, minutesAhead);
        QFETCH(bool, queued);
        // The snipe moment is the end less AUC_BidSecs (10 s here), 20 s into its minute.
        const qint32 key = f->addAuctionRow(QStringLiteral("300"), 2, siteAt(minutesAhead, 30), 20.0, 1, 10);
        f->engine->QueueDueSnipes();
        const auto snipes = snipesQueued();
        QCOMPARE(snipes.size(), queued ? 1 : 0);
        if (!queued)
            return;
        const BNBidTalk &bid = *snipes[0]->Bid;
        QCOMPARE(bid.PrimaryKey, key);
        QCOMPARE(bid.GetNextAction(), 0);
        QCOMPARE(bid.BidSeconds, 10);
        QCOMPARE(bid.MaxBid, 20.0);
        QCOMPARE(bid.Quantity, qint16(1));
        QCOMPARE(bid.User, gCurrentUser);
        QCOMPARE(snipes[0]->Priority, 3);
        QCOMPARE(snipes[0]->message, QStringLiteral("Preparing to Snipe Item# 300"));
    }

    void passedMomentEndsAtTheFirstStep()
    {
        synchroniseAsItReads();
        const qint32 key = f->addAuctionRow(QStringLiteral("301"), 2, siteAt(-60), 20.0, 1, 10);
        f->engine->QueueDueSnipes();
        f->engine->ServeQueue();
        QCOMPARE(f->column(key, QStringLiteral("AUC_Status")).toInt(), 7);
        QCOMPARE(f->engine->queue().Count(), 0);
    }

    void noSecondConversation()
    {
        const qint32 key = f->addAuctionRow(QStringLiteral("302"), 2, siteAt(3), 20.0, 1, 10);
        f->engine->tmrQueueSchedulerAndTimeSyncs_Timer();
        f->engine->tmrQueueSchedulerAndTimeSyncs_Timer();
        QCOMPARE(snipesQueued().size(), 1);
        // Taken out and in flight: still not queued again.
        f->engine->mLastQueueItem = f->engine->queue().NextItem();
        f->engine->QueueDueSnipes();
        QCOMPARE(snipesQueued().size(), 0);
        QCOMPARE(f->engine->mLastQueueItem->Bid->PrimaryKey, key);
        QCOMPARE(f->window->timeLeftUpdates, 2);
    }

    void snipeOfAVanishedUserIsNotQueued()
    {
        const qint32 key = f->addAuctionRow(QStringLiteral("303"), 2, siteAt(3), 20.0, 1, 10);
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_User = 999 WHERE AUC_Primary = ?"), {key});
        f->engine->QueueDueSnipes();
        f->engine->QueueDueSnipes();
        QCOMPARE(f->engine->queue().Count(), 0);
        const QStringList general = f->generalLog();
        QCOMPARE(general.size(), 1); // said once, not every minute
        QVERIFY(general[0].startsWith(QStringLiteral("Item #303")));
    }

    void periodicTimeSync()
    {
        gSettings->PeriodicTimeSync = 1;
        auto syncs = [&] {
            int n = 0;
            for (const QItemPtr &i : f->engine->queue().items())
                n += i->Action == BNQItem::TimeSync ? 1 : 0;
            return n;
        };
        for (int tick = 1; tick < 60; ++tick)
            f->engine->tmrQueueSchedulerAndTimeSyncs_Timer();
        QCOMPARE(syncs(), 0);
        f->engine->tmrQueueSchedulerAndTimeSyncs_Timer();
        QCOMPARE(syncs(), 1);
        const QItemPtr sync = f->engine->queue().items().last();
        QCOMPARE(sync->Priority, 2);
        QCOMPARE(sync->message, QStringLiteral("Syncronizing Time..."));
        QVERIFY(sync->DisconnectAfterCompletion);
        for (int tick = 1; tick <= 60; ++tick)
            f->engine->tmrQueueSchedulerAndTimeSyncs_Timer();
        QCOMPARE(syncs(), 2);

        gSettings->PeriodicTimeSync = 0;
        for (int tick = 1; tick <= 200; ++tick)
            f->engine->tmrQueueSchedulerAndTimeSyncs_Timer();
        QCOMPARE(syncs(), 2);
    }

    void scheduleCommand_data()
    {
        QTest::addColumn<bool>("unschedule");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("saved") << false << false;
        QTest::newRow("unscheduled") << true << false;
        QTest::newRow("cancelled") << false << true;
    }
    void scheduleCommand()
    {
        QFETCH(bool, unschedule);
        QFETCH(bool, cancel);
        const qint32 key = f->addAuctionRow(QStringLiteral("304"), 2, siteAt(3), 20.0, 1, 10);
        f->engine->QueueDueSnipes();
        const QItemPtr queued = snipesQueued().value(0);
        QVERIFY(queued);
        f->window->BuildAuctionGrid(f->openFolder);
        f->window->grid.selectRow(f->window->grid.findRowByKey(key));

        bool dialogShown = false;
        f->engine->ScheduleSnipe([&] {
            dialogShown = true;
            QCOMPARE(ScheduleAuctionKey, key);
            ScheduleCancelled = cancel;
            SnipeUnscheduled = unschedule;
            if (!cancel && !unschedule)
                gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_MaxBid = 25.5, AUC_BidQuantity = 2 "
                                            "WHERE AUC_Primary = ?"),
                             {key});
            if (unschedule)
                gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Status = 1 WHERE AUC_Primary = ?"), {key});
        });
        QVERIFY(dialogShown);
        QVERIFY(!SnipeUnscheduled);
        QCOMPARE(f->window->captionUpdates, 1);
        if (unschedule) {
            QCOMPARE(snipesQueued().size(), 0);
            QVERIFY(queued->Bid->CancelBid);
            QCOMPARE(f->auctionLog(key), QStringList{QStringLiteral("User (Ann) Cancelled Snipe.")});
        } else if (cancel) {
            QCOMPARE(snipesQueued().size(), 1);
            QVERIFY(f->auctionLog(key).isEmpty());
        } else {
            QCOMPARE(snipesQueued().size(), 1);
            QCOMPARE(queued->Bid->MaxBid, 25.5);
            QCOMPARE(queued->Bid->Quantity, qint16(2));
            QCOMPARE(f->auctionLog(key),
                     QStringList{QStringLiteral("(Zandrift Name: Ann, eBay Name: snipetester) Scheduled Snipe (V") +
                                 GetAppVersion() + QStringLiteral(").")});
        }
    }

    void savingAdjustsTheConversationInFlight()
    {
        const qint32 key = f->addAuctionRow(QStringLiteral("305"), 2, siteAt(3), 20.0, 1, 10);
        f->engine->QueueDueSnipes();
        f->engine->mLastQueueItem = f->engine->queue().NextItem();
        f->window->BuildAuctionGrid(f->openFolder);
        f->window->grid.selectRow(f->window->grid.findRowByKey(key));
        f->engine->ScheduleSnipe([&] {
            ScheduleCancelled = false;
            SnipeUnscheduled = false;
            gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_MaxBid = 31.25 WHERE AUC_Primary = ?"), {key});
        });
        QCOMPARE(f->engine->mLastQueueItem->Bid->MaxBid, 31.25);
        QCOMPARE(snipesQueued().size(), 0); // the one in flight is not queued twice
    }
};

QTEST_MAIN(TestSnipeScheduling)
#include "TestSnipeScheduling.moc"
