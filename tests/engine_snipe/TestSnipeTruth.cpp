#include "LatencyLink.h"
#include "SnipeTestSupport.h"
#include "engine/ebayURLS.h"
#include "platform/Database.h"
#include "platform/Values.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

// A time page that always shows the same text, as a misread or broken site page would.
class FixedTimePage : public QObject
{
public:
    explicit FixedTimePage(const QByteArray &shown)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this, shown] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [s, shown] {
                    if (!s->readAll().contains("\r\n"))
                        return;
                    const QByteArray body =
                        "<html><body><p>The official time is believed to be... <b>" + shown + "</b></p></body></html>";
                    s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                             QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    s->disconnectFromHost();
                });
            }
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/time").arg(m_server.serverPort()); }

private:
    QTcpServer m_server;
};

// Another program holding the database: a read transaction, as a backup tool keeps one.
class OtherProgram
{
public:
    OtherProgram()
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        m_db.setDatabaseName(gDB->path());
        m_db.open();
    }
    ~OtherProgram()
    {
        release();
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }
    bool hold()
    {
        m_q = std::make_unique<QSqlQuery>(m_db);
        return m_q->exec(QStringLiteral("BEGIN")) && m_q->exec(QStringLiteral("SELECT count(*) FROM Auctions")) &&
               m_q->next();
    }
    void release()
    {
        if (!m_q)
            return;
        m_q->exec(QStringLiteral("ROLLBACK"));
        m_q.reset();
    }

private:
    QSqlDatabase m_db;
    std::unique_ptr<QSqlQuery> m_q;
};

} // namespace

// What a snipe's conversation and the refresh after the end make of a real site's answers, a
// database that refuses writes, clocks that move, and a user who changes his mind: one
// conversation an auction, every bid before the end, and a result the site's page proves.
class TestSnipeTruth : public QObject
{
    Q_OBJECT

    std::unique_ptr<EngineFixture> f;

    qint32 schedule(const QString &item, qint64 secondsFromNow, int bidSecs, double maxBid = 20.0,
                    const std::vector<practice::Bid> &rivals = {})
    {
        practice::Auction a = f->siteAuction(item, secondsFromNow, 10.0);
        a.bids = rivals;
        f->site.addAuction(a);
        const qint32 key = f->addAuctionRow(item, 2, EngineFixture::siteWall(a.end), maxBid, 1, bidSecs);
        f->engine->QueueDueSnipes();
        return key;
    }
    bool over(qint32 key) { return conversationOver(*f, key); }
    QList<practice::RecordedRequest> posts(const QString &command, const QString &item) const
    {
        return sitePosts(*f, command, item);
    }
    bool weAreHighBidder(const QString &item) const { return siteUserIsHighBidder(*f, item); }
    qint64 endMs(const QString &item) const
    {
        return f->site.auction(item)->end.toMSecsSinceEpoch() - f->site.clockOffsetMs();
    }
    // After the end, a refresh reads the outcome, as the window's refresh does.
    void refreshAfterTheEnd(const QString &item) { QVERIFY(::refreshAfterTheEnd(*f, item)); }
    QString target(const QString &command) const { return siteCommand(command); }
    int status(qint32 key) const { return f->column(key, QStringLiteral("AUC_Status")).toInt(); }
    QString log(qint32 key) const { return f->auctionLog(key).join(QStringLiteral(" | ")); }
    // The dialog's save or unschedule, as the schedule command runs it.
    void scheduleCommand(qint32 key, bool unschedule, double maxBid)
    {
        f->window->BuildAuctionGrid(f->openFolder);
        f->window->grid.selectRow(f->window->grid.findRowByKey(key));
        f->engine->ScheduleSnipe([&] {
            ScheduleCancelled = false;
            SnipeUnscheduled = unschedule;
            gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Status = ?, AUC_MaxBid = ? WHERE AUC_Primary = ?"),
                         {unschedule ? 1 : 2, unschedule ? 0.0 : maxBid, key});
        });
    }

