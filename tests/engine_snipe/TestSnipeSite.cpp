#include "SnipeTestSupport.h"
#include "engine/ebayURLS.h"
#include "platform/Database.h"
#include "platform/Transaction.h"
#include "platform/Values.h"
#include "store/BSN_Log.h"

#include <QtTest>

// Whole conversations against the practice site, on the real clock.
class TestSnipeSite : public QObject
{
    Q_OBJECT

    std::unique_ptr<EngineFixture> f;

    // A scheduled auction that ends secondsFromNow on the site, and its queued conversation.
    qint32 schedule(const QString &item, qint64 secondsFromNow, double maxBid, int bidSecs = 3,
                    const std::vector<practice::Bid> &competitors = {})
    {
        return scheduleEndingAt(item, f->siteAuction(item, secondsFromNow, 10.0).end, maxBid, bidSecs, competitors);
    }
    qint32 scheduleEndingAt(const QString &item, const QDateTime &end, double maxBid, int bidSecs = 3,
                            const std::vector<practice::Bid> &competitors = {})
    {
        practice::Auction a = f->siteAuction(item, 0, 10.0);
        a.end = end;
        a.bids = competitors;
        f->site.addAuction(a);
        const qint32 key = f->addAuctionRow(item, 2, EngineFixture::siteWall(a.end), maxBid, 1, bidSecs);
        f->engine->QueueDueSnipes();
        return key;
    }
    bool conversationOver(qint32 key) { return ::conversationOver(*f, key); }
    int commands(const QString &command, const QString &item = QString()) const
    {
        int n = 0;
        for (const auto &r : f->site.requests())
            n += (r.command == command && (item.isEmpty() || r.body.contains(item.toUtf8()) || r.query.contains(item)))
                     ? 1
                     : 0;
        return n;
    }
    void refreshAfterTheEnd(const QString &item)
    {
        f->engine->queue().Add(refreshItem(*f, item));
        QVERIFY(f->runUntilIdle());
    }

private slots:
    void init()
    {
        f = std::make_unique<EngineFixture>();
        QVERIFY(f->isValid());
        gSettings->ConnectXPriortoBid = 1;
    }
    void cleanup() { f.reset(); }

    void winsAndLosesAgainstACompetitor()
    {
        const qint32 win = schedule(QStringLiteral("4001"), 8, 20.0, 3, {{QStringLiteral("rival"), 15.0, 1}});
        const qint32 lose = schedule(QStringLiteral("4002"), 9, 20.0, 3, {{QStringLiteral("rival"), 30.0, 1}});
        QVERIFY(f->runUntil([&] { return conversationOver(win) && conversationOver(lose); }, 30000));

        const QStringList winLog = f->auctionLog(win);
        QCOMPARE(winLog.first(), QStringLiteral("Initiating Snipe..."));
        QVERIFY(winLog.contains(QStringLiteral("System Clock Synchronized to eBay Clock for accurate sniping.")));
        QVERIFY(winLog.contains(QStringLiteral("Making Preparatory Bid of $20.00")));
        QVERIFY(winLog.contains(QStringLiteral(
            "Received Confirmation of Preparatory Bid from eBay.  Proceeding to the Finalization stage.")));
        QVERIFY(winLog.contains(
            QStringLiteral("Auction Closes in 3 Seconds: Finalizing bid of $20.00 for snipetester...")));
        QCOMPARE(winLog.last(), QStringLiteral("Bid placement of $20.00 for item #4001 Confirmed."));
        QCOMPARE(f->auctionLog(lose).last(), QStringLiteral("You have been Outbid by another Bidder."));
        for (qint32 key : {win, lose})
            QCOMPARE(f->column(key, QStringLiteral("AUC_Status")).toInt(), 3);
        // One preparatory and one final post per snipe; the password went through intact.
        for (const QString &item : {QStringLiteral("4001"), QStringLiteral("4002")}) {
            QCOMPARE(commands(QStringLiteral("MakeBid"), item), 1);
            QCOMPARE(commands(QStringLiteral("AcceptBid"), item), 1);
        }
        QCOMPARE(f->site.standing(QStringLiteral("4001"))->highBidder, QLatin1String(EngineFixture::kSiteUser));

        // The final post left in the last BidSeconds before the end. The clock, set from a page
        // of whole seconds, is right to within half a second: a post may be that much early.
        for (const auto &r : f->site.requests()) {
            if (r.command != QLatin1String("AcceptBid") || !r.body.contains("4001"))
                continue;
            const qint64 end = f->site.auction(QStringLiteral("4001"))->end.toMSecsSinceEpoch();
            QVERIFY2(r.arrivalMs >= end - 3000 - 600, qPrintable(QString::number(end - r.arrivalMs)));
            QVERIFY2(r.arrivalMs < end, qPrintable(QString::number(end - r.arrivalMs)));
        }

        // After the close a refresh reads the outcome.
        QVERIFY(f->runUntil([&] { return f->site.now() > f->site.auction(QStringLiteral("4002"))->end; }, 15000));
        refreshAfterTheEnd(QStringLiteral("4001"));
        refreshAfterTheEnd(QStringLiteral("4002"));
        QCOMPARE(f->column(win, QStringLiteral("AUC_Status")).toInt(), 4);
        QCOMPARE(f->auctionLog(win).last(), QStringLiteral("Congratulations, you have Won this Auction."));
        QCOMPARE(f->column(lose, QStringLiteral("AUC_Status")).toInt(), 5);
        QCOMPARE(f->auctionLog(lose).last(), QStringLiteral("You did not win this Auction.  You were outbid."));
    }

