#include "EngineFixture.h"
#include "MsgBoxRecorder.h"
#include "engine/ebayURLS.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/InetTransfer.h"
#include "platform/Values.h"
#include "store/AppSettings.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kDll = QLatin1String(practice::PracticeSite::kDllPath);

QItemPtr request(qint32 action, const QString &number, qint32 folder, qint32 priority = BNQItem::RequestPriority)
{
    const qint32 user = AuctionEngine::currentUserKey();
    if (action == BNQItem::Import)
        return BNQItem::import(number, user, folder);
    return BNQItem::refresh(number, user, folder, priority);
}

QItemPtr snipe(qint32 auctionKey, double maxBid)
{
    auto bid = std::make_shared<BNBidTalk>();
    bid->PrimaryKey = auctionKey;
    bid->MaxBid = maxBid;
    bid->User = gCurrentUser;
    bid->EndingTime = AuctionEngine::siteNow().addSecs(3600); // time enough for every step
    return BNQItem::snipe(bid);
}

// Answers every request with the same page, byte for byte.
class FixedPageServer : public QObject
{
public:
    explicit FixedPageServer(QByteArray body) : m_body(std::move(body))
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    m_request += s->readAll();
                    if (!m_request.contains("\r\n\r\n"))
                        return;
                    s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=windows-1252\r\nContent-Length: " +
                             QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n" + m_body);
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/time").arg(m_server.serverPort()); }

private:
    QTcpServer m_server;
    QByteArray m_body;
    QByteArray m_request;
};

int countOf(const QStringList &rows, const QString &text)
{
    return static_cast<int>(rows.count(text));
}

// A seller no page of the site shows: still there means the row was not written.
const QString kUntouched = QStringLiteral("seller before");
void markUntouched(qint32 key)
{
    gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Seller = ? WHERE AUC_Primary = ?"), {kUntouched, key});
}

} // namespace

class TestPump : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void emptyQueueSendsNothing();
    void refreshGetsTheTrimmedNumber();
    void replyReadInChunksPassedWhole_data();
    void replyReadInChunksPassedWhole();
    void failedRefreshLoggedOnceAndDropped_data();
    void failedRefreshLoggedOnceAndDropped();
    void haltStopsAllButSnipes_data();
    void haltStopsAllButSnipes();
    void replyForAClearedItemDoesNothing();
    void replyIgnoredWhileClosing();
    void serveQueueNotReenteredDuringWait();
    void aBrokenLogViewDoesNotStopThePump_data();
    void aBrokenLogViewDoesNotStopThePump();
};

void TestPump::cleanup()
{
    gClosing = false;
    Clock::unfreeze();
}

void TestPump::emptyQueueSendsNothing()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    f.engine->tmrBidSnipe_Timer();
    QCOMPARE(f.window->statusPanel(3), QStringLiteral("Items in Queue: 0"));
    QCOMPARE(f.window->grid.columnCaption(0), QStringLiteral("Auctions (0 Items)"));
    QVERIFY(!f.engine->mblnServingItem);
    QVERIFY(!f.engine->mLastQueueItem);
    QVERIFY(f.engine->queue().InetAvailable);
    // Idle, with nothing in flight: a request the tick started would still be executing.
    QVERIFY(!f.engine->Inet1().StillExecuting());
    QCOMPARE(f.site.requestCount(), 0);
}

