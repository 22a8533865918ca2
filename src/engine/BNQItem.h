#pragma once

#include "BNBidTalk.h"

#include <QString>
#include <memory>

// One request waiting for the site: an import, a refresh, a clock synchronisation or one
// step of a snipe.
class BNQItem
{
public:
    enum ActionType : qint32 { Import = 0, Refresh = 1, TimeSync = 2, Snipe = 3 };

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
