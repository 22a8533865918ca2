#include "ScenarioRun.h"

#include "EngineFixture.h"
#include "LatencyLink.h"
#include "dialogs/frmSchedule.h"
#include "engine/AuctionEngine.h"
#include "engine/EventGuard.h"
#include "engine/ebayURLS.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/InetTransfer.h"
#include "store/AppSettings.h"
#include "store/AuctionStatus.h"
#include "store/Globals.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>

namespace harness {

namespace {

qint64 realNow()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// Plays the user against one fixture: each action as the window's command would do it.
class User
{
public:
    User(EngineFixture &f, Outcome &out) : m_f(f), m_out(out) {}

    void perform(const Action &a, const std::function<void(qint64, std::function<void()>)> &later)
    {
        AuctionOutcome *auction = a.auction >= 0 ? &m_out.auctions[static_cast<size_t>(a.auction)] : nullptr;
        const QString what = QStringLiteral("@%1ms %2").arg(a.atMs).arg(QLatin1String(actionName(a.kind)));
        switch (a.kind) {
        case ActionKind::EditMax:
            if (!save(*auction, a.amount))
                note(what + QStringLiteral(": not saved"));
            break;
        case ActionKind::Reschedule:
            if (!unschedule(*auction)) {
                note(what + QStringLiteral(": could not unschedule"));
                break;
            }
            later(a.gapMs, [this, auction, a, what] {
                if (!save(*auction, a.amount))
                    note(what + QStringLiteral(": the schedule again was not saved"));
            });
            break;
        case ActionKind::Unschedule:
            if (!unschedule(*auction))
                note(what + QStringLiteral(": could not unschedule"));
            break;
        case ActionKind::Delete:
            remove(*auction, what);
            break;
        case ActionKind::Halt:
            m_f.engine->HaltOperation();
            break;
        case ActionKind::Minimise: {
            // As the window does on minimising into the tray, and on coming back.
            const UserPtr kept = gCurrentUser;
            CurrentUser::instance().signOut();
            m_f.engine->HaltOperation();
            later(a.gapMs, [kept] {
                if (!gCurrentUser)
                    CurrentUser::instance().signIn(kept);
            });
            break;
        }
        case ActionKind::SignOut:
            CurrentUser::instance().signOut();
            m_f.engine->HaltOperation();
            if (a.gapMs > 0)
                later(a.gapMs, [this] { signIn(); });
            break;
        case ActionKind::TimeOffset:
            // What saving System Settings does with the offset.
            gSettings->TimeOffset = static_cast<qint16>(gSettings->TimeOffset + a.value);
            if (!gSettings->SaveSettings())
                note(what + QStringLiteral(": the settings were not saved"));
            break;
        case ActionKind::WallStep:
            // The machine's wall clock steps (NTP, a resume); the steady clock and the site's
            // clock run on.
            Clock::stepMachineClock(a.value);
            break;
        case ActionKind::HoldDatabase:
            hold(a, later);
            break;
        }
    }

    void signIn()
    {
        if (!gCurrentUser)
            CurrentUser::instance().signIn(gUsers->GetUserByPrimary(m_f.userKey));
    }

    void releaseHolds()
    {
        for (const QString &name : m_holds) {
            {
                QSqlDatabase db = QSqlDatabase::database(name, false);
                if (db.isOpen()) {
                    QSqlQuery(db).exec(QStringLiteral("COMMIT"));
                    db.close();
                }
            }
            QSqlDatabase::removeDatabase(name);
        }
        m_holds.clear();
    }

private:
    void note(const QString &text) { m_out.notes << text; }

    void inForce(AuctionOutcome &a, double amount)
    {
        if (amount > 0 && (a.maxima.empty() || a.maxima.back().amount <= 0))
            a.inForceSinceMs = realNow();
        a.maxima.push_back({realNow(), amount});
        a.leftInPlace = amount > 0;
    }

    // The schedule command on the auction's grid row, with the real dialog; act presses a button
    // and says whether it did what was asked.
    bool throughDialog(const AuctionOutcome &a, const std::function<bool(frmSchedule &)> &act)
    {
        if (!gCurrentUser || a.deleted)
            return false;
        m_f.window->BuildAuctionGrid(m_f.openFolder);
        const qint32 row = m_f.window->grid.findRowByKey(a.key);
        if (row < 0)
            return false; // moved to Closed Auctions: the user no longer sees it here
        m_f.window->grid.selectRow(row);
        bool done = false;
        runGuarded("the harness's schedule command", ErrorReport::Log, [&] {
            m_f.engine->ScheduleSnipe([&] {
                frmSchedule dialog;
                if (!dialog.isLoaded()) {
                    ScheduleCancelled = true;
                    return;
                }
                done = act(dialog);
            });
        });
        return done;
    }

