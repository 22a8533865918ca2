#pragma once

#include "ScenarioPlan.h"

#include <QStringList>
#include <optional>
#include <vector>

namespace harness {

// The maximum the user had in force from realMs on (ms since the epoch, real time); 0 while no
// snipe was in force (unscheduled, deleted).
struct MaxInForce
{
    qint64 realMs = 0;
    double amount = 0;
};

struct AuctionOutcome
{
    qint32 key = 0;
    qint64 endMs = 0; // the end on the site's clock, ms since the epoch
    std::vector<MaxInForce> maxima;
    bool deleted = false;
    // The user left a snipe in place at the end, and since when it was in force without a gap.
    bool leftInPlace = true;
    qint64 inForceSinceMs = 0;
    // The row after the refresh.
    bool rowExists = false;
    int status = 0;
    double rowMaxBid = 0;
    QStringList log;
    // The site's record after the end.
    std::optional<practice::Auction> site;
    practice::Standing standing;
};

struct Outcome
{
    bool started = false;
    bool settled = false; // every conversation over before the harness gave up waiting
    std::vector<AuctionOutcome> auctions;
    std::vector<practice::RecordedRequest> requests;
    QStringList notes; // what the user could not do (the dialog refused, nobody signed in)
};

// Runs one scenario on a fresh program folder, database, site and engine.
Outcome runScenario(const Plan &plan);

} // namespace harness