void TestPump::refreshGetsTheTrimmedNumber()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    f.site.addAuction(f.siteAuction(QStringLiteral("3001000002"), 3600, 12.5));
    const qint32 key = f.addAuctionRow(QStringLiteral("3001000002"));
    const QItemPtr item = request(BNQItem::Refresh, QStringLiteral("3001000002"), f.openFolder);
    item->ItemNumber = QStringLiteral("  3001000002 "); // as an older queue could hold it
    f.engine->queue().Add(item);

    f.engine->ServeQueue();
    QCOMPARE(f.engine->mLastQueueItem, item);
    QVERIFY(f.engine->mblnServingItem);
    QVERIFY(!f.engine->queue().InetAvailable);
    QVERIFY(f.engine->Inet1().StillExecuting());
    QCOMPARE(f.window->statusPanel(1), QStringLiteral("Refreshing Auction #3001000002"));
    // A second call while the request is in flight takes nothing.
    f.engine->ServeQueue();
    QCOMPARE(f.engine->mLastQueueItem, item);

    QVERIFY(f.runUntilIdle());
    const auto requests = f.site.requests();
    QCOMPARE(int(requests.size()), 1);
    QCOMPARE(requests[0].method, QStringLiteral("GET"));
    QCOMPARE(requests[0].path, kDll);
    QCOMPARE(requests[0].query, QStringLiteral("ViewItem&item=3001000002"));
    QVERIFY(item->Processed);
    QCOMPARE(f.column(key, QStringLiteral("AUC_CurrentBid")).toDouble(), 12.5);
    QCOMPARE(f.column(key, QStringLiteral("AUC_Seller")).toString(), QStringLiteral("seller1"));
}

void TestPump::replyReadInChunksPassedWhole_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("markerAt"); // where the time text's marker starts
    QTest::addColumn<int>("zoneEndsAt");
    // The extraction looks at most 500 characters past the marker and never at the page's last one.
    QTest::newRow("one chunk exactly") << 1024 << 900 << 1018;
    QTest::newRow("time across the first boundary") << 1500 << 1000 << 1038;
    QTest::newRow("time across the second, short last chunk") << 2070 << 1800 << 2060;
}

void TestPump::replyReadInChunksPassedWhole()
{
    QFETCH(int, length);
    QFETCH(int, markerAt);
    QFETCH(int, zoneEndsAt);
    const QByteArray head = "<html><body>";
    const QByteArray marker = "be... Thursday, ";
    const QByteArray time = "Dec-10-26 09:00:00 PST";
    QByteArray body = head + QByteArray(markerAt - head.size(), '-') + marker;
    body += QByteArray(zoneEndsAt - time.size() - body.size(), ' ') + time;
    body += QByteArray(length - body.size(), '-');
    QCOMPARE(body.size(), length);

    EngineFixture f;
    QVERIFY(f.isValid());
    FixedPageServer server(body);
    QVERIFY(f.setUrlFile("EbayTimeSyncURL", server.url().toUtf8()));
    const QItemPtr item = BNQItem::timeSync(false);
    f.engine->queue().Add(item);
    QVERIFY(f.runUntil([&] { return item->Processed; }, 5000));
    QVERIFY(f.runUntilIdle());

    const QDateTime expected =
        Values::toDate(QStringLiteral("Dec-10-26 09:00:00")).addSecs(3600 * gSettings->TimeOffset);
    QVERIFY2(qAbs(Clock::now().secsTo(expected)) < 5, qPrintable(Clock::now().toString()));
    QVERIFY(f.generalLog().isEmpty());
}

void TestPump::failedRefreshLoggedOnceAndDropped_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("panel2");
    QTest::newRow("dropped") << int(practice::FaultKind::Drop) << 0 << qint64(0) << QString();
    QTest::newRow("timed out") << int(practice::FaultKind::Delay) << 700 << qint64(0)
                               << QStringLiteral("An Error Occurred - 35768:The request timed out");
    // What the site sent is no page: nothing is parsed, nothing reads "Invalid Item Number".
    QTest::newRow("server error") << int(practice::FaultKind::ServerError) << 0 << qint64(0)
                                  << QStringLiteral("An Error Occurred - 500:Internal Server Error");
    QTest::newRow("empty body") << int(practice::FaultKind::Empty) << 0 << qint64(0)
                                << QStringLiteral("An Error Occurred - 35769:The site sent an empty reply");
    QTest::newRow("body cut short") << int(practice::FaultKind::CutShort) << 0 << qint64(0) << QString();
    QTest::newRow("over 8 MB") << int(practice::FaultKind::LargePage) << 0 << qint64(9) * 1024 * 1024
                               << QStringLiteral("An Error Occurred - 35770:The reply is larger than 8 MB");
}