    bool save(AuctionOutcome &a, double amount)
    {
        bool saved = throughDialog(a, [amount](frmSchedule &d) {
            d.findChild<QLineEdit *>(QStringLiteral("txtMaxBid"))->setText(QString::number(amount, 'f', 2));
            d.cmdOK_Click();
            return !ScheduleCancelled;
        });
        // A save the database refused (the dialog said so) leaves the schedule as it was.
        saved = saved && rowReads(a, AuctionStatus::Scheduled, amount);
        if (saved)
            inForce(a, amount);
        return saved;
    }

    bool rowReads(const AuctionOutcome &a, int status, double amount)
    {
        bool reads = false;
        runGuarded("the harness's look at the row", ErrorReport::Log, [&] {
            auto rs = gDB->openQuery(
                QStringLiteral("SELECT AUC_Status, AUC_MaxBid FROM Auctions WHERE AUC_Primary = ?"), {a.key});
            reads = rs->recordCount() > 0 && rs->value(QStringLiteral("AUC_Status")).toInt() == status &&
                    std::abs(rs->value(QStringLiteral("AUC_MaxBid")).toDouble() - amount) < 0.005;
        });
        return reads;
    }

    bool unschedule(AuctionOutcome &a)
    {
        bool done = throughDialog(a, [](frmSchedule &d) {
            if (!d.findChild<QPushButton *>(QStringLiteral("cmdUnschedule"))->isEnabled())
                return false;
            d.cmdUnschedule_Click();
            return SnipeUnscheduled && !ScheduleCancelled;
        });
        done = done && rowReads(a, AuctionStatus::NotScheduled, 0);
        if (done)
            inForce(a, 0);
        return done;
    }

    // The Delete command on the auction's row, as the window does it: the engine forgets the
    // auction's work, then the row goes. A database that refuses the delete leaves the row, and
    // its schedule, where the user sees them.
    bool remove(AuctionOutcome &a, const QString &what)
    {
        if (a.deleted)
            return true;
        if (!gCurrentUser) {
            note(what + QStringLiteral(": nobody signed in"));
            return false;
        }
        bool deleted = false;
        const QString itemNumber = m_f.column(a.key, QStringLiteral("AUC_ItemNumber")).toString();
        runGuarded("the harness's delete", ErrorReport::Log, [&] {
            gDB->execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_Primary = ?"), {a.key});
            deleted = true;
            AuctionEngine::Forget gone;
            gone.userKey = gCurrentUser->PrimaryKey;
            gone.auctions = {a.key};
            gone.itemNumbers = {itemNumber};
            m_f.engine->ForgetAuctions(gone);
        });
        if (!deleted || m_f.column(a.key, QStringLiteral("AUC_Primary")).isValid()) {
            // As in the window: the row, its schedule and its conversation stay.
            note(what + QStringLiteral(": the database refused, the row stays"));
            return false;
        }
        a.deleted = true;
        inForce(a, 0);
        return true;
    }

    void hold(const Action &a, const std::function<void(qint64, std::function<void()>)> &later)
    {
        const QString name = QStringLiteral("harness_hold_%1").arg(m_holds.size());
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(gDB->path());
        // The other process runs on this thread here: it must never wait for a lock, or it would
        // hold the program's thread, which no other process can.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        m_holds << name;
        if (!db.open()) {
            note(QStringLiteral("@%1ms hold_database: could not open").arg(a.atMs));
            return;
        }
        QSqlQuery q(db);
        const bool held = a.value ? q.exec(QStringLiteral("BEGIN IMMEDIATE"))
                                  : q.exec(QStringLiteral("BEGIN")) &&
                                        q.exec(QStringLiteral("SELECT count(*) FROM Auctions")) && q.next();
        if (!held)
            note(QStringLiteral("@%1ms hold_database: %2").arg(a.atMs).arg(q.lastError().text()));
        later(a.gapMs, [name] {
            QSqlDatabase other = QSqlDatabase::database(name, false);
            // A commit refused (the program holds a lock meanwhile) gives the transaction up.
            if (other.isOpen() && !QSqlQuery(other).exec(QStringLiteral("COMMIT")))
                QSqlQuery(other).exec(QStringLiteral("ROLLBACK"));
        });
    }

