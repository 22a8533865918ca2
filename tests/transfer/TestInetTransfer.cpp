// The transfer control against the practice site on loopback.
#include "LatencyLink.h"
#include "PracticeSite.h"
#include "platform/InetTransfer.h"

#include <QNetworkReply>
#include <QSignalSpy>
#include <QSslSocket>
#include <QTcpServer>
#include <QtTest>

#include <zlib.h>

using namespace practice;

namespace {
const QString kDll = QStringLiteral("/aw-cgi/eBayISAPI.dll");

bool finished(const QSignalSpy &spy)
{
    for (const auto &args : spy) {
        const int s = args.at(0).toInt();
        if (s == InetTransfer::icResponseCompleted || s == InetTransfer::icError)
            return true;
    }
    return false;
}

QList<int> states(const QSignalSpy &spy)
{
    QList<int> out;
    for (const auto &args : spy)
        out << args.at(0).toInt();
    return out;
}

// Compresses count copies of piece as one gzip (windowBits 15 + 16) or zlib (15) stream.
QByteArray compressed(const QByteArray &piece, qint64 count, int windowBits)
{
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return QByteArray();
    QByteArray out;
    QByteArray buffer(64 * 1024, '\0');
    for (qint64 i = 0; i < count; ++i) {
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(piece.constData()));
        z.avail_in = static_cast<uInt>(piece.size());
        const int flush = i + 1 == count ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = reinterpret_cast<Bytef *>(buffer.data());
            z.avail_out = static_cast<uInt>(buffer.size());
            deflate(&z, flush);
            out.append(buffer.constData(), buffer.size() - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out;
}

// A server on loopback that answers every request with the same bytes, as they are given.
class CannedServer : public QTcpServer
{
public:
    explicit CannedServer(QByteArray answer) : m_answer(std::move(answer))
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll();
                    if (m_request.contains("\r\n\r\n") && !m_answered) {
                        m_answered = true;
                        socket->write(m_answer);
                    }
                });
            }
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/page").arg(serverPort()); }
    QByteArray request() const { return m_request; }

private:
    QByteArray m_answer;
    QByteArray m_request;
    bool m_answered = false;
};

QByteArray encodedReply(const QByteArray &encoding, const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Encoding: " + encoding +
           "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

QString readAll(InetTransfer &t)
{
    QString text, chunk = t.GetChunk(1024);
    while (!chunk.isEmpty()) {
        text += chunk;
        chunk = t.GetChunk(1024);
    }
    return text;
}
} // namespace

class TestInetTransfer : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void getAndPostArriveExactly();
    void replyOfExactly1024Characters();
    void decodesByDeclaredCharset();
    void refusedConnectionIsAnError();
    void droppedConnectionIsAnError();
    void notFoundPageStillCompletes();
    void failedRepliesAreErrors_data();
    void failedRepliesAreErrors();
    void timeOutCountsSilenceOnly();
    void deadlineEndsATrickle();
    void endlessReplyStaysWithinTheCap();
    void compressedRepliesAreDecoded_data();
    void compressedRepliesAreDecoded();
    void inflatedBombEndsAtTheCap();
    void headerPastTheLimitIsRefused_data();
    void headerPastTheLimitIsRefused();
    void droppedPostLeavesOnce_data();
    void droppedPostLeavesOnce();
    void postAfterAnIdleSpellIsNotLost();
    void noStaleStatesAfterASlotActs();
    void delayBeyondTimeOut();
    void cancelStopsTransferInFlight();
    void oneRequestAtATime();
    void connectionTypeSetsAccessAndProxy();
    void tlsBackendAvailable();

private:
    std::unique_ptr<PracticeSite> m_site;
};

void TestInetTransfer::init()
{
    m_site = std::make_unique<PracticeSite>();
    QVERIFY(m_site->start());
    Auction a;
    a.item = "3001000001";
    a.title = QStringLiteral("Fountain pen \u2013 gold nib");
    a.end = m_site->now().addSecs(3600);
    m_site->addAuction(a);
}

