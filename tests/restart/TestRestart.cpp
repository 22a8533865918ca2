// The real program, killed with SIGKILL in the middle of a snipe's conversation and started
// again on the same program folder. Each case has its own folder and its own practice site, and
// the cases run side by side, so the whole test lasts about one short auction.
#include "DemoFolder.h"
#include "FormData.h"
#include "PracticeSite.h"
#include "platform/Database.h"
#include "platform/SingleInstance.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/types.h>
#include <unistd.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// The auctions end this long after the programs are first started: room for two start-ups and
// the conversation before the final moment, also on a busy machine.
constexpr int kEndSecs = kSanitized ? 60 : 45;
constexpr qint32 kBidSecs = 8;
// The case restarted just after its snipe moment: a moment well after the first kill, and time
// left to start up and bid before the end.
constexpr qint32 kLateBidSecs = 25;
// The site holds the final post's reply this long; the bid lands well before the end.
constexpr int kHoldMs = 3000;
constexpr double kMaxBid = 20.0;
const QString kSiteUser = QStringLiteral("snipetester");
const QStringList kTables = {"Application", "Users", "Folders", "Shortcuts", "Auctions", "Logs"};

enum class KillPoint
{
    ClockSynced,
    PreparatoryBid,
    FinalPostSent
};
// When the killed program is started again: at once, after its snipe moment while the auction
// still runs, or after the auction's end.
enum class Restart
{
    AtOnce,
    AfterMoment,
    AfterEnd
};

using RowCounts = QMap<QString, qint64>;

// Every process of the group that still runs (zombies excepted).
int liveProcessesInGroup(pid_t group)
{
    int live = 0;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        // After the command's ")": state, parent, process group.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields[2].toLongLong() == group && fields[0] != "Z" && fields[0] != "X")
            ++live;
    }
    return live;
}

QString integrityAndCounts(const QString &dbPath, RowCounts *counts)
{
    QString error;
    auto db = Database::open(dbPath, &error);
    if (!db)
        return error;
    for (const QString &table : kTables)
        (*counts)[table] = db->openQuery(QStringLiteral("SELECT count(*) AS n FROM ") + table)
                               ->value(QStringLiteral("n"))
                               .toLongLong();
    return db->integrityCheck();
}

// The snipe row's status read from the live file beside the running program, -1 when busy.
int liveStatus(const QString &dbPath, const QString &item)
{
    static int serial = 0;
    const QString name = QStringLiteral("restart-poll-%1").arg(++serial);
    int status = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(dbPath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=1000"));
        if (db.open()) {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT AUC_Status FROM Auctions WHERE AUC_ItemNumber = ?"));
            q.addBindValue(item);
            if (q.exec() && q.next())
                status = q.value(0).toInt();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return status;
}

qint64 lockOwner(const QString &folder)
{
    QFile lock(QDir(folder).filePath(QLatin1String(SingleInstance::kLockFileName)));
    if (!lock.open(QIODevice::ReadOnly))
        return 0;
    return lock.readLine().trimmed().toLongLong();
}

struct Case
{
    QString name;
    KillPoint point = KillPoint::ClockSynced;
    Restart restart = Restart::AtOnce;
    qint32 bidSecs = kBidSecs;
    QString item;

    practice::PracticeSite site;
    QTemporaryDir dir;
    QDateTime end; // UTC
    std::unique_ptr<QProcess> program;
    QByteArray output;

    enum Phase
    {
        FirstRun,
        Down,
        SecondRun,
        Stopping,
        Finished
    } phase = FirstRun;
    QString failure;
    qint64 firstPid = 0, secondPid = 0;
    qint64 killedAtMs = 0;
    qint64 secondStartedMs = 0, statusChangedMs = 0, lastPollMs = 0;
    qint64 lockAtKill = 0;
    bool lockTakenOver = false;
    int liveAfterKill = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    int exitCode = -1;
    RowCounts prepared, atKill, atEnd;
    QString integrityAtKill, integrityAtEnd;

    QString folder() const { return dir.path() + QStringLiteral("/program"); }
    QString database() const { return folder() + QStringLiteral("/auction.mdb"); }
    QString describe() const
    {
        return name + QStringLiteral(": ") + failure + QStringLiteral("\n--- program output (tail) ---\n") +
               QString::fromLocal8Bit(output.right(3000));
    }
};

bool killPointReached(const Case &c)
{
    for (const practice::RecordedRequest &r : c.site.requests()) {
        switch (c.point) {
        case KillPoint::ClockSynced:
            if (r.command == QLatin1String("TimeShow") && r.processedMs > 0)
                return true;
            break;
        case KillPoint::PreparatoryBid:
            if (r.command == QLatin1String("MakeBid") && r.processedMs > 0)
                return true;
            break;
        case KillPoint::FinalPostSent:
            // Arrived, and its reply still held by the site.
            if (r.command == QLatin1String("AcceptBid") && r.processedMs == 0)
                return true;
            break;
        }
    }
    return false;
}

std::vector<practice::RecordedRequest> requestsOf(const Case &c, const QString &command)
{
    std::vector<practice::RecordedRequest> out;
    for (const practice::RecordedRequest &r : c.site.requests())
        if (r.command == command)
            out.push_back(r);
    return out;
}

QStringList auctionLog(Database &db, const QString &item)
{
    QStringList rows;
    auto rs = db.openQuery(QStringLiteral("SELECT LOG_Message FROM Logs WHERE LOG_Auction = (SELECT AUC_Primary FROM "
                                          "Auctions WHERE AUC_ItemNumber = ?) ORDER BY LOG_Primary"),
                           {item});
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        rows << rs->value(QStringLiteral("LOG_Message")).toString();
    return rows;
}

} // namespace

class TestRestart : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        DemoFolder::useHeadlessPlatform();
    }