    EngineFixture &m_f;
    Outcome &m_out;
    QStringList m_holds;
};

bool snipeLeft(EngineFixture &f)
{
    for (const QItemPtr &i : f.engine->queue().items())
        if (i->Bid)
            return true;
    return f.engine->mLastQueueItem && f.engine->mLastQueueItem->Bid && f.engine->Inet1().StillExecuting();
}

bool pointAt(EngineFixture &f, practice::LatencyLink &link, int oneWayMs)
{
    if (!link.start(f.site.port(), oneWayMs))
        return false;
    QFile urls(f.folder.file(QStringLiteral("eburl.zdx")));
    if (!urls.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    urls.write(f.site.urlFile().replace(f.site.baseUrl().toUtf8(), link.baseUrl().toUtf8()));
    urls.close();
    gURLs.reset();
    return true;
}

} // namespace

Outcome runScenario(const Plan &plan)
{
    Outcome out;
    EngineFixture f;
    if (!f.isValid())
        return out;
    Clock::unfreeze();
    f.site.setClockOffsetMs(plan.siteLeadMs);
    f.engine->Inet1().setRequestTimeoutMs(InetTransfer::kDefaultTimeoutMs);
    gSettings->ConnectXPriortoBid = 1;
    practice::LatencyLink link;
    if (plan.oneWayMs > 0 && !pointAt(f, link, plan.oneWayMs))
        return out;
    out.started = true;

    QObject context; // the timers of this scenario go with it
    int pending = 0;
    const auto later = [&](qint64 ms, std::function<void()> work) {
        ++pending;
        QTimer::singleShot(static_cast<int>(ms), &context, [&pending, work] {
            --pending;
            runGuarded("the harness", ErrorReport::Log, work);
        });
    };

    const qint64 siteStart = f.site.now().toMSecsSinceEpoch();
    const QString dll = QLatin1String(practice::PracticeSite::kDllPath);
    for (const AuctionPlan &p : plan.auctions) {
        practice::Auction a = f.siteAuction(p.item, 0, p.startPrice);
        a.end = QDateTime::fromSecsSinceEpoch((siteStart + p.endsInMs) / 1000, QTimeZone::utc());
        if (p.rivalMax > 0 && p.rivalAtMs == 0)
            a.bids.push_back({QStringLiteral("rival"), p.rivalMax, 1});
        f.site.addAuction(a);
        AuctionOutcome o;
        o.key = f.addAuctionRow(p.item, 2, EngineFixture::siteWall(a.end), p.maxBid, 1, p.bidSeconds);
        o.endMs = a.end.toMSecsSinceEpoch();
        o.maxima.push_back({realNow(), p.maxBid});
        o.inForceSinceMs = realNow();
        out.auctions.push_back(o);
        for (const StepFault &s : p.faults)
            f.site.setFault(dll + QLatin1Char('?') + s.command + QStringLiteral("&item=") + p.item, s.fault);
        if (p.rivalMax > 0 && p.rivalAtMs > 0) {
            const QString item = p.item;
            const double max = p.rivalMax;
            later(p.rivalAtMs, [&f, item, max] { f.site.placeBid(item, QStringLiteral("rival"), max); });
        }
    }
    for (const StepFault &s : plan.timeFaults)
        f.site.setFault(dll + QLatin1Char('?') + s.command, s.fault);

    User user(f, out);
    for (const Action &a : plan.actions)
        later(a.atMs, [&user, &later, a] { user.perform(a, later); });

    // The scheduler's minute tick, far more often: what it would find a minute later it finds now.
    QTimer scheduler;
    scheduler.setInterval(2000);
    QObject::connect(&scheduler, &QTimer::timeout, &context, [&f] { f.engine->tmrQueueSchedulerAndTimeSyncs_Timer(); });
    scheduler.start();
    f.engine->QueueDueSnipes();

    const qint64 lastEnd = siteStart + plan.lastEndMs();
    out.settled =
        f.runUntil([&] { return f.site.now().toMSecsSinceEpoch() > lastEnd + 2500 && pending == 0 && !snipeLeft(f); },
                   static_cast<int>(plan.lastEndMs() + 20000));
    scheduler.stop();

    // After the end: the site answers plainly, the database is free, the user signed in and the
    // auctions refreshed, as Refresh Auction List does.
    f.site.clearFaults();
    user.releaseHolds();
    user.signIn();
    f.runUntil([&] { return f.engine->records().held() == 0; }, 5000);
    runGuarded("the harness's refresh", ErrorReport::Log, [&] { f.engine->RefreshAllAuctions(); });
    // Until the refreshes are served; a snipe still waiting in the queue does not count.
    f.runUntil(
        [&] {
            for (const QItemPtr &i : f.engine->queue().items())
                if (i->Action == BNQItem::Refresh)
                    return false;
            const QItemPtr last = f.engine->mLastQueueItem;
            return !(last && last->Action == BNQItem::Refresh && f.engine->Inet1().StillExecuting());
        },
        20000);
    f.engine->records().flush();

    out.requests = f.site.requests();
    for (size_t i = 0; i < out.auctions.size(); ++i) {
        AuctionOutcome &o = out.auctions[i];
        const QString item = plan.auctions[i].item;
        o.site = f.site.auction(item);
        if (const auto s = f.site.standing(item))
            o.standing = *s;
        o.rowExists = f.column(o.key, QStringLiteral("AUC_Primary")).isValid();
        if (o.rowExists) {
            o.status = f.column(o.key, QStringLiteral("AUC_Status")).toInt();
            o.rowMaxBid = f.column(o.key, QStringLiteral("AUC_MaxBid")).toDouble();
        }
        o.log = f.auctionLog(o.key);
    }
    Clock::unfreeze();
    return out;
}

} // namespace harness
