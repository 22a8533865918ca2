#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// Value rules the program applies to texts it reads from pages, boxes and the database:
// what counts as a number or a date, how money is shown and how time differences are counted.
namespace Values {

// Numbers are read by the site's rules, whatever the desktop's language: "." before the
// decimals, "," between thousands, a "$" or "US $" sign. True when the text reads as a number:
// blanks around it, a leading or trailing sign, the currency sign, thousands separators, a
// decimal part, an exponent, or a negative amount in parentheses ("$1,234.50", "US $3.00",
// "(5.00)", " 7 ", "1e3"). Empty text is not a number.
bool isNumber(const QString &text);
// The value of a text that isNumber accepts; 0 and *ok false otherwise.
double toNumber(const QString &text, bool *ok = nullptr);

// What a person types into a box is read more strictly than a page: blanks around it, one
// leading sign, a dollar sign, digits, a "." before the decimals, and "," only between groups of
// exactly three digits ("$1,234.50"). "12,50", "1,2", "1e3" and "0x10" are not numbers here, so a typo is
// refused instead of being read as another amount.
bool isTypedNumber(const QString &text);
// The value of a text that isTypedNumber accepts; 0 and *ok false otherwise.
double toTypedNumber(const QString &text, bool *ok = nullptr);

// True when the text reads as a date or date-time: the site's "Dec-14-01 18:04:37" and
// "December 10, 2001 08:39:37" forms, the general form that formatGeneralDate writes, and
// ISO "2001-12-10 08:39:37". Two-digit years 00-29 are 2000-2029, 30-99 are 1930-1999.
bool isDate(const QString &text);
// The local date-time of such a text; an invalid QDateTime when it is not a date.
QDateTime toDate(const QString &text);

// A wall-clock date and time as a QDateTime, valid even in an hour this machine's clock skips.
QDateTime wallClock(const QDate &date, const QTime &time);

// The general date-and-time form the program writes and shows: "12/10/2026 9:05:03 AM";
// a time of exactly midnight shows the date alone.
QString formatGeneralDate(const QDateTime &dt);

// Money is whole cents, and this is the one rule that makes an amount whole cents: the amount
// as its shortest decimal text reads, any fraction of a cent dropped (toward zero). So 9.996
// is 999 cents, 1234567.89 is 123456789 and 1.005 is 100: an amount is never taken for more
// than it is, and no bid goes above what was typed. Empty for infinity, NaN and amounts of
// 9e16 or more (whose cents a 64-bit count cannot hold).
std::optional<qint64> toCents(double amount);

// "$##,##0.00": dollar sign, "," between thousands, at least one integer digit, "." and two
// decimals, for any finite amount, cut to the cent as toCents does; empty text for infinity
// and NaN.
QString formatMoney(double amount);

// Differences counted as boundaries crossed from a to b (negative when b is before a).
qint64 secondsCrossed(const QDateTime &a, const QDateTime &b);
qint64 minutesCrossed(const QDateTime &a, const QDateTime &b);

// Removes leading and trailing blanks (the space character only; tabs and line ends stay).
QString trimBlanks(const QString &text);
QString trimLeftBlanks(const QString &text);
QString trimRightBlanks(const QString &text);

} // namespace Values
