#include "engine/BNQItem.h"

#include "platform/Values.h"

std::shared_ptr<BNQItem> BNQItem::snipe(const std::shared_ptr<BNBidTalk> &bid)
{
    auto item = std::make_shared<BNQItem>();
    item->Action = Snipe;
    item->Priority = SnipePriority;
    item->message = QStringLiteral("Preparing to Snipe Item# ") + (bid ? bid->ItemNumber : QString());
    item->Bid = bid;
    return item;
}

std::shared_ptr<BNQItem> BNQItem::refresh(const QString &itemNumber, qint32 userKey, qint32 folder, qint32 priority)
{
    auto item = std::make_shared<BNQItem>();
    item->Action = Refresh;
    item->Priority = priority;
    item->ItemNumber = Values::trimBlanks(itemNumber);
    item->UserKey = userKey;
    item->Folder = folder;
    item->message = QStringLiteral("Refreshing Auction #") + item->ItemNumber;
    return item;
}

std::shared_ptr<BNQItem> BNQItem::import(const QString &itemNumber, qint32 userKey, qint32 folder,
                                         const QString &shownNumber)
{
    auto item = std::make_shared<BNQItem>();
    item->Action = Import;
    item->Priority = RequestPriority;
    item->ItemNumber = itemNumber;
    item->UserKey = userKey;
    item->Folder = folder;
    item->message = QStringLiteral("Adding Auction #") + (shownNumber.isEmpty() ? itemNumber : shownNumber);
    return item;
}

std::shared_ptr<BNQItem> BNQItem::timeSync(bool disconnectAfter)
{
    auto item = std::make_shared<BNQItem>();
    item->Action = TimeSync;
    item->Priority = TimeSyncPriority;
    item->message = QStringLiteral("Syncronizing Time...");
    item->DisconnectAfterCompletion = disconnectAfter;
    return item;
}
