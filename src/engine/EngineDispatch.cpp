#include "AuctionEngine.h"

#include "AppSettings.h"
#include "BSN_Log.h"
#include "Clock.h"
#include "Database.h"
#include "EngineSupport.h"
#include "Globals.h"
#include "IMainWindow.h"
#include "Values.h"
#include "clsEbayAuction.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <algorithm>

namespace {
// An auction the database refused (a full disk, a locked or replaced file) is said where the
// user sees it: in the general log, or by the window when that cannot be written either.
void reportUnsaved(IMainWindow &window, qint32 userKey, const QString &itemNumber, const QString &why)
{
    const QString text = QStringLiteral("Item #%1 could not be saved: Zandrift could not write to its database (%2).")
                             .arg(itemNumber, why);
    try {
        if (gDB) {
            BSN_Log(*gDB).MarkAuction(0, userKey, text);
            return;
        }
    } catch (const std::exception &) {
        // The same database: the window says it instead.
    }
    window.showDatabaseTrouble(text);
}
} // namespace

void AuctionEngine::InetIn(const QString &page)
{
    const QItemPtr item = mLastQueueItem;
    if (!item)
        return;
    switch (item->Action) {
    case BNQItem::Import: {
        clsEbayAuction auction;
        auction.Parse(page, Values::trimBlanks(item->ItemNumber));
        auction.Paid = auction.Received = auction.LeftFeedback = 0;
        qint16 mode = 0;
        try {
            EbayProcessAuction(auction, mode);
        } catch (const DbError &e) {
            reportUnsaved(m_window, currentUserKey(), Values::trimBlanks(item->ItemNumber), e.message());
            // The count follows the queue also when the page could not be stored.
            m_window.setStatusPanel(3, QStringLiteral("Items in Queue: %1").arg(queue().Count()));
        }
        break;
    }
    case BNQItem::Refresh:
        try {
            refreshFromPage(page, item);
        } catch (const DbError &e) {
            reportUnsaved(m_window, currentUserKey(), Values::trimBlanks(item->ItemNumber), e.message());
            m_window.setStatusPanel(3, QStringLiteral("Items in Queue: %1").arg(queue().Count()));
        }
        break;
    case BNQItem::TimeSync: {
        if (item->DisconnectAfterCompletion && queue().Count() < 1 && gSettings &&
            (gSettings->ConnectionType == 0 || gSettings->ConnectionType == 1))
            engine_detail::hangUp();
        if (!setClockFromTimePage(page))
            m_records.log(0, 0,
                          QStringLiteral("Zandrift was unable to Synchronize your clock to eBay time.  You "
                                         "may have to Synchronize your clock manually - check the News Page "
                                         "for an update if this problem continues."));
        break;
    }
    case BNQItem::Snipe:
        if (item->Bid)
            dispatchSnipeReply(item, page);
        break;
    default:
        break;
    }
}

void AuctionEngine::refreshFromPage(const QString &page, const QItemPtr &item)
{
    clsEbayAuction auction;
    const QString number = Values::trimBlanks(item->ItemNumber);
    auction.Parse(page, number);
    auction.Paid = auction.Received = auction.LeftFeedback = 0;
    auction.Comments.clear();
    if (gDB && gCurrentUser) {
        // The user's own marks are kept across a refresh.
        auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_Primary, AUC_Comments, AUC_ItemNumber, AUC_Paid, "
                                                "AUC_Received, AUC_LeftFeedback FROM Auctions WHERE AUC_User = ?"),
                                 {gCurrentUser->PrimaryKey});
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            if (Values::trimBlanks(rs->value(QStringLiteral("AUC_ItemNumber")).toString()) != number)
                continue;
            auction.Paid = static_cast<qint16>(rs->value(QStringLiteral("AUC_Paid")).toInt());
            auction.Received = static_cast<qint16>(rs->value(QStringLiteral("AUC_Received")).toInt());
            auction.LeftFeedback = static_cast<qint16>(rs->value(QStringLiteral("AUC_LeftFeedback")).toInt());
            auction.Comments = rs->value(QStringLiteral("AUC_Comments")).toString();
            break;
        }
    }
    qint16 mode = 1;
    EbayProcessAuction(auction, mode);
}

