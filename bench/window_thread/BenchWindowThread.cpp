// bench_window_thread [--steps a,b,...]: how long the window thread is ever held while the
// program works through a program folder a power user reaches: 10,000 auctions in the open
// folder and 1,000,000 log rows (500,000 general rows, 100,000 of them past the purge age, and
// 500,000 rows of one auction). The window runs as the program runs it (every timer on, the
// practice site on loopback; the built-in browser is a stand-in, its own processes are
// bench_idle's), and a 200 ms timer of its thread notes the longest gap between two of its ticks
// while each step runs. In every step a snipe's final post falls due while the step's work
// runs, and the site's record tells whether it came before the end and won.
// Prints max_gap_ms_<step>=N for each step, then snipes_on_time=A/B and rss_mb_max=N (the
// largest resident size of this process seen at any tick from the window's start on).
#include "DemoFolder.h"
#include "FakeBrowser.h"
#include "PracticeSite.h"
#include "SilentDialogs.h"
#include "engine/AuctionEngine.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/LogViewsPane.h"
#include "mainwindow/frmAuction.h"
#include "platform/Database.h"
#include "platform/InetTransfer.h"
#include "platform/Transaction.h"
#include "platform_gui/DesktopServices.h"
#include "store/AppSettings.h"
#include "store/BSN_Log.h"
#include "store/BSN_User.h"
#include "store/Folders.h"
#include "store/Globals.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kAuctions = 10000;
constexpr int kGeneralRows = 500000;
constexpr int kPurgedRows = 100000; // of the general rows, older than the purge keeps
constexpr int kAuctionRows = 500000;
constexpr int kImports = 200;
constexpr int kBidSeconds = 3;
const char *const kSiteUser = "snipetester";

qint64 rssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// An instant as the site's pages show it, the form AUC_Ended keeps.
QDateTime siteWall(const QDateTime &instant)
{
    const QDateTime pacific = instant.toTimeZone(QTimeZone("America/Los_Angeles"));
    return QDateTime(pacific.date(), pacific.time());
}

// The window thread's pulse: a 200 ms timer whose longest gap between two ticks is noted.
class Pulse
{
public:
    Pulse()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(200);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 gap = m_last.restart();
            m_maxGap = std::max(m_maxGap, gap);
            m_rssKb = std::max(m_rssKb, rssKb());
        });
        m_last.start();
        m_timer.start();
    }
    void restart()
    {
        m_last.restart();
        m_maxGap = 0;
    }
    // The gap still open counts too: a step that holds the thread to its end shows.
    qint64 maxGap() const { return std::max(m_maxGap, m_last.elapsed()); }
    qint64 rssKbMax() const { return m_rssKb; }

private:
    QTimer m_timer;
    QElapsedTimer m_last;
    qint64 m_maxGap = 0;
    qint64 m_rssKb = 0;
};

bool insertAll(const QString &sql, int count, const std::function<QVariantList(int)> &row, QString *error)
{
    QSqlQuery q(gDB->connection());
    if (!q.prepare(sql)) {
        *error = q.lastError().text();
        return false;
    }
    for (int i = 0; i < count; ++i) {
        const QVariantList values = row(i);
        for (int v = 0; v < values.size(); ++v)
            q.bindValue(v, values[v]);
        if (!q.exec()) {
            *error = q.lastError().text();
            return false;
        }
    }
    return true;
}

struct Folder
{
    qint32 userKey = 0;
    qint32 openFolder = 0;
    qint32 busyAuction = 0; // the auction with half a million log rows
};

