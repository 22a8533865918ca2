#pragma once

#include "engine/BNQItem.h"

#include <QHash>
#include <QList>
#include <QString>
#include <functional>

// The snipes this run is carrying, whatever their rows say (a row may refuse a write or be
// replaced): each auction's one conversation from the moment it is queued until its last step,
// and the auctions whose final post has left, so that nothing starts a second conversation for
// them and the refresh after the end knows a bid went out. The scheduler, the schedule dialog's
// save, the deletes, halt and the refresh ask it, never the row alone.
class LiveSnipes
{
public:
    // Whether an item is still queued or in flight; an item neither is a conversation that ended.
    using Liveness = std::function<bool(const QItemPtr &)>;
    explicit LiveSnipes(Liveness isLive) : m_isLive(std::move(isLive)) {}

    void started(const QItemPtr &item);
    // The auction's conversation while it is queued or in flight; null once it ended.
    QItemPtr conversation(qint32 auctionKey);
    // False while a conversation runs and, for the rest of the run, once its final post left.
    bool mayStart(qint32 auctionKey);

    void finalPostLeft(qint32 auctionKey);
    bool finalPostHasLeft(qint32 auctionKey) const { return m_sent.contains(auctionKey); }
    // Why the site may not have taken a final post that left (its answer, or the lack of one).
    void noteFinalAnswer(qint32 auctionKey, const QString &why);
    QString finalAnswer(qint32 auctionKey) const { return m_sent.value(auctionKey); }
    QList<qint32> sentAuctions() const { return m_sent.keys(); }

    // The auction is deleted: its conversation, if one runs, is cancelled and handed back for
    // the caller to take out of the queue; nothing of it is kept.
    QItemPtr forget(qint32 auctionKey);

private:
    Liveness m_isLive;
    QHash<qint32, QItemPtr> m_live;
    QHash<qint32, QString> m_sent;
};
