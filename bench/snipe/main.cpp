// bench_snipe: twenty snipes against the practice site, once as is and once with 300 ms added to
// each way of the network path. The site's clock runs a fraction of a minute apart from this
// machine's and shows Pacific time, so only a working clock synchronisation hits the moment.
// Snipe moments collide: pairs end in the same second, and some final moments fall just as
// another snipe connects, synchronises and makes its preparatory bid; a refresh of a hundred
// other auctions stays queued throughout, and the first two preparatory posts are dropped by
// the site. Everything is measured by the site: when each final post arrived against its moment
// (end less BidSeconds), whether the site processed it before the end, who won, and how many
// posts it received against the sends the engine logged.
#include "EngineFixture.h"
#include "LatencyLink.h"
#include "engine/AuctionEngine.h"
#include "engine/ebayURLS.h"
#include "platform/Clock.h"
#include "platform/InetTransfer.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Planned
{
    int endsIn; // seconds from the start, on the site's clock
    int bidSeconds;
};

// 0-9 spread over twenty seconds, 0/1, 3/4 and 7/8 ending in the same second; 10-16 each reach
// their connect moment (59 s before their own) in the second of the final moment of 0, 2, 3, 5,
// 6, 7 and 9; 16/17 and 18/19 end together. BidSeconds 1, 2, 3, 5 and 10, four of each.
const Planned kPlan[20] = {{70, 1},  {70, 3},   {73, 2},  {75, 5},  {75, 5},  {78, 10},  {80, 1},
                           {84, 2},  {84, 10},  {88, 3},  {133, 5}, {131, 1}, {139, 10}, {129, 2},
                           {141, 3}, {151, 10}, {145, 1}, {145, 5}, {155, 2}, {155, 3}};

struct Figures
{
    int won = 0;
    int afterEnd = 0;
    qint64 earlyMax = 0;
    qint64 lateP50 = 0;
    qint64 lateMax = 0;
    int doublePosts = 0;
};

void print(const char *prefix, const Figures &r, const char *separator)
{
    std::printf("%ssnipe_won=%d/20%ssnipe_after_end=%d%ssnipe_early_ms_max=%lld%ssnipe_late_ms_p50=%lld%s"
                "snipe_late_ms_max=%lld%sdouble_posts=%d\n",
                prefix, r.won, separator, r.afterEnd, separator, static_cast<long long>(r.earlyMax), separator,
                static_cast<long long>(r.lateP50), separator, static_cast<long long>(r.lateMax), separator,
                r.doublePosts);
    std::fflush(stdout);
}

