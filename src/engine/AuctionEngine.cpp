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
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <algorithm>

bool gClosing = false;

AuctionEngine::AuctionEngine(IMainWindow &window, QObject *parent)
    : QObject(parent), m_window(window), m_inet(new InetTransfer(this)), m_tmrBidSnipe(new QTimer(this)),
      m_tmrAutoRefresh(new QTimer(this)), m_tmrScheduler(new QTimer(this)), m_momentTimer(new QTimer(this)),
      m_live([this](const QItemPtr &item) { return isLive(item); })
{
    m_momentTimer->setSingleShot(true);
    m_momentTimer->setTimerType(Qt::PreciseTimer);
    connect(m_momentTimer, &QTimer::timeout, this, &AuctionEngine::onMomentTimer);
    m_records.setReporter([this](const QString &text) {
        runGuarded("reporting a database failure", ErrorReport::Log,
                   [this, &text] { m_window.showDatabaseTrouble(text); });
    });
    m_tmrScheduler->setInterval(60000);
    connect(m_tmrScheduler, &QTimer::timeout, this, &AuctionEngine::tmrQueueSchedulerAndTimeSyncs_Timer);
    m_tmrBidSnipe->setInterval(200);
    m_tmrAutoRefresh->setInterval(60000);
    connect(m_tmrBidSnipe, &QTimer::timeout, this, &AuctionEngine::tmrBidSnipe_Timer);
    connect(m_tmrAutoRefresh, &QTimer::timeout, this, &AuctionEngine::tmrAutoRefresh_Timer);
    connect(m_inet, &InetTransfer::StateChanged, this, &AuctionEngine::Inet1_StateChanged);
    queue().InetAvailable = true;
    // The program clock keeps the site's clock changes, not this machine's: the site's time is
    // its reading less TimeOffset hours, whichever of the two zones changes to summer time first.
    if (siteZone().isValid())
        Clock::followZone(siteZone());
}

AuctionEngine::~AuctionEngine()
{
    // A last try for what the database refused meanwhile; what is still refused is kept for the
    // next start (a close that went through closeDown has said so already).
    if (!m_records.flush())
        m_records.saveHeld(heldWritesPath(), m_live.sentAuctions());
}

bool AuctionEngine::isLive(const QItemPtr &item) const
{
    if (!item)
        return false;
    if (m_queue && m_queue->items().contains(item))
        return true;
    return item == mLastQueueItem && (m_inServeQueue || m_inReply || m_inet->StillExecuting());
}

BNQueue &AuctionEngine::queue()
{
    if (!m_queue)
        m_queue = std::make_unique<BNQueue>();
    return *m_queue;
}

void AuctionEngine::setTimersEnabled(bool on)
{
    for (QTimer *t : {m_tmrBidSnipe, m_tmrAutoRefresh, m_tmrScheduler}) {
        if (on)
            t->start();
        else
            t->stop();
    }
    if (!on)
        m_momentTimer->stop();
}

bool AuctionEngine::timersEnabled() const
{
    return m_tmrBidSnipe->isActive();
}

qint32 AuctionEngine::currentUserKey()
{
    return gCurrentUser ? gCurrentUser->PrimaryKey : 0;
}

void AuctionEngine::tmrBidSnipe_Timer()
{
    // Each step is guarded on its own: a log view that cannot be reloaded must not keep the
    // queue from being served.
    if (gClosing)
        runGuarded("closing the window", ErrorReport::Log, [this] { m_window.unloadWindow(); });
    runGuarded("the time offset", ErrorReport::Log, [this] { watchTimeOffset(); });
    if (m_records.held() > 0 && (!m_sinceFlush.isValid() || m_sinceFlush.elapsed() >= 1000)) {
        m_sinceFlush.start();
        if (m_records.flush())
            heldWritesDone();
    }
    if (ConnectionLogChanged) {
        // Cleared first: a reload that fails would otherwise be tried, and logged, on every tick.
        ConnectionLogChanged = false;
        const bool reloaded = runGuarded("the error log view", ErrorReport::Log, [this] {
            m_window.setLogHeadingColor(TreeGrid::rgb(255, 0, 0));
            m_window.reloadGeneralLogView();
        });
        // The row about the failure is not news for a view that cannot be shown.
        if (!reloaded)
            ConnectionLogChanged = false;
    }
    if (AuctionLogChanged) {
        AuctionLogChanged = false;
        runGuarded("the auction log view", ErrorReport::Log, [this] { m_window.reloadAuctionLogView(); });
    }
    runGuarded("the auction grid caption", ErrorReport::Log, [this] {
        TreeGrid &grid = m_window.auctionGrid();
        grid.setColumnCaption(0, QStringLiteral("Auctions (%1 Items)").arg(grid.rowCount()));
    });
    runGuarded("the request pump", ErrorReport::Log, [this] { ServeQueue(); });
}

