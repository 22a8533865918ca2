#pragma once

#include "BNBidTalk.h"

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