Figures runOnce(int latencyMs, qint64 siteOffsetMs)
{
    Figures result;
    EngineFixture f;
    if (!f.isValid()) {
        std::fprintf(stderr, "bench_snipe: the fixture did not start\n");
        return result;
    }
    // The program starts from this machine's clock; the site's runs apart from it.
    Clock::unfreeze();
    f.site.setClockOffsetMs(siteOffsetMs);
    f.engine->Inet1().setRequestTimeoutMs(InetTransfer::kDefaultTimeoutMs);
    gSettings->ConnectXPriortoBid = 1;

    practice::LatencyLink link;
    if (latencyMs > 0) {
        if (!link.start(f.site.port(), latencyMs)) {
            std::fprintf(stderr, "bench_snipe: the latency link did not start\n");
            return result;
        }
        QFile urls(f.folder.file(QStringLiteral("eburl.zdx")));
        if (!urls.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return result;
        urls.write(f.site.urlFile().replace(f.site.baseUrl().toUtf8(), link.baseUrl().toUtf8()));
        urls.close();
        gURLs.reset();
    }
    f.site.setFault(f.site.commandUrl(QStringLiteral("MakeBid")).mid(f.site.baseUrl().size()),
                    {practice::FaultKind::Drop, 0, 2});

    // The hundred auctions whose refresh stays queued.
    for (int i = 0; i < 100; ++i) {
        const QString item = QStringLiteral("51%1").arg(i, 3, 10, QLatin1Char('0'));
        const practice::Auction a = f.siteAuction(item, 3600 + i);
        f.site.addAuction(a);
        f.addAuctionRow(item, 1, EngineFixture::siteWall(a.end));
    }
    const auto queueRefreshes = [&] {
        for (int i = 0; i < 100; ++i) {
            auto item = std::make_shared<BNQItem>();
            item->Action = BNQItem::Refresh;
            item->Priority = 0;
            item->ItemNumber = QStringLiteral("51%1").arg(i, 3, 10, QLatin1Char('0'));
            item->UserKey = f.userKey;
            item->Folder = f.openFolder;
            item->message = QStringLiteral("Refreshing Auction #") + item->ItemNumber;
            f.engine->queue().Add(item);
        }
    };

    // The twenty snipes: a competitor each, beaten by our maximum.
    struct Snipe
    {
        QString item;
        qint64 endMs; // site clock
        int bidSeconds;
        qint32 key;
    };
    std::vector<Snipe> snipes;
    for (int i = 0; i < 20; ++i) {
        const QString item = QStringLiteral("52%1").arg(i, 3, 10, QLatin1Char('0'));
        practice::Auction a = f.siteAuction(item, kPlan[i].endsIn, 10.0);
        a.bids.push_back({QStringLiteral("rival"), 15.0, 1});
        f.site.addAuction(a);
        const qint32 key = f.addAuctionRow(item, 2, EngineFixture::siteWall(a.end), 20.0 + i, 1, kPlan[i].bidSeconds);
        snipes.push_back({item, a.end.toMSecsSinceEpoch(), kPlan[i].bidSeconds, key});
    }
    queueRefreshes();
    f.engine->QueueDueSnipes();

    const qint64 lastEnd = std::max_element(snipes.begin(), snipes.end(), [](const Snipe &a, const Snipe &b) {
                               return a.endMs < b.endMs;
                           })->endMs;
    const auto snipeLeft = [&] {
        for (const QItemPtr &i : f.engine->queue().items())
            if (i->Bid)
                return true;
        return f.engine->mLastQueueItem && f.engine->mLastQueueItem->Bid && f.engine->Inet1().StillExecuting();
    };
    QElapsedTimer sinceSchedule;
    sinceSchedule.start();
    f.runUntil(
        [&] {
            if (sinceSchedule.elapsed() > 10000) {
                f.engine->QueueDueSnipes();
                sinceSchedule.restart();
            }
            if (!f.engine->queue().IsRefreshing())
                queueRefreshes();
            return f.site.now().toMSecsSinceEpoch() > lastEnd + 3000 && !snipeLeft();
        },
        (kPlan[19].endsIn + 120) * 1000);

    // The site's record. Its clock = real time + its offset.
    const auto requests = f.site.requests();
    std::vector<qint64> late;
    std::printf("run latency_ms=%d site_clock_offset_ms=%lld\n", latencyMs, static_cast<long long>(siteOffsetMs));
    for (const Snipe &s : snipes) {
        const QByteArray tag = "item=" + s.item.toUtf8() + "&";
        qint64 firstArrival = -1, firstProcessed = -1;
        int makeBids = 0, acceptBids = 0;
        for (const auto &r : requests) {
            if (r.method != QLatin1String("POST") || !r.body.contains(tag))
                continue;
            if (r.command == QLatin1String("MakeBid"))
                ++makeBids;
            if (r.command != QLatin1String("AcceptBid"))
                continue;
            ++acceptBids;
            const qint64 arrival = r.arrivalMs + siteOffsetMs;
            if (firstArrival < 0 || arrival < firstArrival)
                firstArrival = arrival;
            if (r.processedMs > 0 && (firstProcessed < 0 || r.processedMs + siteOffsetMs < firstProcessed))
                firstProcessed = r.processedMs + siteOffsetMs;
        }
        const QStringList log = f.auctionLog(s.key);
        const int makeSends = log.filter(QStringLiteral("Making Preparatory Bid of")).size();
        const int acceptSends = log.filter(QStringLiteral("Finalizing bid of")).size() +
                                log.filter(QStringLiteral("Reattempting to Finalize bid of")).size();
        result.doublePosts += std::max(0, makeBids - makeSends) + std::max(0, acceptBids - acceptSends);
        const auto standing = f.site.standing(s.item);
        const bool won = standing && standing->highBidder == QLatin1String(EngineFixture::kSiteUser);
        result.won += won ? 1 : 0;
        const qint64 moment = s.endMs - s.bidSeconds * 1000LL;
        const bool afterEnd = firstProcessed >= s.endMs;
        result.afterEnd += afterEnd ? 1 : 0;
        if (firstArrival >= 0) {
            late.push_back(firstArrival - moment);
            result.earlyMax = std::max(result.earlyMax, moment - firstArrival);
        }
        std::printf("  item %s bid_seconds=%d final_posts=%d late_ms=%s processed_after_end=%d won=%d\n",
                    qPrintable(s.item), s.bidSeconds, acceptBids,
                    firstArrival >= 0 ? qPrintable(QString::number(firstArrival - moment)) : "none", afterEnd ? 1 : 0,
                    won ? 1 : 0);
    }
    std::sort(late.begin(), late.end());
    if (!late.empty()) {
        result.lateP50 = late[late.size() / 2];
        result.lateMax = late.back();
    }
    print("", result, "\n");
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Figures plain = runOnce(0, 37420);
    const Figures slow = runOnce(300, -21730);
    Figures worst;
    worst.won = std::min(plain.won, slow.won);
    worst.afterEnd = std::max(plain.afterEnd, slow.afterEnd);
    worst.earlyMax = std::max(plain.earlyMax, slow.earlyMax);
    worst.lateP50 = std::max(plain.lateP50, slow.lateP50);
    worst.lateMax = std::max(plain.lateMax, slow.lateMax);
    worst.doublePosts = std::max(plain.doublePosts, slow.doublePosts);
    print("worst: ", worst, " ");
    return 0;
}