void TestInetTransfer::cleanup()
{
    m_site.reset();
}

void TestInetTransfer::getAndPostArriveExactly()
{
    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute(m_site->commandUrl("ViewItem&item=3001000001"), "Get"));
    QTRY_VERIFY(finished(spy));
    const QList<int> seen = states(spy);
    QCOMPARE(seen.first(), int(InetTransfer::icRequesting));
    QVERIFY(seen.contains(InetTransfer::icReceivingResponse));
    QCOMPARE(seen.mid(seen.size() - 2),
             (QList<int>{InetTransfer::icResponseReceived, InetTransfer::icResponseCompleted}));
    QVERIFY(readAll(t).contains("Item #3001000001"));

    // A post body goes as given: the site sees exactly these bytes, form-encoded.
    const QString body = "MfcISAPICommand=AcceptBid&item=3001000001&maxbid=12.5&quant=1&userid=ann&pass=a%26b+c&key=K1";
    spy.clear();
    QVERIFY(t.Execute(m_site->commandUrl("AcceptBid"), "POST", body));
    QTRY_VERIFY(finished(spy));
    QCOMPARE(states(spy).last(), int(InetTransfer::icResponseCompleted));
    const auto log = m_site->requests();
    QCOMPARE(int(log.size()), 2);
    QCOMPARE(log[0].method, QStringLiteral("GET"));
    QCOMPARE(log[0].query, QStringLiteral("ViewItem&item=3001000001"));
    QVERIFY(log[0].body.isEmpty());
    QCOMPARE(log[1].method, QStringLiteral("POST"));
    QCOMPARE(log[1].query, QStringLiteral("AcceptBid"));
    QCOMPARE(log[1].body, body.toUtf8());
}

void TestInetTransfer::replyOfExactly1024Characters()
{
    // The unknown-item page repeats the asked number once: pad it to make the page 1,024 long.
    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute(m_site->commandUrl("ViewItem&item=x"), "Get"));
    QTRY_VERIFY(finished(spy));
    const int base = readAll(t).size() - 1;
    QVERIFY(base < 1024);

    spy.clear();
    QVERIFY(t.Execute(m_site->commandUrl("ViewItem&item=" + QString(1024 - base, 'x')), "Get"));
    QTRY_VERIFY(finished(spy));
    const QString first = t.GetChunk(1024);
    QCOMPARE(first.size(), 1024);
    QVERIFY(first.endsWith("</html>\n"));
    QCOMPARE(t.GetChunk(1024), QString());
}

void TestInetTransfer::decodesByDeclaredCharset()
{
    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute(m_site->commandUrl("ViewItem&item=3001000001"), "Get"));
    QTRY_VERIFY(finished(spy));
    QVERIFY(readAll(t).contains(QStringLiteral("<b>Fountain pen \u2013 gold nib</b>"))); // byte 0x96 on the wire
}

void TestInetTransfer::refusedConnectionIsAnError()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close(); // nothing listens there now

    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute(QStringLiteral("http://127.0.0.1:%1/aw-cgi/eBayISAPI.dll?TimeShow").arg(port), "Get"));
    QTRY_VERIFY(finished(spy));
    QCOMPARE(states(spy).last(), int(InetTransfer::icError));
    QVERIFY(!states(spy).contains(InetTransfer::icResponseCompleted));
    QCOMPARE(t.ResponseCode(), 1); // connection refused
    QVERIFY(!t.ResponseInfo().isEmpty());
    QVERIFY(!t.StillExecuting());
}

void TestInetTransfer::droppedConnectionIsAnError()
{
    m_site->setFault(kDll + "?TimeShow", Fault{FaultKind::Drop, 0, -1});
    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute(m_site->commandUrl("TimeShow"), "Get"));
    QTRY_VERIFY(finished(spy));
    QCOMPARE(states(spy).last(), int(InetTransfer::icError));
    QVERIFY(t.ResponseCode() != 0);
    QVERIFY(!t.ResponseInfo().isEmpty());
}

