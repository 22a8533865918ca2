#pragma once

#include "engine/BNQItem.h"

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
    // Also cancels the bid of the item in flight (currentItem) when it is that auction's: its
    // reply is still read, and the conversation ends at its next step.
    bool RemoveBid(qint32 auctionKey, const BSN_User &user, const QItemPtr &currentItem);
    bool AdjustBid(qint32 auctionKey, const BSN_User &user, double maxBid, qint32 quantity);
    void RemoveAuctionItem(const QString &itemNumber, const BSN_User &user);
    // Takes that item out of the queue, wherever it stands; false when it is not queued.
    bool Take(const QItemPtr &item);

    const QList<QItemPtr> &items() const { return m_items; }

private:
    QList<QItemPtr> m_items;
};
