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
#include "store/Folders.h"
#include "store/Globals.h"

#include <algorithm>

namespace {
qint16 timeOffset()
{
    return gSettings ? gSettings->TimeOffset : 0;
}

// The last send of a failed final post must still reach the site before the end.
constexpr qint64 kLastSendLeadMs = 700;
// A failed step waits at most this long before it is sent again: an outage of a second or two
// is outlasted, and there is time left for the steps after it.
constexpr qint64 kMaxRetryPauseMs = 3000;
// Time kept for the steps after a preparatory bid or a clock synchronisation.
constexpr qint64 kLaterStepsMs = 3000;
// The longest and the shortest time one send of a snipe step may take.
constexpr qint64 kMaxStepDeadlineMs = 20000;
constexpr qint64 kMinStepDeadlineMs = 2000;
// A repeat of the final post leaves no later than this before the end, as the clock knows it.
constexpr qint64 kRepeatMarginMs = 500;
// A time page that cannot have this long before the preparatory bid is not asked for.
constexpr qint64 kMinSyncDeadlineMs = 1000;
} // namespace

QDateTime AuctionEngine::siteNow()
{
    // Once synchronised in this run the clock knows the site's instant: its wall clock there is
    // the site's, whatever TimeOffset says since.
    if (Clock::synchronised() && siteZone().isValid()) {
        const QDateTime at = QDateTime::fromMSecsSinceEpoch(Clock::instantMs(), siteZone());
        return Values::wallClock(at.date(), at.time());
    }
    // Whole hours off the clock's face, as one reads a wall clock: no summer-time arithmetic.
    const QDateTime local = Clock::now();
    const QDateTime site =
        QDateTime(local.date(), local.time(), QTimeZone::utc()).addSecs(-3600 * static_cast<qint64>(timeOffset()));
    return Values::wallClock(site.date(), site.time());
}

QTimeZone AuctionEngine::siteZone()
{
    static const QTimeZone pacific(QByteArrayLiteral("America/Los_Angeles"));
    return pacific;
}

qint64 AuctionEngine::endInstantMs(const QDateTime &siteEnd, const QString &zone)
{
    const qint64 face = QDateTime(siteEnd.date(), siteEnd.time(), QTimeZone::utc()).toMSecsSinceEpoch();
    if (zone.compare(QLatin1String("PDT"), Qt::CaseInsensitive) == 0)
        return face + 7 * 3600000LL;
    if (zone.compare(QLatin1String("PST"), Qt::CaseInsensitive) == 0)
        return face + 8 * 3600000LL;
    if (siteZone().isValid())
        return QDateTime(siteEnd.date(), siteEnd.time(), siteZone()).toMSecsSinceEpoch();
    return face + 8 * 3600000LL;
}

qint64 AuctionEngine::endInstantMs(const BNBidTalk &bid)
{
    return endInstantMs(bid.EndingTime, bid.EndingZone);
}

qint64 AuctionEngine::siteNowMs()
{
    if (Clock::synchronised())
        return Clock::instantMs();
    return endInstantMs(siteNow(), QString());
}

qint64 AuctionEngine::secondsLeft(const BNBidTalk &bid)
{
    // Second boundaries crossed, as a clock's face counts them.
    const auto seconds = [](qint64 ms) { return ms >= 0 ? ms / 1000 : (ms - 999) / 1000; };
    return seconds(endInstantMs(bid)) - seconds(siteNowMs());
}

qint64 AuctionEngine::msUntilEnd(const BNBidTalk &bid)
{
    return endInstantMs(bid) - siteNowMs();
}

qint64 AuctionEngine::msUntilMoment(const BNBidTalk &bid)
{
    return msUntilEnd(bid) - 1000LL * static_cast<qint64>(bid.BidSeconds);
}

int AuctionEngine::stepDeadlineMs(const BNBidTalk &bid)
{
    // Three sends of a step that hangs must still leave time for the final post.
    const qint64 budget = (msUntilMoment(bid) - kLaterStepsMs) / 3;
    return static_cast<int>(std::clamp<qint64>(budget, kMinStepDeadlineMs, kMaxStepDeadlineMs));
}