bool prepare(const QString &path, const practice::PracticeSite &site, Folder *folder, QString *error)
{
    DemoFolder::User user;
    user.siteName = QLatin1String(kSiteUser);
    user.sitePassword = QStringLiteral("secret");
    user.bidSeconds = kBidSeconds;
    if (!DemoFolder::create(path, site.urlFile(), error) || !DemoFolder::addUser(user, error))
        return false;
    folder->userKey = gCurrentUser->PrimaryKey;
    folder->openFolder = GetOpenAuctionsFolder(*gDB, folder->userKey);
    // No refresh of its own and no purge at start-up: the steps do both.
    gDB->execute(QStringLiteral("UPDATE Users SET U_AutoRefreshMins = 0 WHERE U_Primary = ?"), {folder->userKey});
    gSettings->AutoDeleteErrorLogs = false;
    gSettings->ConnectXPriortoBid = 1;
    if (!gSettings->SaveSettings()) {
        *error = QStringLiteral("the settings were not saved");
        return false;
    }
    const QDateTime now = QDateTime::currentDateTime();
    Transaction t(*gDB);
    const bool ok = insertAll(
        QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, "
                       "AUC_CurrentBid, AUC_MinBid, AUC_Quantity, AUC_NumberOfBids, AUC_Ended, "
                       "AUC_TimeLeft, AUC_Status, AUC_Seller, AUC_HighBidder, AUC_CityLocation) "
                       "VALUES (?, ?, ?, ?, ?, ?, 1, ?, ?, ?, 1, ?, ?, ?)"),
        kAuctions,
        [&](int i) -> QVariantList {
            return {folder->userKey,
                    folder->openFolder,
                    QString::number(6100000000LL + i),
                    QStringLiteral("Lot %1 kept over the months, with a title of ordinary length").arg(i),
                    5.0 + i % 300,
                    5.5 + i % 300,
                    i % 12,
                    siteWall(now.addSecs(3600 + 60LL * i)),
                    QStringLiteral("%1 days %2 hours").arg(i / 1440).arg(i / 60 % 24),
                    QStringLiteral("seller%1").arg(i % 400),
                    QStringLiteral("bidder%1").arg(i % 700),
                    QStringLiteral("City %1").arg(i % 90)};
        },
        error);
    if (!ok)
        return false;
    auto rs = gDB->openQuery(QStringLiteral("SELECT MIN(AUC_Primary) AS k FROM Auctions WHERE AUC_User = ?"),
                             {folder->userKey});
    folder->busyAuction = static_cast<qint32>(rs->value(QStringLiteral("k")).toLongLong());
    // The rows are written interleaved, as the program writes them; the oldest general rows are
    // past the age the purge keeps.
    const QDateTime old = now.addDays(-40);
    const int total = kGeneralRows + kAuctionRows;
    const bool logged = insertAll(
        QStringLiteral("INSERT INTO Logs (LOG_TimeStamp, LOG_Auction, LOG_User, LOG_Message) VALUES (?, ?, ?, ?)"),
        total,
        [&](int i) -> QVariantList {
            const bool general = i % 2 == 0;
            const int n = i / 2;
            const QDateTime at = general && n < kPurgedRows ? old.addSecs(n) : now.addSecs(-total + i);
            return {Database::toStorage(at, ColumnKind::Date), general ? 0 : folder->busyAuction,
                    general ? 0 : folder->userKey,
                    general ? QStringLiteral("Unable to connect, aborting processing of Item: #%1").arg(n)
                            : QStringLiteral("Refreshing auction, pass %1: no change in the current bid").arg(n)};
        },
        error);
    if (!logged)
        return false;
    t.commit();
    ReleaseGlobals();
    return true;
}

struct Snipe
{
    QString item;
    qint32 key = 0;
    QDateTime end; // site instant
};

class Bench
{
public:
    Bench(practice::PracticeSite &site, frmAuction &window, const Folder &folder)
        : m_site(site), m_window(window), m_folder(folder)
    {
    }

    // Runs the events until done() holds or timeoutMs has passed. done() is asked every 20 ms at
    // most: its look at the queue and the tables is not the window's work, and asked after every
    // event it would hold the very thread that is measured.
    bool runUntil(const std::function<bool()> &done, int timeoutMs)
    {
        QElapsedTimer t, asked;
        t.start();
        asked.start();
        while (!done()) {
            do {
                if (t.elapsed() > timeoutMs)
                    return false;
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            } while (asked.elapsed() < 20);
            asked.restart();
        }
        return true;
    }

