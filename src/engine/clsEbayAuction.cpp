#include "engine/clsEbayAuction.h"

#include "engine/BNParseScripElem.h"
#include "engine/BNParseScript.h"
#include "platform/ProgramFolder.h"
#include "platform/SafeText.h"
#include "platform/Values.h"
#include "store/Globals.h"

#include <QHash>
#include <QSet>

#include <cmath>
#include <optional>

namespace {

// The whole-number value of a text, as the old runtime's conversion rounds it; nothing when the
// text is empty, no number or too large for a 32-bit integer.
bool wholeNumber(const QString &text, qint32 *number)
{
    bool ok = false;
    const double value = text.isEmpty() ? 0.0 : std::nearbyint(Values::toNumber(text, &ok));
    if (!ok || !(value >= -2147483648.0 && value <= 2147483647.0))
        return false;
    *number = static_cast<qint32>(value);
    return true;
}

// The name inside a link: "<a ...>name</a>" gives "name", a link without "</A" gives "", and
// a text that is not a link gives "".
QString linkText(const QString &text)
{
    if (text.isEmpty())
        return text;
    const qsizetype gt = text.indexOf(QLatin1Char('>'));
    if (!text.startsWith(QLatin1Char('<')) || gt < 0)
        return QString();
    const QStringView after = QStringView(text).mid(gt + 1);
    const qsizetype end = after.indexOf(QLatin1String("</A"), 0, Qt::CaseInsensitive);
    return end < 0 ? QString() : after.left(end).toString();
}

// The page's character references turned into the characters a person reads ("&amp;" is "&"),
// in one pass, so "&amp;lt;" stays "&lt;". A reference we do not know stays as written.
QString decodeReferences(const QString &text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    static const QHash<QString, QChar> named = {
        {QStringLiteral("amp"), QLatin1Char('&')},   {QStringLiteral("lt"), QLatin1Char('<')},
        {QStringLiteral("gt"), QLatin1Char('>')},    {QStringLiteral("quot"), QLatin1Char('"')},
        {QStringLiteral("apos"), QLatin1Char('\'')}, {QStringLiteral("nbsp"), QChar(0xA0)}};
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype semi = text.at(i) == QLatin1Char('&') ? text.indexOf(QLatin1Char(';'), i + 1) : -1;
        if (semi < 0 || semi - i > 10) {
            out += text.at(i++);
            continue;
        }
        const QString name = text.mid(i + 1, semi - i - 1);
        bool ok = false;
        char32_t code = 0;
        if (name.startsWith(QLatin1Char('#'))) {
            const bool hex = name.size() > 1 && (name.at(1) == QLatin1Char('x') || name.at(1) == QLatin1Char('X'));
            code = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            ok = ok && code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
            if (ok)
                out += QString::fromUcs4(&code, 1);
        } else if (named.contains(name)) {
            ok = true;
            out += named.value(name);
        }
        if (ok) {
            i = semi + 1;
        } else {
            out += text.at(i++);
        }
    }
    return out;
}

// One Parse: the script, the element of the last lookup that worked, and the page.
class Reader
{
public:
    Reader(const BNHTMLExtract &extract, QStringView page, const QString &scriptPath) : m_extract(extract), m_page(page)
    {
        m_script.ImportScript(scriptPath); // a missing script makes every lookup fail
    }

    // A failed lookup keeps the previous element in use.
    void lookup(const char *key)
    {
        if (auto elem = GetScriptElem(QString::fromLatin1(key), m_script))
            m_elem = std::move(elem);
    }

    // Extracts with the current element (its Catch replaced when catchText is given) and
    // stores the result; a failed extraction, or no element yet, leaves field alone.
    bool extract(QString *field, QStringView page, const QString *catchText = nullptr) const
    {
        if (!m_elem)
            return false;
        bool ok = false;
        QString text = m_extract.Extract(m_elem->OpenTag, m_elem->CloseTag, catchText ? *catchText : m_elem->Catch,
                                         m_elem->CaseNumber, page, m_elem->xType, &ok);
        if (!ok)
            return false;
        *field = std::move(text);
        return true;
    }
    bool extract(QString *field) const { return extract(field, m_page); }

    // A FORWARD extraction whose close anchor lies past the window (a title far longer than
    // any the site writes): the same text, searched up to the end of the page.
    bool extractPastWindow(QString *field) const
    {
        if (!m_elem || m_elem->CaseNumber >= 2 || m_elem->xType.compare(QLatin1String("FORWARD"), Qt::CaseInsensitive))
            return false;
        const qsizetype at = BNHTMLExtract::IndexOf(m_page, m_elem->Catch, 0, Qt::CaseInsensitive);
        if (at < 0)
            return false;
        const QStringView rest = m_page.mid(at);
        const qsizetype open = BNHTMLExtract::IndexOf(rest, m_elem->OpenTag, 0, Qt::CaseInsensitive);
        if (open < 0)
            return false;
        const qsizetype from = open + m_elem->OpenTag.size();
        const qsizetype close = BNHTMLExtract::IndexOf(rest, m_elem->CloseTag, from, Qt::CaseSensitive);
        if (close < 0)
            return false;
        *field = rest.mid(from, close - from).toString();
        return true;
    }

    // lookup and extract in one: the standard extraction of a key.
    void standard(const char *key, QString *field)
    {
        lookup(key);
        extract(field);
    }

private:
    const BNHTMLExtract &m_extract;
    QStringView m_page;
    BNParseScript m_script;
    std::optional<BNParseScripElem> m_elem;
};

} // namespace

void clsEbayAuction::Parse(const QString &page, const QString &itemNumber)
{
    Parse(page, itemNumber, ProgramFolder::file(QStringLiteral("ebparse.zdx")));
}

