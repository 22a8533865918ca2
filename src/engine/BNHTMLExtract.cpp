#include "engine/BNHTMLExtract.h"

#include "engine/BNParseScripElem.h"

namespace {

// How far BACKSLIP looks back from its closing anchor.
constexpr qsizetype kBackSlipSpan = 250;
// The window of a first-occurrence extraction.
constexpr qsizetype kWindowSpan = 500;

} // namespace

qsizetype BNHTMLExtract::IndexOf(QStringView hay, QStringView needle, qsizetype from, Qt::CaseSensitivity cs)
{
    // Case-blind search is most of a parse. When only the two ASCII cases of the needle's first
    // character can match it (not so for s and k, which other letters fold to), jump between
    // their occurrences with the fast single-character search and compare there.
    const QChar first = needle.isEmpty() ? QChar() : needle.front();
    const char16_t lower = first.toLower().unicode();
    if (cs == Qt::CaseSensitive || needle.isEmpty() || first.unicode() >= 0x80 || lower == u's' || lower == u'k')
        return hay.indexOf(needle, from, cs);
    const QChar upper = first.toUpper();
    const QChar lowerChar(lower);
    const qsizetype last = hay.size() - needle.size();
    // Searched a stretch at a time, so a case of the letter that the page lacks costs one
    // stretch per call, not the rest of the page (the n-th occurrence walk calls this often).
    constexpr qsizetype kStretch = 4096;
    for (qsizetype pos = qMax<qsizetype>(from, 0); pos <= last; pos += kStretch) {
        const QStringView stretch = hay.mid(pos, qMin(kStretch, hay.size() - pos));
        qsizetype nextLower = stretch.indexOf(lowerChar);
        qsizetype nextUpper = upper == lowerChar ? -1 : stretch.indexOf(upper);
        for (;;) {
            const qsizetype at = nextLower < 0 ? nextUpper : (nextUpper < 0 ? nextLower : qMin(nextLower, nextUpper));
            if (at < 0)
                break;
            if (pos + at > last)
                return -1;
            if (hay.mid(pos + at, needle.size()).compare(needle, Qt::CaseInsensitive) == 0)
                return pos + at;
            if (at == nextLower)
                nextLower = stretch.indexOf(lowerChar, at + 1);
            else
                nextUpper = stretch.indexOf(upper, at + 1);
        }
    }
    return -1;
}

namespace {

// 1-based position of needle in hay from the 1-based start, 0 when absent. As the old
// runtime's InStr: an empty needle is found at the start, an empty hay holds nothing.
qsizetype inStr(QStringView hay, qsizetype start, QStringView needle, Qt::CaseSensitivity cs = Qt::CaseInsensitive)
{
    if (hay.isEmpty() || start < 1 || start > hay.size())
        return 0;
    if (needle.isEmpty())
        return start;
    const qsizetype at = BNHTMLExtract::IndexOf(hay, needle, start - 1, cs);
    return at < 0 ? 0 : at + 1;
}

bool setOk(bool *ok, bool value)
{
    if (ok)
        *ok = value;
    return value;
}

} // namespace

QString BNHTMLExtract::Extract(const QString &OpenTag, const QString &CloseTag, const QString &Catch, qint16 CaseNumber,
                               QStringView page, const QString &xType, bool *ok) const
{
    setOk(ok, true);
    if (xType.compare(QLatin1String("TRUEFALSE"), Qt::CaseInsensitive) == 0)
        return TrueFalse(page, OpenTag, CloseTag, Catch);

    const QStringView window = Window(page, OpenTag, Catch, CaseNumber);
    if (window.isNull())
        return QString();
    if (xType.compare(QLatin1String("FORWARD"), Qt::CaseInsensitive) == 0)
        return Forward(window, OpenTag, CloseTag, ok);
    if (xType.compare(QLatin1String("BACKSLIP"), Qt::CaseInsensitive) == 0)
        return BackSlip(window, OpenTag, CloseTag, ok);
    return QString();
}

QString BNHTMLExtract::Extract(const BNParseScripElem &elem, QStringView page, bool *ok) const
{
    return Extract(elem.OpenTag, elem.CloseTag, elem.Catch, elem.CaseNumber, page, elem.xType, ok);
}

QStringView BNHTMLExtract::Window(QStringView page, const QString &OpenTag, const QString &Catch, qint16 CaseNumber)
{
    qsizetype p = inStr(page, 1, Catch);
    if (p == 0)
        return QStringView();
    const qsizetype length = page.size();
    if (CaseNumber < 2) {
        // Stops one character short of the page's end when the page is shorter than the window.
        const QStringView w = page.mid(p - 1, qMin(kWindowSpan, length - p));
        return w.isNull() ? QStringView(page.data(), qsizetype(0)) : w;
    }

    // Walk to the n-th occurrence, each next one sought past Len(OpenTag) characters of the last.
    // The window always runs to the end of the page, so only its start moves.
    qsizetype start = 0;
    for (int i = 0; i < CaseNumber; ++i) {
        start += p - 1;
        p = inStr(page.mid(start), OpenTag.size() + 1, Catch);
        if (p == 0)
            break; // not found: the window stays at the last occurrence
    }
    return page.mid(start);
}

QString BNHTMLExtract::TrueFalse(QStringView page, const QString &OpenTag, const QString &CloseTag,
                                 const QString &Catch)
{
    const qsizetype q = inStr(page, 1, OpenTag);
    if (q == 0)
        return QString();
    const QStringView rest = page.mid(q); // from the second character of the OpenTag match
    const qsizetype r = inStr(rest, 1, CloseTag);
    if (r == 0)
        return QString();
    const QStringView kept = rest.left(r); // through the first character of the CloseTag match
    return inStr(kept, 1, Catch) > 0 ? QStringLiteral("TRUE") : QStringLiteral("False");
}

QString BNHTMLExtract::Forward(QStringView window, const QString &OpenTag, const QString &CloseTag, bool *ok)
{
    const qsizetype o = inStr(window, 1, OpenTag);
    if (o == 0)
        return QString();
    const QStringView rest = window.mid(qMin(window.size(), o - 1 + OpenTag.size()));
    // The closing anchor alone is matched with its exact case.
    const qsizetype k = inStr(rest, 1, CloseTag, Qt::CaseSensitive);
    if (k == 0) {
        setOk(ok, false);
        return QString();
    }
    return rest.left(k - 1).toString();
}

QString BNHTMLExtract::BackSlip(QStringView window, const QString &OpenTag, const QString &CloseTag, bool *ok)
{
    const qsizetype k = inStr(window, 1, CloseTag);
    if (k <= kBackSlipSpan) {
        setOk(ok, false);
        return QString();
    }
    const QStringView span = window.mid(k - 1 - kBackSlipSpan, kBackSlipSpan);
    if (OpenTag.isEmpty())
        return span.toString();
    const qsizetype o = span.lastIndexOf(QStringView(OpenTag), Qt::CaseInsensitive);
    return span.mid(o + 1).toString(); // o is -1 when absent: the whole span
}
