#include "GridFixture.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "store/Globals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

// BuildAuctionGrid over a folder of 2,000 auctions of every status with all 17 columns shown,
// and UpdateTimeLeftColumn over those rows; the median of several runs of each.
namespace {

constexpr int kAuctions = 2000;
constexpr int kRuns = 9;

void addAuctions(GridFixture &fx)
{
    const QDateTime site = GridFixture::siteNow();
    QSqlDatabase db = gDB->connection();
    db.transaction();
    for (int i = 0; i < kAuctions; ++i) {
        const bool ended = i % 7 >= 3;
        gDB->execute(
            QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, AUC_Status, "
                           "AUC_Refreshed, AUC_CurrentBid, AUC_MaxBid, AUC_BidQuantity, AUC_NumberOfBids, "
                           "AUC_Quantity, AUC_TimeLeft, AUC_Ended, AUC_CityLocation, AUC_CountryRegion, AUC_Seller, "
                           "AUC_HighBidder, AUC_Paid, AUC_Received, AUC_LeftFeedback, AUC_Comments) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {fx.userKey,
             fx.openFolder,
             QString::number(5001000000LL + i),
             QStringLiteral("Auction number %1 of a large folder, with a title of ordinary length").arg(i),
             i % 7 + 1,
             i % 11 == 0 ? 0 : 1,
             1.0 + i % 500,
             i % 3 == 0 ? 0.0 : 2.0 + i % 400,
             i % 3,
             i % 40,
             1 + i % 4 / 3,
             ended ? QStringLiteral("Auction has Ended") : QStringLiteral("2 days 3 hours"),
             site.addSecs((ended ? -1 : 1) * (60 * (i % 5000) + 7)),
             QStringLiteral("City %1").arg(i % 90),
             QStringLiteral("Country %1").arg(i % 30),
             QStringLiteral("seller%1").arg(i % 200),
             i % 5 == 0 ? QStringLiteral("annbids") : QStringLiteral("bidder%1").arg(i % 300),
             i % 2,
             i % 3 == 0,
             i % 5 == 0,
             i % 4 == 0 ? QStringLiteral("note %1").arg(i) : QString()});
    }
    db.commit();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    // Caches and settings of this run stay out of the real home.
    QTemporaryDir home;
    for (const char *var : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
        qputenv(var, home.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    GridFixture fx;
    if (!fx.isValid()) {
        std::fprintf(stderr, "bench_grid: the program folder could not be set up\n");
        return 1;
    }
    fx.showAllColumns();
    addAuctions(fx);
    fx.pane->resize(1400, 700);
    fx.pane->show();
    QCoreApplication::processEvents();

    std::vector<double> build, timeLeft;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer t;
        t.start();
        fx.pane->BuildAuctionGrid(fx.openFolder);
        build.push_back(t.nsecsElapsed() / 1e6);
        QCoreApplication::processEvents();
        if (fx.pane->auctionGrid().rowCount() != kAuctions) {
            std::fprintf(stderr, "bench_grid: %d rows instead of %d\n", fx.pane->auctionGrid().rowCount(), kAuctions);
            return 1;
        }
        // The minute has moved on: every open row's text changes.
        Clock::advance(60 * 1000);
        t.restart();
        fx.pane->UpdateTimeLeftColumn();
        timeLeft.push_back(t.nsecsElapsed() / 1e6);
        QCoreApplication::processEvents();
    }
    std::printf("grid_rows=%d\n", kAuctions);
    std::printf("grid_build_ms_2000=%.1f\n", median(build));
    std::printf("timeleft_update_ms_2000=%.2f\n", median(timeLeft));
    return 0;
}
