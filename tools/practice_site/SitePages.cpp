#include "SitePages.h"

#include <QLocale>
#include <QTimeZone>

namespace practice {

namespace {
const QLocale &c()
{
    static const QLocale l = QLocale::c();
    return l;
}

QString esc(const QString &s)
{
    return s.toHtmlEscaped();
}

QString plural(qint64 n, const char *word)
{
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(word)).arg(n == 1 ? QString() : QStringLiteral("s"));
}

const char *kHead = "<html>\n<head>\n<title>%1</title>\n"
                    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\n"
                    "</head>\n<body bgcolor=\"#FFFFFF\">\n";
const char *kTail = "</body>\n</html>\n";
} // namespace

QDateTime SitePages::siteTime(const QDateTime &instant)
{
    static const QTimeZone pacific("America/Los_Angeles");
    return instant.toTimeZone(pacific);
}

QString SitePages::zoneWord(const QDateTime &instant)
{
    const QDateTime t = siteTime(instant);
    return t.timeZone().isDaylightTime(t) ? QStringLiteral("PDT") : QStringLiteral("PST");
}

QString SitePages::money(double amount)
{
    QString digits = QString::number(amount, 'f', 2);
    for (int i = digits.indexOf(QLatin1Char('.')) - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return QStringLiteral("$") + digits;
}

QString SitePages::timeLeft(const QDateTime &now, const QDateTime &end)
{
    const qint64 secs = now.secsTo(end);
    if (secs <= 0)
        return QStringLiteral("Auction has ended.");
    const qint64 days = secs / 86400, hours = secs % 86400 / 3600, mins = secs % 3600 / 60;
    if (days > 0)
        return plural(days, "day") + QStringLiteral(", ") + plural(hours, "hour") + QStringLiteral(" +");
    if (hours > 0)
        return plural(hours, "hour") + QStringLiteral(", ") + plural(mins, "min");
    return plural(mins, "min") + QStringLiteral(", ") + plural(secs % 60, "sec");
}

QString SitePages::stamp(const QDateTime &instant) const
{
    return c().toString(siteTime(instant), QStringLiteral("MMM-dd-yy HH:mm:ss ")) + zoneWord(instant);
}

QString SitePages::smallPage(const QString &title, const QString &body)
{
    return QString::fromLatin1(kHead).arg(esc(title)) + QStringLiteral("<h2>%1</h2>\n").arg(esc(title)) + body +
           QLatin1String(kTail);
}

QString SitePages::item(const Auction &a, const Standing &s, const QDateTime &now, int highBidderRating) const
{
    const bool ended = SiteModel::ended(a, now);
    const QDateTime start = a.start.isValid() ? a.start : a.end.addDays(-7);
    const QString feedback = dll() + QStringLiteral("?ViewFeedback&amp;userid=");
    QString highBid;
    if (a.quantity > 1)
        highBid =
            QStringLiteral("see <a href=\"%1?ViewBidders&amp;item=%2\">winning bidders list</a>").arg(dll(), a.item);
    else if (a.isPrivate)
        highBid = QStringLiteral("User ID kept private");
    else if (s.highBidder.isEmpty())
        highBid = QStringLiteral("--");
    else
        highBid = QStringLiteral("<a href=\"%1%2\">%2</a> (%3)").arg(feedback, esc(s.highBidder)).arg(highBidderRating);

    QString p = QString::fromLatin1(kHead).arg(
        QStringLiteral("Item %1 (%2 %3) - %4")
            .arg(a.item, ended ? QStringLiteral("Ended") : QStringLiteral("Ends"), stamp(a.end), esc(a.title)));
    p += QStringLiteral("<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" width=\"100%\">\n"
                        "<tr><td><a href=\"%1/\"><img src=\"%1/images/logo.gif\" alt=\"Home\" border=\"0\"></a></td>\n"
                        "<td align=\"right\"><font size=\"2\"><a href=\"%2?SignIn\">sign in</a> | "
                        "<a href=\"%2?TimeShow\">official time</a></font></td></tr>\n</table>\n")
             .arg(m_base, dll());
    p += QStringLiteral("<table border=\"1\" cellpadding=\"4\" cellspacing=\"0\" width=\"100%\" bgcolor=\"#99CCCC\">\n"
                        "<tr><td align=\"center\"><font size=\"4\" face=\"Arial\"><b>%1</b></font><br>"
                        "<font size=\"2\">Item #%2</font></td></tr>\n</table>\n")
             .arg(esc(a.title), a.item);
    p += QStringLiteral("<table border=\"0\" cellpadding=\"2\" cellspacing=\"0\" width=\"100%\">\n"
                        "<tr><td width=\"15%\"><font size=\"2\">%1</font></td><td width=\"35%\"><b>%2</b></td>\n"
                        "<td width=\"15%\"><font size=\"2\">First bid</font></td><td width=\"35%\">"
                        "<font size=\"2\">%3</font></td></tr>\n")
             .arg(ended ? QStringLiteral("Winning bid") : QStringLiteral("Currently"), money(s.price),
                  money(a.startPrice));
    p += QStringLiteral("<tr><td><font size=\"2\">Quantity</font></td><td><b>%1</b></td>\n"
                        "<td><font size=\"2\"># of bids</font></td><td><b>%2</b> <font size=\"2\">"
                        "(<a href=\"%3?ViewBids&amp;item=%4\">bid history</a>)</font></td></tr>\n")
             .arg(a.quantity)
             .arg(s.bidCount)
             .arg(dll(), a.item);
    p += QStringLiteral("<tr><td><font size=\"2\">Time left</font></td><td><b>%1</b></td>\n"
                        "<td><font size=\"2\">Location</font></td><td><b><font size=\"2\">%2</font></b></td></tr>\n")
             .arg(timeLeft(now, a.end), esc(a.location));
    p += QStringLiteral("<tr><td><font size=\"2\">Started</font></td><td><font size=\"2\">%1</font></td>\n"
                        "<td><font size=\"2\">%2</font></td><td><b>%3</b></td></tr>\n")
             .arg(stamp(start), a.quantity > 1 ? QStringLiteral("Country") : QStringLiteral("Country/Region"),
                  esc(a.country));
    p += QStringLiteral("<tr><td><font size=\"2\">Ends</font></td><td><font size=\"2\">%1</font></td>"
                        "<td></td><td></td></tr>\n")
             .arg(stamp(a.end));
    p += QStringLiteral("<tr><td><font size=\"2\">Seller (Rating)</font></td><td colspan=\"3\"><a href=\"%1%2\">%2</a> "
                        "(<a href=\"%1%2\">%3</a>)</td></tr>\n")
             .arg(feedback, esc(a.seller))
             .arg(a.sellerRating);
    p += QStringLiteral("<tr><td><font size=\"2\">High bid</font></td><td colspan=\"3\">%1</td></tr>\n</table>\n<hr>\n")
             .arg(highBid);
    p += QStringLiteral("<table border=\"0\" cellpadding=\"2\" width=\"100%\"><tr><td><font size=\"2\">\n%1\n"
                        "</font></td></tr></table>\n<hr>\n")
             .arg(esc(a.description));
    if (ended) {
        p += QStringLiteral("<p><font size=\"2\"><b>Bidding has ended for this item.</b></font></p>\n");
    } else {
        p += QStringLiteral("<form method=\"post\" action=\"%1?MakeBid\">\n"
                            "<input type=\"hidden\" name=\"MfcISAPICommand\" value=\"MakeBid\">\n"
                            "<input type=\"hidden\" name=\"item\" value=\"%2\">\n"
                            "<table border=\"0\" cellpadding=\"2\"><tr><td><font size=\"2\">Current minimum bid</font>"
                            "</td><td><b>%3</b></td></tr>\n"
                            "<tr><td><font size=\"2\">Your maximum bid</font></td><td>"
                            "<input type=\"text\" name=\"maxbid\" size=\"10\"></td></tr>\n")
                 .arg(dll(), a.item, money(a.quantity > 1 ? s.price : s.minimumBid));
        if (a.quantity > 1)
            p += QStringLiteral("<tr><td><font size=\"2\">Quantity wanted</font></td><td>"
                                "<input type=\"text\" name=\"quant\" size=\"4\" value=\"1\"></td></tr>\n");
        p += QStringLiteral(
            "<tr><td></td><td><input type=\"submit\" value=\"Review bid\"></td></tr></table>\n</form>\n");
    }
    p += QStringLiteral("\n<p><font size=\"1\">All times are site time (Pacific).</font></p>\n") + QLatin1String(kTail);
    return p;
}

QString SitePages::unknownItem(const QString &item) const
{
    return smallPage(QStringLiteral("Invalid item"),
                     QStringLiteral("<p><font size=\"2\">The item you requested (%1) is invalid, still pending or no "
                                    "longer in our database.</font></p>\n")
                         .arg(esc(item)));
}

QString SitePages::time(const QDateTime &now, bool withTime) const
{
    QString line = QStringLiteral("Auctions end by the site's clock.");
    if (withTime)
        line += QStringLiteral(" The official time is believed to be... <b>%1 %2</b>")
                    .arg(c().toString(siteTime(now), QStringLiteral("dddd, MMMM d, yyyy HH:mm:ss")), zoneWord(now));
    return smallPage(QStringLiteral("Official time"),
                     QStringLiteral("<p><font size=\"2\">%1</font></p>\n<p><font size=\"2\">Set your watch by it."
                                    "</font></p>\n")
                         .arg(line));
}

QString SitePages::makeBidKey(const Auction &a, const QString &maxBidText, int quantity, const QString &key) const
{
    bool ok = false;
    const double amount = maxBidText.toDouble(&ok);
    return smallPage(
        QStringLiteral("Review and confirm your bid"),
        QStringLiteral("<p><font size=\"2\">Item #%1 - %2</font></p>\n"
                       "<p><font size=\"2\">Your maximum bid: <b>%3</b> &nbsp; Quantity: <b>%4</b></font></p>\n"
                       "<form method=\"post\" action=\"%5?AcceptBid\">\n"
                       "<input type=\"hidden\" name=\"MfcISAPICommand\" value=\"AcceptBid\">\n"
                       "<input type=\"hidden\" name=\"item\" value=\"%1\">\n"
                       "<input type=\"hidden\" name=\"maxbid\" value=\"%6\">\n"
                       "<input type=\"hidden\" name=\"quant\" value=\"%4\">\n"
                       "<input type=\"hidden\" name=\"key\" value=\"%7\">\n"
                       "<input type=\"submit\" value=\"Place bid\">\n</form>\n")
            .arg(a.item, esc(a.title), money(ok ? amount : 0))
            .arg(quantity)
            .arg(dll(), esc(maxBidText), key));
}

QString SitePages::belowMinimum(const QString &item, double maxBid, double minimumBid) const
{
    return smallPage(QStringLiteral("Problem with your bid"),
                     QStringLiteral("<p><font size=\"2\">Your bid of %1 is less than the minimum bid of %2 for item "
                                    "#%3.</font></p>\n<p><font size=\"2\">Please go back and enter a higher maximum "
                                    "bid.</font></p>\n")
                         .arg(money(maxBid), money(minimumBid), esc(item)));
}

QString SitePages::confirmed(const Auction &a, double maxBid) const
{
    return smallPage(QStringLiteral("Bid confirmation"),
                     QStringLiteral("<p><font size=\"2\">Item #%1 - %2</font></p>\n"
                                    "<p><font size=\"3\"><b>Your bid is confirmed!</b></font></p>\n"
                                    "<p><font size=\"2\">You are the current high bidder. Your maximum bid: %3"
                                    "</font></p>\n")
                         .arg(a.item, esc(a.title), money(maxBid)));
}

QString SitePages::outbid(const Auction &a, double currentPrice) const
{
    return smallPage(QStringLiteral("Bid result"),
                     QStringLiteral("<p><font size=\"2\">Item #%1 - %2</font></p>\n"
                                    "<p><font size=\"3\"><b>We're sorry, you have been outbid.</b></font></p>\n"
                                    "<p><font size=\"2\">Another bidder's maximum is higher than yours. Current bid: "
                                    "%3</font></p>\n")
                         .arg(a.item, esc(a.title), money(currentPrice)));
}

QString SitePages::bidProblem(const QString &reason) const
{
    return smallPage(QStringLiteral("Bidding problem"),
                     QStringLiteral("<p><font size=\"2\">%1</font></p>\n"
                                    "<p><font size=\"2\">Please sign in and try again.</font></p>\n")
                         .arg(esc(reason)));
}

QString SitePages::signIn(const QString &submitType, const QString &action, const QString &formAction) const
{
    const QString type = submitType.isEmpty() ? QStringLiteral("submit") : submitType;
    const QString buttonTarget =
        formAction.isEmpty() ? QString() : QStringLiteral(" formaction=\"%1\"").arg(esc(formAction));
    const QString button =
        type == QLatin1String("none")
            ? QString()
            : QStringLiteral("<p><input type=\"%1\" value=\"Sign in\"%2></p>\n").arg(esc(type), buttonTarget);
    const QString target = action.isEmpty() ? dll() + QStringLiteral("?SignInWelcome") : esc(action);
    return smallPage(QStringLiteral("Sign in"),
                     QStringLiteral("<form method=\"post\" action=\"%1\">\n"
                                    "<input type=\"hidden\" name=\"MfcISAPICommand\" value=\"SignInWelcome\">\n"
                                    "<p><font size=\"2\">User ID <input type=\"text\" name=\"userid\" size=\"20\">"
                                    "</font></p>\n"
                                    "<p><font size=\"2\">Password <input type=\"password\" name=\"pass\" size=\"20\">"
                                    "</font></p>\n%2</form>\n")
                         .arg(target, button));
}

QString SitePages::welcome(const QString &userId) const
{
    return smallPage(
        QStringLiteral("Welcome"),
        QStringLiteral("<p><font size=\"2\">Welcome, %1. You are signed in.</font></p>\n").arg(esc(userId)));
}

QString SitePages::garbage()
{
    return QStringLiteral("<html><body>\n#~ 0x7f3a <<< table overflow >>> ### @@@ \xbf? <tr><td colspan=\n"
                          "%%%% ;;; ?? </b></font> --- null null null\n");
}

QByteArray SitePages::toWire(const QString &page)
{
    // Windows-1252: Latin-1 except for 0x80-0x9F, which hold typographic characters.
    static const char16_t high[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    QByteArray out;
    out.reserve(page.size());
    for (QChar ch : page) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(static_cast<char>(u));
            continue;
        }
        char b = '?';
        for (int i = 0; i < 32; ++i) {
            if (high[i] == u && u != 0)
                b = static_cast<char>(0x80 + i);
        }
        out.append(b);
    }
    return out;
}

} // namespace practice