void TestInetTransfer::notFoundPageStillCompletes()
{
    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute(m_site->baseUrl() + "/nowhere", "Get"));
    QTRY_VERIFY(finished(spy));
    QCOMPARE(states(spy).last(), int(InetTransfer::icResponseCompleted));
    QCOMPARE(t.httpStatus(), 404);
    QVERIFY(readAll(t).contains("Not found"));
}

void TestInetTransfer::failedRepliesAreErrors_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<int>("code"); // 0: any failure code
    QTest::addColumn<QString>("info");
    QTest::newRow("server error") << int(FaultKind::ServerError) << qint64(0) << 500
                                  << QStringLiteral("Internal Server Error");
    QTest::newRow("empty body") << int(FaultKind::Empty) << qint64(0) << InetTransfer::kEmptyReplyCode
                                << QStringLiteral("The site sent an empty reply");
    // Half of the announced length, then the connection closes: half a confirmation is no page.
    QTest::newRow("body cut short") << int(FaultKind::CutShort) << qint64(0) << 0 << QString();
    QTest::newRow("over 8 MB") << int(FaultKind::LargePage) << qint64(9) * 1024 * 1024 << InetTransfer::kTooLargeCode
                               << QStringLiteral("The reply is larger than 8 MB");
    QTest::newRow("no length, no end") << int(FaultKind::Endless) << qint64(0) << InetTransfer::kTooLargeCode
                                       << QStringLiteral("The reply is larger than 8 MB");
}

void TestInetTransfer::failedRepliesAreErrors()
{
    QFETCH(int, kind);
    QFETCH(qint64, bytes);
    QFETCH(int, code);
    QFETCH(QString, info);
    m_site->setFault(kDll + "?ViewItem", Fault{FaultKind(kind), 0, -1, bytes});
    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute(m_site->commandUrl("ViewItem&item=3001000001"), "Get"));
    QTRY_VERIFY(finished(spy));
    QCOMPARE(states(spy).last(), int(InetTransfer::icError));
    QVERIFY(!states(spy).contains(InetTransfer::icResponseCompleted));
    if (code)
        QCOMPARE(t.ResponseCode(), code);
    else
        QVERIFY(t.ResponseCode() != 0);
    if (!info.isEmpty())
        QCOMPARE(t.ResponseInfo(), info);
    QVERIFY(!t.StillExecuting());
    QCOMPARE(t.GetChunk(1024), QString());

    // The control is free for the next transfer at once.
    m_site->clearFaults();
    spy.clear();
    QVERIFY(t.Execute(m_site->commandUrl("TimeShow"), "Get"));
    QTRY_VERIFY(finished(spy));
    QVERIFY(readAll(t).contains("believed to be..."));
}

void TestInetTransfer::timeOutCountsSilenceOnly()
{
    // Ten pieces 150 ms apart: 1.35 s in all, never more than 150 ms without a byte.
    m_site->setFault(kDll + "?ViewItem", Fault{FaultKind::LargePage, 150, -1, 10 * 64 * 1024});
    InetTransfer t;
    t.setRequestTimeoutMs(600);
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute(m_site->commandUrl("ViewItem&item=3001000001"), "Get"));
    QTRY_VERIFY_WITH_TIMEOUT(finished(spy), 10000);
    QVERIFY2(states(spy).last() == InetTransfer::icResponseCompleted, qPrintable(t.ResponseInfo()));
    const QString page = readAll(t);
    QCOMPARE(page.size(), 10 * 64 * 1024);
    QVERIFY(page.contains("Item #3001000001"));
}

