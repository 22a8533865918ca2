// bench_idle [--seconds N] [--settle N]: what the program costs while nobody uses it. Prepares a
// program folder with one signed-in user and 2,000 auctions (auto refresh on, every 60 minutes),
// its page addresses on a practice site on loopback, then starts the window in a child process
// on the offscreen platform, as the program starts: real dialogs, the real browser pane, every
// timer running. Once the window is shown and SETTLE seconds (default 5) have passed, it reads the
// child's CPU time and resident memory from /proc, waits N seconds (default 60, or
// ZANDRIFT_IDLE_SECONDS) and reads them again. The browser's own processes (the child's
// descendants) are summed apart. Prints idle_cpu_percent (of one core), rss_mb_start, rss_mb_end,
// rss_growth_mb, the same for the browser's processes, and the requests the site received.
#include "DemoFolder.h"
#include "PracticeSite.h"
#include "dialogs/Dialogs.h"
#include "engine/AuctionEngine.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/frmAuction.h"
#include "platform/Database.h"
#include "platform/Transaction.h"
#include "platform_gui/QtMsgBox.h"
#include "platform_gui/QtTreeGrid.h"
#include "store/Folders.h"
#include "store/Globals.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kAuctions = 2000;

// The window as the program's own main() runs it. Prints "shown <rows>" once it is up; anything
// on (or the end of) standard input closes it.
int runChild(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Zandrift"));
    QApplication::setApplicationName(QStringLiteral("Zandrift"));
    QtMsgBox::install();
    Dialogs dialogs;
    frmAuction window(dialogs);
    dialogs.engine = &window.engine();
    QSocketNotifier stop(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &window, [&window, &stop] {
        stop.setEnabled(false);
        window.closeForShutdown();
        QCoreApplication::quit();
    });
    if (!window.Form_Load(QString())) {
        std::fprintf(stderr, "the window did not start\n");
        return 1;
    }
    QCoreApplication::processEvents();
    std::printf("shown %d\n", window.gridPane().auctionGrid().rowCount());
    std::fflush(stdout);
    const int code = QApplication::exec();
    ReleaseGlobals();
    return code;
}

bool prepare(const QString &folder, const QByteArray &urlFile, QString *error)
{
    DemoFolder::User user;
    user.siteName = QStringLiteral("snipetester");
    user.sitePassword = QStringLiteral("secret");
    if (!DemoFolder::create(folder, urlFile, error) || !DemoFolder::addUser(user, error))
        return false;
    const qint32 userKey = gCurrentUser->PrimaryKey;
    // Auto refresh as a new profile has it.
    gDB->execute(QStringLiteral("UPDATE Users SET U_AutoRefreshMins = 60 WHERE U_Primary = ?"), {userKey});
    const qint32 open = GetOpenAuctionsFolder(*gDB, userKey);
    const QDateTime now = QDateTime::currentDateTime();
    Transaction t(*gDB);
    for (int i = 0; i < kAuctions; ++i) {
        const qint64 endsIn = qint64(i % 400 - 100) * 600;
        int status = 1 + i % 7;
        // Snipes wait on auctions that end a day or more from now: none falls due while idle.
        if (status == 2 && endsIn < 24 * 3600)
            status = 1;
        gDB->execute(
            QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, "
                           "AUC_CurrentBid, AUC_MinBid, AUC_Quantity, AUC_NumberOfBids, AUC_Ended, AUC_Status, "
                           "AUC_MaxBid, AUC_BidQuantity, AUC_BidSecs, AUC_Seller) "
                           "VALUES (?, ?, ?, ?, ?, ?, 1, ?, ?, ?, ?, 1, 5, ?)"),
            {userKey, open, QString::number(4000000000LL + i), QStringLiteral("Lot %1 of the benchmark").arg(i),
             10.0 + i % 50, 10.5 + i % 50, i % 9, now.addSecs(endsIn), status, status == 1 ? 0.0 : 25.0 + i % 30,
             QStringLiteral("seller%1").arg(i % 40)});
    }
    t.commit();
    ReleaseGlobals();
    return true;
}

struct ProcSample
{
    qint64 ticks = 0; // utime + stime
    qint64 rssKb = 0;
    qint64 parent = 0;
    bool ok = false;
};

ProcSample readProc(qint64 pid)
{
    ProcSample s;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return s;
    const QByteArray text = stat.readAll();
    // Fields from the state on (field 3), after the command in parentheses.
    const QList<QByteArray> f = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (f.size() < 13)
        return s;
    s.parent = f[1].toLongLong();
    s.ticks = f[11].toLongLong() + f[12].toLongLong();
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                s.rssKb = line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    s.ok = true;
    return s;
}

// Every process below root, found by walking the parent links of everything running.
QMap<qint64, ProcSample> descendants(qint64 root)
{
    QMap<qint64, ProcSample> all;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : entries) {
        bool number = false;
        const qint64 pid = name.toLongLong(&number);
        if (!number)
            continue;
        const ProcSample s = readProc(pid);
        if (s.ok)
            all.insert(pid, s);
    }
    QMap<qint64, ProcSample> found;
    QList<qint64> open{root};
    while (!open.isEmpty()) {
        const qint64 parent = open.takeFirst();
        for (auto it = all.cbegin(); it != all.cend(); ++it) {
            if (it->parent == parent && !found.contains(it.key())) {
                found.insert(it.key(), *it);
                open.append(it.key());
            }
        }
    }
    return found;
}

