#include "AuctionEngine.h"

#include "AppSettings.h"
#include "BSN_Log.h"
#include "Clock.h"
#include "Database.h"
#include "Folders.h"
#include "Globals.h"
#include "IMainWindow.h"
#include "InetTransfer.h"
#include "TreeGrid.h"
#include "Values.h"
#include "ebayURLS.h"
#include "EngineSupport.h"

namespace {
bool auctionExists(qint32 key)
{
    return gDB && gDB->openQuery(QStringLiteral("SELECT AUC_Primary FROM Auctions WHERE AUC_Primary = ?"), {key})
                          ->recordCount() > 0;
}

qint16 timeOffset() { return gSettings ? gSettings->TimeOffset : 0; }
} // namespace

QDateTime AuctionEngine::siteNow()
{
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

qint64 AuctionEngine::secondsLeft(const BNBidTalk &bid) { return Values::secondsCrossed(siteNow(), bid.EndingTime); }

void AuctionEngine::SetAuctionStatus(qint32 auctionKey, qint16 status)
{
    if (!gDB)
        return;
    auto rs = gDB->openTable(QStringLiteral("Auctions"));
    rs->setIndex(QStringLiteral("PrimaryKey"));
    if (!rs->seek(QStringLiteral("="), auctionKey))
        return; // deleted while its conversation ran
    rs->edit();
    rs->setValue(QStringLiteral("AUC_Status"), status);
    rs->update();
    m_window.updateCaption();
}

void AuctionEngine::AbortSnipe(BNBidTalk &bid, const QString &message, qint32 reason)
{
    // An auction deleted meanwhile has nothing left to abort and no log to write to.
    if (!auctionExists(bid.PrimaryKey))
        return;
    engine_detail::bidLog(bid, message);
    try {
        if (reason == 0) {
            engine_detail::bidLog(bid, QStringLiteral("Snipe Aborted: User Canceled Bid."));
            auto rs = gDB->openTable(QStringLiteral("Auctions"));
            rs->setIndex(QStringLiteral("PrimaryKey"));
            if (rs->seek(QStringLiteral("="), bid.PrimaryKey)) {
                rs->edit();
                rs->setValue(QStringLiteral("AUC_Status"), 1);
                rs->setValue(QStringLiteral("AUC_BidQuantity"), 0);
                rs->setValue(QStringLiteral("AUC_MaxBid"), 0);
                rs->update();
            }
        } else if (reason == 1 || reason == 2) {
            engine_detail::bidLog(bid, reason == 1 ? QStringLiteral("Snipe Aborted.")
                                        : QStringLiteral("Snipe Aborted: You have been Outbid."));
            auto rs = gDB->openTable(QStringLiteral("Auctions"));
            rs->setIndex(QStringLiteral("PrimaryKey"));
            if (rs->seek(QStringLiteral("="), bid.PrimaryKey)) {
                rs->edit();
                rs->setValue(QStringLiteral("AUC_Status"), reason == 1 ? 7 : 5);
                const qint32 closed = bid.User ? GetClosedAuctionsFolder(*gDB, bid.User->PrimaryKey) : -1;
                if (closed > -1)
                    rs->setValue(QStringLiteral("AUC_Folder"), closed);
                rs->update();
            }
            TreeGrid &grid = m_window.auctionGrid();
            const qint32 row = grid.findRowByKey(bid.PrimaryKey, 0);
            if (row > -1)
                grid.removeRow(row);
        }
    } catch (const DbError &) {
        engine_detail::bidLog(bid, QStringLiteral("Error in Procedure: Abort Bid."));
    }
    m_window.updateCaption();
}

void AuctionEngine::retrySnipeStep(const QItemPtr &item, int responseCode, const QString &responseInfo)
{
    BNBidTalk &bid = *item->Bid;
    if (bid.ActionRetry < 2) {
        QString retry;
        switch (bid.GetNextAction()) {
        case 2:
            retry = QStringLiteral("Zandrift will reattempt to Syncronize System Time.");
            break;
        case 3:
            retry = QStringLiteral("Zandrift will reattempt to Make Preparatory Bid.");
            break;
        case 4:
            retry = QStringLiteral("Zandrift will reattempt to Confirm this Bid.");
            break;
        default:
            retry = QStringLiteral("Zandrift will reattempt this transaction.");
            break;
        }
        if (responseCode == InetTransfer::kTimeoutCode) {
            engine_detail::bidLog(bid, QStringLiteral("eBay server request timed out.  ") + retry);
        } else {
            engine_detail::bidLog(bid, QStringLiteral("eBay did not respond to the last request from Zandrift.  Additional Info "
                                           "Returned: ") +
                                responseInfo);
            engine_detail::bidLog(bid, retry);
        }
        ++bid.ActionRetry;
        queue().Add(item);
    } else {
        AbortSnipe(bid,
                   QStringLiteral("eBay has not responded to the last 3 requests.  Most likely, this problem was due "
                                  "to eBay's server being down or a ISP problem.  Zandrift must abort this snipe."),
                   1);
        bid.ActionRetry = 0;
    }
}

AuctionEngine::SnipeServed AuctionEngine::serveSnipe(const QItemPtr &item)
{
    BNBidTalk &bid = *item->Bid;
    if (bid.CancelBid) {
        m_window.setStatusPanel(1, QStringLiteral("Bid Canceled..."));
        AbortSnipe(bid, QStringLiteral("Bid Canceled..."), 0);
        return SnipeServed::Done;
    }
    const AppSettings &s = *gSettings;
    ebayURLS *urls = UseURLs();
    switch (bid.GetNextAction()) {
    case BNBidTalk::Wait: {
        const qint64 left = secondsLeft(bid);
        if (left <= 0) {
            AbortSnipe(bid, QStringLiteral("Auction has ended...too late to submit a bid."), 1);
            SetAuctionStatus(bid.PrimaryKey, 3);
            m_window.sftFolders_SelChange();
            return SnipeServed::Done;
        }
        if (left < static_cast<qint64>(s.ConnectXPriortoBid) * 60 + bid.BidSeconds) {
            bid.SetNextAction(BNBidTalk::Connect);
            engine_detail::bidLog(bid, QStringLiteral("Initiating Snipe..."));
        }
        queue().Add(item);
        return SnipeServed::Waiting;
    }
    case BNBidTalk::Connect:
        return serveConnectStep(item);
    case BNBidTalk::SyncClock:
        item->message = QStringLiteral("Syncronizing Time...");
        m_window.setStatusPanel(1, item->message);
        engine_detail::bidLog(bid, QStringLiteral("Syncronizing Your System Time with eBay Clock..."));
        return sendSnipeRequest(item, urls ? urls->EbayTimeSyncURL : QString(), QString(), false);
    case BNBidTalk::PrepareBid: {
        QString error;
        const QString body = bid.MakeBidFormData(error);
        if (!error.isEmpty()) {
            AbortSnipe(bid,
                       QStringLiteral("Unable to bid on this auction.  There may have been a problem extracting "
                                      "important data."),
                       1);
            return SnipeServed::Done;
        }
        m_window.setStatusPanel(1, QStringLiteral("Preparing Bid for Item: ") + Values::trimBlanks(bid.ItemNumber));
        bid.PreparedMaxBid = bid.MaxBid;
        bid.PreparedQuantity = bid.Quantity;
        const SnipeServed sent = sendSnipeRequest(item, urls ? urls->EbayMakeBidURL : QString(), body, true);
        if (sent == SnipeServed::Sent)
            engine_detail::bidLog(bid, QStringLiteral("Making Preparatory Bid of ") + Values::formatMoney(bid.MaxBid));
        return sent;
    }
    case BNBidTalk::FinalBid: {
        QString action = QStringLiteral("Waiting for Exact Moment to Snipe...");
        QString step = QStringLiteral("Waiting...");
        m_window.SetStatusText(action, step);
        if (bid.MaxBid != bid.PreparedMaxBid || bid.Quantity != bid.PreparedQuantity) {
            // The schedule changed after the preparatory bid: its key would sign the old amount.
            engine_detail::bidLog(bid, QStringLiteral("Maximum bid or quantity changed: making a new preparatory bid of ") +
                                Values::formatMoney(bid.MaxBid) + QStringLiteral("."));
            bid.Key.clear();
            bid.FinalFormData.clear();
            bid.SetNextAction(BNBidTalk::PrepareBid);
            queue().Add(item);
            return SnipeServed::Waiting;
        }
        if (secondsLeft(bid) > bid.BidSeconds) {
            queue().Add(item);
            return SnipeServed::Waiting;
        }
        action = QStringLiteral("SNIPING...");
        step = QStringLiteral("Sniping...");
        m_window.SetStatusText(action, step);
        const QString name = bid.User ? bid.User->EbayName : QString();
        if (bid.FinalizeRetry)
            engine_detail::bidLog(bid, QStringLiteral(" Reattempting to Finalize bid of ") + Values::formatMoney(bid.MaxBid) +
                                QStringLiteral(" for ") + name + QStringLiteral("..."));
        else
            engine_detail::bidLog(bid, QStringLiteral(" Auction Closes in %1 Seconds: Finalizing bid of ").arg(bid.BidSeconds) +
                                Values::formatMoney(bid.MaxBid) + QStringLiteral(" for ") + name +
                                QStringLiteral("..."));
        const SnipeServed sent = sendSnipeRequest(item, urls ? urls->EbayBiddingURL : QString(), bid.FinalFormData, true);
        if (sent != SnipeServed::Sent)
            return sent; // retried, or aborted with its own status
        SetAuctionStatus(bid.PrimaryKey, 3);
        if (m_window.folderTreeHasSelection())
            m_window.BuildAuctionGrid(m_window.selectedFolderKey());
        return sent;
    }
    case BNBidTalk::Done:
        if (s.DisconnectAfterSnipe == 1 && queue().Count() < 1 && (s.ConnectionType == 0 || s.ConnectionType == 1)) {
            engine_detail::bidLog(bid, QStringLiteral("Snipe Complete: Disconnecting from the Internet..."));
            engine_detail::hangUp();
        }
        return SnipeServed::Done;
    case 5:
    case 6:
    case 7:
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
        AbortSnipe(bid, QStringLiteral("Unable to connect to internet, unable to place bid."), 1);
        return SnipeServed::Done;
    }
    engine_detail::bidLog(bid, QStringLiteral("Checking to see if connected to the Internet..."));
    if (engine_detail::onlineForBid()) {
        engine_detail::bidLog(bid, QStringLiteral("Already Connected..."));
        bid.SetNextAction(BNBidTalk::SyncClock);
        queue().Add(item);
        return SnipeServed::Waiting;
    }
    bid.ConnectedBySnipe = true;
    engine_detail::bidLog(bid, QStringLiteral("Not connected... connecting now..."));
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
        AbortSnipe(bid, QStringLiteral("Bid Canceled..."), 0);
        return SnipeServed::Done;
    }
    if (!engine_detail::onlineForBid()) {
        ++bid.ReconnectionAttempts;
        engine_detail::bidLog(bid, QStringLiteral("Connection Failed... Retrying..."));
    } else {
        bid.SetNextAction(BNBidTalk::SyncClock);
        item->message = QStringLiteral("Connected Successfully...");
        m_window.setStatusPanel(1, item->message);
        engine_detail::bidLog(bid, QStringLiteral("Connected Successfully..."));
    }
    queue().Add(item);
    return SnipeServed::Dialled;
}

AuctionEngine::SnipeServed AuctionEngine::sendSnipeRequest(const QItemPtr &item, const QString &url,
                                                           const QString &body, bool post)
{
    const bool started = post ? startPost(url, body) : startGet(url);
    if (started)
        return SnipeServed::Sent;
    // Nothing went out (no address, or the control refused): the same rules as a failed send.
    BSN_Log().MarkAuction(0, currentUserKey(), QStringLiteral("Unable to connect, aborting processing of Item: #"));
    retrySnipeStep(item, 0, url.isEmpty() ? QStringLiteral("No address for this request in eburl.zdx.")
                                          : QStringLiteral("The request could not be sent."));
    return SnipeServed::Done;
}
