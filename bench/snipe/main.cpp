// Twenty snipes on the practice site, ending within a minute of each other (several in the same
// minute, two at the same second) while a refresh of a hundred other auctions runs; once as is
// and once with 300 ms added to every request. Prints how late each final post reached the
// site against its moment (end less BidSeconds), by the site's own clock.
#include "AppSettings.h"
#include "AuctionEngine.h"
#include "Database.h"
#include "EngineFixture.h"
#include "Globals.h"
#include "InetTransfer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <map>

namespace {

struct RunResult
{
    int won = 0;
    int afterEnd = 0;
    int early = 0;
    qint64 p50 = 0;
    qint64 max = 0;
};

RunResult runOnce(int latencyMs)
{
    RunResult result;
    EngineFixture f;
    if (!f.isValid()) {
        std::fprintf(stderr, "bench_snipe: the fixture did not start\n");
        return result;
    }
    gSettings->ConnectXPriortoBid = 1;
    if (latencyMs > 0)
        f.site.setFault(QLatin1String(practice::PracticeSite::kDllPath), {practice::FaultKind::Delay, latencyMs, -1});

    // The hundred auctions that are refreshed meanwhile.
    for (int i = 0; i < 100; ++i) {
        const QString item = QStringLiteral("51%1").arg(i, 3, 10, QLatin1Char('0'));
        const practice::Auction a = f.siteAuction(item, 3600 + i);
        f.site.addAuction(a);
        f.addAuctionRow(item, 1, EngineFixture::siteWall(a.end));
    }
    // The twenty snipes: a competitor each, beaten by our maximum.
    static const int offsets[20] = {0, 0, 2, 4, 5, 7, 9, 10, 12, 15, 18, 20, 22, 25, 27, 30, 33, 36, 40, 45};
    static const int bidSeconds[3] = {3, 5, 10};
    std::map<QString, std::pair<qint64, int>> moments; // item -> (end ms, bid seconds)
    const qint64 base = 75;
    for (int i = 0; i < 20; ++i) {
        const QString item = QStringLiteral("52%1").arg(i, 3, 10, QLatin1Char('0'));
        practice::Auction a = f.siteAuction(item, base + offsets[i], 10.0);
        a.bids.push_back({QStringLiteral("rival"), 15.0, 1});
        f.site.addAuction(a);
        const int secs = bidSeconds[i % 3];
        f.addAuctionRow(item, 2, EngineFixture::siteWall(a.end), 20.0 + i, 1, secs);
        moments[item] = {a.end.toMSecsSinceEpoch(), secs};
    }
    f.engine->RefreshAllAuctions();
    f.engine->QueueDueSnipes();

    const qint64 lastEnd = f.site.now().toMSecsSinceEpoch() + (base + 45 + 3) * 1000;
    QElapsedTimer sinceSchedule;
    sinceSchedule.start();
    f.runUntil(
        [&] {
            if (sinceSchedule.elapsed() > 10000) {
                f.engine->QueueDueSnipes();
                sinceSchedule.restart();
            }
            return f.site.now().toMSecsSinceEpoch() > lastEnd && f.engine->queue().Count() == 0;
        },
        (base + 120) * 1000);

    std::vector<qint64> lateness;
    std::map<QString, bool> seen;
    for (const auto &r : f.site.requests()) {
        if (r.command != QLatin1String("AcceptBid"))
            continue;
        for (const auto &[item, m] : moments) {
            if (seen[item] || !r.body.contains(("item=" + item + "&").toUtf8()))
                continue;
            seen[item] = true;
            const qint64 late = r.arrivalMs - (m.first - m.second * 1000LL);
            lateness.push_back(late);
            result.afterEnd += r.arrivalMs >= m.first ? 1 : 0;
            result.early += late < -100 ? 1 : 0;
        }
    }
    for (const auto &[item, m] : moments) {
        const auto standing = f.site.standing(item);
        result.won += standing && standing->highBidder == QLatin1String(EngineFixture::kSiteUser) ? 1 : 0;
    }
    std::sort(lateness.begin(), lateness.end());
    if (!lateness.empty()) {
        result.p50 = lateness[lateness.size() / 2];
        result.max = lateness.back();
    }
    std::printf("run latency_ms=%d posts=%zu\n", latencyMs, lateness.size());
    std::printf("snipe_won=%d/20\nsnipe_late_ms_p50=%lld\nsnipe_late_ms_max=%lld\nsnipe_after_end=%d\n"
                "snipe_early=%d\n",
                result.won, static_cast<long long>(result.p50), static_cast<long long>(result.max), result.afterEnd,
                result.early);
    std::fflush(stdout);
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const RunResult plain = runOnce(0);
    const RunResult slow = runOnce(300);
    std::printf("worst: snipe_won=%d/20 snipe_late_ms_p50=%lld snipe_late_ms_max=%lld snipe_after_end=%d "
                "snipe_early=%d\n",
                std::min(plain.won, slow.won), static_cast<long long>(std::max(plain.p50, slow.p50)),
                static_cast<long long>(std::max(plain.max, slow.max)), std::max(plain.afterEnd, slow.afterEnd),
                std::max(plain.early, slow.early));
    return 0;
}