void AuctionEngine::ServeQueue()
{
    // A tick that arrives while a wait inside here lets events through must not take a second item.
    if (m_inServeQueue)
        return;
    struct Rearm
    {
        AuctionEngine &engine;
        ~Rearm() { engine.armMomentTimer(); }
    } rearm{*this};
    applyDatabasePatience();
    warmUpForFinalPosts();
    if (!makeWayForSnipe())
        return;
    m_inServeQueue = true;
    struct Leave
    {
        bool &flag;
        ~Leave() { flag = false; }
    } leave{m_inServeQueue};

    m_window.ToggleToolBarsMenus();
    mLastQueueItem = takeDueFinalPost();
    if (!mLastQueueItem)
        mLastQueueItem = preferNearerSendingStep(queue().NextItem());
    QString action, step;
    m_window.SetStatusText(action, step);
    if (!mLastQueueItem) {
        mblnServingItem = false;
        m_window.setStatusPanel(3, QStringLiteral("Items in Queue: 0"));
        return;
    }
    mblnServingItem = true;
    const QItemPtr item = mLastQueueItem;
    m_window.setStatusPanel(1, item->message);
    bool started = false;
    switch (item->Action) {
    case BNQItem::Import:
    case BNQItem::Refresh: {
        ebayURLS *urls = UseURLs();
        started = urls && startGet(urls->EbayViewItemURL + Values::trimBlanks(item->ItemNumber));
        // Nothing went out (no page addresses, or an address that cannot be sent): as a failed send.
        if (!started)
            m_records.log(0, currentUserKey(),
                          QStringLiteral("Unable to connect, aborting processing of Item: #") + item->ItemNumber);
        break;
    }
    case BNQItem::TimeSync:
        serveTimeSync(item);
        started = m_inet->StillExecuting();
        break;
    case BNQItem::Snipe:
        started = item->Bid && serveSnipeItems(item);
        // While the snipes only wait, the site's clock may still be asked: their moments hang
        // on it, and a snipe step that falls due cuts the page short.
        if (!started && !m_inet->StillExecuting())
            started = serveWaitingTimeSync();
        break;
    default:
        break;
    }
    if (started)
        queue().InetAvailable = false;
}

AuctionEngine::SnipeDue AuctionEngine::snipeDue() const
{
    SnipeDue due = SnipeDue::Nothing;
    const qint64 now = Clock::steadyMs();
    for (const QItemPtr &i : m_queue ? m_queue->items() : QList<QItemPtr>()) {
        if (i->Action != BNQItem::Snipe || !i->Bid || i->Bid->RetryAtMs > now)
            continue;
        const BNBidTalk &b = *i->Bid;
        switch (b.GetNextAction()) {
        case BNBidTalk::Wait:
            // Its conversation is to begin, or its auction has ended.
            if (b.CancelBid ||
                (gSettings && secondsLeft(b) < static_cast<qint64>(gSettings->ConnectXPriortoBid) * 60 + b.BidSeconds))
                due = SnipeDue::Step;
            break;
        case BNBidTalk::Connect:
        case BNBidTalk::SyncClock:
        case BNBidTalk::PrepareBid:
        case BNBidTalk::Done:
            due = SnipeDue::Step;
            break;
        case BNBidTalk::FinalBid:
            if (!b.CancelBid && finalPostDue(b))
                return SnipeDue::FinalPost;
            if (b.CancelBid || b.MaxBid != b.PreparedMaxBid || b.Quantity != b.PreparedQuantity)
                due = SnipeDue::Step;
            break;
        default:
            break;
        }
    }
    return due;
}