void TestInetTransfer::deadlineEndsATrickle()
{
    // A byte every 200 ms: never silent for long, and never done.
    Fault trickle{FaultKind::LargePage, 200, -1, 64 * 1024};
    trickle.pieceBytes = 1;
    m_site->setFault(kDll + "?ViewItem", trickle);
    InetTransfer t;
    t.setRequestTimeoutMs(1000);
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QElapsedTimer took, tick;
    took.start();
    tick.start();
    qint64 gap = 0;
    QTimer pulse;
    connect(&pulse, &QTimer::timeout, [&] { gap = std::max(gap, tick.restart()); });
    pulse.start(20);
    QVERIFY(t.Execute(m_site->commandUrl("ViewItem&item=3001000001"), "Get", QString(), 1500));
    QTRY_VERIFY_WITH_TIMEOUT(finished(spy), 10000);
    QCOMPARE(states(spy).last(), int(InetTransfer::icError));
    QCOMPARE(t.ResponseCode(), InetTransfer::kTimeoutCode);
    QVERIFY2(took.elapsed() >= 1400, qPrintable(QString::number(took.elapsed()))); // a timer may fire a little early
}

namespace {
// The most memory this process has held at once, in KB.
qint64 peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}
} // namespace

void TestInetTransfer::endlessReplyStaysWithinTheCap()
{
    // Two gigabytes of no announced length, as fast as loopback goes: the reading stops at the
    // cap, and the network layer holds no more than a small buffer meanwhile.
    m_site->setFault(kDll + "?ViewItem", Fault{FaultKind::Endless, 0, -1, qint64(2) * 1024 * 1024 * 1024});
    const qint64 before = peakKb();
    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute(m_site->commandUrl("ViewItem&item=3001000001"), "Get"));
    QTRY_VERIFY_WITH_TIMEOUT(finished(spy), 60000);
    QCOMPARE(t.ResponseCode(), InetTransfer::kTooLargeCode);
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("The sanitizer's own bookkeeping holds freed memory: the peak says nothing here.");
#endif
    const qint64 grownMb = (peakKb() - before) / 1024;
    QVERIFY2(grownMb < 64, qPrintable(QStringLiteral("%1 MB").arg(grownMb)));
}

void TestInetTransfer::compressedRepliesAreDecoded_data()
{
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("page"); // empty: the reply is an error
    const QByteArray line = "<p>Currently <b>US $12.50</b></p>\n";
    QString page;
    for (int i = 0; i < 1000; ++i)
        page += QString::fromLatin1(line);
    QTest::newRow("gzip") << QByteArray("gzip") << compressed(line, 1000, 15 + 16) << page;
    QTest::newRow("deflate, zlib-wrapped") << QByteArray("deflate") << compressed(line, 1000, 15) << page;
    QTest::newRow("deflate, raw") << QByteArray("deflate") << compressed(line, 1000, -15) << page;
    QTest::newRow("plain, no encoding") << QByteArray("identity") << line.repeated(1000) << page;
    const QByteArray whole = compressed(line, 1000, 15 + 16);
    QTest::newRow("gzip cut short") << QByteArray("gzip") << whole.left(whole.size() - 12) << QString();
    QTest::newRow("not gzip at all") << QByteArray("gzip") << line.repeated(10) << QString();
}

void TestInetTransfer::compressedRepliesAreDecoded()
{
    QFETCH(QByteArray, encoding);
    QFETCH(QByteArray, body);
    QFETCH(QString, page);
    CannedServer server(encodedReply(encoding, body));
    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute(server.url(), "Get"));
    QTRY_VERIFY(finished(spy));
    QVERIFY(server.request().toLower().contains("accept-encoding: gzip, deflate"));
    if (page.isEmpty()) {
        QCOMPARE(states(spy).last(), int(InetTransfer::icError));
        QVERIFY(!t.ResponseInfo().isEmpty());
        return;
    }
    QVERIFY2(states(spy).last() == InetTransfer::icResponseCompleted, qPrintable(t.ResponseInfo()));
    QCOMPARE(readAll(t), page);
}

