#pragma once

#include "PracticeSite.h"

#include <QString>
#include <QtGlobal>
#include <vector>

// A scenario of the snipe harness, drawn from one seed: a few short auctions on the practice
// site, the faults its steps meet, the latency of the way there, and what the user (and a rival
// bidder) does meanwhile. Everything is in ms from the scenario's start unless said otherwise.
namespace harness {

// splitmix64: the same numbers from the same seed on every machine and library.
class Random
{
public:
    explicit Random(quint64 seed) : m_state(seed) {}
    quint64 next();
    // lo..hi, both included.
    qint64 range(qint64 lo, qint64 hi);
    bool chance(int percent) { return range(1, 100) <= percent; }

private:
    quint64 m_state;
};

struct StepFault
{
    QString command; // MakeBid, AcceptBid, TimeShow
    practice::Fault fault;
};

struct AuctionPlan
{
    QString item;
    qint64 endsInMs = 0; // on the site's clock, from the start
    int bidSeconds = 3;
    double startPrice = 10.0;
    double maxBid = 20.0;
    double rivalMax = 0;  // 0: no rival
    qint64 rivalAtMs = 0; // 0: the rival's bid is there from the start
    std::vector<StepFault> faults;
};

enum class ActionKind
{
    EditMax,      // the schedule dialog saved with another maximum
    Reschedule,   // unscheduled, then scheduled again gapMs later
    Unschedule,   // unscheduled for good
    Delete,       // the auction deleted
    Halt,         // the Stop command
    Minimise,     // into the tray (the user put aside, a halt), restored after gapMs
    SignOut,      // signed out, signed in again after gapMs (never, when gapMs is 0)
    TimeOffset,   // System Settings saved with TimeOffset moved by value hours
    WallStep,     // the machine's clock stepped by value ms
    HoldDatabase, // another process holds the database for gapMs (value 1: a write lock, 0: a read)
};

struct Action
{
    ActionKind kind = ActionKind::Halt;
    qint64 atMs = 0;
    int auction = -1; // index into the auctions, -1 for the whole program
    double amount = 0;
    qint64 value = 0;
    qint64 gapMs = 0;
};

struct Plan
{
    quint64 runSeed = 0;
    int index = 0;
    int oneWayMs = 0;      // latency added each way; 0: straight to the site
    qint64 siteLeadMs = 0; // the site's clock runs this far ahead of the real time
    std::vector<AuctionPlan> auctions;
    std::vector<StepFault> timeFaults; // the official-time page, for every auction
    std::vector<Action> actions;       // in the order of atMs

    qint64 lastEndMs() const;
    // One line that says all of it, printed with each violation.
    QString describe() const;
};

// The seed of scenario index of a run: each one is drawn alone, whichever worker runs it.
quint64 scenarioSeed(quint64 runSeed, int index);
Plan drawPlan(quint64 runSeed, int index);

const char *actionName(ActionKind kind);
const char *faultName(practice::FaultKind kind);

} // namespace harness
