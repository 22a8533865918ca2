#include "EngineFixture.h"
#include "platform/Database.h"
#include "platform/InetTransfer.h"
#include "store/Globals.h"

#include <QRandomGenerator>
#include <QtTest>
#include <algorithm>

// A refresh of many auctions while the site misbehaves: some replies never come, some come too
// late, some are nonsense. The pump must come out of it idle with every row intact.
namespace {

enum class Outcome
{
    Normal,
    Dropped,
    Late,
    Garbage
};

const QStringList kKeptColumns = {"AUC_User",   "AUC_Folder",     "AUC_ItemNumber", "AUC_Title",  "AUC_CurrentBid",
                                  "AUC_MinBid", "AUC_Quantity",   "AUC_TimeLeft",   "AUC_Ended",  "AUC_NumberOfBids",
                                  "AUC_Seller", "AUC_HighBidder", "AUC_Status",     "AUC_MaxBid", "AUC_Comments"};

QVariantMap snapshot(qint32 key)
{
    QVariantMap out;
    auto rs = gDB->openQuery(QStringLiteral("SELECT * FROM Auctions WHERE AUC_Primary = ?"), {key});
    if (rs->recordCount() == 0)
        return out;
    for (const QString &c : kKeptColumns)
        out.insert(c, rs->value(c));
    return out;
}

} // namespace

class TestReliability : public QObject
{
    Q_OBJECT
private slots:
    void refreshUnderFaults();
};

void TestReliability::refreshUnderFaults()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    f.engine->Inet1().setRequestTimeoutMs(700);
    constexpr int kCount = 200;

    // 10% dropped, 10% late, 5% garbage, spread at random over the items (a fixed seed).
    QList<Outcome> outcomes;
    outcomes.fill(Outcome::Normal, kCount);
    std::fill_n(outcomes.begin(), 20, Outcome::Dropped);
    std::fill_n(outcomes.begin() + 20, 20, Outcome::Late);
    std::fill_n(outcomes.begin() + 40, 10, Outcome::Garbage);
    QRandomGenerator rng(20261210);
    std::shuffle(outcomes.begin(), outcomes.end(), rng);

    const QDateTime sentinelEnd(QDate(2030, 1, 1), QTime(12, 0));
    QStringList items;
    QList<qint32> keys;
    QList<QVariantMap> before;
    for (int i = 0; i < kCount; ++i) {
        const QString item = QString::number(3004000000LL + i);
        items << item;
        f.site.addAuction(f.siteAuction(item, 3600 + 60 * i, 5.0 + i));
        const qint32 key = f.addAuctionRow(item, 1, sentinelEnd.addSecs(i));
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_CurrentBid = 0.01, AUC_MinBid = 0.02, AUC_Seller = "
                                    "'before', AUC_TimeLeft = 'before', AUC_NumberOfBids = 99, AUC_HighBidder = "
                                    "'before', AUC_Comments = 'mine' WHERE AUC_Primary = ?"),
                     {key});
        keys << key;
        before << snapshot(key);
        const QString target =
            QLatin1String(practice::PracticeSite::kDllPath) + QStringLiteral("?ViewItem&item=") + item;
        switch (outcomes[i]) {
        case Outcome::Dropped:
            f.site.setFault(target, practice::Fault{practice::FaultKind::Drop, 0, -1});
            break;
        case Outcome::Late:
            f.site.setFault(target, practice::Fault{practice::FaultKind::Delay, 1200, -1});
            break;
        case Outcome::Garbage:
            f.site.setFault(target, practice::Fault{practice::FaultKind::Garbage, 0, -1});
            break;
        case Outcome::Normal:
            break;
        }
    }

    f.engine->RefreshAllAuctions();
    QCOMPARE(f.engine->queue().Count(), kCount);
    // The real pump, on a faster tick than the window's so that the test stays short.
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, f.engine.get(), &AuctionEngine::tmrBidSnipe_Timer);
    tick.start();
    QVERIFY(f.runUntil(
        [&] {
            return f.engine->queue().Count() == 0 && f.engine->queue().InetAvailable &&
                   !f.engine->Inet1().StillExecuting() && !f.engine->mblnServingItem;
        },
        90000));
    tick.stop();

    const QStringList general = f.generalLog();
    int failures = 0;
    int unreadable = 0;
    auto rows = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM Auctions"));
    QCOMPARE(rows->value(QStringLiteral("n")).toInt(), kCount);
    for (int i = 0; i < kCount; ++i) {
        const QString &item = items[i];
        const QVariantMap now = snapshot(keys[i]);
        QVERIFY2(!now.isEmpty(), qPrintable(item));
        QCOMPARE(now.value(QStringLiteral("AUC_ItemNumber")).toString(), item);
        QCOMPARE(now.value(QStringLiteral("AUC_User")).toInt(), f.userKey);
        QCOMPARE(now.value(QStringLiteral("AUC_Folder")).toInt(), f.openFolder);
        QCOMPARE(now.value(QStringLiteral("AUC_Comments")).toString(), QStringLiteral("mine"));
        const QString failed = QStringLiteral("Unable to connect, aborting processing of Item: #") + item;
        const QStringList own = f.auctionLog(keys[i]);
        switch (outcomes[i]) {
        case Outcome::Normal:
            QCOMPARE(f.column(keys[i], QStringLiteral("AUC_Refreshed")).toInt(), 1);
            QCOMPARE(now.value(QStringLiteral("AUC_CurrentBid")).toDouble(), 5.0 + i);
            QCOMPARE(now.value(QStringLiteral("AUC_Seller")).toString(), QStringLiteral("seller1"));
            QVERIFY(now.value(QStringLiteral("AUC_TimeLeft")).toString() != QLatin1String("before"));
            QVERIFY(now.value(QStringLiteral("AUC_Ended")) != before[i].value(QStringLiteral("AUC_Ended")));
            QVERIFY2(own.isEmpty(), qPrintable(own.join(QLatin1Char('|'))));
            QVERIFY(!general.contains(failed));
            break;
        case Outcome::Dropped:
        case Outcome::Late:
            QCOMPARE(general.count(failed), 1);
            ++failures;
            QCOMPARE(now, before[i]);
            QVERIFY(own.isEmpty());
            break;
        case Outcome::Garbage: {
            QCOMPARE(now, before[i]);
            QVERIFY(!general.contains(failed));
            // Only what could not be read is logged, to the general log or the auction's.
            const QString noTitle =
                QStringLiteral("Invalid Item Number: ") + item + QStringLiteral(".  Unable to import this auction.");
            unreadable += int(general.count(noTitle));
            for (const QString &m : own)
                QVERIFY2(m.startsWith(QLatin1String("Unable to refresh ")), qPrintable(m));
            QVERIFY(general.contains(noTitle) || !own.isEmpty());
            break;
        }
        }
    }
    QCOMPARE(failures, 40);
    QCOMPARE(int(general.size()), failures + unreadable);
}

QTEST_MAIN(TestReliability)
#include "TestReliability.moc"