void TestPump::failedRefreshLoggedOnceAndDropped()
{
    QFETCH(int, kind);
    QFETCH(int, delayMs);
    QFETCH(qint64, bytes);
    QFETCH(QString, panel2);
    EngineFixture f;
    QVERIFY(f.isValid());
    // Only the delayed reply is meant to time out; the others get room on a loaded machine.
    f.engine->Inet1().setRequestTimeoutMs(delayMs > 0 ? 300 : 3000);
    f.site.addAuction(f.siteAuction(QStringLiteral("3001000003"), 3600));
    const qint32 key = f.addAuctionRow(QStringLiteral("3001000003"));
    markUntouched(key);
    f.site.setFault(kDll + QStringLiteral("?ViewItem"), practice::Fault{practice::FaultKind(kind), delayMs, -1, bytes});
    const QItemPtr item = request(BNQItem::Refresh, QStringLiteral("3001000003"), f.openFolder);
    f.engine->queue().Add(item);

    // Panel 2 shows the error until the next tick rewrites it: look at what was written.
    const auto errorShown = [&] {
        return f.window->panelWrites.filter(QRegularExpression(QStringLiteral("^2:An Error Occurred - "))).value(0);
    };
    QVERIFY(f.runUntil([&] { return !errorShown().isEmpty(); }, 5000));
    if (!panel2.isEmpty())
        QCOMPARE(errorShown(), QStringLiteral("2:") + panel2);
    QVERIFY(f.runUntilIdle());
    const int sent = f.site.requestCount();
    f.runUntil([] { return false; }, 600); // more ticks: nothing is sent again
    QCOMPARE(f.site.requestCount(), sent);
    QCOMPARE(f.generalLog(),
             QStringList{QStringLiteral("Unable to connect, aborting processing of Item: #3001000003")});
    QVERIFY(f.auctionLog(key).isEmpty());
    QVERIFY(!item->Processed);
    QCOMPARE(f.column(key, QStringLiteral("AUC_Seller")).toString(), kUntouched);
    QVERIFY(f.engine->queue().InetAvailable);
}

void TestPump::haltStopsAllButSnipes_data()
{
    QTest::addColumn<bool>("snipeInFlight");
    QTest::newRow("a snipe step in flight goes on") << true;
    QTest::newRow("a refresh in flight is dropped") << false;
}