void clsEbayAuction::Parse(const QString &page, const QString &itemNumber, const QString &scriptPath)
{
    const QStringView view(page);
    ItemNumber = itemNumber;
    Reader r(m_extract, view, scriptPath);

    r.standard("CURRENTBID", &CurrentBid);
    if (CurrentBid.isEmpty() || !Values::isNumber(CurrentBid))
        r.standard("CURRENTBID2", &CurrentBid);

    // The minimum bid sits in the bid form, which begins at "MakeBid" (exact case).
    const qsizetype makeBid = page.indexOf(QLatin1String("MakeBid"));
    if (makeBid >= 0) {
        r.lookup("MINBID");
        r.extract(&MinimumBid, view.mid(makeBid, view.size() - makeBid - 1));
    } else {
        MinimumBid = QStringLiteral("0");
    }
    if (!Values::isNumber(MinimumBid))
        MinimumBid = CurrentBid;

    r.standard("QUANTITY", &Quantity);
    qint32 quantity = 0;
    const bool quantityIsNumber = wholeNumber(Quantity, &quantity);
    if (quantityIsNumber)
        AuctionType = quantity < 2 ? QStringLiteral("REG") : QStringLiteral("DUTCH");

    r.standard("TIMELEFT", &TimeLeft);
    if (TimeLeft.contains(QLatin1String("ENDED"), Qt::CaseInsensitive))
        TimeLeft = QStringLiteral("Auction has Ended");

    // High bidder: not judged on a private auction (no names shown) nor on a multiple-item one.
    MeHighBidder = QStringLiteral("Unknown");
    r.lookup("BIDDERSEARCH");
    // A failed extraction only leaves the answer as it was; the test goes on.
    QString answer;
    const QString privateCatch = QStringLiteral("private");
    r.extract(&answer, view, &privateCatch);
    if (answer != QLatin1String("TRUE") && quantityIsNumber && quantity <= 1) {
        // Without a signed-in site name there is nobody to look for ("><" is in every row).
        const QString name = gCurrentUser ? gCurrentUser->EbayName : QString();
        if (!name.isEmpty()) {
            const QString nameCatch = QLatin1Char('>') + name + QLatin1Char('<');
            r.extract(&answer, view, &nameCatch);
            MeHighBidder = answer == QLatin1String("TRUE") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        }
    }

    r.standard("TIMEENDS", &TimeEnds);
    r.standard("NUMBEROFBIDS", &NumberOfBids);
    r.standard("LOCATION", &Location);
    StripTags(Location);
    Location = decodeReferences(Location);

    r.standard("COUNTRY", &Country);
    if (Country.isEmpty())
        r.standard("COUNTRY2", &Country);
    Country = decodeReferences(Country);

    r.standard("Seller", &Seller);
    Seller = linkText(Seller);

    r.standard("HIGHBID", &HighBidder);
    HighBidder = linkText(HighBidder);
    if (HighBidder.contains(QLatin1String("href"), Qt::CaseInsensitive))
        HighBidder = QStringLiteral("Unknown");

    r.lookup("TITLE");
    if (r.extract(&title) || r.extractPastWindow(&title))
        title = decodeReferences(Values::trimBlanks(title));

    // What a page writes is kept and shown as text: no control character and no mark that
    // turns the text around it, whatever character references the page holds.
    for (QString *text : {&title, &TimeLeft, &Location, &Country, &Seller, &HighBidder, &AuctionType})
        *text = safe_text::stripped(*text);
    TitleLength = title.size();
    if (title.size() > kTitleWidth)
        title.truncate(kTitleWidth);
}

namespace {
// Every "<" closes with a ">" before the next "<" opens: no tag text holds a "<" of its own.
bool tagsAreRegular(const QString &text)
{
    bool open = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('<')) {
            if (open)
                return false;
            open = true;
        } else if (c == QLatin1Char('>')) {
            open = false;
        }
    }
    return true;
}
} // namespace

QString clsEbayAuction::StripTags(QString &text)
{
    if (text.isEmpty())
        return text;
    if (!tagsAreRegular(text)) {
        // A "<" inside a tag: removing a tag can join the text around it into a new one, so
        // the removals are made one by one, each over the whole text.
        while (!text.isEmpty()) {
            const qsizetype lt = text.indexOf(QLatin1Char('<'));
            const qsizetype gt = text.indexOf(QLatin1Char('>'));
            if (lt < 0 || gt < 0 || gt < lt)
                break;
            // Copy first: the tag is removed from the text it points into.
            const QString tag = text.mid(lt, gt - lt + 1);
            text.remove(tag);
        }
        return text;
    }
    // One pass. Each tag met while stripping goes, and with it every later copy of the same
    // text; a ">" met before the next tag ends the stripping, after which only copies of the
    // tags already removed go.
    const QString source = text;
    QSet<QStringView> removed;
    QString out;
    out.reserve(source.size());
    bool stripping = true;
    qsizetype i = 0;
    while (i < source.size()) {
        const QChar c = source.at(i);
        if (c == QLatin1Char('<')) {
            const qsizetype gt = source.indexOf(QLatin1Char('>'), i + 1);
            if (gt < 0) {
                out += QStringView(source).mid(i);
                break;
            }
            const QStringView tag = QStringView(source).mid(i, gt - i + 1);
            if (stripping)
                removed.insert(tag);
            else if (!removed.contains(tag))
                out += tag;
            i = gt + 1;
            continue;
        }
        if (c == QLatin1Char('>'))
            stripping = false;
        out += c;
        ++i;
    }
    text = out;
    return text;
}
