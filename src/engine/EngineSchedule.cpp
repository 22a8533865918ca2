#include "engine/AuctionEngine.h"

#include "engine/EngineSupport.h"
#include "engine/EventGuard.h"
#include "engine/IMainWindow.h"
#include "engine/ebayURLS.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/InetTransfer.h"
#include "platform/TreeGrid.h"
#include "platform/Values.h"
#include "store/AppSettings.h"
#include "store/AuctionDatabase.h"
#include "store/AuctionStatus.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QTimeZone>
#include <cstdlib>

namespace {
// Whether minutes ahead would be due (within limit) if the clock were off by whole hours.
bool dueUnderAnHourShift(qint64 ahead, qint64 limit)
{
    for (qint64 hours = 1; hours <= 26; ++hours)
        if (std::abs(ahead - 60 * hours) <= limit)
            return true;
    return false;
}
} // namespace

qint32 ScheduleAuctionKey = 0;
bool ScheduleCancelled = false;
bool SnipeUnscheduled = false;

void AuctionEngine::serveTimeSync(const QItemPtr &item)
{
    if (engine_detail::onlineForBid()) {
        item->DisconnectAfterCompletion = false;
    } else if (gSettings && gSettings->ConnectionType == 0) {
        item->message = QStringLiteral("Connecting for time sync...");
        QString action = item->message;
        QString step = QStringLiteral("Connecting...Please Wait");
        m_window.SetStatusText(action, step);
        engine_detail::dial(gSettings->PhoneBookEntry, false);
        WaitSeconds(10);
        if (mLastQueueItem != item)
            return; // halted while the line came up
        if (!engine_detail::onlineForBid()) {
            BSN_Log().MarkAuction(0, currentUserKey(),
                                  QStringLiteral("Unable to connect to the internet to perform time synchronization."));
            return;
        }
    }
    QString action = QStringLiteral("Syncronizing Time...");
    QString step;
    m_window.SetStatusText(action, step);
    ebayURLS *urls = UseURLs();
    if (!urls || !startGet(urls->EbayTimeSyncURL))
        BSN_Log().MarkAuction(0, currentUserKey(), QStringLiteral("Unable to connect, aborting Time Synchronization."));
}

void AuctionEngine::tmrQueueSchedulerAndTimeSyncs_Timer()
{
    runGuarded("the snipe scheduler", ErrorReport::Log, [this] { tmrQueueSchedulerAndTimeSyncs_TimerBody(); });
}

void AuctionEngine::tmrQueueSchedulerAndTimeSyncs_TimerBody()
{
    ++m_schedulingCounter;
    ++m_periodicSyncCounter;
    if (m_schedulingCounter == 1) {
        m_schedulingCounter = 0;
        QueueDueSnipes();
        m_window.UpdateTimeLeftColumn();
    }
    const qint16 hours = gSettings ? gSettings->PeriodicTimeSync : 0;
    if (hours != 0) {
        if (static_cast<float>(m_periodicSyncCounter) / 60.0f >= static_cast<float>(hours)) {
            TimeSync(false, true);
            m_periodicSyncCounter = 0;
        }
    } else {
        m_periodicSyncCounter = 0;
    }
}

void AuctionEngine::QueueDueSnipes()
{
    if (!gDB || !gSettings || !gUsers)
        return;
    auto rs = gDB->openQuery(QStringLiteral("SELECT * FROM Auctions WHERE AUC_Status = ?"), {AuctionStatus::Scheduled});
    const auto minutes = [](qint64 ms) { return ms >= 0 ? ms / 60000 : (ms - 59999) / 60000; };
    const qint64 now = siteNowMs();
    bool syncFirst = false;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        const qint32 key = static_cast<qint32>(rs->value(QStringLiteral("AUC_Primary")).toLongLong());
        const QDateTime ended = rs->value(QStringLiteral("AUC_Ended")).toDateTime();
        const QString endedZone = rs->value(QStringLiteral("AUC_EndedZone")).toString();
        const qint32 bidSecs = static_cast<qint32>(rs->value(QStringLiteral("AUC_BidSecs")).toLongLong());
        if (!ended.isValid())
            continue;
        // Minute boundaries crossed from now to the snipe moment.
        const qint64 moment = endInstantMs(ended, endedZone) - 1000LL * bidSecs;
        const qint64 ahead = minutes(moment) - minutes(now);
        if (ahead > gSettings->ConnectXPriortoBid + 1) {
            // Before the clock is synchronised in this run, a TimeOffset wrong by whole hours would
            // make a snipe due now look hours away: the site's clock is asked first.
            if (!Clock::synchronised() && dueUnderAnHourShift(ahead, gSettings->ConnectXPriortoBid + 1))
                syncFirst = true;
            continue;
        }
        // One conversation an auction: none while one runs, and none again once a final post
        // left in this run, whatever the row says (its status write may be held).
        if (!m_live.mayStart(key) || queue().BidIsQueued(key) ||
            (mLastQueueItem && mLastQueueItem->Bid && mLastQueueItem->Bid->PrimaryKey == key))
            continue;
        const qint32 userKey = static_cast<qint32>(rs->value(QStringLiteral("AUC_User")).toLongLong());
        UserPtr user = gUsers->GetUserByPrimary(userKey);
        const QString itemNumber = rs->value(QStringLiteral("AUC_ItemNumber")).toString();
        if (!user) {
            // Bidding needs the user's site account; say so once rather than every minute.
            if (!m_orphanSnipesLogged.contains(key)) {
                m_orphanSnipesLogged.insert(key);
                BSN_Log().MarkAuction(0, 0,
                                      QStringLiteral("Item #") + itemNumber +
                                          QStringLiteral(": the program user of this snipe no longer exists; the "
                                                         "snipe was not started."));
            }
            continue;
        }
        auto bid = std::make_shared<BNBidTalk>();
        bid->BidSeconds = bidSecs;
        bid->EndingTime = ended;
        bid->EndingZone = endedZone;
        bid->ItemNumber = itemNumber;
        bid->MaxBid = BNBidTalk::bidAmount(rs->value(QStringLiteral("AUC_MaxBid")).toDouble());
        bid->SetNextAction(BNBidTalk::Wait);
        bid->PrimaryKey = key;
        bid->Quantity = static_cast<qint16>(rs->value(QStringLiteral("AUC_BidQuantity")).toLongLong());
        bid->ReconnectionAttempts = 0;
        bid->User = user;
        const QItemPtr item = BNQItem::snipe(bid);
        queue().Add(item);
        m_live.started(item);
    }
    if (syncFirst && !timeSyncPending()) {
        if (!m_syncAskedFor.isValid() || m_syncAskedFor.elapsed() > 60000) {
            m_syncAskedFor.start();
            TimeSync(false, false);
        }
    }
}