private slots:
    void initTestCase() { QCoreApplication::setOrganizationName(QStringLiteral("Zandrift")); }
    void cleanup()
    {
        for (auto &c : m_cases)
            stopProgram(*c, SIGKILL);
        m_cases.clear();
        ReleaseGlobals();
    }

    void killedMidSnipeAndStartedAgain();

private:
    bool prepare(Case &c, QString *error);
    bool startProgram(Case &c);
    void killProgram(Case &c);
    void stopProgram(Case &c, int signal);
    void step(Case &c);
    void checkCase(Case &c);

    std::vector<std::unique_ptr<Case>> m_cases;
};

bool TestRestart::prepare(Case &c, QString *error)
{
    if (!c.dir.isValid() || !c.site.start())
        return false;
    c.site.addUser(kSiteUser, QStringLiteral("secret"));
    practice::Auction a;
    a.item = c.item;
    a.title = QStringLiteral("Restart case ") + c.name;
    a.startPrice = 5.0;
    a.end = c.end;
    a.bids.push_back(practice::Bid{QStringLiteral("rival"), 12.0, 1});
    c.site.addAuction(a);
    if (c.point == KillPoint::FinalPostSent)
        c.site.setFault(QLatin1String(practice::PracticeSite::kDllPath) + QStringLiteral("?AcceptBid"),
                        practice::Fault{practice::FaultKind::Delay, kHoldMs, 1, 0});

    DemoFolder::User user;
    user.siteName = kSiteUser;
    user.sitePassword = QStringLiteral("secret");
    user.bidSeconds = c.bidSecs;
    if (!DemoFolder::create(c.folder(), c.site.urlFile(), error) || !DemoFolder::addUser(user, error))
        return false;
    // The snipe's own request is the only official-time page asked for, and its conversation
    // starts as soon as the program is up.
    gSettings->AutoTimeSync = 0;
    gSettings->ConnectXPriortoBid = 2;
    if (!gSettings->SaveSettings()) {
        *error = QStringLiteral("Cannot save the settings");
        return false;
    }
    if (!DemoFolder::importAuctions({c.item}, 30000, error) ||
        !DemoFolder::scheduleSnipe(c.item, kMaxBid, 1, c.bidSecs, error))
        return false;
    ReleaseGlobals();
    const QString integrity = integrityAndCounts(c.database(), &c.prepared);
    if (integrity != QLatin1String("ok")) {
        *error = integrity;
        return false;
    }
    c.site.clearRequests();
    return true;
}