    // A snipe on an auction that ends a few seconds from now, its conversation started; returns
    // once its preparatory bid is in and the final post waits for its moment.
    Snipe schedule()
    {
        Snipe s;
        s.item = QStringLiteral("77%1").arg(++m_snipes, 6, 10, QLatin1Char('0'));
        practice::Auction a;
        a.item = s.item;
        a.title = QStringLiteral("Snipe %1").arg(m_snipes);
        a.startPrice = 10.0;
        const QDateTime now = m_site.now();
        a.end = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + 12, QTimeZone::utc());
        a.bids.push_back({QStringLiteral("rival"), 15.0, 1});
        m_site.addAuction(a);
        s.end = a.end;
        gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, "
                                    "AUC_Status, AUC_Ended, AUC_MaxBid, AUC_BidQuantity, AUC_BidSecs, AUC_Quantity) "
                                    "VALUES (?, ?, ?, ?, 2, ?, 20, 1, ?, 1)"),
                     {m_folder.userKey, m_folder.openFolder, s.item, a.title, siteWall(a.end), kBidSeconds});
        auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_Primary FROM Auctions WHERE AUC_ItemNumber = ?"), {s.item});
        s.key = static_cast<qint32>(rs->value(QStringLiteral("AUC_Primary")).toLongLong());
        m_window.engine().QueueDueSnipes();
        runUntil(
            [&] {
                const QItemPtr last = m_window.engine().mLastQueueItem;
                for (const QItemPtr &i : m_window.engine().queue().items())
                    if (i->Bid && i->Bid->PrimaryKey == s.key)
                        return i->Bid->GetNextAction() == BNBidTalk::FinalBid;
                return last && last->Bid && last->Bid->PrimaryKey == s.key &&
                       last->Bid->GetNextAction() == BNBidTalk::FinalBid;
            },
            10000);
        return s;
    }

    bool conversationOver(const Snipe &s) const
    {
        AuctionEngine &e = m_window.engine();
        for (const QItemPtr &i : e.queue().items())
            if (i->Bid && i->Bid->PrimaryKey == s.key)
                return false;
        const QItemPtr last = e.mLastQueueItem;
        return !(last && last->Bid && last->Bid->PrimaryKey == s.key && e.Inet1().StillExecuting());
    }

    // By the site's record: a final post that came before the end, and the lot is the user's.
    bool onTime(const Snipe &s) const
    {
        bool before = false;
        for (const auto &r : m_site.requests())
            if (r.command == QLatin1String("AcceptBid") && r.body.contains(s.item.toUtf8()) &&
                r.arrivalMs < s.end.toMSecsSinceEpoch())
                before = true;
        const auto standing = m_site.standing(s.item);
        return before && standing && standing->highBidder == QLatin1String(kSiteUser);
    }

    // One step: a snipe is made ready, the step starts leadMs before its final post falls due,
    // and the gap is measured until the step's work and the snipe are both done.
    void step(
        const char *name, int leadMs, const std::function<void()> &start,
        const std::function<bool()> &done = [] { return true; })
    {
        const Snipe s = schedule();
        const qint64 due = s.end.toMSecsSinceEpoch() - kBidSeconds * 1000LL;
        runUntil([&] { return m_site.now().toMSecsSinceEpoch() >= due - leadMs; }, 20000);
        m_pulse.restart();
        QElapsedTimer took;
        took.start();
        start();
        const qint64 startMs = took.elapsed();
        const bool finished =
            runUntil([&] { return done() && conversationOver(s) && m_site.now() > s.end.addMSecs(500); }, 120000);
        const qint64 gap = m_pulse.maxGap();
        const bool ok = onTime(s);
        ++m_steps;
        m_onTime += ok ? 1 : 0;
        std::printf("max_gap_ms_%s=%lld\n", name, static_cast<long long>(gap));
        std::fprintf(stderr, "  %s: %lld ms to start, %lld ms in all%s, snipe %s\n", name,
                     static_cast<long long>(startMs), static_cast<long long>(took.elapsed()),
                     finished ? "" : " (did not finish)", ok ? "on time" : "LATE or lost");
        std::fflush(stdout);
    }

    void summary() const
    {
        std::printf("snipes_on_time=%d/%d\n", m_onTime, m_steps);
        std::printf("rss_mb_max=%.1f\n", double(m_pulse.rssKbMax()) / 1024.0);
        std::fflush(stdout);
    }

    Pulse &pulse() { return m_pulse; }

private:
    practice::PracticeSite &m_site;
    frmAuction &m_window;
    Folder m_folder;
    Pulse m_pulse;
    int m_snipes = 0;
    int m_steps = 0;
    int m_onTime = 0;
};

void chooseView(frmAuction &window, const QString &view)
{
    auto *box = window.findChild<QComboBox *>(QStringLiteral("cboView"));
    if (box)
        box->setCurrentIndex(box->findText(view));
}

} // namespace