void TestInetTransfer::inflatedBombEndsAtTheCap()
{
    // A megabyte on the wire that inflates to a gigabyte: refused at the cap, long before the
    // time-out, and never held whole.
    const QByteArray bomb = compressed(QByteArray(1024 * 1024, 'a'), 1024, 15 + 16);
    QVERIFY(bomb.size() < 2 * 1024 * 1024);
    CannedServer server(encodedReply("gzip", bomb));
    const qint64 before = peakKb();
    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute(server.url(), "Get"));
    QTRY_VERIFY_WITH_TIMEOUT(finished(spy), 20000);
    QCOMPARE(states(spy).last(), int(InetTransfer::icError));
    QCOMPARE(t.ResponseCode(), InetTransfer::kTooLargeCode);
    QVERIFY(!t.StillExecuting());
    // The sanitizers keep freed memory aside: the peak says nothing under them.
#if !defined(__SANITIZE_ADDRESS__)
    const qint64 grownMb = (peakKb() - before) / 1024;
    QVERIFY2(grownMb < 64, qPrintable(QStringLiteral("%1 MB").arg(grownMb)));
#else
    Q_UNUSED(before);
#endif
}

void TestInetTransfer::headerPastTheLimitIsRefused_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<qint64>("fieldBytes");
    QTest::addColumn<int>("code"); // 0: the page comes through
    const int unread = QNetworkReply::ProtocolFailure;
    QTest::newRow("32 KB in all: a page") << qint64(32 * 1000) << qint64(1000) << 0;
    // Fields the network layer keeps, past the limit in all.
    QTest::newRow("70 fields of 1 KB") << qint64(70 * 1000) << qint64(1000) << InetTransfer::kTooLargeCode;
    QTest::newRow("one field of 70 KB") << qint64(70000) << qint64(70000) << InetTransfer::kTooLargeCode;
    // Headers the network layer drops whole and reads the body without: too many fields, one
    // field too long.
    QTest::newRow("150 fields of 200 B") << qint64(150 * 200) << qint64(200) << unread;
    QTest::newRow("one field of 200 KB") << qint64(200000) << qint64(200000) << unread;
}

void TestInetTransfer::headerPastTheLimitIsRefused()
{
    QFETCH(qint64, bytes);
    QFETCH(qint64, fieldBytes);
    QFETCH(int, code);
    m_site->setFault(kDll + "?ViewItem", Fault{FaultKind::LargeHeader, 0, -1, bytes, fieldBytes});
    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute(m_site->commandUrl("ViewItem&item=3001000001"), "Get"));
    QTRY_VERIFY(finished(spy));
    if (!code) {
        QCOMPARE(states(spy).last(), int(InetTransfer::icResponseCompleted));
        QVERIFY(readAll(t).contains("3001000001"));
        return;
    }
    // Refused as soon as the header is in: no byte of the body is taken for a page.
    QCOMPARE(states(spy), QList<int>({InetTransfer::icRequesting, InetTransfer::icError}));
    QCOMPARE(t.ResponseCode(), code);
    QVERIFY(t.ResponseInfo().contains("header"));
    QVERIFY(!t.StillExecuting());
    QCOMPARE(t.GetChunk(1024), QString());
}

void TestInetTransfer::droppedPostLeavesOnce_data()
{
    QTest::addColumn<bool>("pageFirst");
    QTest::newRow("first request") << false;
    QTest::newRow("after a page on a kept-alive connection") << true;
}

