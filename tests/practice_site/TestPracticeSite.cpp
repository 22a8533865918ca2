// The practice site's own rules: proxy bidding, the end of an auction, its clock, its faults.
#include "LatencyLink.h"
#include "PracticeSite.h"

#include <httplib.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTimeZone>
#include <QUrl>
#include <QtTest>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

using namespace practice;

namespace {
const char *kDll = "/aw-cgi/eBayISAPI.dll";

std::string enc(const QString &s)
{
    return QUrl::toPercentEncoding(s).toStdString();
}
} // namespace

class TestPracticeSite : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void proxyBiddingBetweenTwoBidders_data();
    void proxyBiddingBetweenTwoBidders();
    void lowerBidsNeverLowerThePrice();
    void belowMinimumGetsNoKey();
    void lateBidRefused();
    void credentialsDecodedAndChecked_data();
    void credentialsDecodedAndChecked();
    void timePageZoneWord_data();
    void timePageZoneWord();
    void unknownItem();
    void faults_data();
    void faults();
    void faultTargetsAndCount();
    void requestLog();
    void requestLogLimit();
    void answersWithoutNagleDelay();
    void latencyLinkHoldsBothWays();

private:
    std::string post(const std::string &command, const std::string &body);
    QString get(const std::string &query, int *status = nullptr);
    // make-bid then accept-bid as the given account; the reply of the accept post.
    QString bid(const QString &item, double maxBid, const QString &user, const QString &pass);

    std::unique_ptr<PracticeSite> m_site;
    std::unique_ptr<httplib::Client> m_client;
};

void TestPracticeSite::init()
{
    m_site = std::make_unique<PracticeSite>();
    QVERIFY(m_site->start());
    m_client = std::make_unique<httplib::Client>("127.0.0.1", m_site->port());
    m_client->set_read_timeout(5, 0);
    Auction a;
    a.item = "100";
    a.title = "Brass clock";
    a.startPrice = 1.0;
    a.end = m_site->now().addSecs(600);
    m_site->addAuction(a);
    m_site->addUser("snipetester", "secret");
}

void TestPracticeSite::cleanup()
{
    m_client.reset();
    m_site.reset();
}

std::string TestPracticeSite::post(const std::string &command, const std::string &body)
{
    auto res = m_client->Post((std::string(kDll) + "?" + command).c_str(), body, "application/x-www-form-urlencoded");
    return res ? res->body : std::string();
}

QString TestPracticeSite::get(const std::string &query, int *status)
{
    auto res = m_client->Get((std::string(kDll) + "?" + query).c_str());
    if (status)
        *status = res ? res->status : -1;
    return res ? QString::fromLatin1(res->body.c_str()) : QString();
}

QString TestPracticeSite::bid(const QString &item, double maxBid, const QString &user, const QString &pass)
{
    const std::string amount = QString::number(maxBid).toStdString();
    const QString review = QString::fromStdString(
        post("MakeBid", "MfcISAPICommand=MakeBid&item=" + item.toStdString() + "&quant=1&maxbid=" + amount));
    const int at = review.indexOf("name=\"key\" value=\"");
    if (at < 0)
        return review;
    const int from = at + 18;
    const QString key = review.mid(from, review.indexOf('"', from) - from);
    return QString::fromStdString(post("AcceptBid", "MfcISAPICommand=AcceptBid&item=" + item.toStdString() +
                                                        "&maxbid=" + amount + "&quant=1&userid=" + enc(user) +
                                                        "&pass=" + enc(pass) + "&key=" + key.toStdString()));
}

void TestPracticeSite::proxyBiddingBetweenTwoBidders_data()
{
    QTest::addColumn<double>("rivalMax");
    QTest::addColumn<double>("myMax");
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<QString>("highBidder");
    QTest::addColumn<double>("price");
    QTest::newRow("mine is higher") << 15.0 << 20.0 << "You are the current high bidder"
                                    << "snipetester" << 15.5;
    QTest::newRow("capped at my maximum") << 19.8 << 20.0 << "bid is confirmed!"
                                          << "snipetester" << 20.0;
    QTest::newRow("rival is higher") << 25.0 << 20.0 << "you have been outbid"
                                     << "rival" << 20.5;
    QTest::newRow("a tie goes to the earlier") << 20.0 << 20.0 << "you have been outbid"
                                               << "rival" << 20.0;
}