bool AuctionEngine::setClockFromTimePage(const QString &page)
{
    const bool daylight = page.toUpper().contains(QLatin1String("PDT"));
    const QString zone = daylight ? QStringLiteral("PDT") : QStringLiteral("PST");
    BNHTMLExtract extract;
    bool ok = false;
    const QString text = Values::trimBlanks(
        extract.Extract(QStringLiteral(", "), zone, QStringLiteral("be..."), 1, page, QStringLiteral("Forward"), &ok));
    // A date alone is no time to set a clock to.
    static const QRegularExpression timeOfDay(QStringLiteral("\\b(\\d{1,2}):(\\d{2})(:\\d{2})?\\b"));
    const QRegularExpressionMatch hasTime = timeOfDay.match(text);
    const QDateTime shown = ok && hasTime.hasMatch() ? Values::toDate(text) : QDateTime();
    if (!shown.isValid())
        return false;
    // The page shows whole seconds (or minutes): the site's clock was somewhere inside the one
    // shown, at some moment between the request leaving and the reply arriving. That bounds how
    // far the site's clock runs ahead of this machine's; the bounds of successive pages narrow
    // it, and one that contradicts them (the site's clock was set) starts afresh.
    const qint64 resolutionMs = hasTime.captured(3).isEmpty() ? 60000 : 1000;
    const qint64 siteUtcOffsetMs = (daylight ? -7 : -8) * 3600000LL;
    const qint64 shownUtcMs =
        QDateTime(shown.date(), shown.time(), QTimeZone::utc()).toMSecsSinceEpoch() - siteUtcOffsetMs;
    const qint64 systemNow = Clock::systemInstantMs();
    const qint64 received = systemNow - (m_sinceReply.isValid() ? m_sinceReply.elapsed() : 0);
    const qint64 sent = received - m_roundTripMs;
    SiteLead lead{shownUtcMs - received, shownUtcMs + resolutionMs - sent};
    const bool recent = m_siteLeadAge.isValid() && m_siteLeadAge.elapsed() < kSiteLeadKeptMs;
    if (recent && lead.lowMs <= m_siteLead.highMs && lead.highMs >= m_siteLead.lowMs)
        lead = {std::max(lead.lowMs, m_siteLead.lowMs), std::min(lead.highMs, m_siteLead.highMs)};
    m_siteLead = lead;
    m_siteLeadAge.start();
    const qint64 instant = systemNow + (lead.lowMs + lead.highMs) / 2;
    // The clock then reads the site's wall clock plus TimeOffset hours, and keeps the site's
    // summer-time changes.
    const QTimeZone zoneOfSite =
        siteZone().isValid() ? siteZone() : QTimeZone(static_cast<int>(siteUtcOffsetMs / 1000));
    Clock::synchronise(zoneOfSite, instant, 3600000LL * (gSettings ? gSettings->TimeOffset : 0));
    return true;
}

void AuctionEngine::dispatchSnipeReply(const QItemPtr &item, const QString &page)
{
    BNBidTalk &bid = *item->Bid;
    auto auctionLog = [this, &bid](const QString &msg) { snipeLog(bid, msg); };
    switch (bid.GetNextAction()) {
    case BNBidTalk::SyncClock:
        if (setClockFromTimePage(page))
            auctionLog(QStringLiteral("System Clock Synchronized to eBay Clock for accurate sniping."));
        else
            auctionLog(QStringLiteral(
                "Unable to Synchronize System Clock to eBay time... continuing with bidding process..."));
        bid.SetNextAction(BNBidTalk::PrepareBid);
        queue().Add(item);
        break;
    case BNBidTalk::PrepareBid: {
        bid.PrepareRoundTripMs = m_roundTripMs;
        auctionLog(QStringLiteral(
            "Received Confirmation of Preparatory Bid from eBay.  Proceeding to the Finalization stage."));
        QString error;
        bid.PrepareFinalFormData(page, error);
        if (error == QLatin1String("Outbid")) {
            AbortSnipe(bid, QStringLiteral("You have been Outbid..."), AbortReason::Outbid);
        } else if (!error.isEmpty()) {
            AbortSnipe(bid,
                       QStringLiteral("Error extracting key information while Preparing Finalization of the Bid- the "
                                      "probable cause is that your maxbid has been outbid."),
                       AbortReason::Error);
        } else {
            bid.SetNextAction(BNBidTalk::FinalBid);
            queue().Add(item);
        }
        break;
    }
    case BNBidTalk::FinalBid: {
        const QString upper = page.toUpper();
        if (upper.contains(QLatin1String("BID IS CONFIRMED!")) ||
            upper.contains(QLatin1String("YOU ARE THE CURRENT HIGH BIDDER"))) {
            auctionLog(QStringLiteral("Bid placement of ") + Values::formatMoney(bid.MaxBid) +
                       QStringLiteral(" for item #") + bid.ItemNumber + QStringLiteral(" Confirmed."));
        } else if (bid.FinalizeRetry >= 1) {
            auctionLog(QStringLiteral(
                "Still Unable to Verify Bid Confirmation.  Zandrift cannot determine whether or not eBay accepted "
                "your bid, please check the auction to verify.  It is also possible that your password is "
                "incorrect, please test your password by clicking 'Sign Me into eBay' from the 'Actions' menu."));
            bid.FinalizeRetry = 0;
        } else if (upper.contains(QLatin1String("YOU HAVE BEEN OUTBID")) ||
                   upper.contains(QLatin1String("LESS THAN THE MINIMUM BID"))) {
            auctionLog(QStringLiteral("You have been Outbid by another Bidder."));
        } else {
            auctionLog(QStringLiteral(
                "Unable to Verify Bid Confirmation.  This may be the result in a change the eBay confirmation "
                "response page, or eBay may be returning a miscellaneous error.  It is also possible that there was "
                "a communication error.  Zandrift will retry this bid for added redundancy."));
            ++bid.FinalizeRetry;
            queue().Add(item);
            return;
        }
        if (bid.ConnectedBySnipe && queue().Count() < 1) {
            bid.SetNextAction(BNBidTalk::Done);
            queue().Add(item);
        }
        break;
    }
    default:
        break;
    }
}
