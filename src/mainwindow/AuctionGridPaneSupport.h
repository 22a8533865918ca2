#pragma once

#include "BSN_Log.h"
#include "Database.h"
#include "Globals.h"
#include "TreeGrid.h"

#include <QString>
#include <exception>

// What the auction grid's files share: its pictures and colours, and the guard around handlers.
namespace auction_grid {

inline const QString kChecked = QStringLiteral("imgChecked");
inline const QString kUnchecked = QStringLiteral("imgUnchecked");
inline const QString kPencil = QStringLiteral("imgPencil");
inline const QString kUp = QStringLiteral("imgUp");
inline const QString kDown = QStringLiteral("imgDown");
inline const QString kDragIcon = QStringLiteral("imgDragIconAuction");

constexpr qint32 kGreen = TreeGrid::rgb(31, 116, 21);
constexpr qint32 kRed = TreeGrid::rgb(255, 0, 0);
constexpr qint32 kBlue = TreeGrid::rgb(16, 16, 255);

// The site's time-left text of an auction that has closed, in any letter case.
inline bool isEndedText(const QString &timeLeft)
{
    return timeLeft.compare(QLatin1String("Auction has Ended"), Qt::CaseInsensitive) == 0;
}

// Handlers run from window events: a database failure goes to the general log, not the event loop.
template <typename Work>
void guardedHandler(const char *where, Work &&work)
{
    try {
        work();
    } catch (const std::exception &e) {
        if (!gDB)
            return;
        try {
            BSN_Log().MarkAuction(0, gCurrentUser ? gCurrentUser->PrimaryKey : 0,
                                  QStringLiteral("Error in %1: %2").arg(QLatin1String(where),
                                                                         QString::fromLocal8Bit(e.what())));
        } catch (const std::exception &) {
        }
    }
}

} // namespace auction_grid
