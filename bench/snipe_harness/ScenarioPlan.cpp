#include "ScenarioPlan.h"

#include <QStringList>
#include <algorithm>

namespace harness {

quint64 Random::next()
{
    quint64 z = (m_state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

qint64 Random::range(qint64 lo, qint64 hi)
{
    return lo + static_cast<qint64>(next() % static_cast<quint64>(hi - lo + 1));
}

quint64 scenarioSeed(quint64 runSeed, int index)
{
    Random r(runSeed ^ (0x5851f42d4c957f2dULL * static_cast<quint64>(index + 1)));
    return r.next();
}

namespace {

practice::Fault drawFault(Random &r, const std::vector<practice::FaultKind> &kinds, int maxTimes, int maxDelayMs)
{
    practice::Fault f;
    f.kind = kinds[static_cast<size_t>(r.range(0, static_cast<qint64>(kinds.size()) - 1))];
    f.times = static_cast<int>(r.range(1, maxTimes));
    if (f.kind == practice::FaultKind::Delay)
        f.delayMs = static_cast<int>(r.range(200, maxDelayMs));
    if (f.kind == practice::FaultKind::ServerError)
        f.status = static_cast<int>(r.range(500, 504));
    return f;
}

// Whole dollars or half dollars, as a user types them.
double drawAmount(Random &r, int lo, int hi)
{
    return static_cast<double>(r.range(lo, hi)) + (r.chance(30) ? 0.5 : 0.0);
}

} // namespace

Plan drawPlan(quint64 runSeed, int index)
{
    using practice::FaultKind;
    Random r(scenarioSeed(runSeed, index));
    Plan p;
    p.runSeed = runSeed;
    p.index = index;
    p.oneWayMs = r.chance(50) ? 0 : static_cast<int>(r.range(20, 250));
    // Half the sites keep good time, half run up to half a minute apart.
    p.siteLeadMs = r.chance(50) ? r.range(-2000, 2000) : r.range(-30000, 30000);

    // Steps before the final one meet only what the engine tries again (a page without the key is
    // an abort by design); the final post meets anything.
    const std::vector<FaultKind> retried{FaultKind::Delay, FaultKind::Drop, FaultKind::ServerError,
                                         FaultKind::CutShort};
    const std::vector<FaultKind> anything{FaultKind::Delay,    FaultKind::Drop,    FaultKind::ServerError,
                                          FaultKind::CutShort, FaultKind::Garbage, FaultKind::Empty};
    const std::vector<FaultKind> timePage{FaultKind::Delay, FaultKind::Drop, FaultKind::ServerError, FaultKind::NoTime,
                                          FaultKind::Garbage};

    const int count = static_cast<int>(r.range(1, 3));
    qint64 end = r.range(7000, 16000);
    for (int i = 0; i < count; ++i) {
        AuctionPlan a;
        a.item = QString::number(7001 + i);
        a.endsInMs = end;
        // Moments at least four seconds apart: one auction's slow step must not hold up the
        // next one's final post, which is no fault of the clock or the bookkeeping.
        end += r.range(8000, 14000);
        a.bidSeconds = static_cast<int>(r.range(2, 6));
        a.maxBid = drawAmount(r, 12, 40);
        if (r.chance(60)) {
            a.rivalMax = drawAmount(r, 11, 45);
            a.rivalAtMs = r.chance(50) ? 0 : r.range(1000, a.endsInMs - 500);
        }
        if (r.chance(35))
            a.faults.push_back({QStringLiteral("MakeBid"), drawFault(r, retried, 2, 1500)});
        if (r.chance(35))
            a.faults.push_back({QStringLiteral("AcceptBid"), drawFault(r, anything, 3, 3000)});
        p.auctions.push_back(a);
    }
    if (r.chance(30))
        p.timeFaults.push_back({QStringLiteral("TimeShow"), drawFault(r, timePage, 2, 3000)});

    const int actions = static_cast<int>(r.range(0, 4));
    for (int i = 0; i < actions; ++i) {
        Action a;
        a.kind = static_cast<ActionKind>(r.range(0, static_cast<int>(ActionKind::HoldDatabase)));
        a.atMs = r.range(500, p.lastEndMs() + 1500);
        // Half of them in the seconds before a snipe's moment, where a move of the clock, a held
        // database or a change of the schedule matters most.
        if (r.chance(50)) {
            const AuctionPlan &near = p.auctions[static_cast<size_t>(r.range(0, count - 1))];
            a.atMs = std::max<qint64>(500, near.endsInMs - near.bidSeconds * 1000LL - r.range(0, 8000));
        }
        switch (a.kind) {
        case ActionKind::EditMax:
        case ActionKind::Reschedule:
        case ActionKind::Unschedule:
        case ActionKind::Delete:
            a.auction = static_cast<int>(r.range(0, count - 1));
            a.amount = drawAmount(r, 12, 40);
            a.gapMs = r.range(0, 2500);
            break;
        case ActionKind::Minimise:
            a.gapMs = r.range(500, 8000);
            break;
        case ActionKind::SignOut:
            a.gapMs = r.chance(30) ? 0 : r.range(500, 8000);
            break;
        case ActionKind::TimeOffset:
            a.value = r.range(1, 3) * (r.chance(50) ? 1 : -1);
            break;
        case ActionKind::WallStep:
            a.value = r.range(1000, 20000) * (r.chance(50) ? 1 : -1);
            break;
        case ActionKind::HoldDatabase:
            a.value = r.chance(60) ? 1 : 0;
            a.gapMs = r.range(1000, 8000);
            break;
        case ActionKind::Halt:
            break;
        }
        p.actions.push_back(a);
    }
    std::stable_sort(p.actions.begin(), p.actions.end(),
                     [](const Action &a, const Action &b) { return a.atMs < b.atMs; });
    return p;
}

qint64 Plan::lastEndMs() const
{
    qint64 last = 0;
    for (const AuctionPlan &a : auctions)
        last = std::max(last, a.endsInMs);
    return last;
}

const char *actionName(ActionKind kind)
{
    switch (kind) {
    case ActionKind::EditMax:
        return "edit_max";
    case ActionKind::Reschedule:
        return "unschedule_schedule";
    case ActionKind::Unschedule:
        return "unschedule";
    case ActionKind::Delete:
        return "delete";
    case ActionKind::Halt:
        return "halt";
    case ActionKind::Minimise:
        return "minimise";
    case ActionKind::SignOut:
        return "sign_out";
    case ActionKind::TimeOffset:
        return "time_offset";
    case ActionKind::WallStep:
        return "wall_step";
    case ActionKind::HoldDatabase:
        return "hold_database";
    }
    return "?";
}

const char *faultName(practice::FaultKind kind)
{
    using practice::FaultKind;
    switch (kind) {
    case FaultKind::Delay:
        return "delay";
    case FaultKind::Drop:
        return "drop";
    case FaultKind::ServerError:
        return "5xx";
    case FaultKind::Garbage:
        return "garbage";
    case FaultKind::NoTime:
        return "notime";
    case FaultKind::CutShort:
        return "cut";
    case FaultKind::LargePage:
        return "large";
    case FaultKind::Empty:
        return "empty";
    case FaultKind::Endless:
        return "endless";
    case FaultKind::Processed5xx:
        return "processed_5xx";
    case FaultKind::LargeHeader:
        return "header";
    }
    return "?";
}

namespace {
QString describeFault(const StepFault &f)
{
    QString text = f.command + QLatin1Char(':') + QLatin1String(faultName(f.fault.kind));
    if (f.fault.kind == practice::FaultKind::Delay)
        text += QString::number(f.fault.delayMs) + QStringLiteral("ms");
    if (f.fault.kind == practice::FaultKind::ServerError)
        text += QLatin1Char('=') + QString::number(f.fault.status);
    return text + QLatin1Char('x') + QString::number(f.fault.times);
}
} // namespace

QString Plan::describe() const
{
    QStringList parts;
    parts << QStringLiteral("seed=%1 scenario=%2 one_way_ms=%3 site_lead_ms=%4")
                 .arg(runSeed)
                 .arg(index)
                 .arg(oneWayMs)
                 .arg(siteLeadMs);
    for (const AuctionPlan &a : auctions) {
        QString text = QStringLiteral("auction %1 ends_in_ms=%2 bid_secs=%3 max=%4")
                           .arg(a.item)
                           .arg(a.endsInMs)
                           .arg(a.bidSeconds)
                           .arg(a.maxBid, 0, 'f', 2);
        if (a.rivalMax > 0)
            text += QStringLiteral(" rival=%1@%2ms").arg(a.rivalMax, 0, 'f', 2).arg(a.rivalAtMs);
        for (const StepFault &f : a.faults)
            text += QLatin1Char(' ') + describeFault(f);
        parts << text;
    }
    for (const StepFault &f : timeFaults)
        parts << describeFault(f);
    for (const Action &a : actions) {
        QString text = QStringLiteral("@%1ms %2").arg(a.atMs).arg(QLatin1String(actionName(a.kind)));
        if (a.auction >= 0)
            text += QLatin1Char(' ') + auctions[static_cast<size_t>(a.auction)].item;
        if (a.kind == ActionKind::EditMax || a.kind == ActionKind::Reschedule)
            text += QStringLiteral(" max=%1").arg(a.amount, 0, 'f', 2);
        if (a.kind == ActionKind::HoldDatabase)
            text += a.value ? QStringLiteral(" write_lock") : QStringLiteral(" read_transaction");
        else if (a.value != 0)
            text += QStringLiteral(" value=%1").arg(a.value);
        if (a.gapMs != 0 && a.kind != ActionKind::EditMax && a.kind != ActionKind::Unschedule &&
            a.kind != ActionKind::Delete)
            text += QStringLiteral(" for_ms=%1").arg(a.gapMs);
        parts << text;
    }
    return parts.join(QStringLiteral("; "));
}

} // namespace harness