int AuctionEngine::finalPostDeadlineMs(const BNBidTalk &bid)
{
    // An answer that comes after the end still tells the result; one that never comes must not
    // hold the pump long after it.
    return static_cast<int>(std::clamp<qint64>(msUntilEnd(bid) + 5000, kMinStepDeadlineMs, kMaxStepDeadlineMs));
}

void AuctionEngine::snipeLog(const BNBidTalk &bid, const QString &message)
{
    m_records.log(bid.PrimaryKey, bid.User ? bid.User->PrimaryKey : 0, message);
}

void AuctionEngine::SetAuctionStatus(qint32 auctionKey, AuctionStatus::Code status)
{
    // A row deleted while its conversation ran is left alone.
    m_records.updateAuction(auctionKey, {{"AUC_Status", status}});
    updateCaption();
}

void AuctionEngine::updateCaption()
{
    runGuarded("the window caption", ErrorReport::Log, [this] { m_window.updateCaption(); });
}

void AuctionEngine::AbortSnipe(BNBidTalk &bid, const QString &message, AbortReason reason)
{
    // An auction deleted meanwhile has nothing left to abort and no log to write to. When the
    // database cannot even be read, the abort goes ahead: its writes wait for the database.
    bool exists = true;
    try {
        if (gDB)
            exists = gDB->openQuery(QStringLiteral("SELECT AUC_Primary FROM Auctions WHERE AUC_Primary = ?"),
                                    {bid.PrimaryKey})
                         ->recordCount() > 0;
    } catch (const std::exception &) {
    }
    if (!exists)
        return;
    snipeLog(bid, message);
    if (reason == AbortReason::UserCancelled) {
        snipeLog(bid, QStringLiteral("Snipe Aborted: User Canceled Bid."));
        m_records.updateAuction(
            bid.PrimaryKey, {{"AUC_Status", AuctionStatus::NotScheduled}, {"AUC_BidQuantity", 0}, {"AUC_MaxBid", 0}});
        updateCaption();
        return;
    }
    const bool error = reason == AbortReason::Error;
    snipeLog(bid, error ? QStringLiteral("Snipe Aborted.") : QStringLiteral("Snipe Aborted: You have been Outbid."));
    DeferredWrites::Columns columns{{"AUC_Status", error ? AuctionStatus::Error : AuctionStatus::Outbid}};
    try {
        const qint32 closed = bid.User && gDB ? GetClosedAuctionsFolder(*gDB, bid.User->PrimaryKey) : -1;
        if (closed > -1)
            columns.append({"AUC_Folder", closed});
    } catch (const std::exception &) {
        // The row keeps its folder; its status is what matters.
    }
    m_records.updateAuction(bid.PrimaryKey, columns);
    try {
        TreeGrid &grid = m_window.auctionGrid();
        const qint32 row = grid.findRowByKey(bid.PrimaryKey, 0);
        if (row > -1)
            grid.removeRow(row);
    } catch (const std::exception &) {
        snipeLog(bid, QStringLiteral("Error in Procedure: Abort Bid."));
    }
    updateCaption();
}