bool TestRestart::startProgram(Case &c)
{
    c.program = std::make_unique<QProcess>();
    const QString home = c.dir.path() + QStringLiteral("/home");
    QDir().mkpath(home + QStringLiteral("/runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZANDRIFT_HOME"), c.folder());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), c.folder() + QStringLiteral("/config"));
    // The programs run side by side: each keeps its browser's caches to itself.
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
    c.program->setProcessEnvironment(env);
    c.program->setProcessChannelMode(QProcess::MergedChannels);
    // A group of its own: the browser's helper processes go down with the program.
    c.program->setChildProcessModifier([] { ::setpgid(0, 0); });
    c.program->start(QStringLiteral(ZANDRIFT_EXECUTABLE), {});
    if (!c.program->waitForStarted(10000)) {
        c.failure = QStringLiteral("the program did not start: ") + c.program->errorString();
        return false;
    }
    return true;
}

void TestRestart::killProgram(Case &c)
{
    const pid_t group = static_cast<pid_t>(c.program->processId());
    c.killedAtMs = QDateTime::currentMSecsSinceEpoch();
    ::kill(-group, SIGKILL);
    c.program->waitForFinished(10000);
    c.output += c.program->readAll();
    QElapsedTimer wait;
    wait.start();
    while (liveProcessesInGroup(group) > 0 && wait.elapsed() < 5000)
        QThread::msleep(50);
    c.liveAfterKill = liveProcessesInGroup(group);
    c.lockAtKill = lockOwner(c.folder());

    // The file as the killed program left it, journal and all, checked on a copy.
    const QString copy = c.dir.path() + QStringLiteral("/at-kill");
    QDir().mkpath(copy);
    for (const QString &suffix : {QString(), QStringLiteral("-journal"), QStringLiteral("-wal")})
        if (QFile::exists(c.database() + suffix))
            QFile::copy(c.database() + suffix, copy + QStringLiteral("/auction.mdb") + suffix);
    c.integrityAtKill = integrityAndCounts(copy + QStringLiteral("/auction.mdb"), &c.atKill);
}

void TestRestart::stopProgram(Case &c, int signal)
{
    if (!c.program || c.program->state() == QProcess::NotRunning)
        return;
    const pid_t group = static_cast<pid_t>(c.program->processId());
    ::kill(signal == SIGKILL ? -group : group, signal);
    if (!c.program->waitForFinished(60000)) {
        ::kill(-group, SIGKILL);
        c.program->waitForFinished(10000);
    }
    c.output += c.program->readAll();
    c.exitStatus = c.program->exitStatus();
    c.exitCode = c.program->exitCode();
    QElapsedTimer wait;
    wait.start();
    while (liveProcessesInGroup(group) > 0 && wait.elapsed() < 5000)
        QThread::msleep(50);
    if (liveProcessesInGroup(group) > 0)
        ::kill(-group, SIGKILL);
}

// One look at a case: moves it on when its moment has come.
void TestRestart::step(Case &c)
{
    if (c.program && c.program->state() != QProcess::NotRunning)
        c.output += c.program->readAll();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    switch (c.phase) {
    case Case::FirstRun:
        if (c.program->state() == QProcess::NotRunning) {
            c.failure = QStringLiteral("the first run ended by itself before the kill point");
            c.phase = Case::Finished;
        } else if (killPointReached(c)) {
            killProgram(c);
            qInfo("%s: killed %.1f s before the end", qPrintable(c.name),
                  QDateTime::currentDateTimeUtc().msecsTo(c.end) / 1000.0);
            c.phase = Case::Down;
        }
        break;
    case Case::Down:
        if ((c.restart == Restart::AfterMoment && c.site.now() < c.end.addSecs(1 - c.bidSecs)) ||
            (c.restart == Restart::AfterEnd && c.site.now() < c.end.addSecs(1)))
            break;
        c.secondStartedMs = now;
        if (!startProgram(c)) {
            c.phase = Case::Finished;
            break;
        }
        c.secondPid = c.program->processId();
        c.phase = Case::SecondRun;
        break;
    case Case::SecondRun:
        if (c.program->state() == QProcess::NotRunning) {
            c.failure = QStringLiteral("the second start ended by itself (exit code %1)").arg(c.program->exitCode());
            c.phase = Case::Finished;
            break;
        }
        if (lockOwner(c.folder()) == c.secondPid)
            c.lockTakenOver = true;
        if (c.statusChangedMs == 0 && now - c.lastPollMs >= 500) {
            c.lastPollMs = now;
            const int status = liveStatus(c.database(), c.item);
            if (status > 0 && status != 2)
                c.statusChangedMs = now;
        }
        // Done once the snipe has left the scheduled state for a while and the auction is over,
        // so that any post still to come has come.
        if (c.statusChangedMs > 0 && now - c.statusChangedMs > 2000 && c.site.now() > c.end.addSecs(2))
            c.phase = Case::Stopping;
        break;
    case Case::Stopping:
        qInfo("%s: second run up %.1f s, snipe row settled %.1f s after it started", qPrintable(c.name),
              (now - c.secondStartedMs) / 1000.0, (c.statusChangedMs - c.secondStartedMs) / 1000.0);
        stopProgram(c, SIGTERM);
        c.integrityAtEnd = integrityAndCounts(c.database(), &c.atEnd);
        c.phase = Case::Finished;
        break;
    case Case::Finished:
        break;
    }
}

