#include "EngineFixture.h"
#include "platform/Database.h"
#include "store/Globals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

// Imports 200 auctions from the practice site through the pump as the window runs it: one
// request per 200 ms tick, so 5 items per second is the most the design allows.
namespace {

int auctionRows()
{
    auto rs = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM Auctions"));
    return rs->value(QStringLiteral("n")).toInt();
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

    constexpr int kItems = 200;
    constexpr double kCeiling = 1000.0 / 200.0;
    EngineFixture f;
    if (!f.isValid()) {
        std::fprintf(stderr, "bench_import: the engine fixture could not be set up\n");
        return 1;
    }
    for (int i = 0; i < kItems; ++i) {
        const QString item = QString::number(3005000000LL + i);
        f.site.addAuction(f.siteAuction(item, 3600 + 60 * i, 5.0 + i));
        f.engine->cmdAuctionAddOK_Click(item);
    }
    if (f.engine->queue().Count() != kItems) {
        std::fprintf(stderr, "bench_import: only %d items queued\n", f.engine->queue().Count());
        return 1;
    }

    QElapsedTimer t;
    t.start();
    const bool done = f.runUntil([] { return auctionRows() == kItems; }, 120000);
    const double seconds = t.elapsed() / 1000.0;
    if (!done) {
        std::fprintf(stderr, "bench_import: %d of %d imported in %.1f s\n", auctionRows(), kItems, seconds);
        return 1;
    }
    std::printf("import_items=%d\n", kItems);
    std::printf("import_seconds=%.2f\n", seconds);
    std::printf("import_items_per_s=%.2f\n", kItems / seconds);
    std::printf("pump_ceiling_items_per_s=%.2f\n", kCeiling);
    return 0;
}