void AuctionEngine::retrySnipeStep(const QItemPtr &item, int responseCode, const QString &responseInfo, bool postLeft)
{
    BNBidTalk &bid = *item->Bid;
    const qint32 step = bid.GetNextAction();
    if (step == BNBidTalk::FinalBid && postLeft) {
        // The post went out whole: whatever came back (a server error, nothing, half a page),
        // the site may have taken the bid.
        bid.FinalMayHaveLanded = true;
        m_live.noteFinalAnswer(bid.PrimaryKey, responseInfo);
    }
    if (step == BNBidTalk::SyncClock) {
        retrySyncOrGoOn(item, responseInfo);
        return;
    }
    // Sends of the final post left before the end; of another step, before the snipe moment.
    const qint64 left =
        step == BNBidTalk::FinalBid ? msUntilEnd(bid) - kLastSendLeadMs : msUntilMoment(bid) - kLaterStepsMs;
    const bool timeForAnother = step != BNBidTalk::FinalBid || left > 0;
    if (bid.ActionRetry < 2 && timeForAnother) {
        QString retry;
        switch (step) {
        case BNBidTalk::PrepareBid:
            retry = QStringLiteral("Zandrift will reattempt to Make Preparatory Bid.");
            break;
        case BNBidTalk::FinalBid:
            retry = QStringLiteral("Zandrift will reattempt to Confirm this Bid.");
            break;
        default:
            retry = QStringLiteral("Zandrift will reattempt this transaction.");
            break;
        }
        if (responseCode == InetTransfer::kTimeoutCode) {
            snipeLog(bid, QStringLiteral("eBay server request timed out.  ") + retry);
        } else {
            snipeLog(bid, QStringLiteral("eBay did not respond to the last request from Zandrift.  Additional Info "
                                         "Returned: ") +
                              responseInfo);
            snipeLog(bid, retry);
        }
        // The sends left are spread over the time there is, so a short outage does not use them up.
        const qint64 sendsLeft = 2 - bid.ActionRetry;
        const qint64 pause = std::clamp<qint64>(std::max<qint64>(left, 0) / sendsLeft, 0, kMaxRetryPauseMs);
        bid.RetryAtMs = Clock::steadyMs() + pause;
        ++bid.ActionRetry;
        queue().Add(item);
        return;
    }
    bid.ActionRetry = 0;
    bid.RetryAtMs = 0;
    if (step == BNBidTalk::FinalBid && bid.FinalMayHaveLanded) {
        // The site may hold the bid: the row stays "bid submitted" and the refresh after the end
        // reads whether it won.
        snipeLog(bid, QStringLiteral("eBay did not confirm the final bid, but it may have received it.  The result "
                                     "will be read from the auction page after the auction ends."));
        return;
    }
    // What the last send met goes in the log too: the abort's reason alone does not say it.
    if (responseCode == InetTransfer::kTimeoutCode)
        snipeLog(bid, QStringLiteral("eBay server request timed out."));
    else if (!responseInfo.isEmpty())
        snipeLog(bid, QStringLiteral("eBay did not respond to the last request from Zandrift.  Additional Info "
                                     "Returned: ") +
                          responseInfo);
    AbortSnipe(bid,
               QStringLiteral("eBay has not responded to the last 3 requests.  Most likely, this problem was due "
                              "to eBay's server being down or a ISP problem.  Zandrift must abort this snipe."),
               AbortReason::Error);
}

void AuctionEngine::retrySyncOrGoOn(const QItemPtr &item, const QString &why)
{
    BNBidTalk &bid = *item->Bid;
    // Another page only while it and the preparatory bid still fit before the moment.
    constexpr qint64 kSyncPauseMs = 2000;
    if (msUntilMoment(bid) - kLaterStepsMs - kSyncPauseMs >= kMinStepDeadlineMs) {
        snipeLog(bid, QStringLiteral("Unable to Synchronize System Clock to eBay time (") + why +
                          QStringLiteral(").  Zandrift will reattempt to Syncronize System Time."));
        bid.RetryAtMs = Clock::steadyMs() + kSyncPauseMs;
        queue().Add(item);
        return;
    }
    bid.RetryAtMs = 0;
    // The site's clock could not be read in the time there was: bid on the clock as it is.
    snipeLog(bid, QStringLiteral("Unable to Synchronize System Clock to eBay time... continuing with bidding "
                                 "process..."));
    bid.SetNextAction(BNBidTalk::PrepareBid);
    queue().Add(item);
}