void TestPracticeSite::proxyBiddingBetweenTwoBidders()
{
    QFETCH(double, rivalMax);
    QFETCH(double, myMax);
    QFETCH(QString, phrase);
    QFETCH(QString, highBidder);
    QFETCH(double, price);
    QCOMPARE(m_site->placeBid("100", "rival", rivalMax), BidResult::HighBidder);
    const QString reply = bid("100", myMax, "snipetester", "secret");
    QVERIFY2(reply.contains(phrase), qPrintable(reply));
    const auto s = m_site->standing("100");
    QCOMPARE(s->highBidder, highBidder);
    QCOMPARE(s->price, price);
    QCOMPARE(s->bidCount, 2);
    // The item page shows the same standing.
    const QString page = get("ViewItem&item=100");
    QVERIFY(page.contains(QStringLiteral("<b>$%1</b>").arg(price, 0, 'f', 2)));
    QVERIFY(page.contains(QStringLiteral(">%1</a> (").arg(highBidder)));
}

void TestPracticeSite::lowerBidsNeverLowerThePrice()
{
    // Competing bids given with the auction skip the minimum check: a later, lower one must
    // still leave the price at the second-highest maximum plus the increment.
    Auction a;
    a.item = "300";
    a.title = "Lot 300";
    a.startPrice = 1.0;
    a.end = m_site->now().addSecs(3600);
    a.bids = {{"ann", 10.0, 1}, {"bob", 8.0, 1}, {"cyd", 5.0, 1}};
    m_site->addAuction(a);
    const auto s = m_site->standing("300");
    QCOMPARE(s->highBidder, QStringLiteral("ann"));
    QCOMPARE(s->price, 8.5);
}

void TestPracticeSite::belowMinimumGetsNoKey()
{
    m_site->placeBid("100", "rival", 10.0); // price 1.00, next minimum 1.25
    const std::string reply = post("MakeBid", "MfcISAPICommand=MakeBid&item=100&quant=1&maxbid=1.2");
    QVERIFY(QString::fromStdString(reply).contains("less than the minimum bid"));
    QVERIFY(reply.find("name=\"key\"") == std::string::npos);
    QVERIFY(QString::fromStdString(post("MakeBid", "MfcISAPICommand=MakeBid&item=100&quant=1&maxbid=1.25"))
                .contains("name=\"key\""));
}

void TestPracticeSite::lateBidRefused()
{
    // A key taken while the auction runs is no good once it has ended.
    const std::string review = post("MakeBid", "MfcISAPICommand=MakeBid&item=100&quant=1&maxbid=30");
    const QString text = QString::fromStdString(review);
    const int from = text.indexOf("name=\"key\" value=\"") + 18;
    QVERIFY(from > 18);
    const std::string key = text.mid(from, text.indexOf('"', from) - from).toStdString();
    m_site->setClockOffsetMs(m_site->clockOffsetMs() + 601 * 1000);

    const QString late = QString::fromStdString(post(
        "AcceptBid", "MfcISAPICommand=AcceptBid&item=100&maxbid=30&quant=1&userid=snipetester&pass=secret&key=" + key));
    QVERIFY2(late.contains("Bidding has ended"), qPrintable(late));
    QVERIFY(!late.contains("confirmed", Qt::CaseInsensitive));
    QCOMPARE(m_site->standing("100")->bidCount, 0);
    QVERIFY(QString::fromStdString(post("MakeBid", "MfcISAPICommand=MakeBid&item=100&quant=1&maxbid=30"))
                .contains("Bidding has ended"));
    QVERIFY(get("ViewItem&item=100").contains("Auction has ended."));
}

void TestPracticeSite::credentialsDecodedAndChecked_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("special characters") << "a&b=c+d%e f"
                                        << "a&b=c+d%e f" << true;
    QTest::newRow("non-ASCII") << QStringLiteral("gr\u00fcn") << QStringLiteral("gr\u00fcn") << true;
    QTest::newRow("wrong password") << "secret"
                                    << "Secret" << false;
    QTest::newRow("plus is not a blank") << "a+b"
                                         << "a b" << false;
}

void TestPracticeSite::credentialsDecodedAndChecked()
{
    QFETCH(QString, stored);
    QFETCH(QString, sent);
    QFETCH(bool, accepted);
    m_site->addUser("snipetester", stored);
    const QString reply = bid("100", 5.0, "snipetester", sent);
    QCOMPARE(reply.contains("bid is confirmed!"), accepted);
    if (!accepted)
        QVERIFY(reply.contains("password or bid key is not valid"));
    const QString signIn = QString::fromStdString(
        post("SignInWelcome", "MfcISAPICommand=SignInWelcome&userid=snipetester&pass=" + enc(sent)));
    QCOMPARE(signIn.contains("You are signed in"), accepted);
}

