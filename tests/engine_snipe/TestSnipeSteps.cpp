#include "MsgBoxRecorder.h"
#include "SnipeTestSupport.h"
#include "engine/ebayURLS.h"
#include "platform/Database.h"
#include "store/BSN_Log.h"

#include <QtTest>

// The steps of a snipe that need no reply from the site, on a clock the test holds still.
class TestSnipeSteps : public QObject
{
    Q_OBJECT

    std::unique_ptr<EngineFixture> f;
    const QDateTime m_now{QDate(2026, 12, 10), QTime(12, 0, 0)};

    QDateTime siteIn(qint64 seconds) const { return AuctionEngine::siteNow().addSecs(seconds); }

private slots:
    void init()
    {
        f = std::make_unique<EngineFixture>();
        QVERIFY(f->isValid());
        Clock::freeze(m_now);
    }
    void cleanup()
    {
        Clock::unfreeze();
        f.reset();
    }

    void waitStep_data()
    {
        QTest::addColumn<qint64>("secondsLeft");
        QTest::addColumn<int>("nextAction");
        QTest::newRow("310 left waits") << qint64(310) << 0;
        QTest::newRow("309 left starts") << qint64(309) << 1;
    }
    void waitStep()
    {
        QFETCH(qint64, secondsLeft);
        QFETCH(int, nextAction);
        gSettings->ConnectXPriortoBid = 5;
        const qint32 key = f->addAuctionRow(QStringLiteral("100"), 2);
        auto item = snipeItem(*f, key, siteIn(secondsLeft), 10);
        f->engine->queue().Add(item);
        f->engine->ServeQueue();
        QCOMPARE(item->Bid->GetNextAction(), nextAction);
        QCOMPARE(f->engine->queue().Count(), 1); // put back either way
        QCOMPARE(f->auctionLog(key),
                 nextAction == 1 ? QStringList{QStringLiteral("Initiating Snipe...")} : QStringList());
        QVERIFY(f->site.requests().empty());
    }

    void siteClockIsLocalLessTheOffset()
    {
        gSettings->TimeOffset = 3;
        QCOMPARE(AuctionEngine::siteNow(), m_now.addSecs(-3 * 3600));
        gSettings->TimeOffset = -2;
        QCOMPARE(AuctionEngine::siteNow(), m_now.addSecs(2 * 3600));
    }

    // Ended by a clock the site set in this run; on a clock never synchronised the conversation
    // begins, and its synchronisation tells.
    void endedBeforeTheFirstStep_data()
    {
        QTest::addColumn<bool>("synchronised");
        QTest::newRow("synchronised clock") << true;
        QTest::newRow("clock not synchronised") << false;
    }
    void endedBeforeTheFirstStep()
    {
        QFETCH(bool, synchronised);
        if (synchronised)
            synchroniseAsItReads();
        const qint32 key = f->addAuctionRow(QStringLiteral("101"), 2);
        const QItemPtr item = snipeItem(*f, key, siteIn(0), 10);
        f->engine->queue().Add(item);
        f->engine->ServeQueue();
        if (!synchronised) {
            QCOMPARE(item->Bid->GetNextAction(), 1);
            QCOMPARE(f->column(key, QStringLiteral("AUC_Status")).toInt(), 2);
            QCOMPARE(f->auctionLog(key), QStringList{QStringLiteral("Initiating Snipe...")});
            return;
        }
        QCOMPARE(f->engine->queue().Count(), 0);
        // No bid was made: the row is not "bid submitted".
        QCOMPARE(f->column(key, QStringLiteral("AUC_Status")).toInt(), 7);
        QCOMPARE(f->auctionLog(key), QStringList({QStringLiteral("Auction has ended...too late to submit a bid."),
                                                  QStringLiteral("Snipe Aborted.")}));
    }