void TestInetTransfer::droppedPostLeavesOnce()
{
    // The site reads the post whole, then closes the connection without an answer.
    QFETCH(bool, pageFirst);
    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    if (pageFirst) {
        QVERIFY(t.Execute(m_site->commandUrl("TimeShow"), "Get"));
        QTRY_VERIFY(finished(spy));
        spy.clear();
    }
    m_site->setFault(kDll + "?AcceptBid", Fault{FaultKind::Drop, 0, 1});
    const QString body = "MfcISAPICommand=AcceptBid&item=3001000001&maxbid=12.5&quant=1&userid=ann&pass=x&key=K1";
    QVERIFY(t.Execute(m_site->commandUrl("AcceptBid"), "POST", body));
    QTRY_VERIFY(finished(spy));
    QCOMPARE(states(spy).last(), int(InetTransfer::icError));
    QVERIFY(!t.ResponseInfo().isEmpty());

    // The next post is sent, once, and answered. A copy of the dropped one would have left
    // before the failure was reported, so it is in the site's log before this answer.
    spy.clear();
    QVERIFY(t.Execute(m_site->commandUrl("AcceptBid"), "POST", body));
    QTRY_VERIFY(finished(spy));
    QCOMPARE(states(spy).last(), int(InetTransfer::icResponseCompleted));
    QList<qint64> posts; // when each post was answered; 0 for the dropped one
    for (const auto &r : m_site->requests()) {
        if (r.method == QLatin1String("POST")) {
            QCOMPARE(r.body, body.toUtf8());
            posts << r.processedMs;
        }
    }
    QCOMPARE(posts.size(), 2);
    QCOMPARE(posts.first(), qint64(0));
    QVERIFY(posts.last() != 0);
}

void TestInetTransfer::postAfterAnIdleSpellIsNotLost()
{
    // The site closes a connection idle for 2 s. Over a link of 500 ms each way, a post sent
    // 1.25 s after the last answer reaches the site after that close, on a connection the client
    // still holds: it never arrives. A post after an idle spell goes on a new connection.
    LatencyLink link;
    QVERIFY(link.start(m_site->port(), 500));
    const auto url = [&](const char *command) {
        return m_site->commandUrl(QLatin1String(command)).replace(m_site->baseUrl(), link.baseUrl());
    };
    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute(url("TimeShow"), "Get"));
    QTRY_VERIFY(finished(spy));
    QCOMPARE(states(spy).last(), int(InetTransfer::icResponseCompleted));
    QTest::qWait(1250);
    spy.clear();
    const QString body = "MfcISAPICommand=AcceptBid&item=3001000001&maxbid=12.5&quant=1&userid=ann&pass=x&key=K1";
    QVERIFY(t.Execute(url("AcceptBid"), "POST", body));
    QTRY_VERIFY_WITH_TIMEOUT(finished(spy), 10000);
    QVERIFY2(states(spy).last() == InetTransfer::icResponseCompleted, qPrintable(t.ResponseInfo()));
    int posts = 0;
    for (const auto &r : m_site->requests())
        posts += r.method == QLatin1String("POST") ? 1 : 0;
    QCOMPARE(posts, 1);
}

void TestInetTransfer::noStaleStatesAfterASlotActs()
{
    // A handler that cancels, or starts the next request, on "response received" hears
    // nothing more of the old transfer.
    for (const bool restart : {false, true}) {
        InetTransfer t;
        QList<int> seen;
        bool acted = false;
        connect(&t, &InetTransfer::StateChanged, &t, [&](int state) {
            seen << state;
            if (state == InetTransfer::icResponseReceived && !acted) {
                acted = true;
                if (restart)
                    QVERIFY(t.Execute(m_site->commandUrl("TimeShow"), "Get"));
                else
                    t.Cancel();
            }
        });
        QVERIFY(t.Execute(m_site->commandUrl("TimeShow"), "Get"));
        QTRY_VERIFY(acted);
        // After a cancel, the next request's answer is the end to wait for: a stale state of the
        // old transfer would have been delivered before it.
        if (!restart)
            QVERIFY(t.Execute(m_site->commandUrl("TimeShow"), "Get"));
        QTRY_COMPARE(seen.count(InetTransfer::icResponseCompleted), 1);
        QVERIFY(readAll(t).contains("believed to be..."));
        QCOMPARE(seen.count(InetTransfer::icResponseReceived), 2);
        QCOMPARE(seen.indexOf(InetTransfer::icResponseCompleted),
                 seen.lastIndexOf(InetTransfer::icResponseReceived) + 1);
        QCOMPARE(seen.last(), int(InetTransfer::icResponseCompleted));
    }
}

