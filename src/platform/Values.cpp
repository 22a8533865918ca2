#include "platform/Values.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>
#include <cmath>

namespace Values {

namespace {
QDateTime wallClockOf(const QDate &date, const QTime &time);

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Parses the number text into a C-locale form; empty result when it is not a number.
QString normalizeNumber(const QString &text)
{
    const QString group = QStringLiteral(",");
    const QString decimal = QStringLiteral(".");

    QString s = text.trimmed();
    if (s.isEmpty())
        return {};

    bool negative = false;
    if (s.startsWith(QLatin1Char('(')) && s.endsWith(QLatin1Char(')')) && s.size() > 2) {
        negative = true;
        s = s.mid(1, s.size() - 2).trimmed();
    }

    auto takeCurrency = [&](bool front) {
        for (const QString &sym : {QStringLiteral("US $"), QStringLiteral("US$"), QStringLiteral("$")}) {
            if (front && s.startsWith(sym)) {
                s = s.mid(sym.size()).trimmed();
                return true;
            }
            if (!front && sym.size() == 1 && s.endsWith(sym)) {
                s.chop(sym.size());
                s = s.trimmed();
                return true;
            }
        }
        return false;
    };
    bool signSeen = negative;
    auto takeSign = [&](bool front) {
        if (signSeen || s.isEmpty())
            return false;
        const QChar c = front ? s.front() : s.back();
        if (c != QLatin1Char('-') && c != QLatin1Char('+'))
            return false;
        signSeen = true;
        if (c == QLatin1Char('-'))
            negative = true;
        s = front ? s.mid(1).trimmed() : s.left(s.size() - 1).trimmed();
        return true;
    };

    bool currencySeen = takeCurrency(true);
    if (takeSign(true) && !currencySeen)
        currencySeen = takeCurrency(true);
    if (!currencySeen)
        currencySeen = takeCurrency(false);
    takeSign(false);
    if (!currencySeen)
        takeCurrency(false);

    QString out;
    out.reserve(s.size() + 1);
    if (negative)
        out += QLatin1Char('-');
    int i = 0;
    const int n = s.size();
    int intDigits = 0, fracDigits = 0;
    bool lastWasDigit = false;
    while (i < n) {
        if (isDigit(s[i])) {
            out += s[i++];
            ++intDigits;
            lastWasDigit = true;
        } else if (!group.isEmpty() && lastWasDigit && s.mid(i, group.size()) == group && i + group.size() < n &&
                   isDigit(s[i + group.size()])) {
            i += group.size();
            lastWasDigit = false;
        } else {
            break;
        }
    }
    if (i < n && s.mid(i, decimal.size()) == decimal) {
        i += decimal.size();
        out += QLatin1Char('.');
        while (i < n && isDigit(s[i])) {
            out += s[i++];
            ++fracDigits;
        }
    }
    if (intDigits + fracDigits == 0)
        return {};
    if (i < n && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        int j = i + 1;
        QString exp = QStringLiteral("e");
        if (j < n && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
            exp += s[j++];
        int expDigits = 0;
        while (j < n && isDigit(s[j])) {
            exp += s[j++];
            ++expDigits;
        }
        if (expDigits == 0)
            return {};
        out += exp;
        i = j;
    }
    if (i != n)
        return {};
    return out;
}

const char *const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
const char *const kMonthNames[] = {"january", "february", "march",     "april",   "may",      "june",
                                   "july",    "august",   "september", "october", "november", "december"};

int monthFromName(const QString &name)
{
    const QString lower = name.toLower();
    for (int m = 0; m < 12; ++m) {
        if (lower == QLatin1String(kMonths[m]) || lower == QLatin1String(kMonthNames[m]))
            return m + 1;
    }
    if (lower == QLatin1String("sept"))
        return 9;
    return 0;
}

int expandYear(const QString &y)
{
    const int v = y.toInt();
    if (y.size() <= 2)
        return v < 30 ? 2000 + v : 1900 + v;
    return v;
}

// "h:mm", "h:mm:ss", each with an optional AM/PM; an empty text is midnight.
bool parseTime(const QString &text, QTime *out)
{
    if (text.isEmpty()) {
        *out = QTime(0, 0, 0);
        return true;
    }
    static const QRegularExpression re(
        QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}))?(?:\\s*([AaPp])\\.?[Mm]\\.?)?$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    int h = m.captured(1).toInt();
    const int mi = m.captured(2).toInt();
    const int s = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    const QString ap = m.captured(4).toUpper();
    if (!ap.isEmpty()) {
        if (h < 1 || h > 12)
            return false;
        if (ap == QLatin1String("A") && h == 12)
            h = 0;
        else if (ap == QLatin1String("P") && h != 12)
            h += 12;
    }
    const QTime t(h, mi, s);
    if (!t.isValid())
        return false;
    *out = t;
    return true;
}

QDateTime build(int y, int mo, int d, const QString &timeText)
{
    const QDate date(y, mo, d);
    QTime time;
    if (!date.isValid() || !parseTime(timeText.trimmed(), &time))
        return {};
    return wallClockOf(date, time);
}

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

qint64 naiveSeconds(const QDateTime &dt)
{
    // Counted on the wall clock, as the stored local times are: no daylight-saving jumps.
    return floorDiv(QDateTime(dt.date(), dt.time(), QTimeZone::utc()).toMSecsSinceEpoch(), 1000);
}

} // namespace

namespace {
QDateTime wallClockOf(const QDate &date, const QTime &time)
{
    return wallClock(date, time);
}
} // namespace

QDateTime wallClock(const QDate &date, const QTime &time)
{
    QDateTime local(date, time);
    // A wall time that this machine's clock skips (the spring-forward hour) still names a
    // moment on the site's clock: keep its digits.
    if (!local.isValid() && date.isValid() && time.isValid())
        return QDateTime(date, time, QTimeZone::utc());
    return local;
}