AuctionEngine::SnipeServed AuctionEngine::serveSnipe(const QItemPtr &item)
{
    BNBidTalk &bid = *item->Bid;
    if (bid.CancelBid) {
        m_window.setStatusPanel(1, QStringLiteral("Bid Canceled..."));
        AbortSnipe(bid, QStringLiteral("Bid Canceled..."), AbortReason::UserCancelled);
        return SnipeServed::Done;
    }
    if (bid.RetryAtMs > Clock::steadyMs()) {
        queue().Add(item); // a failed step waits out its pause
        return SnipeServed::Waiting;
    }
    const AppSettings &s = *gSettings;
    ebayURLS *urls = UseURLs();
    switch (bid.GetNextAction()) {
    case BNBidTalk::Wait: {
        const qint64 left = secondsLeft(bid);
        // Ended only by a clock synchronised in this run: a wrong TimeOffset must not end a snipe
        // without asking the site. Otherwise the conversation begins, and its clock
        // synchronisation (or the site's answer to the bid) tells.
        if (left <= 0 && Clock::synchronised()) {
            // No bid was made: the row says why, and a refresh keeps it so.
            AbortSnipe(bid, QStringLiteral("Auction has ended...too late to submit a bid."), AbortReason::Error);
            showSelectedFolder();
            return SnipeServed::Done;
        }
        if (left < static_cast<qint64>(s.ConnectXPriortoBid) * 60 + bid.BidSeconds) {
            bid.SetNextAction(BNBidTalk::Connect);
            snipeLog(bid, QStringLiteral("Initiating Snipe..."));
        }
        queue().Add(item);
        return SnipeServed::Waiting;
    }
    case BNBidTalk::Connect:
        return serveConnectStep(item);
    case BNBidTalk::SyncClock: {
        // Near the moment the time left goes to the bid, not to the clock: one page that fits
        // before the preparatory bid must go, or none. A clock not synchronised in this run
        // cannot tell how near the moment is: it asks.
        const qint64 room =
            Clock::synchronised() ? msUntilMoment(bid) - kLaterStepsMs : std::max<qint64>(stepDeadlineMs(bid), 0);
        const QString url = urls ? urls->EbayTimeSyncURL : QString();
        if (room < kMinSyncDeadlineMs || url.isEmpty()) {
            snipeLog(bid, url.isEmpty() ? QStringLiteral("There is no address for EbayTimeSyncURL in eburl.zdx: the "
                                                         "clock was not synchronized... continuing with bidding "
                                                         "process...")
                                        : QStringLiteral("Too little time is left to synchronize the clock... "
                                                         "continuing with bidding process..."));
            bid.SetNextAction(BNBidTalk::PrepareBid);
            queue().Add(item);
            return SnipeServed::Waiting;
        }
        item->message = QStringLiteral("Syncronizing Time...");
        m_window.setStatusPanel(1, item->message);
        snipeLog(bid, QStringLiteral("Syncronizing Your System Time with eBay Clock..."));
        ++bid.SyncTries;
        return sendSnipeRequest(item, url, QString(), false,
                                static_cast<int>(std::min<qint64>(stepDeadlineMs(bid), room)));
    }
    case BNBidTalk::PrepareBid: {
        if (Clock::synchronised() && msUntilEnd(bid) <= 0) {
            AbortSnipe(bid, QStringLiteral("Auction has ended...too late to submit a bid."), AbortReason::Error);
            showSelectedFolder();
            return SnipeServed::Done;
        }
        // The preparatory bid's round trip (on a new connection: two) and the final post's way
        // there must fit before the end, or no bid can follow it. The link's own cost is the
        // measure: a page the site was slow to make says nothing of how long a bid takes.
        const qint64 link = linkRoundTripMs();
        if (Clock::synchronised() && msUntilEnd(bid) <= 2 * link + link / 2) {
            AbortSnipe(bid,
                       QStringLiteral("Too little time is left before the auction ends to submit a bid.  No bid was "
                                      "placed."),
                       AbortReason::Error);
            showSelectedFolder();
            return SnipeServed::Done;
        }
        QString error;
        const QString body = bid.MakeBidFormData(error);
        if (!error.isEmpty()) {
            AbortSnipe(bid,
                       QStringLiteral("Unable to bid on this auction.  There may have been a problem extracting "
                                      "important data."),
                       AbortReason::Error);
            return SnipeServed::Done;
        }
        m_window.setStatusPanel(1, QStringLiteral("Preparing Bid for Item: ") + Values::trimBlanks(bid.ItemNumber));
        bid.PreparedMaxBid = bid.MaxBid;
        bid.PreparedQuantity = bid.Quantity;
        const SnipeServed sent =
            sendSnipeRequest(item, urls ? urls->EbayMakeBidURL : QString(), body, true, stepDeadlineMs(bid));
        if (sent == SnipeServed::Sent)
            snipeLog(bid, QStringLiteral("Making Preparatory Bid of ") + Values::formatMoney(bid.MaxBid));
        return sent;
    }
    case BNBidTalk::FinalBid: {
        QString action = QStringLiteral("Waiting for Exact Moment to Snipe...");
        QString step = QStringLiteral("Waiting...");
        m_window.SetStatusText(action, step);
        if ((bid.MaxBid != bid.PreparedMaxBid || bid.Quantity != bid.PreparedQuantity) &&
            m_live.finalPostHasLeft(bid.PrimaryKey)) {
            // The site may hold the bid already: no second bid is made, and no repeat of one the
            // user no longer wants.
            snipeLog(bid, QStringLiteral("The maximum bid or quantity was changed after the final bid was sent: the "
                                         "final bid is not sent again.  The result will be read from the auction page "
                                         "after the auction ends."));
            return SnipeServed::Done;
        }
        if (bid.MaxBid != bid.PreparedMaxBid || bid.Quantity != bid.PreparedQuantity) {
            // The schedule changed after the preparatory bid: its key would sign the old amount.
            snipeLog(bid, QStringLiteral("Maximum bid or quantity changed: making a new preparatory bid of ") +
                              Values::formatMoney(bid.MaxBid) + QStringLiteral("."));
            bid.Key.clear();
            bid.FinalFormData.clear();
            bid.SetNextAction(BNBidTalk::PrepareBid);
            queue().Add(item);
            return SnipeServed::Waiting;
        }
        if (!finalPostDue(bid)) {
            queue().Add(item);
            return SnipeServed::Waiting;
        }
        // No post leaves that would reach the site after the end, a repeat neither. For the first
        // post a clock the site never set cannot say so: the site took the preparatory bid, so the
        // auction was open a moment ago.
        const bool tooLate = msUntilEnd(bid) <= finalPostLeadMs(bid);
        // A repeat keeps a margin for how far the site's clock may run ahead of ours: it is only
        // a repeat.
        const bool tooLateToRepeat = msUntilEnd(bid) <= finalPostLeadMs(bid) + kRepeatMarginMs + siteClockSlackMs();
        if (tooLateToRepeat && m_live.finalPostHasLeft(bid.PrimaryKey)) {
            snipeLog(bid, bid.FinalMayHaveLanded
                              ? QStringLiteral("eBay did not confirm the final bid, but it may have received it.  The "
                                               "result will be read from the auction page after the auction ends.")
                              : QStringLiteral("The auction has ended: the final bid was not sent again.  The result "
                                               "will be read from the auction page after the auction ends."));
            return SnipeServed::Done;
        }
        if (tooLate && Clock::synchronised()) {
            AbortSnipe(bid, QStringLiteral("Auction has ended...too late to submit a bid."), AbortReason::Error);
            showSelectedFolder();
            return SnipeServed::Done;
        }
        const qint64 secondsToEnd = (msUntilEnd(bid) + 500) / 1000;
        action = QStringLiteral("SNIPING...");
        step = QStringLiteral("Sniping...");
        m_window.SetStatusText(action, step);
        // The post leaves before anything is written: bookkeeping never holds up a bid.
        const SnipeServed sent = sendSnipeRequest(item, urls ? urls->EbayBiddingURL : QString(), bid.FinalFormData,
                                                  true, finalPostDeadlineMs(bid));
        if (sent != SnipeServed::Sent)
            return sent; // retried, or aborted with its own status
        // From here on this run never starts another conversation for the auction.
        m_live.finalPostLeft(bid.PrimaryKey);
        const QString name = bid.User ? bid.User->EbayName : QString();
        if (bid.FinalizeRetry)
            snipeLog(bid, QStringLiteral(" Reattempting to Finalize bid of ") + Values::formatMoney(bid.MaxBid) +
                              QStringLiteral(" for ") + name +
                              QStringLiteral("... Auction Closes in %1 Seconds.").arg(secondsToEnd));
        else
            snipeLog(bid, QStringLiteral(" Auction Closes in %1 Seconds: Finalizing bid of ").arg(secondsToEnd) +
                              Values::formatMoney(bid.MaxBid) + QStringLiteral(" for ") + name + QStringLiteral("..."));
        SetAuctionStatus(bid.PrimaryKey, AuctionStatus::BidSubmitted);
        // Its own row only: a rebuild of a large folder would hold up the reply and a repeat.
        const qint32 key = bid.PrimaryKey;
        runGuarded("the auction grid", ErrorReport::Log, [this, key] { m_window.showAuctionRow(key); });
        return sent;
    }
    case BNBidTalk::Done:
        if (s.DisconnectAfterSnipe == 1 && queue().Count() < 1 && (s.ConnectionType == 0 || s.ConnectionType == 1)) {
            snipeLog(bid, QStringLiteral("Snipe Complete: Disconnecting from the Internet..."));
            engine_detail::hangUp();
        }
        return SnipeServed::Done;
    case 5:
    case 6:
    case 7:
        // Codes between the last step and the end mean nothing yet: the item goes round.
        queue().Add(item);
        return SnipeServed::Waiting;
    default:
        return SnipeServed::Done;
    }
}

