#pragma once

#include "BNQItem.h"

#include <QList>

class BSN_User;

// The one queue every request to the site goes through; higher priorities are served first,
// first in first out within a priority.
class BNQueue
{
public:
    bool KludgyStart = false;
    bool InetAvailable = false; // true while no request is in flight

    void Add(const QItemPtr &item);
    bool IsRefreshing() const;
    void RemoveAllItemsExceptSnipes();
    QItemPtr NextItem();
    qint32 Count() const { return static_cast<qint32>(m_items.size()); }
    bool ItemIsQueued(const QString &itemNumber) const;
    bool BidIsQueued(qint32 auctionKey) const;
    // Also clears *currentItem when it carries that auction's bid.
    bool RemoveBid(qint32 auctionKey, const BSN_User &user, QItemPtr *currentItem);
    bool AdjustBid(qint32 auctionKey, const BSN_User &user, double maxBid, qint32 quantity);
    void RemoveAuctionItem(const QString &itemNumber, const BSN_User &user);

    const QList<QItemPtr> &items() const { return m_items; }

private:
    QList<QItemPtr> m_items;
};