void TestInetTransfer::delayBeyondTimeOut()
{
    m_site->setFault(kDll + "?TimeShow", Fault{FaultKind::Delay, 3000, -1});
    InetTransfer t;
    t.setRequestTimeoutMs(300);
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(t.Execute(m_site->commandUrl("TimeShow"), "Get"));
    QTRY_VERIFY(finished(spy));
    QVERIFY(clock.elapsed() < 2500);
    QCOMPARE(states(spy).last(), int(InetTransfer::icError));
    QCOMPARE(t.ResponseCode(), InetTransfer::kTimeoutCode);
    QVERIFY(!t.StillExecuting());
}

void TestInetTransfer::cancelStopsTransferInFlight()
{
    m_site->setFault(kDll + "?TimeShow", Fault{FaultKind::Delay, 600, 1});
    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute(m_site->commandUrl("TimeShow"), "Get"));
    QTRY_COMPARE(m_site->requestCount(), 1); // it reached the site
    t.Cancel();
    QVERIFY(!t.StillExecuting());
    // The site has sent its delayed answer to the closed connection; it reaches no one.
    QTRY_VERIFY_WITH_TIMEOUT(m_site->requests().front().processedMs != 0, 10000);
    QVERIFY(!finished(spy));
    QCOMPARE(t.GetChunk(1024), QString());

    QVERIFY(t.Execute(m_site->commandUrl("TimeShow"), "Get")); // the control is usable again
    QTRY_VERIFY(finished(spy));
    QCOMPARE(states(spy).last(), int(InetTransfer::icResponseCompleted));
    // One end only: the new request's, whatever of the old answer came in meanwhile.
    const QList<int> seen = states(spy);
    QCOMPARE(seen.count(InetTransfer::icResponseCompleted) + seen.count(InetTransfer::icError), 1);
    QVERIFY(readAll(t).contains("believed to be..."));
}

void TestInetTransfer::oneRequestAtATime()
{
    m_site->setFault(kDll + "?TimeShow", Fault{FaultKind::Delay, 300, 1});
    InetTransfer t;
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(!t.StillExecuting());
    QVERIFY(t.Execute(m_site->commandUrl("TimeShow"), "Get"));
    QVERIFY(t.StillExecuting());
    QVERIFY(!t.Execute(m_site->commandUrl("ViewItem&item=3001000001"), "Get"));
    QTRY_VERIFY(finished(spy));
    QVERIFY(!t.StillExecuting());
    const auto log = m_site->requests();
    QCOMPARE(int(log.size()), 1);
    QCOMPARE(log[0].command, QStringLiteral("TimeShow"));
}

void TestInetTransfer::connectionTypeSetsAccessAndProxy()
{
    InetTransfer t;
    const struct
    {
        int type;
        int access;
    } rows[] = {{2, InetTransfer::icDirect},
                {0, InetTransfer::icUseDefault},
                {1, InetTransfer::icUseDefault},
                {3, InetTransfer::icNamedProxy}};
    for (const auto &r : rows) {
        t.applyConnectionType(r.type, QStringLiteral("127.0.0.1:%1").arg(m_site->port()));
        QCOMPARE(t.AccessType(), r.access);
    }
    t.applyConnectionType(7, QString()); // unknown types change nothing
    QCOMPARE(t.AccessType(), int(InetTransfer::icNamedProxy));

    // Through the named proxy, the site sees the absolute address of a host that does not exist.
    QSignalSpy spy(&t, &InetTransfer::StateChanged);
    QVERIFY(t.Execute("http://auction.invalid/aw-cgi/eBayISAPI.dll?TimeShow", "Get"));
    QTRY_VERIFY(finished(spy));
    QCOMPARE(m_site->requestCount(), 1);
    QVERIFY(m_site->requests()[0].path.contains("auction.invalid"));
}

void TestInetTransfer::tlsBackendAvailable()
{
    QVERIFY2(QSslSocket::supportsSsl(), "no TLS backend: https addresses would fail");
}

QTEST_GUILESS_MAIN(TestInetTransfer)
#include "TestInetTransfer.moc"