bool isNumber(const QString &text)
{
    bool ok = false;
    toNumber(text, &ok);
    return ok;
}

double toNumber(const QString &text, bool *ok)
{
    const QString n = normalizeNumber(text);
    bool good = false;
    const double v = n.isEmpty() ? 0.0 : n.toDouble(&good);
    if (ok)
        *ok = good && std::isfinite(v);
    return good && std::isfinite(v) ? v : 0.0;
}

bool isTypedNumber(const QString &text)
{
    bool ok = false;
    toTypedNumber(text, &ok);
    return ok;
}

double toTypedNumber(const QString &text, bool *ok)
{
    static const QRegularExpression plain(
        QStringLiteral("^(?:[+-]?\\$?|\\$[+-])(?:(?:[0-9]{1,3}(?:,[0-9]{3})+|[0-9]+)(?:\\.[0-9]*)?|\\.[0-9]+)$"));
    const QString t = text.trimmed();
    const bool typed = plain.match(t).hasMatch();
    bool good = false;
    const double v = typed ? toNumber(t, &good) : 0.0;
    if (ok)
        *ok = good;
    return good ? v : 0.0;
}

QDateTime toDate(const QString &input)
{
    const QString text = input.trimmed();
    if (text.isEmpty())
        return {};
    // Dec-14-01 18:04:37
    static const QRegularExpression site(QStringLiteral("^([A-Za-z]{3,9})-(\\d{1,2})-(\\d{2}|\\d{4})(?:\\s+(.*))?$"));
    // December 10, 2001 08:39:37
    static const QRegularExpression longForm(
        QStringLiteral("^([A-Za-z]{3,9})\\.?\\s+(\\d{1,2}),?\\s+(\\d{4})(?:\\s+(.*))?$"));
    // 12/10/2001 8:39:37 AM
    static const QRegularExpression general(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{2}|\\d{4})(?:\\s+(.*))?$"));
    // 2001-12-10 08:39:37 or 2001-12-10T08:39:37
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:[T\\s]+(.*))?$"));

    if (auto m = site.match(text); m.hasMatch()) {
        const int mo = monthFromName(m.captured(1));
        return mo ? build(expandYear(m.captured(3)), mo, m.captured(2).toInt(), m.captured(4)) : QDateTime();
    }
    if (auto m = longForm.match(text); m.hasMatch()) {
        const int mo = monthFromName(m.captured(1));
        return mo ? build(m.captured(3).toInt(), mo, m.captured(2).toInt(), m.captured(4)) : QDateTime();
    }
    if (auto m = general.match(text); m.hasMatch())
        return build(expandYear(m.captured(3)), m.captured(1).toInt(), m.captured(2).toInt(), m.captured(4));
    if (auto m = iso.match(text); m.hasMatch())
        return build(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4));
    return {};
}

bool isDate(const QString &text)
{
    return toDate(text).isValid();
}

QString formatGeneralDate(const QDateTime &dt)
{
    if (!dt.isValid())
        return {};
    const QLocale c = QLocale::c();
    if (dt.time() == QTime(0, 0, 0))
        return c.toString(dt.date(), QStringLiteral("M/d/yyyy"));
    return c.toString(dt, QStringLiteral("M/d/yyyy h:mm:ss AP"));
}

namespace {

// The digits of an amount's whole cents (at least three, no sign) and whether it is below
// zero by a cent or more: toCents and formatMoney share this one cut.
struct CentDigits
{
    QString digits;
    bool negative = false;
};

CentDigits centDigits(double amount)
{
    // Done on the shortest decimal text, not on the binary value: 1234567.89 * 100 is
    // 123456788.99999999, and no amount is too large for the digits.
    const QString plain = QString::number(std::fabs(amount), 'f', QLocale::FloatingPointShortest);
    const qsizetype point = plain.indexOf(QLatin1Char('.'));
    CentDigits c;
    c.digits = point < 0 ? plain : plain.left(point);
    c.digits += (point < 0 ? QString() : plain.mid(point + 1, 2)).leftJustified(2, QLatin1Char('0'));
    c.negative = amount < 0 && c.digits.count(QLatin1Char('0')) != c.digits.size();
    return c;
}

} // namespace

std::optional<qint64> toCents(double amount)
{
    if (!std::isfinite(amount) || std::fabs(amount) >= 9e16)
        return std::nullopt;
    const CentDigits c = centDigits(amount);
    const qint64 cents = c.digits.toLongLong();
    return c.negative ? -cents : cents;
}

QString formatMoney(double amount)
{
    if (!std::isfinite(amount))
        return QString();
    const CentDigits c = centDigits(amount);
    QString whole = c.digits.left(c.digits.size() - 2);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, QLatin1Char(','));
    return (c.negative ? QStringLiteral("-$") : QStringLiteral("$")) + whole + QLatin1Char('.') + c.digits.right(2);
}

qint64 secondsCrossed(const QDateTime &a, const QDateTime &b)
{
    return naiveSeconds(b) - naiveSeconds(a);
}

qint64 minutesCrossed(const QDateTime &a, const QDateTime &b)
{
    return floorDiv(naiveSeconds(b), 60) - floorDiv(naiveSeconds(a), 60);
}

QString trimLeftBlanks(const QString &text)
{
    int i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    return text.mid(i);
}

QString trimRightBlanks(const QString &text)
{
    int n = text.size();
    while (n > 0 && text[n - 1] == QLatin1Char(' '))
        --n;
    return text.left(n);
}

QString trimBlanks(const QString &text)
{
    return trimRightBlanks(trimLeftBlanks(text));
}

} // namespace Values