    void refreshOfAllDoesNotHoldADueSnipe()
    {
        // A program folder of many months: ten thousand open auctions of the user, elsewhere.
        {
            Transaction rows(*gDB);
            for (int i = 0; i < 10000; ++i)
                gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Status) "
                                            "VALUES (?, ?, ?, 1)"),
                             {f->userKey, f->openFolder + 1000, QString::number(7000000 + i)});
            rows.commit();
        }
        const qint32 key = schedule(QStringLiteral("4020"), 10, 20.0, 3, {{QStringLiteral("rival"), 15.0, 1}});
        const QDateTime end = f->site.auction(QStringLiteral("4020"))->end;
        // The refresh of all starts a second before the final post falls due.
        bool refreshed = false;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (Values::secondsCrossed(AuctionEngine::siteNow(), EngineFixture::siteWall(end)) <= 4) {
                watch.stop();
                f->engine->RefreshAllAuctions();
                refreshed = true;
            }
        });
        watch.start();
        QVERIFY(f->runUntil([&] { return refreshed && conversationOver(key); }, 40000));

        // By the site's record: the final post came before the end, and the user holds the lot.
        QCOMPARE(commands(QStringLiteral("AcceptBid"), QStringLiteral("4020")), 1);
        for (const auto &r : f->site.requests())
            if (r.command == QLatin1String("AcceptBid"))
                QVERIFY2(r.arrivalMs < end.toMSecsSinceEpoch(),
                         qPrintable(QString::number(r.arrivalMs - end.toMSecsSinceEpoch())));
        QCOMPARE(f->site.standing(QStringLiteral("4020"))->highBidder, QLatin1String(EngineFixture::kSiteUser));
    }

    void amountsReachTheSiteToTheCent_data()
    {
        QTest::addColumn<double>("maxBid");
        QTest::addColumn<QString>("posted");
        QTest::addColumn<QString>("logged");
        QTest::newRow("beyond single precision") << 131072.01 << "131072.01"
                                                 << "$131,072.01";
        QTest::newRow("millions and cents") << 1234567.89 << "1234567.89"
                                            << "$1,234,567.89";
    }
    void amountsReachTheSiteToTheCent()
    {
        QFETCH(double, maxBid);
        QFETCH(QString, posted);
        QFETCH(QString, logged);
        const qint32 key = schedule(QStringLiteral("4007"), 40, maxBid);
        // Up to the key of the preparatory bid: the final post is built from the same amount.
        QVERIFY(f->runUntil([&] {
            const QItemPtr i = f->engine->mLastQueueItem;
            return i && i->Bid && i->Bid->PrimaryKey == key && !i->Bid->FinalFormData.isEmpty();
        }));
        const QByteArray field = "maxbid=" + posted.toLatin1();
        QCOMPARE(commands(QStringLiteral("MakeBid"), QStringLiteral("4007")), 1);
        for (const auto &r : f->site.requests())
            if (r.command == QLatin1String("MakeBid"))
                QVERIFY2(r.body.split('&').contains(field), r.body.constData());
        QVERIFY(f->engine->mLastQueueItem->Bid->FinalFormData.split(QLatin1Char('&')).contains(QLatin1String(field)));
        QVERIFY(f->auctionLog(key).contains(QStringLiteral("Making Preparatory Bid of ") + logged));
    }

    void dueFinalPostsLandFirstUnderLatency()
    {
        // Every request takes 300 ms longer than it would.
        f->site.setFault(QLatin1String(practice::PracticeSite::kDllPath), {practice::FaultKind::Delay, 300, -1});
        const QDateTime end = f->siteAuction(QString(), 10).end;
        const qint32 a = scheduleEndingAt(QStringLiteral("4010"), end, 20.0, 2);
        const qint32 b = scheduleEndingAt(QStringLiteral("4011"), end, 20.0, 2);
        // A third snipe's preparatory bid is queued just as the two final posts come due.
        f->site.addAuction(f->siteAuction(QStringLiteral("4012"), 120));
        const qint32 c = f->addAuctionRow(QStringLiteral("4012"), 2, QDateTime(), 20.0, 1, 2);
        const QItemPtr third = snipeItem(*f, c, EngineFixture::siteWall(f->site.auction(QStringLiteral("4012"))->end),
                                         2, 20.0, 1, BNBidTalk::PrepareBid);
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            // By the program's clock: the moment of the two final posts has come.
            if (Values::secondsCrossed(AuctionEngine::siteNow(), EngineFixture::siteWall(end)) <= 2) {
                f->engine->queue().Add(third);
                watch.stop();
            }
        });
        watch.start();

        QVERIFY(f->runUntil(
            [&] {
                return conversationOver(a) && conversationOver(b) && commands(QStringLiteral("MakeBid"), "4012") > 0;
            },
            20000));
        qint64 lastFinal = 0;
        for (const auto &r : f->site.requests()) {
            if (r.command != QLatin1String("AcceptBid"))
                continue;
            QVERIFY2(r.arrivalMs + 300 < end.toMSecsSinceEpoch(),
                     qPrintable(QString::number(end.toMSecsSinceEpoch() - r.arrivalMs)));
            lastFinal = std::max(lastFinal, r.arrivalMs);
        }
        for (const auto &r : f->site.requests())
            if (r.command == QLatin1String("MakeBid") && r.body.contains("4012"))
                QVERIFY(r.arrivalMs > lastFinal);
        QCOMPARE(f->auctionLog(a).last(), QStringLiteral("Bid placement of $20.00 for item #4010 Confirmed."));
        QCOMPARE(f->auctionLog(b).last(), QStringLiteral("Bid placement of $20.00 for item #4011 Confirmed."));
    }

    void unscheduledWhileItsPreparatoryBidIsOut()
    {
        f->site.setFault(f->site.commandUrl(QStringLiteral("MakeBid")).mid(f->site.baseUrl().size()),
                         {practice::FaultKind::Delay, 500, -1});
        const qint32 key = schedule(QStringLiteral("4008"), 40, 20.0);
        QVERIFY(f->runUntil([&] {
            const QItemPtr i = f->engine->mLastQueueItem;
            return f->engine->Inet1().StillExecuting() && i && i->Bid && i->Bid->GetNextAction() == 3;
        }));
        f->window->BuildAuctionGrid(f->openFolder);
        f->window->grid.selectRow(f->window->grid.findRowByKey(key));
        f->engine->ScheduleSnipe([&] {
            ScheduleCancelled = false;
            SnipeUnscheduled = true;
            gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Status = 1 WHERE AUC_Primary = ?"), {key});
        });
        QVERIFY(f->runUntil([&] { return conversationOver(key); }));
        // The reply that was out is still read; the conversation ends at its next step.
        const QStringList log = f->auctionLog(key);
        QCOMPARE(
            log.mid(log.size() - 4),
            QStringList({"User (Ann) Cancelled Snipe.",
                         "Received Confirmation of Preparatory Bid from eBay.  Proceeding to the Finalization stage.",
                         "Bid Canceled...", "Snipe Aborted: User Canceled Bid."}));
        QCOMPARE(commands(QStringLiteral("AcceptBid")), 0);
        QCOMPARE(f->column(key, QStringLiteral("AUC_Status")).toInt(), 1);
        QCOMPARE(f->column(key, QStringLiteral("AUC_MaxBid")).toDouble(), 0.0);
    }

    void timePageWithoutTheTime()
    {
        f->site.setFault(f->site.commandUrl(QStringLiteral("TimeShow")).mid(f->site.baseUrl().size()),
                         {practice::FaultKind::NoTime, 0, -1});
        const qint64 offsetBefore = Clock::offsetMs();
        // Long enough before the moment for the page to be tried again.
        const qint32 key = schedule(QStringLiteral("4003"), 12, 20.0);
        QVERIFY(f->runUntil([&] { return conversationOver(key); }, 20000));
        QVERIFY(std::abs(Clock::offsetMs() - offsetBefore) <= 2); // a millisecond ticking between readings
        const QStringList log = f->auctionLog(key);
        QVERIFY(log.contains(
            QStringLiteral("Unable to Synchronize System Clock to eBay time... continuing with bidding process...")));
        QCOMPARE(log.last(), QStringLiteral("Bid placement of $20.00 for item #4003 Confirmed."));
    }

    void preparatoryBidRefused_data()
    {
        QTest::addColumn<double>("maxBid");
        QTest::addColumn<bool>("garbage");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("ending");
        QTest::newRow("below the minimum")
            << 5.0 << false << 5 << QStringList({"You have been Outbid...", "Snipe Aborted: You have been Outbid."});
        QTest::newRow("a page without the key") << 20.0 << true << 7
                                                << QStringList({"Error extracting key information while Preparing "
                                                                "Finalization of the Bid- the probable cause is that "
                                                                "your maxbid has been outbid.",
                                                                "Snipe Aborted."});
    }
    void preparatoryBidRefused()
    {
        QFETCH(double, maxBid);
        QFETCH(bool, garbage);
        QFETCH(int, status);
        QFETCH(QStringList, ending);
        if (garbage)
            f->site.setFault(f->site.commandUrl(QStringLiteral("MakeBid")).mid(f->site.baseUrl().size()),
                             {practice::FaultKind::Garbage, 0, -1});
        const qint32 key = schedule(QStringLiteral("4004"), 30, maxBid);
        QVERIFY(f->runUntil([&] { return conversationOver(key); }, 20000));
        const QStringList log = f->auctionLog(key);
        QCOMPARE(log.mid(log.size() - 2), ending);
        QCOMPARE(f->column(key, QStringLiteral("AUC_Status")).toInt(), status);
        QCOMPARE(f->column(key, QStringLiteral("AUC_Folder")).toInt(), f->closedFolder);
        QCOMPARE(commands(QStringLiteral("AcceptBid")), 0);
    }

    void finalReplyUnverified_data()
    {
        QTest::addColumn<int>("garbageReplies");
        QTest::addColumn<int>("posts");
        QTest::addColumn<QString>("last");
        QTest::newRow("once") << 1 << 2 << "Bid placement of $20.00 for item #4005 Confirmed.";
        // Log rows keep their first 255 characters.
        QTest::newRow("twice")
            << 2 << 2
            << QStringLiteral("Still Unable to Verify Bid Confirmation.  Zandrift cannot determine whether or not "
                              "eBay accepted your bid, please check the auction to verify.  It is also possible "
                              "that your password is incorrect, please test your password by clicking 'Sign Me "
                              "into eBay' from the 'Actions' menu.")
                   .left(255)
                   .trimmed();
    }
    void finalReplyUnverified()
    {
        QFETCH(int, garbageReplies);
        QFETCH(int, posts);
        QFETCH(QString, last);
        f->site.setFault(f->site.commandUrl(QStringLiteral("AcceptBid")).mid(f->site.baseUrl().size()),
                         {practice::FaultKind::Garbage, 0, garbageReplies});
        const qint32 key = schedule(QStringLiteral("4005"), 6, 20.0);
        QVERIFY(f->runUntil([&] { return conversationOver(key); }, 20000));
        QCOMPARE(commands(QStringLiteral("AcceptBid")), posts);
        const QStringList log = f->auctionLog(key);
        QCOMPARE(
            log.count(
                QStringLiteral(
                    "Unable to Verify Bid Confirmation.  This may be the result in a change the eBay confirmation "
                    "response page, or eBay may be returning a miscellaneous error.  It is also possible that there "
                    "was a communication error.  Zandrift will retry this bid for added redundancy.")
                    .left(255)
                    .trimmed()),
            1);
        // Each send says how long was left when it went.
        QVERIFY2(
            !log.filter(QRegularExpression(QStringLiteral(
                            "^Reattempting to Finalize bid of \\$20\\.00 for snipetester\\.\\.\\. Auction Closes in "
                            "[0-5] Seconds\\.$")))
                 .isEmpty(),
            qPrintable(log.join(QStringLiteral(" | "))));
        QCOMPARE(log.last(), last);
        QCOMPARE(f->column(key, QStringLiteral("AUC_Status")).toInt(), 3);
    }

    void droppedPostLeavesOncePerSend_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("sendRow"); // the log row each send of that post writes
        QTest::newRow("preparatory bid") << "MakeBid"
                                         << "Making Preparatory Bid of $20.00";
        QTest::newRow("final bid") << "AcceptBid"
                                   << "Finalizing bid of $20.00";
    }
    void droppedPostLeavesOncePerSend()
    {
        // The site reads the post, then drops the connection without an answer, once: the engine
        // sends again, and the site sees exactly as many posts as the engine sent.
        QFETCH(QString, command);
        QFETCH(QString, sendRow);
        f->site.setFault(f->site.commandUrl(command).mid(f->site.baseUrl().size()), {practice::FaultKind::Drop, 0, 1});
        const qint32 key = schedule(QStringLiteral("4007"), 8, 20.0, 5);
        QVERIFY(f->runUntil([&] { return conversationOver(key); }, 30000));
        const QStringList log = f->auctionLog(key);
        const int sends = log.filter(sendRow).size();
        QCOMPARE(sends, 2);
        QCOMPARE(commands(command, QStringLiteral("4007")), sends);
        QCOMPARE(log.last(), QStringLiteral("Bid placement of $20.00 for item #4007 Confirmed."));
    }

    void sendFailuresAreRetriedTwice()
    {
        f->engine->Inet1().setRequestTimeoutMs(300);
        f->site.setFault(f->site.commandUrl(QStringLiteral("MakeBid")).mid(f->site.baseUrl().size()),
                         {practice::FaultKind::Delay, 1500, -1});
        const qint32 key = schedule(QStringLiteral("4006"), 60, 20.0);
        QVERIFY(f->runUntil([&] { return conversationOver(key); }, 20000));
        const QStringList log = f->auctionLog(key);
        QCOMPARE(log.count(QStringLiteral(
                     "eBay server request timed out.  Zandrift will reattempt to Make Preparatory Bid.")),
                 2);
        QCOMPARE(log.mid(log.size() - 3),
                 QStringList({"eBay server request timed out.",
                              "eBay has not responded to the last 3 requests.  Most likely, this problem was due to "
                              "eBay's server being down or a ISP problem.  Zandrift must abort this snipe.",
                              "Snipe Aborted."}));
        QCOMPARE(f->column(key, QStringLiteral("AUC_Status")).toInt(), 7);
        // The snipe's own log tells its retries; the general log has no row about an item without a number.
        QVERIFY(f->generalLog().filter(QStringLiteral("aborting processing of Item")).isEmpty());
    }
};

QTEST_MAIN(TestSnipeSite)
#include "TestSnipeSite.moc"