bool AuctionEngine::timeSyncPending() const
{
    if (mLastQueueItem && mLastQueueItem->Action == BNQItem::TimeSync && m_inet->StillExecuting())
        return true;
    for (const QItemPtr &i : m_queue ? m_queue->items() : QList<QItemPtr>())
        if (i->Action == BNQItem::TimeSync)
            return true;
    return false;
}

void AuctionEngine::TimeSync(bool, bool disconnectAfter)
{
    m_window.setStatusPanel(2, QString());
    m_window.setAddAuctionDefault(false);
    queue().Add(BNQItem::timeSync(disconnectAfter));
}

void AuctionEngine::ScheduleSnipe(const std::function<void()> &showDialog)
{
    TreeGrid &grid = m_window.auctionGrid();
    const qint32 selected = grid.currentRow();
    if (selected < 0)
        return;
    ScheduleAuctionKey = grid.rowKey(selected);
    if (showDialog)
        showDialog();
    if (m_window.folderTreeHasSelection())
        m_window.BuildAuctionGrid(m_window.selectedFolderKey());
    // The new schedule may sort the auction elsewhere: it is found again by its key.
    const qint32 scheduled = grid.findRowByKey(ScheduleAuctionKey, 0);
    if (scheduled > -1 && scheduled != grid.currentRow())
        grid.selectRow(scheduled);

    const UserPtr user = gCurrentUser;
    if (user && SnipeUnscheduled) {
        BSN_Log().MarkAuction(ScheduleAuctionKey, user->PrimaryKey,
                              QStringLiteral("User (") + user->ZandroName + QStringLiteral(") Cancelled Snipe."));
        SnipeUnscheduled = false;
        queue().RemoveBid(ScheduleAuctionKey, *user, mLastQueueItem);
    } else if (user && !ScheduleCancelled) {
        BSN_Log().MarkAuction(ScheduleAuctionKey, user->PrimaryKey,
                              QStringLiteral("(Zandrift Name: ") + user->ZandroName + QStringLiteral(", eBay Name: ") +
                                  user->EbayName + QStringLiteral(") Scheduled Snipe (V") + GetAppVersion() +
                                  QStringLiteral(")."));
        auto rs = gDB->openQuery(
            QStringLiteral("SELECT AUC_MaxBid, AUC_BidQuantity, AUC_BidSecs FROM Auctions WHERE AUC_Primary = ?"),
            {ScheduleAuctionKey});
        if (rs->recordCount() > 0) {
            const double maxBid = BNBidTalk::bidAmount(rs->value(QStringLiteral("AUC_MaxBid")).toDouble());
            const qint32 quantity = static_cast<qint32>(rs->value(QStringLiteral("AUC_BidQuantity")).toLongLong());
            // The conversation that runs (queued or in flight) takes the new schedule; one
            // unscheduled a moment ago and scheduled again goes on rather than ending as cancelled.
            const QItemPtr running = m_live.conversation(ScheduleAuctionKey);
            if (running && running->Bid) {
                running->Bid->CancelBid = false;
                running->Bid->MaxBid = maxBid;
                running->Bid->Quantity = static_cast<qint16>(quantity);
                running->Bid->BidSeconds = static_cast<qint32>(rs->value(QStringLiteral("AUC_BidSecs")).toLongLong());
            } else if (!queue().AdjustBid(ScheduleAuctionKey, *user, maxBid, quantity) && mLastQueueItem &&
                       mLastQueueItem->Bid && mLastQueueItem->Bid->PrimaryKey == ScheduleAuctionKey) {
                mLastQueueItem->Bid->MaxBid = maxBid;
                mLastQueueItem->Bid->Quantity = static_cast<qint16>(quantity);
            }
        }
    }
    m_window.updateCaption();
    QueueDueSnipes();
}
