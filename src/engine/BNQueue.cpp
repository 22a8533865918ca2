#include "engine/BNQueue.h"

#include "platform/Values.h"
#include "store/BSN_User.h"

namespace {
bool bidMatches(const QItemPtr &item, qint32 auctionKey, const BSN_User &user)
{
    return item->Bid && item->Bid->User && item->Bid->PrimaryKey == auctionKey &&
           item->Bid->User->PrimaryKey == user.PrimaryKey;
}
} // namespace

void BNQueue::Add(const QItemPtr &item)
{
    if (item)
        m_items.append(item);
}

bool BNQueue::IsRefreshing() const
{
    for (const QItemPtr &i : m_items) {
        if (i->Action == BNQItem::Refresh)
            return true;
    }
    return false;
}

void BNQueue::RemoveAllItemsExceptSnipes()
{
    for (qsizetype i = m_items.size() - 1; i >= 0; --i) {
        const QItemPtr &item = m_items[i];
        if (!item->Bid || item->Bid->MaxBid == 0)
            m_items.removeAt(i);
    }
}

QItemPtr BNQueue::NextItem()
{
    for (qint32 priority = BNQItem::SnipePriority; priority >= BNQItem::BackgroundPriority; --priority) {
        for (qsizetype i = 0; i < m_items.size(); ++i) {
            if (m_items[i]->Priority == priority)
                return m_items.takeAt(i);
        }
    }
    return nullptr;
}

bool BNQueue::ItemIsQueued(const QString &itemNumber) const
{
    const QString wanted = Values::trimBlanks(itemNumber);
    for (const QItemPtr &i : m_items) {
        if (Values::trimBlanks(i->ItemNumber) == wanted)
            return true;
    }
    return false;
}

bool BNQueue::BidIsQueued(qint32 auctionKey) const
{
    for (const QItemPtr &i : m_items) {
        if (i->Bid && i->Bid->PrimaryKey == auctionKey)
            return true;
    }
    return false;
}

bool BNQueue::RemoveBid(qint32 auctionKey, const BSN_User &user, const QItemPtr &currentItem)
{
    bool removed = false;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (bidMatches(m_items[i], auctionKey, user)) {
            m_items[i]->Bid->CancelBid = true;
            m_items.removeAt(i);
            removed = true;
            break;
        }
    }
    if (currentItem && currentItem->Bid && currentItem->Bid->PrimaryKey == auctionKey)
        currentItem->Bid->CancelBid = true;
    return removed;
}

bool BNQueue::AdjustBid(qint32 auctionKey, const BSN_User &user, double maxBid, qint32 quantity)
{
    for (const QItemPtr &i : m_items) {
        if (bidMatches(i, auctionKey, user)) {
            i->Bid->MaxBid = maxBid;
            i->Bid->Quantity = static_cast<qint16>(quantity);
            return true;
        }
    }
    return false;
}

void BNQueue::RemoveAuctionItem(const QString &itemNumber, const BSN_User &user)
{
    const QString wanted = Values::trimBlanks(itemNumber);
    for (qsizetype i = m_items.size() - 1; i >= 0; --i) {
        const QItemPtr &item = m_items[i];
        if (Values::trimBlanks(item->ItemNumber) == wanted && item->UserKey == user.PrimaryKey && !item->Bid)
            m_items.removeAt(i);
    }
}

bool BNQueue::Take(const QItemPtr &item)
{
    return m_items.removeOne(item);
}