bool AuctionEngine::makeWayForSnipe()
{
    if (queue().InetAvailable && !m_inet->StillExecuting())
        return true;
    const QItemPtr inFlight = mLastQueueItem;
    if (!m_inet->StillExecuting() || !inFlight)
        return false;
    const SnipeDue due = snipeDue();
    if (due == SnipeDue::Nothing)
        return false;
    // Pages can be fetched again; a post may already be with the site and is never cut off.
    const bool page = inFlight->Action == BNQItem::Import || inFlight->Action == BNQItem::Refresh ||
                      inFlight->Action == BNQItem::TimeSync;
    const bool snipeClock = due == SnipeDue::FinalPost && inFlight->Action == BNQItem::Snipe && inFlight->Bid &&
                            inFlight->Bid->GetNextAction() == BNBidTalk::SyncClock;
    if (!page && !snipeClock)
        return false;
    m_inet->Cancel();
    mLastQueueItem.reset();
    queue().Add(inFlight);
    queue().InetAvailable = true;
    return true;
}

void AuctionEngine::warmUpForFinalPosts()
{
    for (const QItemPtr &i : queue().items()) {
        if (i->Action != BNQItem::Snipe || !i->Bid || i->Bid->CancelBid ||
            i->Bid->GetNextAction() != BNBidTalk::FinalBid)
            continue;
        const qint64 untilMoment = msUntilMoment(*i->Bid);
        if (untilMoment > kWarmUpLeadMs || untilMoment < -kWarmUpLeadMs)
            continue;
        // One connection for the snipes of one moment.
        const qint64 moment = Clock::steadyMs() + untilMoment;
        if (m_warmedForMoment != 0 && std::abs(moment - m_warmedForMoment) < 1000)
            continue;
        ebayURLS *urls = UseURLs();
        if (!urls)
            return;
        m_inet->warmUp(urls->EbayBiddingURL);
        m_warmedForMoment = moment;
    }
}

void AuctionEngine::armMomentTimer()
{
    if (!timersEnabled())
        return;
    const qint64 now = Clock::steadyMs();
    qint64 next = -1;
    const auto consider = [&next](qint64 ms) {
        next = next < 0 ? std::max<qint64>(ms, 0) : std::min(next, std::max<qint64>(ms, 0));
    };
    if (snipeDue() != SnipeDue::Nothing)
        consider(0);
    for (const QItemPtr &i : queue().items()) {
        if (i->Action != BNQItem::Snipe || !i->Bid)
            continue;
        const BNBidTalk &b = *i->Bid;
        if (b.RetryAtMs > now)
            consider(b.RetryAtMs - now);
        if (b.GetNextAction() == BNBidTalk::FinalBid && !b.CancelBid) {
            const qint64 untilMoment = msUntilMoment(b) - finalPostLeadMs(b);
            if (untilMoment > 0)
                consider(untilMoment);
            if (untilMoment > kWarmUpLeadMs)
                consider(untilMoment - kWarmUpLeadMs);
        }
    }
    if (next < 0) {
        m_momentTimer->stop();
        return;
    }
    // Due now while a post is out: its answer arms the timer again.
    const bool pumpFree = queue().InetAvailable && !m_inet->StillExecuting();
    const QItemPtr inFlight = mLastQueueItem;
    const bool inFlightIsPost = inFlight && inFlight->Action == BNQItem::Snipe && inFlight->Bid &&
                                inFlight->Bid->GetNextAction() != BNBidTalk::SyncClock;
    if (next == 0 && !pumpFree && (inFlightIsPost || !inFlight))
        return;
    // Never a spin: a due step the pump could not serve is looked at again shortly.
    m_momentTimer->start(static_cast<int>(std::clamp<qint64>(next, 2, 60000)));
}

qint64 AuctionEngine::finalPostLeadMs(const BNBidTalk &bid) const
{
    // Half the preparatory bid's round trip is the way there; never more than half a second.
    return std::clamp<qint64>(bid.PrepareRoundTripMs / 2, 0, 500);
}

