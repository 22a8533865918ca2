#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace practice {

struct Bid
{
    QString bidder;
    double maxBid = 0;
    int quantity = 1;
};

// One auction as the site holds it. Competing bids given here are placed in order, before
// any bid that arrives by form post.
struct Auction
{
    QString item;
    QString title;
    double startPrice = 1.0;
    int quantity = 1;
    QDateTime start; // invalid: a week before the end
    QDateTime end;   // absolute instant; shown in the site's zone
    QString seller = QStringLiteral("seller1");
    int sellerRating = 10;
    QString location = QStringLiteral("Springfield, Illinois");
    QString country = QStringLiteral("USA/Chicago");
    QString description = QStringLiteral("A fine piece in working order.");
    bool isPrivate = false;
    double increment = 0; // 0: the site's increment table
    std::vector<Bid> bids;
};

// What the item page shows, computed from the bids.
struct Standing
{
    double price = 0;
    double minimumBid = 0;
    int bidCount = 0;
    QString highBidder; // empty without bids
    double highMax = 0;
};

enum class BidResult
{
    HighBidder,
    Outbid,
    BelowMinimum,
    Ended,
    UnknownItem,
    BadCredentials,
    BadKey
};

// The auctions and the registered bidders. Not thread-safe:
// the site holds its lock around every call.
class SiteModel
{
public:
    void addAuction(const Auction &auction);
    void removeAuction(const QString &item);
    const Auction *auction(const QString &item) const;
    std::vector<QString> items() const;

    void addUser(const QString &userId, const QString &password);
    // User ids compare without regard to case, passwords exactly.
    bool checkUser(const QString &userId, const QString &password) const;

    // Proxy bidding: the highest maximum wins (the earlier of equal maxima), at the second
    // highest maximum plus one increment, never above the winner's own maximum.
    static Standing standing(const Auction &auction);
    static double increment(const Auction &auction, double price);
    static bool ended(const Auction &auction, const QDateTime &now) { return now >= auction.end; }

    // A bid placed directly (a competitor); refused after the end or below the minimum.
    BidResult placeBid(const QString &item, const Bid &bid, const QDateTime &now);

    // make-bid: checks the amount and hands out a key for the accept-bid post.
    BidResult makeBid(const QString &item, double maxBid, const QDateTime &now, QString *key);
    // accept-bid: checks the bidder, the password and the key, then places the bid.
    BidResult acceptBid(const QString &item, const QString &userId, const QString &password, const QString &key,
                        double maxBid, int quantity, const QDateTime &now);

private:
    std::map<QString, Auction> m_auctions;
    QHash<QString, QString> m_passwords; // by lower-case user id
    static QString keyFor(const QString &item, double maxBid);
};

} // namespace practice