    void cancelledAtItsNextStep_data()
    {
        QTest::addColumn<int>("nextAction");
        QTest::newRow("waiting") << 0;
        QTest::newRow("before the final bid") << 4;
    }
    void cancelledAtItsNextStep()
    {
        QFETCH(int, nextAction);
        const qint32 key = f->addAuctionRow(QStringLiteral("102"), 2, QDateTime(), 20.0, 1);
        auto item = snipeItem(*f, key, siteIn(600), 10, 20.0, 1, nextAction);
        f->engine->queue().Add(item);
        QVERIFY(f->engine->queue().RemoveBid(key, *gCurrentUser, f->engine->mLastQueueItem));
        QVERIFY(item->Bid->CancelBid);
        f->engine->queue().Add(item); // as if it had been in flight
        f->engine->ServeQueue();
        QCOMPARE(f->engine->queue().Count(), 0);
        QCOMPARE(f->auctionLog(key),
                 QStringList({QStringLiteral("Bid Canceled..."), QStringLiteral("Snipe Aborted: User Canceled Bid.")}));
        QCOMPARE(f->column(key, QStringLiteral("AUC_Status")).toInt(), 1);
        QCOMPARE(f->column(key, QStringLiteral("AUC_MaxBid")).toDouble(), 0.0);
        QCOMPARE(f->column(key, QStringLiteral("AUC_BidQuantity")).toInt(), 0);
    }