bool AuctionEngine::finalPostDue(const BNBidTalk &bid) const
{
    return msUntilMoment(bid) <= finalPostLeadMs(bid);
}

void AuctionEngine::onMomentTimer()
{
    runGuarded("the snipe moment", ErrorReport::Log, [this] { ServeQueue(); });
}

void AuctionEngine::applyDatabasePatience()
{
    if (!gDB)
        return;
    bool underWay = mLastQueueItem && mLastQueueItem->Bid && mLastQueueItem->Bid->GetNextAction() != BNBidTalk::Wait;
    for (const QItemPtr &i : queue().items())
        underWay = underWay || (i->Bid && i->Bid->GetNextAction() != BNBidTalk::Wait);
    gDB->setBusyTimeout(underWay ? 0 : Database::kDefaultBusyTimeoutMs);
}

void AuctionEngine::rebuildGrid()
{
    runGuarded("the auction grid", ErrorReport::Log,
               [this] { m_window.BuildAuctionGrid(m_window.selectedFolderKey()); });
}

void AuctionEngine::showSelectedFolder()
{
    runGuarded("the auction grid", ErrorReport::Log, [this] { m_window.sftFolders_SelChange(); });
}

bool AuctionEngine::serveSnipeItems(QItemPtr item)
{
    // Snipes that only wait do not use up the tick: each queued snipe is looked at once, until
    // one sends its request, so ten snipes ending together are each looked at every 200 ms.
    qint32 budget = 1;
    for (const QItemPtr &i : queue().items())
        budget += (i->Action == BNQItem::Snipe && i->Priority == BNQItem::SnipePriority) ? 1 : 0;
    for (qint32 looked = 1;; ++looked) {
        const SnipeServed served = serveSnipe(item);
        if (served == SnipeServed::Sent)
            return true;
        if (served == SnipeServed::Dialled || looked >= budget)
            return false;
        QItemPtr next = takeDueFinalPost();
        if (!next) {
            for (const QItemPtr &i : queue().items()) {
                if (i->Priority == BNQItem::SnipePriority) {
                    next = i;
                    break;
                }
            }
            if (!next || next->Action != BNQItem::Snipe || !next->Bid)
                return false;
            next = preferNearerSendingStep(queue().NextItem());
        }
        item = next;
        mLastQueueItem = item;
        m_window.setStatusPanel(1, item->message);
    }
}

QItemPtr AuctionEngine::takeDueFinalPost()
{
    // A final post whose moment has come goes before any other snipe's step, the one whose
    // moment came first before the others: each one out ahead of it costs a round trip.
    QItemPtr due;
    qint64 dueMoment = 0;
    for (const QItemPtr &i : queue().items()) {
        if (i->Action != BNQItem::Snipe || i->Priority != BNQItem::SnipePriority || !i->Bid || i->Bid->CancelBid ||
            i->Bid->GetNextAction() != BNBidTalk::FinalBid || !finalPostDue(*i->Bid))
            continue;
        const qint64 moment = endInstantMs(*i->Bid) - 1000LL * i->Bid->BidSeconds;
        if (!due || moment < dueMoment) {
            due = i;
            dueMoment = moment;
        }
    }
    if (due)
        queue().Take(due);
    return due;
}

bool AuctionEngine::serveWaitingTimeSync()
{
    // A dial-up line may have to be brought up first, which waits inside the pump: not while a
    // snipe may fall due.
    if (!gSettings || gSettings->ConnectionType == 0)
        return false;
    QItemPtr sync;
    for (const QItemPtr &queued : queue().items()) {
        if (queued->Action == BNQItem::TimeSync) {
            sync = queued;
            break;
        }
    }
    if (!sync)
        return false;
    queue().Take(sync);
    mLastQueueItem = sync;
    m_window.setStatusPanel(1, sync->message);
    serveTimeSync(sync);
    return m_inet->StillExecuting();
}

