#pragma once

#include "ScenarioPlan.h"
#include "ScenarioRun.h"

#include <QStringList>

namespace harness {

// What must hold after every scenario, by the site's own record and the database after the
// refresh. Each violation is one line naming the auction and what the record shows.
QStringList checkScenario(const Plan &plan, const Outcome &out);

// The posts of one auction as the site received them, for the report of a violation.
QString describePosts(const Plan &plan, const Outcome &out, int auction);

} // namespace harness
