#include "engine/LiveSnipes.h"

void LiveSnipes::started(const QItemPtr &item)
{
    if (item && item->Bid)
        m_live.insert(item->Bid->PrimaryKey, item);
}

QItemPtr LiveSnipes::conversation(qint32 auctionKey)
{
    const auto it = m_live.find(auctionKey);
    if (it == m_live.end())
        return nullptr;
    if (m_isLive && m_isLive(it.value()))
        return it.value();
    m_live.erase(it);
    return nullptr;
}

bool LiveSnipes::mayStart(qint32 auctionKey)
{
    return !finalPostHasLeft(auctionKey) && !conversation(auctionKey);
}

void LiveSnipes::finalPostLeft(qint32 auctionKey)
{
    if (!m_sent.contains(auctionKey))
        m_sent.insert(auctionKey, QString());
}

void LiveSnipes::noteFinalAnswer(qint32 auctionKey, const QString &why)
{
    if (m_sent.contains(auctionKey))
        m_sent.insert(auctionKey, why);
}

QItemPtr LiveSnipes::forget(qint32 auctionKey)
{
    QItemPtr item = conversation(auctionKey);
    if (item)
        item->Bid->CancelBid = true;
    m_live.remove(auctionKey);
    m_sent.remove(auctionKey);
    return item;
}