qint64 rssSum(const QMap<qint64, ProcSample> &set)
{
    qint64 kb = 0;
    for (const ProcSample &s : set)
        kb += s.rssKb;
    return kb;
}

// CPU ticks spent between the two readings; a process born in between counts whole.
qint64 ticksBetween(const QMap<qint64, ProcSample> &before, const QMap<qint64, ProcSample> &after)
{
    qint64 ticks = 0;
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        ticks += it->ticks - before.value(it.key()).ticks;
    return ticks;
}

double mb(qint64 kb)
{
    return double(kb) / 1024.0;
}

int argValue(const QStringList &args, const QString &name, int fallback)
{
    const int at = args.indexOf(name);
    if (at < 0 || at + 1 >= args.size())
        return fallback;
    bool ok = false;
    const int value = args[at + 1].toInt(&ok);
    return ok && value >= 0 ? value : fallback;
}

} // namespace

int main(int argc, char **argv)
{
    DemoFolder::useHeadlessPlatform();
    if (argc == 2 && QByteArray(argv[1]) == "--child")
        return runChild(argc, argv);

    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int envSeconds =
        qEnvironmentVariableIsSet("ZANDRIFT_IDLE_SECONDS") ? qEnvironmentVariableIntValue("ZANDRIFT_IDLE_SECONDS") : 60;
    const int seconds = std::max(1, argValue(args, QStringLiteral("--seconds"), envSeconds));
    const int settle = argValue(args, QStringLiteral("--settle"), 5);

    practice::PracticeSite site;
    if (!site.start()) {
        std::fprintf(stderr, "bench_idle: the practice site did not start\n");
        return 1;
    }
    site.addUser(QStringLiteral("snipetester"), QStringLiteral("secret"));
    site.setRequestLogLimit(10000);

    QTemporaryDir folder;
    QString error;
    if (!prepare(folder.path(), site.urlFile(), &error)) {
        std::fprintf(stderr, "bench_idle: %s\n", qPrintable(error));
        return 1;
    }
    // Caches, settings and the browser's profile stay inside the folder.
    const QString root = folder.path();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZANDRIFT_HOME"), root);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    for (const char *name : {"home", "cache", "data", "runtime"})
        QDir(root).mkpath(QLatin1String(name));
    QFile::setPermissions(root + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));

    QProcess child;
    child.setProcessEnvironment(env);
    const QString errorLog = root + QStringLiteral("/child-stderr.log");
    child.setStandardErrorFile(errorLog);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
    auto fail = [&](const char *what) {
        std::fprintf(stderr, "bench_idle: %s (see %s)\n", what, qPrintable(errorLog));
        folder.setAutoRemove(false);
        child.kill();
        child.waitForFinished(5000);
        return 1;
    };
    if (!child.waitForStarted(10000))
        return fail("the program did not start");

    QByteArray shown;
    QElapsedTimer startup;
    startup.start();
    while (!shown.contains('\n') && startup.elapsed() < 120000) {
        if (!child.waitForReadyRead(1000) && child.state() != QProcess::Running)
            break;
        shown += child.readAllStandardOutput();
    }
    if (!shown.startsWith("shown "))
        return fail("the window was not shown");
    const int rows = shown.mid(6).trimmed().toInt();
    if (rows != kAuctions)
        return fail("the grid does not show the 2,000 auctions");

    const qint64 pid = child.processId();
    QThread::sleep(static_cast<unsigned long>(settle));
    if (child.state() != QProcess::Running)
        return fail("the program ended before the idle period");

    const int requestsBefore = site.requestCount();
    const ProcSample start = readProc(pid);
    const QMap<qint64, ProcSample> browserStart = descendants(pid);
    QElapsedTimer idle;
    idle.start();
    QThread::sleep(static_cast<unsigned long>(seconds));
    const ProcSample end = readProc(pid);
    const QMap<qint64, ProcSample> browserEnd = descendants(pid);
    const double elapsed = double(idle.nsecsElapsed()) / 1e9;
    const int requests = site.requestCount() - requestsBefore;
    if (!start.ok || !end.ok || child.state() != QProcess::Running)
        return fail("the program ended during the idle period");

    const double tick = double(sysconf(_SC_CLK_TCK));
    std::printf("idle_seconds=%.1f\n", elapsed);
    std::printf("idle_cpu_percent=%.2f\n", double(end.ticks - start.ticks) / tick / elapsed * 100.0);
    std::printf("rss_mb_start=%.1f\n", mb(start.rssKb));
    std::printf("rss_mb_end=%.1f\n", mb(end.rssKb));
    std::printf("rss_growth_mb=%.1f\n", mb(end.rssKb - start.rssKb));
    std::printf("browser_processes=%d\n", int(browserEnd.size()));
    std::printf("browser_cpu_percent=%.2f\n", double(ticksBetween(browserStart, browserEnd)) / tick / elapsed * 100.0);
    std::printf("browser_rss_mb_start=%.1f\n", mb(rssSum(browserStart)));
    std::printf("browser_rss_mb=%.1f\n", mb(rssSum(browserEnd)));
    std::printf("browser_rss_growth_mb=%.1f\n", mb(rssSum(browserEnd) - rssSum(browserStart)));
    std::printf("site_requests=%d\n", requests);
    std::fflush(stdout);

    child.write("q\n");
    child.closeWriteChannel();
    if (!child.waitForFinished(30000)) {
        std::fprintf(stderr, "bench_idle: the program did not close; stopped\n");
        child.kill();
        child.waitForFinished(5000);
    }
    return 0;
}
