#include "Invariants.h"

#include "EngineFixture.h"
#include "FormData.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace harness {

namespace {

constexpr double kCent = 0.005;

struct Post
{
    const practice::RecordedRequest *request;
    bool final;
    double amount;
    QString key;
};

std::vector<Post> postsOf(const Outcome &out, const QString &item)
{
    std::vector<Post> posts;
    for (const practice::RecordedRequest &r : out.requests) {
        if (r.method != QLatin1String("POST"))
            continue;
        const bool final = r.command == QLatin1String("AcceptBid");
        if (!final && r.command != QLatin1String("MakeBid"))
            continue;
        const FormData form(r.body);
        if (form.value(QStringLiteral("item")).trimmed() != item)
            continue;
        posts.push_back(
            {&r, final, form.value(QStringLiteral("maxbid")).trimmed().toDouble(), form.value(QStringLiteral("key"))});
    }
    std::stable_sort(posts.begin(), posts.end(),
                     [](const Post &a, const Post &b) { return a.request->arrivalMs < b.request->arrivalMs; });
    return posts;
}

// The highest maximum in force at any moment of [fromMs, toMs].
double highestInForce(const std::vector<MaxInForce> &maxima, qint64 fromMs, qint64 toMs)
{
    double highest = 0;
    double atFrom = 0;
    for (const MaxInForce &m : maxima) {
        if (m.realMs <= fromMs)
            atFrom = m.amount;
        else if (m.realMs <= toMs)
            highest = std::max(highest, m.amount);
    }
    return std::max(highest, atFrom);
}

double lastAmount(const std::vector<MaxInForce> &maxima)
{
    return maxima.empty() ? 0 : maxima.back().amount;
}

bool isUser(const QString &bidder)
{
    return bidder.compare(QLatin1String(EngineFixture::kSiteUser), Qt::CaseInsensitive) == 0;
}

QString money(double amount)
{
    return QStringLiteral("$%1").arg(amount, 0, 'f', 2);
}

} // namespace

QString describePosts(const Plan &plan, const Outcome &out, int auction)
{
    const AuctionOutcome &o = out.auctions[static_cast<size_t>(auction)];
    QStringList parts;
    for (const Post &p : postsOf(out, plan.auctions[static_cast<size_t>(auction)].item)) {
        const qint64 fromEnd = p.request->arrivalMs + plan.siteLeadMs - o.endMs;
        QString text = QStringLiteral("%1 %2 %3%4ms")
                           .arg(p.request->command, money(p.amount), fromEnd < 0 ? QString() : QStringLiteral("+"))
                           .arg(fromEnd);
        if (p.request->fault)
            text += QStringLiteral(" [%1]").arg(QLatin1String(faultName(*p.request->fault)));
        parts << text;
    }
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral(", "));
}

QStringList checkScenario(const Plan &plan, const Outcome &out)
{
    QStringList violations;
    if (!out.started)
        return {QStringLiteral("the scenario could not start (site, database or link)")};
    if (!out.settled)
        violations << QStringLiteral("conversations still running 20 s after the last end");
    // A send that left before a change of the user's reaches the site up to a round trip, a
    // handshake and some scheduling later.
    const qint64 graceMs = 3LL * plan.oneWayMs + 700;

    for (size_t i = 0; i < plan.auctions.size(); ++i) {
        const AuctionPlan &p = plan.auctions[i];
        const AuctionOutcome &o = out.auctions[i];
        const QString name = QStringLiteral("auction ") + p.item + QStringLiteral(": ");
        const std::vector<Post> posts = postsOf(out, p.item);

        // One conversation's sends: a preparatory bid (tried again after a fault) and one final
        // post (repeated only as the retry of the same post).
        bool finalSeen = false;
        bool secondReported = false;
        std::set<std::pair<QString, qint64>> finals;
        bool finalFaulted = false;
        for (const Post &post : posts) {
            const qint64 siteArrival = post.request->arrivalMs + plan.siteLeadMs;
            if (post.final) {
                finalSeen = true;
                finals.insert({post.key, std::llround(post.amount * 100)});
                finalFaulted = finalFaulted || post.request->fault.has_value();
            } else if (finalSeen && !secondReported) {
                violations << name + QStringLiteral("a preparatory bid after a final post: a second conversation");
                secondReported = true;
            }
            if (siteArrival >= o.endMs)
                violations << name + QStringLiteral("%1 of %2 reached the site %3 ms after the end")
                                         .arg(post.request->command, money(post.amount))
                                         .arg(siteArrival - o.endMs);
            const double allowed = highestInForce(o.maxima, post.request->arrivalMs - graceMs, post.request->arrivalMs);
            if (post.amount > allowed + kCent)
                violations << name + QStringLiteral("%1 of %2 while the maximum in force was %3")
                                         .arg(post.request->command, money(post.amount), money(allowed));
        }
        if (finals.size() > 1)
            violations << name + QStringLiteral("final posts of %1 different bids").arg(finals.size());

        bool userBid = false;
        double userMax = 0;
        if (o.site) {
            for (const practice::Bid &b : o.site->bids) {
                if (isUser(b.bidder)) {
                    userBid = true;
                    userMax = std::max(userMax, b.maxBid);
                }
            }
        }
        const bool inPlace = o.leftInPlace && !o.deleted;

        // A snipe the user left in place well before its moment, whose final post met no fault,
        // is a bid on the site (which takes none after the end).
        const qint64 momentReal = o.endMs - plan.siteLeadMs - p.bidSeconds * 1000LL;
        if (inPlace && o.inForceSinceMs <= momentReal - 3000 && !finalFaulted && !userBid)
            violations << name + QStringLiteral("left in place, its final step met no fault, yet the site has no "
                                                "bid of the user (row status %1)")
                                     .arg(o.status);

        if (o.rowExists) {
            const bool siteWon = isUser(o.standing.highBidder);
            if ((o.status == 4) != siteWon)
                violations << name + QStringLiteral("row status %1 while the site's high bidder is %2 at %3")
                                         .arg(o.status)
                                         .arg(o.standing.highBidder.isEmpty() ? QStringLiteral("nobody")
                                                                              : o.standing.highBidder,
                                              money(o.standing.price));
            const double reference = userBid ? userMax : lastAmount(o.maxima);
            if (o.status == 5 && o.standing.price + kCent < reference)
                violations << name + QStringLiteral("row says outbid (5) but the site's price %1 is below the user's "
                                                    "maximum %2 (%3)")
                                         .arg(money(o.standing.price), money(reference),
                                              userBid ? QStringLiteral("the site has the user's bid")
                                                      : QStringLiteral("the site has no bid of the user"));
        }

        // No schedule the user left in place is lost.
        if (inPlace) {
            const double left = lastAmount(o.maxima);
            if (!o.rowExists)
                violations << name + QStringLiteral("the row of a snipe left in place is gone");
            else if (o.status == 1 || o.status == 6 || std::abs(o.rowMaxBid - left) > kCent)
                violations << name + QStringLiteral("schedule lost: row status %1, maximum %2, the user left %3")
                                         .arg(o.status)
                                         .arg(money(o.rowMaxBid), money(left));
        }
    }
    return violations;
}

} // namespace harness