void TestPracticeSite::timePageZoneWord_data()
{
    QTest::addColumn<QDateTime>("siteTime");
    QTest::addColumn<QString>("text");
    const QTimeZone la("America/Los_Angeles");
    QTest::newRow("winter") << QDateTime(QDate(2026, 12, 14), QTime(18, 4, 37), la)
                            << "believed to be... <b>Monday, December 14, 2026 18:04:3";
    QTest::newRow("summer") << QDateTime(QDate(2026, 6, 27), QTime(7, 45, 10), la)
                            << "believed to be... <b>Saturday, June 27, 2026 07:45:1";
}

void TestPracticeSite::timePageZoneWord()
{
    QFETCH(QDateTime, siteTime);
    QFETCH(QString, text);
    m_site->setSiteTime(siteTime);
    const QString page = get("TimeShow");
    QVERIFY2(page.contains(text), qPrintable(page));
    const bool summer = siteTime.date().month() == 6;
    QCOMPARE(page.contains("PDT"), summer);
    QCOMPARE(page.contains("PST"), !summer);
}

void TestPracticeSite::unknownItem()
{
    int status = 0;
    const QString page = get("ViewItem&item=999", &status);
    QCOMPARE(status, 200);
    QVERIFY(page.contains("(999) is invalid"));
    QVERIFY(!page.contains("MakeBid"));
}

void TestPracticeSite::faults_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("delay") << int(FaultKind::Delay);
    QTest::newRow("drop") << int(FaultKind::Drop);
    QTest::newRow("server error") << int(FaultKind::ServerError);
    QTest::newRow("garbage") << int(FaultKind::Garbage);
    QTest::newRow("time page without the time") << int(FaultKind::NoTime);
    QTest::newRow("body cut short") << int(FaultKind::CutShort);
    QTest::newRow("large page, paced") << int(FaultKind::LargePage);
    QTest::newRow("empty body") << int(FaultKind::Empty);
    QTest::newRow("endless body, stopped at bytes") << int(FaultKind::Endless);
    QTest::newRow("acted on, then a gateway error") << int(FaultKind::Processed5xx);
    QTest::newRow("large header") << int(FaultKind::LargeHeader);
}

void TestPracticeSite::faults()
{
    QFETCH(int, kind);
    Fault fault{FaultKind(kind), 400, -1, 200000};
    if (fault.kind == FaultKind::LargeHeader)
        fault.pieceBytes = 1000; // the client reads lines of up to 8 KB
    m_site->setFault(QStringLiteral("%1?TimeShow").arg(QLatin1String(kDll)), fault);
    QElapsedTimer clock;
    clock.start();
    auto res = m_client->Get((std::string(kDll) + "?TimeShow").c_str());
    const qint64 took = clock.elapsed();
    switch (FaultKind(kind)) {
    case FaultKind::Delay:
        QVERIFY(res && res->status == 200);
        QVERIFY(took >= 400);
        QVERIFY(QString::fromStdString(res->body).contains("believed to be..."));
        break;
    case FaultKind::Drop:
        QVERIFY(!res);
        break;
    case FaultKind::ServerError:
        QVERIFY(res && res->status == 500);
        break;
    case FaultKind::Processed5xx:
        QVERIFY(res && res->status == 500);
        QVERIFY(m_site->requests().back().processedMs > 0); // the site did its part
        break;
    case FaultKind::Garbage:
    case FaultKind::NoTime:
        QVERIFY(res && res->status == 200);
        QVERIFY(!QString::fromStdString(res->body).contains("be..."));
        QCOMPARE(QString::fromStdString(res->body).contains("Official time"), FaultKind(kind) == FaultKind::NoTime);
        break;
    case FaultKind::CutShort:
        QVERIFY(!res); // fewer bytes than announced: the reader sees a broken reply
        break;
    case FaultKind::LargePage:
        // Four pieces of at most 64 KB with a pause between each: a page that is slow, never idle long.
        QVERIFY(res && res->status == 200);
        QCOMPARE(res->body.size(), size_t(200000));
        QVERIFY(QString::fromStdString(res->body).contains("believed to be..."));
        QVERIFY(took >= 3 * 400);
        break;
    case FaultKind::Empty:
        QVERIFY(res && res->status == 200);
        QVERIFY(res->body.empty());
        break;
    case FaultKind::Endless:
        // Sent in chunks with no length announced, until the given size.
        QVERIFY(res && res->status == 200);
        QVERIFY(!res->has_header("Content-Length"));
        QVERIFY(res->body.size() >= size_t(200000));
        break;
    case FaultKind::LargeHeader: {
        // The whole page, behind padding fields of the given size that add up to bytes.
        QVERIFY(res && res->status == 200);
        QVERIFY(QString::fromStdString(res->body).contains("believed to be..."));
        size_t padding = 0, fields = 0;
        for (const auto &[name, value] : res->headers) {
            if (name.rfind("X-Padding-", 0) != 0)
                continue;
            ++fields;
            padding += name.size() + value.size() + 4;
            QVERIFY(name.size() + value.size() + 4 <= 1000);
        }
        QCOMPARE(padding, size_t(200000));
        QCOMPARE(fields, size_t(200));
        break;
    }
    }
    QCOMPARE(m_site->requestCount(), 1); // a faulty answer still logs its request
}

