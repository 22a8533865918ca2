#pragma once

#include "engine/BNBidTalk.h"

#include <QString>
#include <memory>

// One request waiting for the site: an import, a refresh, a clock synchronisation or one
// step of a snipe.
class BNQItem
{
public:
    enum ActionType : qint32
    {
        Import = 0,
        Refresh = 1,
        TimeSync = 2,
        Snipe = 3
    };
    // The queue serves the highest first: a snipe's step before a clock synchronisation, that
    // before what the user asked for, that before what runs by itself (a refresh of them all).
    enum PriorityLevel : qint32
    {
        BackgroundPriority = 0,
        RequestPriority = 1,
        TimeSyncPriority = 2,
        SnipePriority = 3
    };

    // The items the engine queues, each with its action, priority and status text.
    static std::shared_ptr<BNQItem> snipe(const std::shared_ptr<BNBidTalk> &bid);
    static std::shared_ptr<BNQItem> refresh(const QString &itemNumber, qint32 userKey, qint32 folder,
                                            qint32 priority = RequestPriority);
    // shownNumber: the number as the user typed it, for the status text; the item number when empty.
    static std::shared_ptr<BNQItem> import(const QString &itemNumber, qint32 userKey, qint32 folder,
                                           const QString &shownNumber = QString());
    static std::shared_ptr<BNQItem> timeSync(bool disconnectAfter);

    qint32 Action = 0;
    QString ItemNumber;
    qint32 UserKey = 0;
    qint32 Folder = 0;
    qint32 Priority = 0;
    QString message;
    std::shared_ptr<BNBidTalk> Bid;
    bool Processed = false;
    bool DisconnectAfterCompletion = false;
};

using QItemPtr = std::shared_ptr<BNQItem>;