private slots:
    void init()
    {
        Clock::unfreeze(); // no synchronisation of an earlier test counts
        f = std::make_unique<EngineFixture>();
        QVERIFY(f->isValid());
        gSettings->ConnectXPriortoBid = 1;
    }
    void cleanup()
    {
        f.reset();
        Clock::unfreeze();
    }

    // The row still reads "scheduled" because another program holds the database when the
    // final post leaves; the scheduler's ticks after it start nothing, and the page after the
    // end makes the row won.
    void aHeldStatusWriteStartsNoSecondConversation()
    {
        const QString item = QStringLiteral("8001");
        const qint32 key = schedule(item, 8, 2);
        OtherProgram other;
        QVERIFY(other.hold());
        QVERIFY(f->runUntil(
            [&] {
                f->engine->QueueDueSnipes(); // a tick of the scheduler, as often as it can come
                return f->site.now() > f->site.auction(item)->end.addMSecs(1500);
            },
            20000));
        QCOMPARE(status(key), 2); // the write is still held
        QCOMPARE(posts(QStringLiteral("MakeBid"), item).size(), 1);
        QCOMPARE(posts(QStringLiteral("AcceptBid"), item).size(), 1);
        QVERIFY(weAreHighBidder(item));
        other.release();
        refreshAfterTheEnd(item);
        QCOMPARE(status(key), 4);
        QVERIFY2(!log(key).contains(QStringLiteral("too late")), qPrintable(log(key)));
    }

    // Closing while the database still refuses: what is held is kept for the next start, which
    // never bids again for the auction and writes it all once the database is free.
    void heldWritesOutliveTheClose()
    {
        const QString item = QStringLiteral("8002");
        const qint32 key = schedule(item, 8, 2);
        auto other = std::make_unique<OtherProgram>();
        QVERIFY(other->hold());
        QVERIFY(f->runUntil([&] { return over(key) && !posts(QStringLiteral("AcceptBid"), item).isEmpty(); }, 15000));
        QString report;
        QVERIFY(!f->engine->closeDown(report, 300));
        QVERIFY2(report.contains(QStringLiteral("will be written when Zandrift starts again")), qPrintable(report));
        const QString kept = AuctionEngine::heldWritesPath();
        QVERIFY(QFileInfo::exists(kept));
        QCOMPARE(QFileInfo(kept).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
        f->engine.reset();

        // The next start, with the database still held: the row reads "scheduled", yet no
        // conversation starts.
        f->engine = std::make_unique<AuctionEngine>(*f->window);
        f->engine->recoverHeldWrites();
        QVERIFY(f->engine->records().held() > 0);
        f->engine->QueueDueSnipes();
        QCOMPARE(f->engine->queue().Count(), 0);
        QVERIFY(!f->engine->liveSnipes().mayStart(key));

        other.reset();
        QVERIFY(f->runUntil([&] { return f->engine->records().held() == 0; }, 5000));
        QCOMPARE(status(key), 3);
        QVERIFY2(log(key).contains(QStringLiteral("Confirmed.")), qPrintable(log(key)));
        f->engine.reset();
        QVERIFY(!QFileInfo::exists(kept));
        f->engine = std::make_unique<AuctionEngine>(*f->window);
    }

    // Unscheduled and scheduled again while the clock synchronisation is out: the conversation
    // goes on with the new maximum.
    void scheduledAgainWhileAStepIsInFlight()
    {
        f->site.setFault(target(QStringLiteral("TimeShow")), {practice::FaultKind::Delay, 1500, 1});
        const QString item = QStringLiteral("8003");
        const qint32 key = schedule(item, 12, 2);
        QVERIFY(f->runUntil([&] {
            const QItemPtr i = f->engine->mLastQueueItem;
            return i && i->Bid && i->Bid->PrimaryKey == key && i->Bid->GetNextAction() == BNBidTalk::SyncClock &&
                   f->engine->Inet1().StillExecuting();
        }));
        scheduleCommand(key, true, 0);
        scheduleCommand(key, false, 25);
        QVERIFY(f->runUntil([&] { return over(key); }, 20000));
        const auto finals = posts(QStringLiteral("AcceptBid"), item);
        QCOMPARE(finals.size(), 1);
        QVERIFY2(finals[0].body.contains("maxbid=25"), finals[0].body.constData());
        QVERIFY(weAreHighBidder(item));
        QVERIFY2(!log(key).contains(QStringLiteral("User Canceled Bid")), qPrintable(log(key)));
        QCOMPARE(posts(QStringLiteral("MakeBid"), item).size(), 1);
    }

    // The user is the site's high bidder after the end: the row is won whatever it read, once
    // "Refresh Auction List" reads the page. A row never scheduled stays closed.
    void thePageAfterTheEndDecides_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("after");
        QTest::newRow("aborted") << 7 << 4;
        QTest::newRow("outbid at the preparatory bid") << 5 << 4;
        QTest::newRow("status write lost") << 2 << 4;
        QTest::newRow("bid submitted") << 3 << 4;
        QTest::newRow("never scheduled") << 1 << 6;
    }
    void thePageAfterTheEndDecides()
    {
        QFETCH(int, stored);
        QFETCH(int, after);
        const QString item = QStringLiteral("8004");
        practice::Auction a = f->siteAuction(item, 2, 10.0);
        f->site.addAuction(a);
        QCOMPARE(int(f->site.placeBid(item, QLatin1String(EngineFixture::kSiteUser), 20.0)),
                 int(practice::BidResult::HighBidder));
        const qint32 key = f->addAuctionRow(item, stored, EngineFixture::siteWall(a.end), 20.0, 1, 2);
        QVERIFY(f->runUntil([&] { return f->site.now() > f->site.auction(item)->end; }, 10000));
        f->engine->RefreshAllAuctions();
        QVERIFY(f->runUntilIdle());
        QCOMPARE(status(key), after);
        // Read once after the end: the next refresh leaves a result alone.
        f->site.clearRequests();
        f->engine->RefreshAllAuctions();
        QVERIFY(f->runUntilIdle());
        QCOMPARE(f->site.requestCount(), 0);
    }

    // The final post was answered with something other than a confirmation, or not at all, and
    // the site's price stayed below the maximum: the bid was not placed, and the row says so
    // rather than "outbid". A rival above the maximum is an outbid.
    void aBidTheSiteNeverTookIsNotOutbid_data()
    {
        QTest::addColumn<int>("kind"); // -1: no fault
        QTest::addColumn<bool>("rival");
        QTest::addColumn<bool>("endedEarly");
        QTest::addColumn<int>("after");
        using K = practice::FaultKind;
        QTest::newRow("sign-in page instead") << int(K::Garbage) << false << false << 7;
        QTest::newRow("server error every time") << int(K::ServerError) << false << false << 7;
        QTest::newRow("dropped three times") << int(K::Drop) << false << false << 7;
        QTest::newRow("the seller ended it early") << -1 << false << true << 7;
        QTest::newRow("a rival above the maximum") << -1 << true << false << 5;
    }
    void aBidTheSiteNeverTookIsNotOutbid()
    {
        QFETCH(int, kind);
        QFETCH(bool, rival);
        QFETCH(bool, endedEarly);
        QFETCH(int, after);
        const QString item = QStringLiteral("8005");
        std::vector<practice::Bid> rivals;
        if (rival)
            rivals.push_back({QStringLiteral("rival"), 30.0, 1});
        if (kind >= 0)
            f->site.setFault(target(QStringLiteral("AcceptBid")), {practice::FaultKind(kind), 0, -1});
        const qint32 key = schedule(item, 9, 2, 20.0, rivals);
        if (endedEarly) {
            QVERIFY(f->runUntil([&] { return !posts(QStringLiteral("MakeBid"), item).isEmpty(); }));
            practice::Auction a = *f->site.auction(item);
            a.end = f->site.now().addSecs(-1);
            f->site.addAuction(a);
        }
        QVERIFY(f->runUntil([&] { return over(key); }, 20000));
        f->site.clearFaults();
        QVERIFY2(status(key) == 3 || status(key) == 5, qPrintable(log(key)));
        practice::Auction a = *f->site.auction(item);
        refreshAfterTheEnd(item);
        QCOMPARE(status(key), after);
        if (after == 7)
            QVERIFY2(log(key).contains(QStringLiteral("Your bid was not placed")), qPrintable(log(key)));
        QVERIFY2(!log(key).contains(QStringLiteral("You were outbid")) || after == 5, qPrintable(log(key)));
    }

    // The site took the final post, then a gateway lost its answer: the outcome is not known
    // until the page after the end shows it.
    void anErrorAfterTheFinalPostLeft_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("502") << 502;
        QTest::newRow("504") << 504;
    }
    void anErrorAfterTheFinalPostLeft()
    {
        QFETCH(int, code);
        const QString item = QStringLiteral("8006");
        practice::Fault gateway{practice::FaultKind::Processed5xx, 0, -1};
        gateway.status = code;
        f->site.setFault(target(QStringLiteral("AcceptBid")), gateway);
        const qint32 key = schedule(item, 9, 3);
        QVERIFY(f->runUntil([&] { return over(key); }, 20000));
        f->site.clearFaults();
        QCOMPARE(status(key), 3);
        QVERIFY2(!log(key).contains(QStringLiteral("Snipe Aborted")), qPrintable(log(key)));
        for (const auto &r : posts(QStringLiteral("AcceptBid"), item))
            QVERIFY(r.arrivalMs < endMs(item));
        refreshAfterTheEnd(item);
        QCOMPARE(status(key), 4);
    }

    // NTP or a resume steps the machine's clock between the synchronisation and the moment:
    // the final post still reaches the site at its moment.
    void aWallClockStepMovesNoBid_data()
    {
        QTest::addColumn<int>("stepMs");
        QTest::newRow("back 15 s") << -15000;
        QTest::newRow("forward 15 s") << 15000;
    }
    void aWallClockStepMovesNoBid()
    {
        QFETCH(int, stepMs);
        const QString item = QStringLiteral("8007");
        const qint32 key = schedule(item, 10, 3);
        QVERIFY(f->runUntil([&] { return log(key).contains(QStringLiteral("System Clock Synchronized")); }));
        Clock::stepMachineClock(stepMs);
        QVERIFY(f->runUntil([&] { return over(key); }, 20000));
        const auto finals = posts(QStringLiteral("AcceptBid"), item);
        QCOMPARE(finals.size(), 1);
        const qint64 early = endMs(item) - finals[0].arrivalMs;
        QVERIFY2(early > 1500 && early < 4500, qPrintable(QString::number(early)));
        QVERIFY(weAreHighBidder(item));
        QVERIFY2(log(key).contains(QStringLiteral("Auction Closes in 3 Seconds")), qPrintable(log(key)));
    }

    // A time page narrows what is known of the site's clock: a slow reply moves a clock that
    // fits it not at all, and a clock that does not fit moves as far as the page makes it.
    void aTimePageMovesOnlyAClockThatDoesNotFit_data()
    {
        QTest::addColumn<qint64>("siteAheadMs");
        QTest::addColumn<int>("delayMs");
        QTest::newRow("right clock, reply held 8 s") << qint64(0) << 8000;
        QTest::newRow("site 40 s ahead, quick reply") << qint64(40000) << 0;
    }
    void aTimePageMovesOnlyAClockThatDoesNotFit()
    {
        QFETCH(qint64, siteAheadMs);
        QFETCH(int, delayMs);
        f->site.setClockOffsetMs(siteAheadMs);
        f->engine->Inet1().setRequestTimeoutMs(15000);
        if (delayMs > 0)
            f->site.setFault(target(QStringLiteral("TimeShow")), {practice::FaultKind::Delay, delayMs, 1});
        f->engine->queue().Add(BNQItem::timeSync(false));
        QVERIFY(f->runUntilIdle(20000));
        QVERIFY(Clock::synchronised());
        const qint64 off = Clock::instantMs() - Clock::systemInstantMs() - siteAheadMs;
        QVERIFY2(std::abs(off) < (delayMs > 0 ? 150 : 800), qPrintable(QString::number(off)));
    }

    // A page whose weekday contradicts its date, or one far from every clock there is, sets
    // nothing; a far one that a second page confirms does.
    void aTimePageThatContradictsItself_data()
    {
        QTest::addColumn<QByteArray>("shown");
        QTest::addColumn<int>("pages");
        QTest::addColumn<bool>("synchronised");
        QTest::newRow("Thursday, 12 October (a Monday)")
            << QByteArray("Thursday, October 12, 2026 10:00:00 PDT") << 1 << false;
        QTest::newRow("59 days off, once") << QByteArray("Monday, October 12, 2026 10:00:00 PDT") << 1 << false;
        QTest::newRow("59 days off, twice") << QByteArray("Monday, October 12, 2026 10:00:00 PDT") << 2 << true;
    }
    void aTimePageThatContradictsItself()
    {
        QFETCH(QByteArray, shown);
        QFETCH(int, pages);
        QFETCH(bool, synchronised);
        FixedTimePage page(shown);
        QVERIFY(f->setUrlFile("EbayTimeSyncURL", page.url().toUtf8()));
        const qint64 before = Clock::instantMs() - Clock::systemInstantMs();
        for (int i = 0; i < pages; ++i) {
            f->engine->queue().Add(BNQItem::timeSync(false));
            QVERIFY(f->runUntilIdle());
        }
        QCOMPARE(Clock::synchronised(), synchronised);
        const qint64 moved = Clock::instantMs() - Clock::systemInstantMs() - before;
        if (!synchronised) {
            QVERIFY(std::abs(moved) < 50);
            QVERIFY(!f->generalLog().filter(QStringLiteral("unable to Synchronize your clock")).isEmpty());
        } else {
            QVERIFY(std::abs(moved) > 24 * 3600000LL);
        }
    }

    // TimeOffset changed (the settings saved, or wrong at the start): no snipe is judged ended
    // or moved by it; the site's clock is asked, and the bid goes at its moment.
    void aChangedTimeOffsetMovesNoSnipe_data()
    {
        QTest::addColumn<int>("hours");
        QTest::addColumn<bool>("syncedBefore");
        QTest::newRow("an hour lower after a synchronisation") << -1 << true;
        QTest::newRow("an hour higher after a synchronisation") << 1 << true;
        QTest::newRow("an hour lower at the start") << -1 << false;
        QTest::newRow("an hour higher at the start") << 1 << false;
    }
    void aChangedTimeOffsetMovesNoSnipe()
    {
        QFETCH(int, hours);
        QFETCH(bool, syncedBefore);
        if (syncedBefore) {
            f->engine->queue().Add(BNQItem::timeSync(false));
            QVERIFY(f->runUntilIdle());
            QVERIFY(Clock::synchronised());
        }
        gSettings->TimeOffset = static_cast<qint16>(gSettings->TimeOffset + hours);
        const QString item = QStringLiteral("8008");
        const qint32 key = schedule(item, 14, 3);
        QVERIFY(f->runUntil([&] { return f->site.now() > f->site.auction(item)->end; }, 25000));
        QVERIFY2(weAreHighBidder(item), qPrintable(log(key)));
        const auto finals = posts(QStringLiteral("AcceptBid"), item);
        QCOMPARE(finals.size(), 1);
        const qint64 early = endMs(item) - finals[0].arrivalMs;
        QVERIFY2(early > 1500 && early < 4500, qPrintable(QString::number(early)));
        QVERIFY2(!log(key).contains(QStringLiteral("too late")), qPrintable(log(key)));
    }

    // The clock was never synchronised in this run, and TimeOffset changes (and a minimise
    // halts the queue) while the snipe waits for its moment: the site is asked again, and the
    // bid keeps to the site's end, not to the offset's.
    void aChangedTimeOffsetWhileWaitingOnAnUnsynchronisedClock()
    {
        f->site.setFault(target(QStringLiteral("TimeShow")), {practice::FaultKind::NoTime, 0, -1});
        const QString item = QStringLiteral("8018");
        const qint32 key = schedule(item, 12, 3);
        QVERIFY(
            f->runUntil([&] { return log(key).contains(QStringLiteral("Confirmation of Preparatory Bid")); }, 12000));
        QVERIFY(!Clock::synchronised());
        f->site.clearFaults();
        gSettings->TimeOffset = static_cast<qint16>(gSettings->TimeOffset + 2);
        f->engine->tmrBidSnipe_Timer();
        f->engine->HaltOperation();
        QVERIFY(f->runUntil([&] { return f->site.now() > f->site.auction(item)->end; }, 20000));
        const auto finals = posts(QStringLiteral("AcceptBid"), item);
        QCOMPARE(finals.size(), 1);
        QVERIFY2(finals[0].arrivalMs < endMs(item), qPrintable(log(key)));
        QVERIFY2(weAreHighBidder(item), qPrintable(log(key)));
    }

    // Two snipes under way while time pages are slow: the nearer one's preparatory bid does not
    // wait behind the farther one's time page, and a slow page is not taken for a slow link.
    void slowTimePagesDelayNoNearSnipe()
    {
        f->site.setFault(target(QStringLiteral("TimeShow")), {practice::FaultKind::Delay, 2900, 2});
        const QString nearItem = QStringLiteral("8019");
        const QString farItem = QStringLiteral("8020");
        const qint32 nearKey = schedule(nearItem, 9, 6);
        const qint32 farKey = schedule(farItem, 21, 5);
        QVERIFY(f->runUntil([&] { return over(nearKey) && over(farKey); }, 40000));
        for (const QString &item : {nearItem, farItem}) {
            const qint32 key = item == nearItem ? nearKey : farKey;
            const auto finals = posts(QStringLiteral("AcceptBid"), item);
            QVERIFY2(finals.size() == 1, qPrintable(item + QStringLiteral(": ") + log(key)));
            QVERIFY2(finals[0].arrivalMs < endMs(item), qPrintable(log(key)));
            QVERIFY2(weAreHighBidder(item), qPrintable(log(key)));
        }
    }

    // The only page seen so far is a time page the site took 2.8 s to make: the link is not
    // taken for that slow, and the preparatory bid still goes with under 4 s left.
    void aSlowTimePageIsNotASlowLink()
    {
        f->site.setClockOffsetMs(14000);
        f->site.setFault(target(QStringLiteral("TimeShow")), {practice::FaultKind::Delay, 2800, 2});
        const QString item = QStringLiteral("8021");
        const qint32 key = schedule(item, 6, 2);
        QVERIFY(f->runUntil([&] { return over(key); }, 20000));
        const auto finals = posts(QStringLiteral("AcceptBid"), item);
        QVERIFY2(finals.size() == 1, qPrintable(log(key)));
        QVERIFY2(finals[0].arrivalMs < endMs(item), qPrintable(log(key)));
        QVERIFY2(weAreHighBidder(item), qPrintable(log(key)));
    }

    // On a link of 400 ms each way, with two seconds left, a preparatory bid and the final post
    // after it no longer fit before the end: none is sent, and the row says why.
    void noPreparatoryBidThatCannotBeFollowed()
    {
        practice::LatencyLink link;
        QVERIFY(link.start(f->site.port(), 400));
        QFile urls(f->folder.file(QStringLiteral("eburl.zdx")));
        QVERIFY(urls.open(QIODevice::WriteOnly | QIODevice::Truncate));
        urls.write(f->site.urlFile().replace(f->site.baseUrl().toUtf8(), link.baseUrl().toUtf8()));
        urls.close();
        gURLs.reset();
        f->engine->queue().Add(BNQItem::timeSync(false));
        QVERIFY(f->runUntilIdle());
        QVERIFY(Clock::synchronised());
        // A page of the site's: what the link costs.
        f->site.addAuction(f->siteAuction(QStringLiteral("8023"), 600));
        f->addAuctionRow(QStringLiteral("8023"), 2);
        f->engine->queue().Add(BNQItem::refresh(QStringLiteral("8023"), f->userKey, f->openFolder));
        QVERIFY(f->runUntilIdle());
        const QString item = QStringLiteral("8022");
        const qint32 key = schedule(item, 2, 1);
        QVERIFY(f->runUntil([&] { return over(key); }, 15000));
        QVERIFY2(posts(QStringLiteral("MakeBid"), item).isEmpty(), qPrintable(log(key)));
        QVERIFY2(log(key).contains(QStringLiteral("Too little time is left before the auction ends")),
                 qPrintable(log(key)));
        QCOMPARE(status(key), 7);
    }

    // The site's clock runs 40 s ahead and the first time page fails: another is tried while
    // there is time, and the final post reaches the site before its end.
    void aFailedSyncIsTriedAgain()
    {
        f->site.setClockOffsetMs(40000);
        f->site.setFault(target(QStringLiteral("TimeShow")), {practice::FaultKind::NoTime, 0, 1});
        const QString item = QStringLiteral("8009");
        const qint32 key = schedule(item, 25, 3);
        QVERIFY(f->runUntil([&] { return f->site.now() > f->site.auction(item)->end; }, 40000));
        const auto finals = posts(QStringLiteral("AcceptBid"), item);
        QCOMPARE(finals.size(), 1);
        const qint64 early = endMs(item) - finals[0].arrivalMs;
        QVERIFY2(early > 1500 && early < 4500, qPrintable(QString::number(early) + " | " + log(key)));
        QVERIFY(weAreHighBidder(item));
        QVERIFY2(log(key).contains(QStringLiteral("System Clock Synchronized")), qPrintable(log(key)));
    }

    // Scheduled five seconds before the end with a slow time page: the time goes to the bid.
    void aLateSnipeGoesStraightToTheBid()
    {
        f->site.setFault(target(QStringLiteral("TimeShow")), {practice::FaultKind::Delay, 2500, -1});
        const QString item = QStringLiteral("8010");
        const qint32 key = schedule(item, 5, 2);
        QVERIFY(f->runUntil([&] { return over(key); }, 15000));
        QVERIFY2(weAreHighBidder(item), qPrintable(log(key)));
        for (const QString &command : {QStringLiteral("MakeBid"), QStringLiteral("AcceptBid")})
            for (const auto &r : posts(command, item))
                QVERIFY(r.arrivalMs < endMs(item));
        QVERIFY2(!log(key).contains(QStringLiteral("probable cause")), qPrintable(log(key)));
    }

    // An answer to the final post that comes after the end and cannot be read: no repeat post
    // leaves after the end, and each post says how long was left when it went.
    void noFinalPostAfterTheEnd()
    {
        f->site.setFault(target(QStringLiteral("AcceptBid")), {practice::FaultKind::Delay, 1500, -1});
        const QString item = QStringLiteral("8011");
        const qint32 key = schedule(item, 8, 1);
        QVERIFY(f->runUntil([&] { return over(key); }, 20000));
        QVERIFY(f->runUntil([&] { return f->site.now() > f->site.auction(item)->end.addSecs(2); }));
        const auto finals = posts(QStringLiteral("AcceptBid"), item);
        QVERIFY(!finals.isEmpty());
        for (const auto &r : finals)
            QVERIFY2(r.arrivalMs < endMs(item), qPrintable(QString::number(r.arrivalMs - endMs(item))));
        QVERIFY2(log(key).contains(QStringLiteral("Auction Closes in 1 Seconds")), qPrintable(log(key)));
    }

    // The night the site's clock falls back shows 01:30 twice; the zone word tells which.
    void theRepeatedAutumnHour_data()
    {
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("utc");
        QTest::newRow("PDT, the first 01:30") << "PDT"
                                              << "2026-11-01T08:30:00Z";
        QTest::newRow("PST, the second 01:30") << "PST"
                                               << "2026-11-01T09:30:00Z";
    }
    void theRepeatedAutumnHour()
    {
        QFETCH(QString, zone);
        QFETCH(QString, utc);
        const QDateTime wall(QDate(2026, 11, 1), QTime(1, 30));
        QCOMPARE(AuctionEngine::endInstantMs(wall, zone), QDateTime::fromString(utc, Qt::ISODate).toMSecsSinceEpoch());

        // The page's zone is stored with the end and reaches the conversation.
        const qint32 key = f->addAuctionRow(QStringLiteral("8012"), 1, wall, 20.0, 1, 3);
        const QItemPtr auction = BNQItem::refresh(QStringLiteral("8012"), f->userKey, f->openFolder);
        practice::Auction a = f->siteAuction(QStringLiteral("8012"), 3600);
        a.end = QDateTime::fromString(utc, Qt::ISODate);
        f->site.addAuction(a);
        f->engine->queue().Add(auction);
        QVERIFY(f->runUntilIdle());
        QCOMPARE(f->column(key, QStringLiteral("AUC_EndedZone")).toString(), zone);
        QCOMPARE(f->column(key, QStringLiteral("AUC_Ended")).toDateTime().time(), QTime(1, 30));
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Status = 2 WHERE AUC_Primary = ?"), {key});
        Clock::freeze(QDateTime::fromString(utc, Qt::ISODate).addSecs(-30).toLocalTime());
        gSettings->TimeOffset = static_cast<qint16>(
            qRound(double(QDateTime::fromString(utc, Qt::ISODate).toLocalTime().offsetFromUtc() -
                          AuctionEngine::siteZone().offsetFromUtc(QDateTime::fromString(utc, Qt::ISODate))) /
                   3600.0));
        f->engine->QueueDueSnipes();
        QItemPtr snipe;
        for (const QItemPtr &i : f->engine->queue().items())
            if (i->Bid && i->Bid->PrimaryKey == key)
                snipe = i;
        QVERIFY(snipe);
        QCOMPARE(snipe->Bid->EndingZone, zone);
        QCOMPARE(AuctionEngine::endInstantMs(*snipe->Bid), QDateTime::fromString(utc, Qt::ISODate).toMSecsSinceEpoch());
    }

    // eburl.zdx names no address for the final post: nothing is sent, and the row says so
    // rather than that the site may have the bid.
    void aMissingBidAddressSendsNothing()
    {
        QVERIFY(f->setUrlFile("EbayBiddingURL", QByteArray()));
        const QString item = QStringLiteral("8013");
        const qint32 key = schedule(item, 8, 2);
        QVERIFY(f->runUntil([&] { return over(key); }, 15000));
        QVERIFY(posts(QStringLiteral("AcceptBid"), item).isEmpty());
        QVERIFY2(log(key).contains(QStringLiteral("There is no address for EbayBiddingURL in eburl.zdx")),
                 qPrintable(log(key)));
        QVERIFY2(!log(key).contains(QStringLiteral("may have received it")), qPrintable(log(key)));
        QCOMPARE(status(key), 7);
    }

    // What a delete takes away (one engine operation for the grid, the menu, a folder and a
    // user): nothing is sent for it afterwards.
    void aForgottenAuctionSendsNothingMore_data()
    {
        QTest::addColumn<QString>("work");
        QTest::newRow("queued snipe") << "snipe";
        QTest::newRow("snipe in flight") << "in flight";
        QTest::newRow("queued import") << "import";
        QTest::newRow("queued refresh") << "refresh";
    }
    void aForgottenAuctionSendsNothingMore()
    {
        QFETCH(QString, work);
        const QString item = QStringLiteral("8014");
        practice::Auction a = f->siteAuction(item, 8, 10.0);
        f->site.addAuction(a);
        qint32 key = 0;
        if (work == QLatin1String("snipe") || work == QLatin1String("in flight")) {
            key = f->addAuctionRow(item, 2, EngineFixture::siteWall(a.end), 20.0, 1, 2);
            if (work == QLatin1String("in flight"))
                f->site.setFault(target(QStringLiteral("TimeShow")), {practice::FaultKind::Delay, 1000, 1});
            f->engine->QueueDueSnipes();
            if (work == QLatin1String("in flight"))
                QVERIFY(f->runUntil([&] {
                    const QItemPtr i = f->engine->mLastQueueItem;
                    return i && i->Bid && i->Bid->PrimaryKey == key && f->engine->Inet1().StillExecuting();
                }));
        } else {
            key = f->addAuctionRow(item, 1, EngineFixture::siteWall(a.end));
            QItemPtr request = refreshItem(*f, item);
            if (work == QLatin1String("import"))
                request->Action = BNQItem::Import;
            // Held back behind a page in flight, so it is still queued when the delete comes.
            f->site.setFault(target(QStringLiteral("ViewItem")), {practice::FaultKind::Delay, 800, 1});
            f->site.addAuction(f->siteAuction(QStringLiteral("8015"), 3600));
            f->engine->queue().Add(refreshItem(*f, QStringLiteral("8015")));
            f->engine->queue().Add(request);
            QVERIFY(f->runUntil([&] { return f->engine->Inet1().StillExecuting(); }));
        }
        gDB->execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_Primary = ?"), {key});
        const qsizetype sentBefore = f->site.requestCount();
        AuctionEngine::Forget gone;
        gone.userKey = f->userKey;
        gone.auctions = {key};
        gone.itemNumbers = {item};
        f->engine->ForgetAuctions(gone);
        QVERIFY(f->runUntil([&] { return f->site.now() > f->site.auction(item)->end; }, 15000));
        QVERIFY(f->runUntilIdle());
        const auto requests = f->site.requests();
        for (qsizetype i = sentBefore; i < static_cast<qsizetype>(requests.size()); ++i) {
            const auto &r = requests[static_cast<size_t>(i)];
            QVERIFY2(!r.body.contains("item=" + item.toUtf8()) && !r.query.contains(item),
                     qPrintable(r.command + QLatin1Char(' ') + r.query));
            QVERIFY2(r.command != QLatin1String("TimeShow") || work != QLatin1String("in flight"),
                     qPrintable(r.command));
        }
        QVERIFY(f->engine->liveSnipes().mayStart(key));
    }
};

QTEST_MAIN(TestSnipeTruth)
#include "TestSnipeTruth.moc"