void TestPracticeSite::faultTargetsAndCount()
{
    m_site->setFault(QStringLiteral("%1?TimeShow").arg(QLatin1String(kDll)), Fault{FaultKind::ServerError, 0, 1});
    int status = 0;
    get("ViewItem&item=100", &status);
    QCOMPARE(status, 200); // another command of the same path is not hit
    get("TimeShow", &status);
    QCOMPARE(status, 500);
    get("TimeShow", &status);
    QCOMPARE(status, 200); // the fault was for one request only

    // One item only: the whole query names it, and it wins over the command's own fault.
    m_site->setFault(QStringLiteral("%1?ViewItem&item=100").arg(QLatin1String(kDll)),
                     Fault{FaultKind::ServerError, 0, -1});
    m_site->setFault(QStringLiteral("%1?ViewItem").arg(QLatin1String(kDll)), Fault{FaultKind::Garbage, 0, -1});
    get("ViewItem&item=100", &status);
    QCOMPARE(status, 500);
    QVERIFY(!get("ViewItem&item=101", &status).contains("500"));
    QCOMPARE(status, 200);
    m_site->clearFaults();

    // A form post's item is in its body; the gateway's status is the one asked for; the log says
    // which request met a fault.
    Fault gateway{FaultKind::ServerError, 0, -1};
    gateway.status = 502;
    m_site->setFault(QStringLiteral("%1?AcceptBid&item=100").arg(QLatin1String(kDll)), gateway);
    m_site->clearRequests();
    const auto accept = [this](const char *item) {
        auto res = m_client->Post((std::string(kDll) + "?AcceptBid").c_str(),
                                  std::string("MfcISAPICommand=AcceptBid&item=") + item + "&maxbid=5",
                                  "application/x-www-form-urlencoded");
        return res ? res->status : 0;
    };
    QCOMPARE(accept("100"), 502);
    QVERIFY(accept("101") != 502);
    const auto log = m_site->requests();
    QCOMPARE(int(log.size()), 2);
    QVERIFY(log[0].fault == FaultKind::ServerError);
    QCOMPARE(log[0].processedMs, qint64(0));
    QVERIFY(!log[1].fault);
    m_site->clearFaults();

    m_site->setFault(QLatin1String(kDll), Fault{FaultKind::ServerError, 0, -1});
    get("ViewItem&item=100", &status);
    QCOMPARE(status, 500);
    m_site->clearFaults();
    get("ViewItem&item=100", &status);
    QCOMPARE(status, 200);
}

void TestPracticeSite::requestLog()
{
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    get("ViewItem&item=100");
    post("MakeBid", "MfcISAPICommand=MakeBid&item=100&quant=1&maxbid=2%2E5");
    const auto log = m_site->requests();
    QCOMPARE(int(log.size()), 2);
    QCOMPARE(log[0].method, QStringLiteral("GET"));
    QCOMPARE(log[0].path, QString::fromLatin1(kDll));
    QCOMPARE(log[0].query, QStringLiteral("ViewItem&item=100"));
    QCOMPARE(log[0].command, QStringLiteral("ViewItem"));
    QCOMPARE(log[1].method, QStringLiteral("POST"));
    QCOMPARE(log[1].body, QByteArray("MfcISAPICommand=MakeBid&item=100&quant=1&maxbid=2%2E5"));
    QCOMPARE(log[1].command, QStringLiteral("MakeBid"));
    QVERIFY(log[0].arrivalMs >= before && log[1].arrivalMs >= log[0].arrivalMs);
    QVERIFY(log[1].arrivalMs <= QDateTime::currentMSecsSinceEpoch());
    for (const auto &r : log)
        QVERIFY(r.processedMs >= r.arrivalMs);
    m_site->clearRequests();
    QCOMPARE(m_site->requestCount(), 0);

    // A request held back by a fault is answered when the fault lets it go; a dropped one never.
    m_site->setFault(QStringLiteral("%1?TimeShow").arg(QLatin1String(kDll)), Fault{FaultKind::Delay, 300, 1});
    get("TimeShow");
    m_site->setFault(QStringLiteral("%1?TimeShow").arg(QLatin1String(kDll)), Fault{FaultKind::Drop, 0, 1});
    get("TimeShow");
    const auto later = m_site->requests();
    QCOMPARE(int(later.size()), 2);
    QVERIFY(later[0].processedMs >= later[0].arrivalMs + 300);
    QCOMPARE(later[1].processedMs, 0);
}