void TestPump::haltStopsAllButSnipes()
{
    QFETCH(bool, snipeInFlight);
    EngineFixture f;
    QVERIFY(f.isValid());
    const qint32 a = f.addAuctionRow(QStringLiteral("3001000004"), 2);
    const qint32 b = f.addAuctionRow(QStringLiteral("3001000005"), 2);
    f.site.addAuction(f.siteAuction(QStringLiteral("3001000004"), 3600));
    markUntouched(a);
    gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Refreshed = 0"));

    // A request in flight: the site holds its answer back.
    f.site.setFault(kDll, practice::Fault{practice::FaultKind::Delay, 500, -1});
    QItemPtr inFlight;
    if (snipeInFlight) {
        inFlight = snipe(a, 5);
        inFlight->Bid->SetNextAction(BNBidTalk::SyncClock);
    } else {
        inFlight = request(BNQItem::Refresh, QStringLiteral("3001000004"), f.openFolder);
    }
    f.engine->queue().Add(inFlight);
    f.engine->ServeQueue();
    QCOMPARE(f.engine->mLastQueueItem, inFlight);
    QVERIFY(f.engine->Inet1().StillExecuting());
    QTRY_COMPARE(f.site.requestCount(), 1); // it reached the site, which holds its answer back

    const QItemPtr kept = snipe(b, 7);
    f.engine->queue().Add(request(BNQItem::Refresh, QStringLiteral("3001000004"), f.openFolder, 0));
    f.engine->queue().Add(kept);
    f.engine->queue().Add(snipe(b, 0));
    f.engine->queue().Add(request(BNQItem::Import, QStringLiteral("3001000009"), f.openFolder));
    f.engine->queue().Add(BNQItem::timeSync(false));
    const int builds = f.window->builds;

    f.engine->HaltOperation();
    QCOMPARE(f.engine->queue().items(), QList<QItemPtr>{kept});
    QCOMPARE(f.engine->mLastQueueItem == inFlight, snipeInFlight);
    QCOMPARE(f.engine->Inet1().StillExecuting(), snipeInFlight);
    QCOMPARE(f.engine->queue().InetAvailable, !snipeInFlight);
    auto notRefreshed = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM Auctions WHERE AUC_Refreshed <> 1"));
    QCOMPARE(notRefreshed->value(QStringLiteral("n")).toInt(), 0);
    QCOMPARE(f.window->builds, builds + 1);
    QCOMPARE(f.window->statusPanel(1), QStringLiteral("None"));
    QCOMPARE(f.window->statusPanel(2), QStringLiteral("Operation Halted by User Request..."));
    QCOMPARE(f.window->statusPanel(3), QStringLiteral("Items in Queue: 1"));

    // The held-back answer reaches a snipe's step, never a dropped refresh.
    QTRY_VERIFY_WITH_TIMEOUT(!f.engine->Inet1().StillExecuting() && f.engine->queue().InetAvailable, 5000);
    if (snipeInFlight) {
        QTRY_VERIFY(inFlight->Processed);
        QCOMPARE(f.auctionLog(a).last(),
                 QStringLiteral("System Clock Synchronized to eBay Clock for accurate sniping."));
        QCOMPARE(inFlight->Bid->GetNextAction(), 3);
        QCOMPARE(f.engine->queue().items(), (QList<QItemPtr>{kept, inFlight}));
    } else {
        // The site has sent the answer it held back, to a transfer the halt cancelled.
        QTRY_VERIFY_WITH_TIMEOUT(f.site.requests().front().processedMs != 0, 5000);
        QVERIFY(!f.engine->Inet1().StillExecuting());
        QVERIFY(!inFlight->Processed);
        QCOMPARE(f.column(a, QStringLiteral("AUC_Seller")).toString(), kUntouched);
        QCOMPARE(f.window->statusPanel(2), QStringLiteral("Operation Halted by User Request..."));
    }
    QCOMPARE(f.column(a, QStringLiteral("AUC_Status")).toInt(), 2);
}

void TestPump::replyForAClearedItemDoesNothing()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    f.site.addAuction(f.siteAuction(QStringLiteral("3001000006"), 3600));
    const qint32 key = f.addAuctionRow(QStringLiteral("3001000006"));
    markUntouched(key);
    const QItemPtr item = request(BNQItem::Refresh, QStringLiteral("3001000006"), f.openFolder);
    f.engine->queue().Add(item);
    f.engine->ServeQueue();
    QVERIFY(f.engine->Inet1().StillExecuting());
    // As when the auction's snipe is cancelled while its step is out.
    f.engine->mLastQueueItem.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!f.engine->Inet1().StillExecuting() && f.engine->queue().InetAvailable, 5000);
    QVERIFY(!item->Processed);
    QCOMPARE(f.column(key, QStringLiteral("AUC_Seller")).toString(), kUntouched);
}

void TestPump::replyIgnoredWhileClosing()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    f.site.addAuction(f.siteAuction(QStringLiteral("3001000007"), 3600));
    const qint32 key = f.addAuctionRow(QStringLiteral("3001000007"));
    markUntouched(key);
    const QItemPtr item = request(BNQItem::Refresh, QStringLiteral("3001000007"), f.openFolder);
    f.engine->queue().Add(item);
    QSignalSpy ended(&f.engine->Inet1(), &InetTransfer::StateChanged);
    f.engine->ServeQueue();
    QVERIFY(f.engine->Inet1().StillExecuting());
    gClosing = true;
    const QItemPtr waiting = request(BNQItem::Refresh, QStringLiteral("3001000008"), f.openFolder);
    f.engine->queue().Add(waiting);
    f.engine->HaltOperation(); // does nothing while closing
    QCOMPARE(f.engine->queue().items(), QList<QItemPtr>{waiting});
    QCOMPARE(f.engine->mLastQueueItem, item);

    // The reply arrived whole and was turned away.
    QTRY_VERIFY_WITH_TIMEOUT(ended.contains(QVariantList{int(InetTransfer::icResponseCompleted)}), 5000);
    QVERIFY(!f.engine->Inet1().StillExecuting());
    QVERIFY(!item->Processed);
    QCOMPARE(f.column(key, QStringLiteral("AUC_Seller")).toString(), kUntouched);
    QVERIFY(f.window->statusPanel(2) != QLatin1String("Response Completed"));
}

