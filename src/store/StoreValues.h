#pragma once

#include <QString>
#include <optional>

// A settings-store or column text read as a 16- or 32-bit whole number the way the old
// runtime converted: blanks, separators and a currency sign admitted, halves to even.
std::optional<qint16> toInt16(const QString &text);
std::optional<qint32> toInt32(const QString &text);

// The day counts of the purges run from 0 to 999. A count above that (a hand-edited file) is
// taken as 999, never shorter than asked; one that is not a count or below 0 is taken as the
// default, so that a damaged setting can never reach auctions that are still running.
constexpr qint16 kMaxPurgeDays = 999;
qint16 purgeDays(std::optional<qint32> days, qint16 fallback);
// The auctions' purge keeps them at least a day after their end, as the profile dialog asks:
// a count below 1 is taken as the default.
constexpr qint16 kDefaultAuctionPurgeDays = 30;
qint16 auctionPurgeDays(std::optional<qint32> days);