void TestPracticeSite::requestLogLimit()
{
    m_site->setRequestLogLimit(3);
    for (int i = 1; i <= 5; ++i)
        get("ViewItem&item=" + std::to_string(i));
    const auto log = m_site->requests();
    QCOMPARE(int(log.size()), 3);
    QCOMPARE(log.front().query, QStringLiteral("ViewItem&item=3"));
    QCOMPARE(log.back().query, QStringLiteral("ViewItem&item=5"));
    QVERIFY(log.back().processedMs > 0); // the answer is noted on its own request
}

void TestPracticeSite::answersWithoutNagleDelay()
{
    // The site's side of a kept-alive connection sends each piece at once (TCP_NODELAY).
    m_client->set_keep_alive(true);
    QVERIFY(!get("TimeShow").isEmpty());
    int checked = 0;
    for (const QString &name : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System | QDir::Files)) {
        const int fd = name.toInt();
        sockaddr_in local{}, peer{};
        socklen_t len = sizeof(local);
        if (getsockname(fd, reinterpret_cast<sockaddr *>(&local), &len) != 0 || local.sin_family != AF_INET ||
            ntohs(local.sin_port) != m_site->port())
            continue;
        len = sizeof(peer);
        if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &len) != 0)
            continue; // the listening socket
        int noDelay = 0;
        len = sizeof(noDelay);
        QCOMPARE(getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, &len), 0);
        QCOMPARE(noDelay, 1);
        ++checked;
    }
    QVERIFY(checked >= 1);
}

void TestPracticeSite::latencyLinkHoldsBothWays()
{
    constexpr int kOneWay = 150;
    LatencyLink link;
    QVERIFY(link.start(m_site->port(), kOneWay));
    httplib::Client client("127.0.0.1", link.port());
    client.set_keep_alive(true);
    client.set_read_timeout(5, 0);

    // A new connection: the handshake's round trip, then the way there; the answer comes back
    // by the way back.
    qint64 sent = QDateTime::currentMSecsSinceEpoch();
    auto res = client.Get((std::string(kDll) + "?TimeShow").c_str());
    qint64 back = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(res && res->status == 200);
    QVERIFY(QString::fromStdString(res->body).contains("believed to be..."));
    RecordedRequest r = m_site->requests().back();
    QVERIFY2(r.arrivalMs - sent >= 3 * kOneWay - 5, qPrintable(QString::number(r.arrivalMs - sent)));
    QVERIFY2(back - r.processedMs >= kOneWay - 5, qPrintable(QString::number(back - r.processedMs)));

    // The same connection again: the way there only; a post's body arrives whole.
    const std::string body = "MfcISAPICommand=MakeBid&item=100&quant=1&maxbid=2.5";
    sent = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(client.Post((std::string(kDll) + "?MakeBid").c_str(), body, "application/x-www-form-urlencoded"));
    r = m_site->requests().back();
    QCOMPARE(r.body, QByteArray::fromStdString(body));
    QVERIFY2(r.arrivalMs - sent >= kOneWay - 5, qPrintable(QString::number(r.arrivalMs - sent)));

    // A connection the site drops reaches the client dropped.
    m_site->setFault(QStringLiteral("%1?TimeShow").arg(QLatin1String(kDll)), Fault{FaultKind::Drop, 0, 1});
    QVERIFY(!client.Get((std::string(kDll) + "?TimeShow").c_str()));
    link.stop();
}

QTEST_GUILESS_MAIN(TestPracticeSite)
#include "TestPracticeSite.moc"
