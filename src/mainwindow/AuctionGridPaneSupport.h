#pragma once

#include "engine/GridRowCells.h"
#include "platform/Database.h"
#include "platform/TreeGrid.h"
#include "platform/Values.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QDateTime>
#include <QTimeZone>

#include <QString>
#include <exception>

// What the auction grid's files share: its pictures and colours.
namespace auction_grid {

using grid_row::isEndedText;
using grid_row::kBlue;
using grid_row::kChecked;
using grid_row::kGreen;
using grid_row::kPencil;
using grid_row::kRed;
using grid_row::kUnchecked;

inline const QString kUp = QStringLiteral("imgUp");
inline const QString kDown = QStringLiteral("imgDown");
inline const QString kDragIcon = QStringLiteral("imgDragIconAuction");

// Seconds on the wall clock, as the program counts date differences.
inline qint64 wallSeconds(const QDateTime &dt)
{
    return QDateTime(dt.date(), dt.time(), QTimeZone::utc()).toSecsSinceEpoch();
}

} // namespace auction_grid
