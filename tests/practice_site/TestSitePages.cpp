// The site renders its item pages exactly in the layout the shipped parse script reads.
#include "SitePages.h"

#include <QFile>
#include <QTimeZone>
#include <QtTest>

using namespace practice;

namespace {
QDateTime pacific(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone("America/Los_Angeles"));
}

// count bids, the last by winner, at a price of one increment over secondMax.
std::vector<Bid> ladder(int count, double secondMax, const QString &winner)
{
    std::vector<Bid> bids;
    for (int k = 0; k < count - 1; ++k)
        bids.push_back(
            Bid{k % 2 ? QStringLiteral("rivalb") : QStringLiteral("rivala"), secondMax * (k + 1) / (count - 1), 1});
    bids.push_back(Bid{winner, secondMax + 500, 1});
    return bids;
}
} // namespace

class TestSitePages : public QObject
{
    Q_OBJECT
private slots:
    void itemPageMatchesFixture_data();
    void itemPageMatchesFixture();
    void timeLeftAndMoney_data();
    void timeLeftAndMoney();
};

void TestSitePages::itemPageMatchesFixture_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("secsBeforeEnd");
    QTest::addColumn<int>("highRating");

    QTest::newRow("running") << "item_active.html" << qint64(2 * 86400 + 3 * 3600 + 600) << 12;
    QTest::newRow("private") << "item_private.html" << qint64(5 * 3600 + 12 * 60 + 30) << 1;
    QTest::newRow("multiple-item") << "item_dutch.html" << qint64(86400 + 6 * 3600 + 60) << 1;
    QTest::newRow("ended, won") << "item_ended_won.html" << qint64(-3600) << 31;
    QTest::newRow("ended, lost, PDT") << "item_ended_lost.html" << qint64(-60) << 4;
}

void TestSitePages::itemPageMatchesFixture()
{
    QFETCH(QString, file);
    QFETCH(qint64, secsBeforeEnd);
    QFETCH(int, highRating);

    Auction a;
    a.startPrice = 1.0;
    a.description = QStringLiteral("A fine piece in working order. Shipping at the buyer's cost.");
    if (file == "item_active.html") {
        a.item = "3001000001", a.title = "Brass ship's clock, working", a.end = pacific(2026, 12, 14, 18, 4, 37);
        a.seller = "clockworks", a.sellerRating = 42, a.bids = ladder(7, 12.0, "tickfan");
    } else if (file == "item_private.html") {
        a.item = "3001000002", a.title = "Sealed letter collection, 1920s", a.end = pacific(2026, 12, 16, 9, 30, 0);
        a.seller = "papertrail", a.sellerRating = 118, a.bids = ladder(3, 39.0, "quietone"), a.isPrivate = true;
        a.location = "Portland, Oregon", a.country = "USA/Portland";
        a.description = "This is a private auction: bidders' identities are not shown.";
    } else if (file == "item_dutch.html") {
        a.item = "3001000003", a.title = "Glass marbles, bag of 50 (10 bags)", a.end = pacific(2026, 12, 17, 12, 0, 0);
        a.seller = "marblemania", a.sellerRating = 7, a.bids = ladder(4, 3.0, "marbler"), a.quantity = 10;
        a.location = "Hamilton, Ontario", a.country = "Canada";
        a.description = "Multiple item auction: 10 bags offered, the lowest successful bid wins for every winner.";
    } else if (file == "item_ended_won.html") {
        a.item = "3001000004", a.title = "Tin toy robot, boxed", a.end = pacific(2026, 12, 8, 20, 15, 0);
        a.seller = "robotroom", a.sellerRating = 260, a.bids = ladder(18, 86.0, "snipetester");
        a.location = "Austin, Texas", a.country = "USA/Austin";
    } else {
        a.item = "3001000005", a.title = QStringLiteral("Fountain pen, gold nib \u2013 14ct");
        a.end = pacific(2026, 6, 27, 7, 45, 10), a.seller = "inkwell", a.sellerRating = 55;
        a.bids = ladder(9, 54.0, "penpal77"), a.location = "Leeds", a.country = "United Kingdom";
    }

    QFile fixture(QStringLiteral(ZANDRIFT_TEST_DATA "/site/") + file);
    QVERIFY(fixture.open(QIODevice::ReadOnly));
    const QByteArray expected = fixture.readAll();
    const QDateTime now = a.end.addSecs(-secsBeforeEnd);
    const QByteArray page =
        SitePages::toWire(SitePages("http://127.0.0.1:8088").item(a, SiteModel::standing(a), now, highRating));
    if (page != expected) {
        const QList<QByteArray> got = page.split('\n'), want = expected.split('\n');
        for (int i = 0; i < std::min(got.size(), want.size()); ++i)
            QCOMPARE(got.at(i), want.at(i));
        QCOMPARE(got.size(), want.size());
    }
}

void TestSitePages::timeLeftAndMoney_data()
{
    QTest::addColumn<qint64>("secs");
    QTest::addColumn<QString>("text");
    QTest::newRow("days") << qint64(86400 + 59) << "1 day, 0 hours +";
    QTest::newRow("hours") << qint64(3600 + 60) << "1 hour, 1 min";
    QTest::newRow("minutes") << qint64(125) << "2 mins, 5 secs";
    QTest::newRow("last second") << qint64(1) << "0 mins, 1 sec";
    QTest::newRow("at the end") << qint64(0) << "Auction has ended.";
}

void TestSitePages::timeLeftAndMoney()
{
    QFETCH(qint64, secs);
    QFETCH(QString, text);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QCOMPARE(SitePages::timeLeft(now, now.addSecs(secs)), text);
    QCOMPARE(SitePages::money(1234567.5), QStringLiteral("$1,234,567.50"));
    QCOMPARE(SitePages::money(0.05), QStringLiteral("$0.05"));
}

QTEST_GUILESS_MAIN(TestSitePages)
#include "TestSitePages.moc"