    void connectStepByConnectionType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("connections");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<bool>("bySnipe");
        QTest::newRow("direct") << 2 << QByteArray()
                                << QStringList(
                                       {"Checking to see if connected to the Internet...", "Already Connected..."})
                                << false;
        QTest::newRow("proxy") << 3 << QByteArray()
                               << QStringList(
                                      {"Checking to see if connected to the Internet...", "Already Connected..."})
                               << false;
        QTest::newRow("AOL, offline: no dialling")
            << 1 << QByteArray("Home Modem\tu1\tgsm\t0\t\n")
            << QStringList({"Checking to see if connected to the Internet...", "Not connected... connecting now..."})
            << true;
        QTest::newRow("dial-up, already up")
            << 0 << QByteArray("Home Modem\tu1\tgsm\t1\t\n")
            << QStringList({"Checking to see if connected to the Internet...", "Already Connected..."}) << false;
    }
    void connectStepByConnectionType()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, connections);
        QFETCH(QStringList, log);
        QFETCH(bool, bySnipe);
        FakeNmcli nm(f->folder.path(), connections);
        gSettings->ConnectionType = type;
        const qint32 key = f->addAuctionRow(QStringLiteral("103"), 2);
        auto item = snipeItem(*f, key, siteIn(600), 10, 20.0, 1, 1);
        f->engine->queue().Add(item);
        f->engine->ServeQueue();
        QCOMPARE(item->Bid->GetNextAction(), 2);
        QCOMPARE(item->Bid->ConnectedBySnipe, bySnipe);
        QCOMPARE(f->auctionLog(key), log);
        QCOMPARE(f->engine->queue().Count(), 1);
    }

    void dialUpGivesUpOnTheFifthVisit()
    {
        FakeNmcli nm(f->folder.path(), "Home Modem\tu1\tgsm\t0\t\n");
        ClockRunner dialWaitPasses;
        qputenv("FAKE_NMCLI_FAIL", "up=4");
        gSettings->ConnectionType = 0;
        gSettings->PhoneBookEntry = QStringLiteral("Home Modem");
        const qint32 key = f->addAuctionRow(QStringLiteral("104"), 2);
        auto item = snipeItem(*f, key, siteIn(3600), 10, 20.0, 1, 1);
        f->engine->queue().Add(item);
        for (int visit = 1; visit <= 4; ++visit) {
            f->engine->ServeQueue();
            QCOMPARE(item->Bid->ReconnectionAttempts, visit);
            QCOMPARE(item->Bid->GetNextAction(), 1);
            QCOMPARE(f->engine->queue().Count(), 1);
        }
        f->engine->ServeQueue();
        QCOMPARE(f->engine->queue().Count(), 0);
        const QStringList log = f->auctionLog(key);
        QCOMPARE(log.count(QStringLiteral("Connection Failed... Retrying...")), 4);
        QCOMPARE(log.mid(log.size() - 2),
                 QStringList({"Unable to connect to internet, unable to place bid.", "Snipe Aborted."}));
        QCOMPARE(f->column(key, QStringLiteral("AUC_Status")).toInt(), 7);
        QCOMPARE(f->column(key, QStringLiteral("AUC_Folder")).toInt(), f->closedFolder);
        QCOMPARE(item->message, QStringLiteral("Unable to Connect..."));
    }

    // A snipe dials by itself: no box waits for an answer while its moment comes, whatever the
    // dial-up layer has to say; it is in the general log.
    void dialingAloneAsksNobody_data()
    {
        QTest::addColumn<QByteArray>("connections"); // empty: no nmcli at all
        QTest::addColumn<QString>("said");
        QTest::newRow("no nmcli") << QByteArray() << "Unable to dial: NetworkManager's nmcli was not found";
        QTest::newRow("no such entry") << QByteArray("Other\tu2\tgsm\t0\t\n") << "Unable to resolve Phonebook Entry";
    }
    void dialingAloneAsksNobody()
    {
        QFETCH(QByteArray, connections);
        QFETCH(QString, said);
        std::unique_ptr<FakeNmcli> nm;
        QTemporaryDir noTools;
        const QByteArray path = qgetenv("PATH");
        if (connections.isEmpty())
            qputenv("PATH", noTools.path().toLocal8Bit());
        else
            nm = std::make_unique<FakeNmcli>(f->folder.path(), connections);
        ClockRunner dialWaitPasses;
        gSettings->ConnectionType = 0;
        gSettings->PhoneBookEntry = QStringLiteral("Home Modem");
        const qint32 key = f->addAuctionRow(QStringLiteral("107"), 2);
        auto item = snipeItem(*f, key, siteIn(3600), 10, 20.0, 1, 1);
        f->engine->queue().Add(item);
        MsgBoxRecorder boxes;
        f->engine->ServeQueue();
        qputenv("PATH", path);
        QVERIFY(boxes.boxes.isEmpty());
        QVERIFY2(!f->generalLog().filter(said).isEmpty(), qPrintable(f->generalLog().join(QStringLiteral(" | "))));
        QVERIFY(f->auctionLog(key).contains(QStringLiteral("Connection Failed... Retrying...")));
    }

    void dialUpThatComesUp()
    {
        FakeNmcli nm(f->folder.path(), "Home Modem\tu1\tgsm\t0\t\n");
        ClockRunner dialWaitPasses;
        gSettings->ConnectionType = 0;
        gSettings->PhoneBookEntry = QStringLiteral("Home Modem");
        const qint32 key = f->addAuctionRow(QStringLiteral("105"), 2);
        auto item = snipeItem(*f, key, siteIn(3600), 10, 20.0, 1, 1);
        f->engine->queue().Add(item);
        f->engine->ServeQueue();
        QCOMPARE(item->Bid->GetNextAction(), 2);
        QVERIFY(item->Bid->ConnectedBySnipe);
        QCOMPARE(f->auctionLog(key).last(), QStringLiteral("Connected Successfully..."));
        QVERIFY(nm.read().contains("Home Modem\tu1\tgsm\t1"));
    }

    void doneHangsUpOnlyWhenNothingElseWaits_data()
    {
        QTest::addColumn<int>("disconnect");
        QTest::addColumn<bool>("otherQueued");
        QTest::addColumn<bool>("hungUp");
        QTest::newRow("queue empty") << 1 << false << true;
        QTest::newRow("another item queued") << 1 << true << false;
        QTest::newRow("not asked to") << 0 << false << false;
    }
    void doneHangsUpOnlyWhenNothingElseWaits()
    {
        QFETCH(int, disconnect);
        QFETCH(bool, otherQueued);
        QFETCH(bool, hungUp);
        FakeNmcli nm(f->folder.path(), "Home Modem\tu1\tgsm\t1\t\n");
        gSettings->ConnectionType = 0;
        gSettings->DisconnectAfterSnipe = static_cast<qint16>(disconnect);
        const qint32 key = f->addAuctionRow(QStringLiteral("106"), 3);
        f->engine->queue().Add(snipeItem(*f, key, siteIn(-5), 10, 20.0, 1, 8));
        if (otherQueued) {
            f->engine->queue().Add(
                BNQItem::refresh(QStringLiteral("999"), f->userKey, f->openFolder, BNQItem::BackgroundPriority));
        }
        f->engine->ServeQueue();
        QCOMPARE(nm.read().contains("Home Modem\tu1\tgsm\t0"), hungUp);
        QCOMPARE(f->auctionLog(key).contains(QStringLiteral("Snipe Complete: Disconnecting from the Internet...")),
                 hungUp);
    }

    void servingOrderOfSnipes_data()
    {
        // Snipes as label:next action:seconds left, each posting its final bid 10 s before the end.
        QTest::addColumn<QString>("snipes");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("after"); // label:next action of each after the tick
        QTest::newRow("waiting snipes do not use up the tick") << "w1:0:200;w2:0:200;w3:0:200;p:3:600"
                                                               << "p"
                                                               << "MakeBid"
                                                               << "w1:1,w2:1,w3:1,p:3";
        QTest::newRow("a due final post goes before another's clock synchronisation") << "c:2:600;a:4:5"
                                                                                      << "a"
                                                                                      << "AcceptBid"
                                                                                      << "c:2,a:4";
        QTest::newRow("a due final post goes before another's preparatory bid") << "c:3:600;a:4:5"
                                                                                << "a"
                                                                                << "AcceptBid"
                                                                                << "c:3,a:4";
        QTest::newRow("of two due final posts, the one due first") << "a:4:5;b:4:3;c:4:9"
                                                                   << "b"
                                                                   << "AcceptBid"
                                                                   << "a:4,b:4,c:4";
        QTest::newRow("a nearer snipe's preparatory bid before a farther one's clock") << "c:2:600;n:3:30"
                                                                                       << "n"
                                                                                       << "MakeBid"
                                                                                       << "c:2,n:3";
        QTest::newRow("a final post not yet due keeps its place") << "c:3:600;a:4:30"
                                                                  << "c"
                                                                  << "MakeBid"
                                                                  << "c:3,a:4";
    }
    void servingOrderOfSnipes()
    {
        QFETCH(QString, snipes);
        QFETCH(QString, sent);
        gSettings->ConnectXPriortoBid = 5;
        QList<QPair<QString, QItemPtr>> items;
        for (const QString &spec : snipes.split(QLatin1Char(';'))) {
            const QStringList p = spec.split(QLatin1Char(':'));
            const QString item = QStringLiteral("2%1").arg(items.size() + 10);
            f->site.addAuction(f->siteAuction(item, p[2].toLongLong()));
            const qint32 key = f->addAuctionRow(item, 2, QDateTime(), 20.0, 1);
            auto snipe = snipeItem(*f, key, siteIn(p[2].toLongLong()), 10, 20.0, 1, p[1].toInt());
            snipe->Bid->FinalFormData = QStringLiteral("MfcISAPICommand=AcceptBid&item=") + item;
            f->engine->queue().Add(snipe);
            items << qMakePair(p[0], snipe);
        }

        f->engine->ServeQueue();
        QStringList after;
        for (const auto &i : items) {
            after << QStringLiteral("%1:%2").arg(i.first).arg(i.second->Bid->GetNextAction());
            if (i.first == sent)
                QCOMPARE(f->engine->mLastQueueItem, i.second);
        }
        QTEST(after.join(QLatin1Char(',')), "after");
        QVERIFY(f->engine->Inet1().StillExecuting());
        QVERIFY(f->runUntil([&] { return f->site.requestCount() > 0; }));
        QTEST(f->site.requests().front().command, "command");
    }

    void changedMaximumMakesANewPreparatoryBid()
    {
        const qint32 key = f->addAuctionRow(QStringLiteral("108"), 2, QDateTime(), 25.0, 1);
        auto item = snipeItem(*f, key, siteIn(5), 10, 20.0, 1, 4);
        item->Bid->FinalFormData = QStringLiteral("MfcISAPICommand=AcceptBid&item=108&maxbid=20");
        item->Bid->MaxBid = 25.0; // the user saved a new maximum after the preparatory bid
        f->engine->queue().Add(item);
        f->engine->ServeQueue();
        QCOMPARE(item->Bid->GetNextAction(), 3);
        QVERIFY(item->Bid->FinalFormData.isEmpty());
        QVERIFY(f->site.requests().empty());
        QCOMPARE(f->auctionLog(key).last(),
                 QStringLiteral("Maximum bid or quantity changed: making a new preparatory bid of $25.00."));
    }

    void unsendableRequests()
    {
        // No address to send to: the refresh is logged and dropped; a final post that cannot be
        // sent a third time aborts with status 7, not the 3 of a bid that went out.
        QVERIFY(UseURLs());
        gURLs->EbayViewItemURL = QStringLiteral("not an address ");
        gURLs->EbayBiddingURL.clear();
        f->engine->queue().Add(BNQItem::refresh(QStringLiteral("109"), f->userKey, f->openFolder));
        f->engine->ServeQueue();
        QCOMPARE(f->generalLog(), QStringList{QStringLiteral("Unable to connect, aborting processing of Item: #109")});
        QVERIFY(f->engine->queue().InetAvailable);

        const qint32 key = f->addAuctionRow(QStringLiteral("110"), 2, QDateTime(), 20.0, 1);
        auto item = snipeItem(*f, key, siteIn(5), 10, 20.0, 1, 4);
        item->Bid->ActionRetry = 2;
        f->engine->queue().Add(item);
        f->engine->ServeQueue();
        QCOMPARE(f->engine->queue().Count(), 0);
        QCOMPARE(f->column(key, QStringLiteral("AUC_Status")).toInt(), 7);
        QVERIFY(f->site.requests().empty());
        gURLs.reset();
    }

    void stoppedWhileDialling_data()
    {
        QTest::addColumn<bool>("unschedule");
        QTest::newRow("unscheduled: the conversation ends") << true;
        QTest::newRow("halted: the snipe goes on") << false;
    }
    void stoppedWhileDialling()
    {
        QFETCH(bool, unschedule);
        FakeNmcli nm(f->folder.path(), "Home Modem\tu1\tgsm\t0\t\n");
        ClockRunner dialWaitPasses;
        gSettings->ConnectionType = 0;
        gSettings->PhoneBookEntry = QStringLiteral("Home Modem");
        const qint32 key = f->addAuctionRow(QStringLiteral("111"), 2, QDateTime(), 20.0, 1);
        const QItemPtr item = snipeItem(*f, key, siteIn(3600), 10, 20.0, 1, 1);
        f->engine->queue().Add(item);
        // The user acts during the wait that follows the dial (minimising the window halts).
        QTimer::singleShot(0, f->engine.get(), [&] {
            if (unschedule)
                f->engine->queue().RemoveBid(key, *gCurrentUser, f->engine->mLastQueueItem);
            else
                f->engine->HaltOperation();
        });
        f->engine->ServeQueue();
        const QStringList log = f->auctionLog(key);
        if (unschedule) {
            QCOMPARE(f->engine->queue().Count(), 0);
            QCOMPARE(log.mid(log.size() - 2), QStringList({QStringLiteral("Bid Canceled..."),
                                                           QStringLiteral("Snipe Aborted: User Canceled Bid.")}));
            QCOMPARE(f->column(key, QStringLiteral("AUC_Status")).toInt(), 1);
            return;
        }
        QCOMPARE(f->engine->queue().items(), QList<QItemPtr>{item});
        QCOMPARE(item->Bid->GetNextAction(), 2);
        QCOMPARE(log.last(), QStringLiteral("Connected Successfully..."));
        QCOMPARE(f->column(key, QStringLiteral("AUC_Status")).toInt(), 2);
        QCOMPARE(f->column(key, QStringLiteral("AUC_MaxBid")).toDouble(), 20.0);
    }

    void haltedTimeSynchronisationWhileDialling()
    {
        FakeNmcli nm(f->folder.path(), "Home Modem\tu1\tgsm\t0\t\n");
        ClockRunner dialWaitPasses;
        gSettings->ConnectionType = 0;
        gSettings->PhoneBookEntry = QStringLiteral("Home Modem");
        f->engine->queue().Add(BNQItem::timeSync(false));
        QTimer::singleShot(0, f->engine.get(), [&] { f->engine->HaltOperation(); });
        f->engine->ServeQueue();
        // The line came up, but the synchronisation was stopped: nothing is sent.
        QVERIFY(nm.read().contains("Home Modem\tu1\tgsm\t1"));
        QVERIFY(!f->engine->Inet1().StillExecuting());
        QVERIFY(f->engine->queue().InetAvailable);
        QVERIFY(f->generalLog().isEmpty());
    }

    void deletedAuctionIsLeftAlone()
    {
        const qint32 key = f->addAuctionRow(QStringLiteral("107"), 2);
        auto item = snipeItem(*f, key, siteIn(600), 10);
        gDB->execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_Primary = ?"), {key});
        f->engine->AbortSnipe(*item->Bid, QStringLiteral("Snipe gone"), AuctionEngine::AbortReason::Error);
        f->engine->SetAuctionStatus(key, AuctionStatus::BidSubmitted);
        QVERIFY(f->auctionLog(key).isEmpty());
        QCOMPARE(gDB->openQuery(QStringLiteral("SELECT * FROM Auctions"))->recordCount(), 0);
    }
};

QTEST_MAIN(TestSnipeSteps)
#include "TestSnipeSteps.moc"