AuctionEngine::SnipeServed AuctionEngine::serveConnectStep(const QItemPtr &item)
{
    BNBidTalk &bid = *item->Bid;
    const AppSettings &s = *gSettings;
    if (s.ConnectionType >= 1 && s.ConnectionType <= 3)
        bid.SetNextAction(BNBidTalk::SyncClock);
    if (bid.ReconnectionAttempts > 3) {
        item->message = QStringLiteral("Unable to Connect...");
        m_window.setStatusPanel(1, item->message);
        AbortSnipe(bid, QStringLiteral("Unable to connect to internet, unable to place bid."), AbortReason::Error);
        return SnipeServed::Done;
    }
    snipeLog(bid, QStringLiteral("Checking to see if connected to the Internet..."));
    if (engine_detail::onlineForBid()) {
        snipeLog(bid, QStringLiteral("Already Connected..."));
        bid.SetNextAction(BNBidTalk::SyncClock);
        queue().Add(item);
        return SnipeServed::Waiting;
    }
    bid.ConnectedBySnipe = true;
    snipeLog(bid, QStringLiteral("Not connected... connecting now..."));
    if (s.ConnectionType != 0) {
        queue().Add(item);
        return SnipeServed::Waiting;
    }
    item->message = QStringLiteral("Connecting...");
    m_window.setStatusPanel(1, item->message);
    engine_detail::dial(s.PhoneBookEntry, false);
    WaitSeconds(10);
    if (bid.CancelBid) {
        // Unscheduled while the dial went on: the conversation ends here.
        AbortSnipe(bid, QStringLiteral("Bid Canceled..."), AbortReason::UserCancelled);
        return SnipeServed::Done;
    }
    if (!engine_detail::onlineForBid()) {
        ++bid.ReconnectionAttempts;
        snipeLog(bid, QStringLiteral("Connection Failed... Retrying..."));
    } else {
        bid.SetNextAction(BNBidTalk::SyncClock);
        item->message = QStringLiteral("Connected Successfully...");
        m_window.setStatusPanel(1, item->message);
        snipeLog(bid, QStringLiteral("Connected Successfully..."));
    }
    queue().Add(item);
    return SnipeServed::Dialled;
}

AuctionEngine::SnipeServed AuctionEngine::sendSnipeRequest(const QItemPtr &item, const QString &url,
                                                           const QString &body, bool post, int deadlineMs)
{
    BNBidTalk &bid = *item->Bid;
    if (url.isEmpty()) {
        // Nothing can go out, now or on a retry: the row says so, and that nothing was sent.
        const qint32 step = bid.GetNextAction();
        const QString key = step == BNBidTalk::FinalBid     ? QStringLiteral("EbayBiddingURL")
                            : step == BNBidTalk::PrepareBid ? QStringLiteral("EbayMakeBidURL")
                                                            : QStringLiteral("EbayTimeSyncURL");
        AbortSnipe(bid,
                   QStringLiteral("There is no address for %1 in eburl.zdx: nothing was sent to eBay, and no bid "
                                  "was placed.")
                       .arg(key),
                   AbortReason::Error);
        return SnipeServed::Done;
    }
    const bool started = post ? startPost(url, body, deadlineMs) : startGet(url, deadlineMs);
    if (started)
        return SnipeServed::Sent;
    // Nothing went out (the control refused): the same rules as a failed send that never left.
    retrySnipeStep(item, 0, QStringLiteral("The request could not be sent."), false);
    return SnipeServed::Done;
}