int main(int argc, char **argv)
{
    DemoFolder::useHeadlessPlatform();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Zandrift"));
    QApplication::setApplicationName(QStringLiteral("Zandrift"));
    QStringList only;
    const QStringList args = QCoreApplication::arguments();
    if (const int at = args.indexOf(QStringLiteral("--steps")); at >= 0 && at + 1 < args.size())
        only = args[at + 1].split(QLatin1Char(','));

    practice::PracticeSite site;
    if (!site.start()) {
        std::fprintf(stderr, "bench_window_thread: the practice site did not start\n");
        return 1;
    }
    site.addUser(QLatin1String(kSiteUser), QStringLiteral("secret"));
    site.setRequestLogLimit(100000);
    for (int i = 0; i < kImports; ++i) {
        practice::Auction a;
        a.item = QStringLiteral("78%1").arg(i, 6, 10, QLatin1Char('0'));
        a.title = QStringLiteral("Imported lot %1").arg(i);
        a.startPrice = 3.0 + i;
        a.end = site.now().addSecs(86400 + 60LL * i);
        site.addAuction(a);
    }

    QTemporaryDir dir;
    Folder folder;
    QString error;
    QElapsedTimer setup;
    setup.start();
    if (!prepare(dir.path(), site, &folder, &error)) {
        std::fprintf(stderr, "bench_window_thread: %s\n", qPrintable(error));
        return 1;
    }
    std::fprintf(stderr, "  program folder of %d auctions and %d log rows ready in %lld ms\n", kAuctions,
                 kGeneralRows + kAuctionRows, static_cast<long long>(setup.elapsed()));
    DesktopServices::setOpener([](const QUrl &) { return true; });

    SilentDialogs dialogs;
    frmAuction window(dialogs, new FakeBrowser); // the window owns its browser
    Bench bench(site, window, folder);
    if (!window.Form_Load(QString())) {
        std::fprintf(stderr, "bench_window_thread: the window did not start\n");
        return 1;
    }
    gSettings->ConnectXPriortoBid = 1;
    window.showFolderByKey(folder.openFolder);
    bench.runUntil([] { return false; }, 1000);
    const auto wanted = [&](const char *name) { return only.isEmpty() || only.contains(QLatin1String(name)); };
    AuctionEngine &engine = window.engine();

    if (wanted("snipe_alone"))
        bench.step("snipe_alone", 100, [] {});
    if (wanted("refresh_auction_list")) {
        bench.step("refresh_auction_list", 100, [&] { window.Toolbar1_ButtonClick(QStringLiteral("refresh")); });
        // The ten thousand refreshes would keep the pump busy for the rest of the run.
        engine.queue().RemoveAllItemsExceptSnipes();
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Refreshed = 1"));
    }
    if (wanted("show_error_log"))
        bench.step("show_error_log", 100, [&] {
            chooseView(window, QStringLiteral("General Error Log"));
            window.logPane().ShowErrorLog();
        });
    if (wanted("show_auction_log"))
        bench.step("show_auction_log", 100, [&] {
            chooseView(window, QStringLiteral("Auction Log"));
            window.logPane().setSelectedAuction(folder.busyAuction, true);
        });
    if (wanted("new_log_row"))
        bench.step("new_log_row", 100, [&] {
            BSN_Log().MarkAuction(0, folder.userKey, QStringLiteral("A general row while the log shows"));
            BSN_Log().MarkAuction(folder.busyAuction, folder.userKey, QStringLiteral("A row of the shown auction"));
        });
    if (wanted("import_burst")) {
        int before = 0;
        bench.step(
            "import_burst", 1500,
            [&] {
                before = gDB->openQuery(QStringLiteral("SELECT COUNT(*) AS n FROM Auctions"))
                             ->value(QStringLiteral("n"))
                             .toInt();
                for (int i = 0; i < kImports; ++i)
                    engine.AddAuction(false, QStringLiteral("78%1").arg(i, 6, 10, QLatin1Char('0')));
            },
            [&] {
                return gDB->openQuery(QStringLiteral("SELECT COUNT(*) AS n FROM Auctions"))
                               ->value(QStringLiteral("n"))
                               .toInt() >= before + kImports ||
                       engine.queue().Count() == 0;
            });
    }
    if (wanted("purge_logs"))
        bench.step("purge_logs", 100, [&] {
            gSettings->AutoDeleteErrorLogs = true;
            gSettings->DeleteErrorLogDays = 30;
            PurgeOldRecords();
            window.logPane().ShowErrorLog();
        });
    if (wanted("grid_build"))
        bench.step("grid_build", 100, [&] {
            window.BuildAuctionGrid(folder.openFolder);
            window.UpdateTimeLeftColumn();
        });
    if (wanted("export_auction_log"))
        bench.step(
            "export_auction_log", 800,
            [&] {
                window.logPane().setSelectedAuction(folder.busyAuction, true);
                window.logPane().mnuLogPopUpExport_Click();
            },
            [&] { return !window.logPane().exporting(); });

    bench.summary();
    window.setAllTimersEnabled(false);
    window.closeForShutdown();
    ReleaseGlobals();
    return 0;
}
