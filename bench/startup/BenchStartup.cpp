// bench_startup [RUNS]: prepares a program folder with one signed-in user and 2,000 auctions of
// every status, then starts a fresh process RUNS times (default 5) that runs the window's whole
// start-up on it and reports the time from its own process start to the window shown with the
// 2,000 rows in the grid. Prints startup_ms (median) and startup_ms_max. The splash screen's
// designed two-second pause is left out: it is a wait, not work.
#include "DemoFolder.h"
#include "SilentDialogs.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/frmAuction.h"
#include "platform/Database.h"
#include "platform/Transaction.h"
#include "store/AppSettings.h"
#include "store/Folders.h"
#include "store/Globals.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

// Milliseconds since this process started, from the kernel's record of its start.
double msSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Field 22 (starttime, in clock ticks since boot) counts from after the command's ")".
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble();
    timespec boot{};
    clock_gettime(CLOCK_BOOTTIME, &boot);
    const double nowMs = boot.tv_sec * 1000.0 + boot.tv_nsec / 1e6;
    return nowMs - startTicks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

int runOnce()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    int argc = 1;
    char name[] = "bench_startup";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Zandrift"));
    SilentDialogs dialogs;
    frmAuction window(dialogs);
    if (!window.Form_Load(QString())) {
        std::fprintf(stderr, "the window did not start\n");
        return 1;
    }
    window.setAllTimersEnabled(false);
    QCoreApplication::processEvents();
    const int rows = window.gridPane().auctionGrid().rowCount();
    const double ms = msSinceProcessStart();
    std::printf("%d %.0f\n", rows, ms);
    if (rows != 2000)
        std::fprintf(stderr, "the grid shows %d rows\n", rows);
    window.closeForShutdown();
    ReleaseGlobals();
    return rows == 2000 ? 0 : 1;
}

bool prepare(const QString &folder, QString *error)
{
    DemoFolder::User user;
    user.siteName = QStringLiteral("snipetester");
    user.sitePassword = QStringLiteral("secret");
    if (!DemoFolder::create(
            folder, QByteArray("EbayViewItemURL|http://127.0.0.1:9/aw-cgi/eBayISAPI.dll?ViewItem&item=\n"), error) ||
        !DemoFolder::addUser(user, error))
        return false;
    // Nothing is due and nothing needs the network: no clock synchronisation at start.
    gSettings->AutoTimeSync = 0;
    gSettings->SaveSettings();
    const qint32 userKey = gCurrentUser->PrimaryKey;
    const qint32 open = GetOpenAuctionsFolder(*gDB, userKey);
    const QDateTime now = QDateTime::currentDateTime();
    Transaction t(*gDB);
    for (int i = 0; i < 2000; ++i) {
        const int status = 1 + i % 7;
        gDB->execute(
            QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, "
                           "AUC_CurrentBid, AUC_MinBid, AUC_Quantity, AUC_NumberOfBids, AUC_Ended, AUC_Status, "
                           "AUC_MaxBid, AUC_BidQuantity, AUC_Seller) VALUES (?, ?, ?, ?, ?, ?, 1, ?, ?, ?, ?, 1, ?)"),
            {userKey, open, QString::number(4000000000LL + i), QStringLiteral("Lot %1 of the benchmark").arg(i),
             10.0 + i % 50, 10.5 + i % 50, i % 9, now.addSecs((i % 400 - 100) * 600), status == 2 ? 1 : status,
             status == 1 ? 0.0 : 25.0 + i % 30, QStringLiteral("seller%1").arg(i % 40)});
    }
    t.commit();
    ReleaseGlobals();
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    DemoFolder::useHeadlessPlatform();
    if (argc == 2 && QByteArray(argv[1]) == "--once")
        return runOnce();

    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;
    QTemporaryDir folder;
    {
        QCoreApplication app(argc, argv);
        QString error;
        if (!prepare(folder.path(), &error)) {
            std::fprintf(stderr, "bench_startup: %s\n", qPrintable(error));
            return 1;
        }
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("ZANDRIFT_HOME"), folder.path());
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.path() + QStringLiteral("/config"));
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--once")});
            if (!child.waitForFinished(60000) || child.exitCode() != 0) {
                std::fprintf(stderr, "bench_startup: run %d in %s failed (exit %d): %s %s\n", i,
                             qPrintable(folder.path()), child.exitCode(), child.readAllStandardOutput().constData(),
                             child.readAllStandardError().constData());
                folder.setAutoRemove(false);
                return 1;
            }
            const QList<QByteArray> out = child.readAllStandardOutput().trimmed().split(' ');
            times.push_back(out.value(1).toDouble());
        }
        std::sort(times.begin(), times.end());
        std::printf("startup_ms=%.0f\nstartup_ms_max=%.0f\n", times[times.size() / 2], times.back());
    }
    return 0;
}
