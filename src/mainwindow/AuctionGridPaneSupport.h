#pragma once

#include "BSN_Log.h"
#include "Database.h"
#include "Globals.h"
#include "TreeGrid.h"
#include "Values.h"

#include <QDateTime>
#include <QTimeZone>

#include <QString>
#include <exception>

// What the auction grid's files share: its pictures and colours.
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

// A date column's stored text ("yyyy-MM-dd HH:mm:ss") as a local date and time; anything else
// goes through the general date rules, and Null or a text that is no date is invalid.
inline QDateTime storedDate(const QVariant &stored)
{
    if (stored.isNull())
        return {};
    const QString text = stored.toString();
    const auto digits = [&](int from, int count) {
        int n = 0;
        for (int i = from; i < from + count; ++i) {
            const QChar c = text[i];
            if (!c.isDigit())
                return -1;
            n = n * 10 + c.digitValue();
        }
        return n;
    };
    if (text.size() == 19 && text[4] == QLatin1Char('-') && text[7] == QLatin1Char('-') &&
        text[10] == QLatin1Char(' ') && text[13] == QLatin1Char(':') && text[16] == QLatin1Char(':')) {
        const QDate date(digits(0, 4), digits(5, 2), digits(8, 2));
        const QTime time(digits(11, 2), digits(14, 2), digits(17, 2));
        if (date.isValid() && time.isValid())
            return Values::wallClock(date, time);
    }
    return Values::toDate(text);
}

// Seconds on the wall clock, as the program counts date differences.
inline qint64 wallSeconds(const QDateTime &dt)
{
    return QDateTime(dt.date(), dt.time(), QTimeZone::utc()).toSecsSinceEpoch();
}

} // namespace auction_grid