QItemPtr AuctionEngine::preferNearerSendingStep(const QItemPtr &item)
{
    // Of the conversations ready to ask the site something before their final post, the one
    // whose moment comes first goes first: a far snipe's slow time page must not spend the time
    // a near one needs for its preparatory bid. Snipes that only wait keep their turn.
    const auto sends = [](const QItemPtr &i) {
        if (!i || i->Action != BNQItem::Snipe || i->Priority != BNQItem::SnipePriority || !i->Bid ||
            i->Bid->CancelBid || i->Bid->RetryAtMs > Clock::steadyMs())
            return false;
        const qint32 step = i->Bid->GetNextAction();
        return step == BNBidTalk::SyncClock || step == BNBidTalk::PrepareBid;
    };
    const auto moment = [](const QItemPtr &i) { return endInstantMs(*i->Bid) - 1000LL * i->Bid->BidSeconds; };
    if (!sends(item))
        return item;
    QItemPtr nearest = item;
    for (const QItemPtr &i : queue().items()) {
        if (sends(i) && moment(i) < moment(nearest))
            nearest = i;
    }
    if (nearest == item)
        return item;
    queue().Take(nearest);
    queue().Add(item);
    return nearest;
}

bool AuctionEngine::webAddress(const QString &url)
{
    const QUrl address(url);
    if (InetTransfer::isWebAddress(address))
        return true;
    // Something that is no address at all fails as an unsendable request; another scheme
    // (file:, data:) is a choice in eburl.zdx that the user must hear of.
    if (address.scheme().isEmpty())
        return false;
    const QString key = gURLs ? gURLs->KeyOf(url) : QString();
    m_records.log(
        0, currentUserKey(),
        key.isEmpty()
            ? QStringLiteral("The address \"%1\" is not an http or https address; Zandrift fetches only those.")
                  .arg(url)
            : QStringLiteral("The address of %1 in eburl.zdx is not an http or https address; Zandrift "
                             "fetches only those (%2).")
                  .arg(key, url));
    return false;
}

bool AuctionEngine::startGet(const QString &url, int deadlineMs)
{
    if (!webAddress(url))
        return false;
    m_sinceRequest.start();
    return m_inet->Execute(url, QStringLiteral("Get"), QString(), deadlineMs);
}

bool AuctionEngine::startPost(const QString &url, const QString &body, int deadlineMs)
{
    if (!webAddress(url))
        return false;
    m_sinceRequest.start();
    return m_inet->Execute(url, QStringLiteral("POST"), body, deadlineMs);
}

void AuctionEngine::WaitSeconds(qint32 seconds)
{
    // Counted on the steady clock: neither summer time nor a step of the machine's clock makes
    // the wait longer or shorter.
    const qint64 start = Clock::steadyMs();
    // Sleep in short slices with the event loop running, so the window and the timers go on.
    while (Clock::steadyMs() - start < 1000LL * seconds) {
        QEventLoop slice;
        QTimer::singleShot(50, &slice, &QEventLoop::quit);
        slice.exec();
    }
}

void AuctionEngine::Inet1_StateChanged(int state)
{
    static const char *const texts[] = {"None",
                                        "Host Resolving Host...",
                                        "Host Resolved",
                                        "Connecting to Host...",
                                        "Connected",
                                        "Sending Request to Host...",
                                        "Request Sent",
                                        "Receiving Response...",
                                        "Response Received",
                                        "Disconnecting from Host...",
                                        "Disconnected"};
    if (state >= 0 && state <= 10) {
        m_window.setStatusPanel(2, QLatin1String(texts[state]));
        return;
    }
    if (state != InetTransfer::icError && !(state == InetTransfer::icResponseCompleted && !gClosing))
        return;
    m_inReply = true;
    runGuarded("reading the reply", ErrorReport::Log, [this, state] {
        if (state == InetTransfer::icError)
            responseError();
        else
            responseCompleted();
    });
    m_inReply = false;
    // Whatever happened to the reply, the pump is free again; a snipe step waiting for it goes now.
    queue().InetAvailable = true;
    armMomentTimer();
}

