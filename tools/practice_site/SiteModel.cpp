#include "SiteModel.h"

#include <QCryptographicHash>

#include <algorithm>
#include <cmath>

namespace practice {

namespace {
double roundCents(double v)
{
    return std::round(v * 100.0) / 100.0;
}
} // namespace

void SiteModel::addAuction(const Auction &auction)
{
    m_auctions[auction.item] = auction;
}

void SiteModel::removeAuction(const QString &item)
{
    m_auctions.erase(item);
}

const Auction *SiteModel::auction(const QString &item) const
{
    auto it = m_auctions.find(item.trimmed());
    return it == m_auctions.end() ? nullptr : &it->second;
}

std::vector<QString> SiteModel::items() const
{
    std::vector<QString> out;
    for (const auto &a : m_auctions)
        out.push_back(a.first);
    return out;
}

void SiteModel::addUser(const QString &userId, const QString &password)
{
    m_passwords[userId.toLower()] = password;
}

// A key made from the item and the amount: nothing to store, so a long run does not grow, and
// a repeated final post of the same bid is accepted again.
QString SiteModel::keyFor(const QString &item, double maxBid)
{
    const QByteArray text = (item + QLatin1Char('|') + QString::number(maxBid, 'f', 2)).toUtf8() + "|zandrift";
    return QLatin1Char('K') +
           QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha1).toHex().left(9));
}

bool SiteModel::checkUser(const QString &userId, const QString &password) const
{
    auto pw = m_passwords.constFind(userId.toLower());
    return pw != m_passwords.constEnd() && *pw == password;
}

double SiteModel::increment(const Auction &auction, double price)
{
    if (auction.increment > 0)
        return auction.increment;
    struct Step
    {
        double below;
        double inc;
    };
    static const Step table[] = {{1, 0.05}, {5, 0.25},  {25, 0.5},  {100, 1},  {250, 2.5},
                                 {500, 5},  {1000, 10}, {2500, 25}, {5000, 50}};
    for (const Step &s : table) {
        if (price < s.below)
            return s.inc;
    }
    return 100;
}

Standing SiteModel::standing(const Auction &auction)
{
    Standing s;
    s.price = auction.startPrice;
    for (const Bid &b : auction.bids) {
        ++s.bidCount;
        if (s.highBidder.isEmpty()) {
            s.highBidder = b.bidder;
            s.highMax = b.maxBid;
        } else if (b.bidder.compare(s.highBidder, Qt::CaseInsensitive) == 0) {
            s.highMax = std::max(s.highMax, b.maxBid); // raising one's own maximum keeps the price
        } else if (b.maxBid > s.highMax) {
            s.price = std::min(b.maxBid, s.highMax + increment(auction, s.highMax));
            s.highBidder = b.bidder;
            s.highMax = b.maxBid;
        } else {
            // A losing bid can only push the price up, never below what it already is.
            s.price = std::max(s.price, std::min(s.highMax, b.maxBid + increment(auction, b.maxBid)));
        }
        s.price = roundCents(s.price);
    }
    s.minimumBid = s.bidCount == 0 ? auction.startPrice : roundCents(s.price + increment(auction, s.price));
    return s;
}

BidResult SiteModel::placeBid(const QString &item, const Bid &bid, const QDateTime &now)
{
    auto it = m_auctions.find(item.trimmed());
    if (it == m_auctions.end())
        return BidResult::UnknownItem;
    Auction &a = it->second;
    if (ended(a, now))
        return BidResult::Ended;
    const Standing before = standing(a);
    const bool ownRaise = bid.bidder.compare(before.highBidder, Qt::CaseInsensitive) == 0;
    if (!ownRaise && bid.maxBid + 1e-9 < before.minimumBid)
        return BidResult::BelowMinimum;
    a.bids.push_back(bid);
    const Standing after = standing(a);
    return after.highBidder.compare(bid.bidder, Qt::CaseInsensitive) == 0 ? BidResult::HighBidder : BidResult::Outbid;
}

BidResult SiteModel::makeBid(const QString &item, double maxBid, const QDateTime &now, QString *key)
{
    const Auction *a = auction(item);
    if (!a)
        return BidResult::UnknownItem;
    if (ended(*a, now))
        return BidResult::Ended;
    if (maxBid + 1e-9 < standing(*a).minimumBid)
        return BidResult::BelowMinimum;
    if (key)
        *key = keyFor(a->item, maxBid);
    return BidResult::HighBidder;
}

BidResult SiteModel::acceptBid(const QString &item, const QString &userId, const QString &password, const QString &key,
                               double maxBid, int quantity, const QDateTime &now)
{
    const Auction *a = auction(item);
    if (!a)
        return BidResult::UnknownItem;
    if (!checkUser(userId, password))
        return BidResult::BadCredentials;
    if (key != keyFor(a->item, maxBid))
        return BidResult::BadKey;
    return placeBid(item, Bid{userId, maxBid, std::max(1, quantity)}, now);
}

} // namespace practice