void TestRestart::killedMidSnipeAndStartedAgain()
{
    struct Plan
    {
        const char *name;
        KillPoint point;
        Restart restart;
    };
    const Plan plans[] = {
        {"after the clock sync", KillPoint::ClockSynced, Restart::AtOnce},
        {"after the preparatory bid", KillPoint::PreparatoryBid, Restart::AtOnce},
        {"final post sent, reply held", KillPoint::FinalPostSent, Restart::AtOnce},
        {"moment passed while down", KillPoint::PreparatoryBid, Restart::AfterMoment},
        {"auction ended while down", KillPoint::PreparatoryBid, Restart::AfterEnd},
    };
    const QDateTime end = QDateTime::currentDateTimeUtc().addSecs(kEndSecs);
    int n = 0;
    for (const Plan &p : plans) {
        auto c = std::make_unique<Case>();
        c->name = QLatin1String(p.name);
        c->point = p.point;
        c->restart = p.restart;
        c->bidSecs = p.restart == Restart::AfterMoment ? kLateBidSecs : kBidSecs;
        c->item = QString::number(4100000001LL + n++);
        c->end = end;
        QString error;
        QVERIFY2(prepare(*c, &error), qPrintable(c->name + QStringLiteral(": ") + error));
        m_cases.push_back(std::move(c));
    }
    QVERIFY2(QDateTime::currentDateTimeUtc().secsTo(end) > kEndSecs - 15, "the folders took too long to prepare");

    QElapsedTimer clock;
    clock.start();
    for (auto &c : m_cases)
        QVERIFY2(startProgram(*c), qPrintable(c->describe()));
    for (auto &c : m_cases)
        c->firstPid = c->program->processId();
    const qint64 deadlineMs = (kEndSecs + (kSanitized ? 150 : 90)) * 1000LL;
    bool busy = true;
    while (busy && clock.elapsed() < deadlineMs) {
        QTest::qWait(25);
        busy = false;
        for (auto &c : m_cases) {
            step(*c);
            busy = busy || c->phase != Case::Finished;
        }
    }
    qInfo("all cases done after %.1f s", clock.elapsed() / 1000.0);
    for (auto &c : m_cases) {
        if (c->phase != Case::Finished && c->failure.isEmpty())
            c->failure = QStringLiteral("still in phase %1 at the deadline").arg(c->phase);
        stopProgram(*c, SIGKILL);
    }
    for (auto &c : m_cases) {
        checkCase(*c);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestRestart::checkCase(Case &c)
{
    const QString what = c.describe();
    QVERIFY2(c.failure.isEmpty(), qPrintable(what));

    // The kill took the whole group down, and left a stale lock that did not block the restart.
    QCOMPARE(c.liveAfterKill, 0);
    QCOMPARE(c.lockAtKill, c.firstPid);
    QVERIFY2(c.lockTakenOver, qPrintable(c.name + QStringLiteral(": the second start never held the lock")));
    QCOMPARE(c.exitStatus, QProcess::NormalExit);
    QVERIFY2(c.exitCode == 0, qPrintable(what));

    // The store: whole after the kill and after the second run, no row lost.
    QCOMPARE(c.integrityAtKill, QStringLiteral("ok"));
    QCOMPARE(c.integrityAtEnd, QStringLiteral("ok"));
    for (const QString &table : kTables) {
        const QString where = c.name + QStringLiteral(", table ") + table;
        if (table == QLatin1String("Logs")) {
            QVERIFY2(c.atKill[table] >= c.prepared[table], qPrintable(where));
            QVERIFY2(c.atEnd[table] >= c.atKill[table], qPrintable(where));
        } else {
            QVERIFY2(c.atKill[table] == c.prepared[table], qPrintable(where));
            QVERIFY2(c.atEnd[table] == c.prepared[table], qPrintable(where));
        }
    }

    auto db = Database::open(c.database());
    QVERIFY(db);
    auto row =
        db->openQuery(QStringLiteral("SELECT AUC_Status, AUC_Folder FROM Auctions WHERE AUC_ItemNumber = ?"), {c.item});
    const int status = row->value(QStringLiteral("AUC_Status")).toInt();
    const qint32 folder = row->value(QStringLiteral("AUC_Folder")).toInt();
    const QStringList log = auctionLog(*db, c.item);
    const QString logText = c.name + QStringLiteral(": ") + log.join(QStringLiteral(" | "));

    // Every final post carries the scheduled amount and quantity.
    const auto finals = requestsOf(c, QStringLiteral("AcceptBid"));
    for (const practice::RecordedRequest &r : finals) {
        const FormData form(r.body);
        QCOMPARE(form.value(QStringLiteral("item")), c.item);
        QCOMPARE(form.value(QStringLiteral("maxbid")), QStringLiteral("20"));
        QCOMPARE(form.value(QStringLiteral("quant")), QStringLiteral("1"));
    }
    const std::optional<practice::Standing> standing = c.site.standing(c.item);
    QVERIFY(standing);

    if (c.restart == Restart::AfterEnd) {
        // Nothing was posted too late; the row says the moment was missed.
        QVERIFY2(finals.empty(), qPrintable(c.name));
        QCOMPARE(standing->highBidder, QStringLiteral("rival"));
        QCOMPARE(status, 7);
        QVERIFY2(log.contains(QStringLiteral("Auction has ended...too late to submit a bid.")), qPrintable(logText));
        QVERIFY2(log.contains(QStringLiteral("Snipe Aborted.")), qPrintable(logText));
        auto closed = db->openQuery(QStringLiteral("SELECT FLD_Primary FROM Folders WHERE FLD_Name = ?"),
                                    {QStringLiteral("Closed Auctions")});
        QCOMPARE(folder, closed->value(QStringLiteral("FLD_Primary")).toInt());
        return;
    }

    // The bid stands at the site and the row says it was placed.
    QCOMPARE(standing->highBidder.toLower(), kSiteUser);
    QCOMPARE(standing->highMax, kMaxBid);
    QCOMPARE(status, 3);
    QVERIFY2(!log.join(QLatin1Char('\n')).contains(QStringLiteral("Aborted")), qPrintable(logText));

    if (c.point == KillPoint::FinalPostSent) {
        // The kill fell between the post and its reply; a repeat, if any, comes after the restart
        // and asks for the same bid.
        QVERIFY(!finals.empty());
        QVERIFY2(finals.size() <= 2, qPrintable(logText));
        QVERIFY(finals[0].arrivalMs < c.killedAtMs);
        QVERIFY(finals[0].processedMs == 0 || finals[0].processedMs > c.killedAtMs);
        if (finals.size() == 2) {
            QVERIFY(finals[1].arrivalMs > c.secondStartedMs);
            QCOMPARE(FormData(finals[1].body).value(QStringLiteral("maxbid")),
                     FormData(finals[0].body).value(QStringLiteral("maxbid")));
        }
        return;
    }

    // Killed before the final post: the scheduler took the snipe up again from the start, and
    // its one final post was confirmed. Restarted after the moment, it bid at once.
    if (c.restart == Restart::AfterMoment) {
        const qint64 momentMs = c.end.addSecs(-c.bidSecs).toMSecsSinceEpoch();
        QVERIFY2(c.killedAtMs < momentMs && c.secondStartedMs > momentMs,
                 qPrintable(c.name + QStringLiteral(": the outage did not span the snipe moment")));
    }
    QCOMPARE(int(finals.size()), 1);
    QVERIFY(finals[0].arrivalMs > c.secondStartedMs);
    bool syncedAgain = false;
    for (const practice::RecordedRequest &r : requestsOf(c, QStringLiteral("TimeShow")))
        syncedAgain = syncedAgain || r.arrivalMs > c.secondStartedMs;
    QVERIFY2(syncedAgain, qPrintable(c.name));
    QVERIFY2(log.contains(QStringLiteral("Bid placement of $20.00 for item #%1 Confirmed.").arg(c.item)),
             qPrintable(logText));
}

QTEST_MAIN(TestRestart)
#include "TestRestart.moc"