void AuctionEngine::responseCompleted()
{
    m_roundTripMs = m_sinceRequest.isValid() ? m_sinceRequest.elapsed() : 0;
    // A time page says little of how long a bid takes: a slow one is as often the site's time
    // as the link's, and its reading corrects for its own round trip anyway.
    const bool timePage = mLastQueueItem && (mLastQueueItem->Action == BNQItem::TimeSync ||
                                             (mLastQueueItem->Bid && mLastQueueItem->Action == BNQItem::Snipe &&
                                              mLastQueueItem->Bid->GetNextAction() == BNBidTalk::SyncClock));
    if (!timePage)
        m_recentRoundTripsMs[m_roundTripsSeen++ % m_recentRoundTripsMs.size()] = m_roundTripMs;
    m_sinceReply.start();
    m_window.setStatusPanel(2, QStringLiteral("Response Completed"));
    // The item this reply belongs to; a halt or a cancelled snipe clears it meanwhile.
    const QItemPtr item = mLastQueueItem;
    QString page;
    QString chunk = m_inet->GetChunk(1024);
    QCoreApplication::processEvents();
    while (!chunk.isEmpty()) {
        page += chunk;
        chunk = m_inet->GetChunk(1024);
        QCoreApplication::processEvents();
    }
    if (item && item == mLastQueueItem) {
        if (item->Bid)
            item->Bid->ActionRetry = 0;
        item->Processed = true;
        InetIn(page);
    }
    queue().InetAvailable = true;
}

void AuctionEngine::responseError()
{
    m_window.setStatusPanel(
        2, QStringLiteral("An Error Occurred - %1:%2").arg(m_inet->ResponseCode()).arg(m_inet->ResponseInfo()));
    const QItemPtr item = mLastQueueItem;
    if (item) {
        if (item->Bid && item->Bid->User) {
            // A snipe's step is tried again or ends with its own words in the auction's log.
            retrySnipeStep(item, m_inet->ResponseCode(), m_inet->ResponseInfo(), m_inet->requestSent());
        } else if (item->Action == BNQItem::TimeSync) {
            m_records.log(0, currentUserKey(), QStringLiteral("Unable to connect, aborting Time Synchronization."));
        } else {
            m_records.log(0, currentUserKey(),
                          QStringLiteral("Unable to connect, aborting processing of Item: #") + item->ItemNumber);
        }
    }
    queue().InetAvailable = true;
}

void AuctionEngine::HaltOperation()
{
    if (gClosing)
        return;
    queue().RemoveAllItemsExceptSnipes();
    // A halt stops imports, refreshes and clock synchronisations. A snipe's step goes on, its
    // request too, and its reply is read: only unscheduling ends a conversation.
    const bool snipeGoesOn = mLastQueueItem && mLastQueueItem->Bid && mLastQueueItem->Bid->MaxBid != 0;
    if (!snipeGoesOn) {
        m_inet->Cancel();
        mLastQueueItem.reset();
    }
    if (gDB)
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Refreshed = 1"));
    if (m_window.folderTreeHasSelection())
        m_window.BuildAuctionGrid(m_window.selectedFolderKey());
    m_window.setStatusPanel(1, QStringLiteral("None"));
    m_window.setStatusPanel(2, QStringLiteral("Operation Halted by User Request..."));
    m_window.setStatusPanel(3, QStringLiteral("Items in Queue: %1").arg(queue().Count()));
    if (!m_inet->StillExecuting())
        queue().InetAvailable = true;
}

namespace {
// The picture of each status, from AuctionStatus::NotScheduled on.
const char *const kStatusPictures[] = {"picNotScheduled", "picScheduled", "picBidSubmitted", "picSnipedWon",
                                       "picSnipedLost",   "picClosed",    "picError"};
} // namespace

QString GetStatusPicture(qint32 status)
{
    return status >= AuctionStatus::NotScheduled && status <= AuctionStatus::Error
               ? QLatin1String(kStatusPictures[status - AuctionStatus::NotScheduled])
               : QString();
}

qint32 StatusOfPicture(const QString &picture)
{
    for (qint32 status = AuctionStatus::NotScheduled; status <= AuctionStatus::Error; ++status)
        if (picture == QLatin1String(kStatusPictures[status - AuctionStatus::NotScheduled]))
            return status;
    return 0;
}

qint32 FindAuctionRow(TreeGrid &grid, qint64 itemNumber)
{
    if (!gCurrentUser)
        return -1;
    return grid.findRowByText(QString::number(itemNumber), gCurrentUser->Columns.ItemNumber, 0);
}