void TestPump::serveQueueNotReenteredDuringWait()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    // A dial-up connection that cannot be made: the time synchronisation waits, then gives up.
    QTemporaryDir noTools;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", noTools.path().toLocal8Bit());
    gSettings->ConnectionType = 0;
    Clock::freeze(QDateTime::currentDateTime());
    ClockRunner dialWaitPasses;

    const QItemPtr sync = BNQItem::timeSync(false);
    const QItemPtr refresh = request(BNQItem::Refresh, QStringLiteral("3001000010"), f.openFolder);
    f.engine->queue().Add(refresh);
    f.engine->queue().Add(sync);

    bool ticked = false;
    QItemPtr servedDuringTick;
    int queuedDuringTick = -1;
    QMetaObject::invokeMethod(
        f.engine.get(),
        [&] {
            ticked = true;
            f.engine->tmrBidSnipe_Timer();
            servedDuringTick = f.engine->mLastQueueItem;
            queuedDuringTick = f.engine->queue().Count();
        },
        Qt::QueuedConnection);
    MsgBoxRecorder boxes;
    f.engine->ServeQueue();
    qputenv("PATH", path);

    // Dialling by itself, the program asks nobody: what went wrong is in the log.
    QVERIFY(boxes.boxes.isEmpty());
    QVERIFY(!f.generalLog().filter(QStringLiteral("Unable to dial: NetworkManager's nmcli was not found")).isEmpty());
    QVERIFY(ticked);
    QCOMPARE(servedDuringTick, sync);
    QCOMPARE(queuedDuringTick, 1);
    QCOMPARE(f.engine->queue().items(), QList<QItemPtr>{refresh});
    QCOMPARE(f.site.requestCount(), 0);
    QCOMPARE(
        countOf(f.generalLog(), QStringLiteral("Unable to connect to the internet to perform time synchronization.")),
        1);
    QVERIFY(f.engine->queue().InetAvailable);
}

void TestPump::aBrokenLogViewDoesNotStopThePump_data()
{
    QTest::addColumn<bool>("generalView");
    QTest::newRow("the error log view") << true;
    QTest::newRow("the auction log view") << false;
}

void TestPump::aBrokenLogViewDoesNotStopThePump()
{
    QFETCH(bool, generalView);
    EngineFixture f;
    QVERIFY(f.isValid());
    f.site.addAuction(f.siteAuction(QStringLiteral("3001000011"), 3600));
    f.addAuctionRow(QStringLiteral("3001000011"));
    (generalView ? f.window->generalLogBroken : f.window->auctionLogBroken) = true;
    (generalView ? ConnectionLogChanged : AuctionLogChanged) = true;
    f.engine->queue().Add(request(BNQItem::Refresh, QStringLiteral("3001000011"), f.openFolder));

    for (int tick = 0; tick < 10; ++tick)
        f.engine->tmrBidSnipe_Timer();
    QVERIFY(f.engine->Inet1().StillExecuting());
    QCOMPARE(f.engine->queue().Count(), 0);
    // The failure is logged once, not on every tick.
    QCOMPARE(f.generalLog().size(), 1);
    QVERIFY(f.generalLog().first().startsWith(QStringLiteral("Error in the ")));
    QCOMPARE(f.window->grid.columnCaption(0), QStringLiteral("Auctions (0 Items)"));
}

QTEST_MAIN(TestPump)
#include "TestPump.moc"
