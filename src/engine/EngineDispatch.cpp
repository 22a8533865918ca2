#include "engine/AuctionEngine.h"

#include "engine/EngineSupport.h"
#include "engine/IMainWindow.h"
#include "engine/clsEbayAuction.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/Values.h"
#include "store/AppSettings.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <algorithm>

namespace {
// What a page that did not confirm a bid said, for the row's result: its title.
QString answerOf(const QString &page)
{
    static const QRegularExpression title(QStringLiteral("<title[^>]*>([^<]*)</title>"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QString t = Values::trimBlanks(title.match(page).captured(1)).left(120);
    return t.isEmpty() ? QStringLiteral("an answer that did not confirm the bid")
                       : QStringLiteral("a page titled \"") + t + QStringLiteral("\"");
}

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
        if (setClockFromTimePage(page))
            QueueDueSnipes(); // what the corrected clock makes due starts now, not at the next minute
        else
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

namespace {
// The weekday a time page names just before its date, 0 when it names none.
int weekdayBefore(const QString &page, const QString &dateText)
{
    static const char *const names[] = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
    const qsizetype at = page.indexOf(dateText);
    if (at < 0)
        return 0;
    static const QRegularExpression word(QStringLiteral("([A-Za-z]+)\\.?,?\\s*$"));
    const QRegularExpressionMatch m =
        word.match(page.mid(std::max<qsizetype>(0, at - 16), std::min<qsizetype>(at, 16)));
    if (!m.hasMatch())
        return 0;
    const QString w = m.captured(1).toLower();
    if (w.size() < 3)
        return 0;
    for (int d = 0; d < 7; ++d)
        if (w.startsWith(QLatin1String(names[d])) &&
            (w.size() == 3 || w.endsWith(QLatin1String("day")) || w == QLatin1String("tues") ||
             w == QLatin1String("thur") || w == QLatin1String("thurs")))
            return d + 1;
    return 0;
}
} // namespace

bool AuctionEngine::setClockFromTimePage(const QString &page)
{
    const bool summer = page.toUpper().contains(QLatin1String("PDT"));
    const QString zone = summer ? QStringLiteral("PDT") : QStringLiteral("PST");
    BNHTMLExtract extract;
    bool ok = false;
    const QString raw =
        extract.Extract(QStringLiteral(", "), zone, QStringLiteral("be..."), 1, page, QStringLiteral("Forward"), &ok);
    const QString text = Values::trimBlanks(raw);
    // A date alone is no time to set a clock to.
    static const QRegularExpression timeOfDay(QStringLiteral("\\b(\\d{1,2}):(\\d{2})(:\\d{2})?\\b"));
    const QRegularExpressionMatch hasTime = timeOfDay.match(text);
    const QDateTime shown = ok && hasTime.hasMatch() ? Values::toDate(text) : QDateTime();
    if (!shown.isValid())
        return false;
    // A page that contradicts itself ("Thursday, 10/12/2026" read as a Monday) is no reading.
    const int weekday = weekdayBefore(page, text);
    if (weekday != 0 && weekday != shown.date().dayOfWeek())
        return false;
    // The page shows whole seconds (or minutes): the site's clock was somewhere inside the one
    // shown, at some moment between the request leaving and the reply arriving. That bounds how
    // far the site's clock runs ahead of the steady clock; the bounds of successive pages narrow
    // it, and one that contradicts them (the site's clock was set) starts afresh.
    const qint64 resolutionMs = hasTime.captured(3).isEmpty() ? 60000 : 1000;
    const qint64 siteUtcOffsetMs = (summer ? -7 : -8) * 3600000LL;
    const qint64 shownUtcMs =
        QDateTime(shown.date(), shown.time(), QTimeZone::utc()).toMSecsSinceEpoch() - siteUtcOffsetMs;
    const qint64 steadyNow = Clock::steadyMs();
    const qint64 received = steadyNow - (m_sinceReply.isValid() ? m_sinceReply.elapsed() : 0);
    const qint64 sent = received - m_roundTripMs;
    SiteLead lead{shownUtcMs - received, shownUtcMs + resolutionMs - sent};
    // How far the clock runs ahead of the steady clock now, and the machine's wall clock.
    const qint64 currentLead = Clock::instantMs() - steadyNow;
    const qint64 machineLead = Clock::systemInstantMs() - steadyNow;
    constexpr qint64 kDayMs = 24 * 3600000LL;
    const auto distance = [&lead](qint64 l) {
        return l < lead.lowMs ? lead.lowMs - l : (l > lead.highMs ? l - lead.highMs : 0);
    };
    const bool recent = m_siteLeadAge.isValid() && m_siteLeadAge.elapsed() < kSiteLeadKeptMs;
    if (distance(machineLead) > kDayMs && (!Clock::synchronised() || distance(currentLead) > kDayMs)) {
        // Far from every clock there is: believed only when the page before it said the same.
        const bool agrees =
            m_farLeadPending && lead.lowMs <= m_farLead.highMs + 2000 && lead.highMs >= m_farLead.lowMs - 2000;
        if (!agrees) {
            m_farLeadPending = true;
            m_farLead = lead;
            return false;
        }
    }
    m_farLeadPending = false;
    if (recent && lead.lowMs <= m_siteLead.highMs && lead.highMs >= m_siteLead.lowMs)
        lead = {std::max(lead.lowMs, m_siteLead.lowMs), std::min(lead.highMs, m_siteLead.highMs)};
    m_siteLead = lead;
    m_siteLeadAge.start();
    // A clock that fits what the pages say stays as it is. One that does not moves only as far as
    // they make it: into the bounds by half the shown second (the middle of the second the page
    // shows, which is the middle of the bounds for a quick reply), so a slow reply (wide bounds)
    // moves it little.
    const qint64 half = std::min(resolutionMs, lead.highMs - lead.lowMs) / 2;
    qint64 chosen = currentLead;
    if (currentLead < lead.lowMs)
        chosen = lead.lowMs + half;
    else if (currentLead > lead.highMs)
        chosen = lead.highMs - half;
    // The clock then reads the site's wall clock plus TimeOffset hours, and keeps the site's
    // summer-time changes.
    const QTimeZone zoneOfSite =
        siteZone().isValid() ? siteZone() : QTimeZone(static_cast<int>(siteUtcOffsetMs / 1000));
    m_offsetAtSync = gSettings ? gSettings->TimeOffset : 0;
    m_synchronisedHere = true;
    Clock::synchronise(zoneOfSite, Clock::steadyMs() + chosen, 3600000LL * *m_offsetAtSync);
    return true;
}

qint64 AuctionEngine::siteClockSlackMs() const
{
    // Without a page in this run nothing bounds it: a second, as a page of whole seconds would.
    if (!m_synchronisedHere || !m_siteLeadAge.isValid())
        return 1000;
    return std::max<qint64>(0, m_siteLead.highMs - (Clock::instantMs() - Clock::steadyMs()));
}

void AuctionEngine::watchTimeOffset()
{
    // A new TimeOffset changes how the clock reads: once synchronised, only its face; before
    // that, the site's instant itself and every snipe's moment with it. Either way the site's
    // instant is asked again, and again while no page has answered (a halt drops the request).
    if (!gSettings)
        return;
    const qint16 offset = gSettings->TimeOffset;
    if (!m_offsetAtSync)
        m_offsetAtSync = offset; // before any synchronisation: the offset the moments were reckoned with
    if (offset == *m_offsetAtSync || timeSyncPending() ||
        (m_offsetSyncAsked.isValid() && m_offsetSyncAsked.elapsed() < kOffsetSyncPauseMs))
        return;
    m_offsetSyncAsked.start();
    TimeSync(false, false);
}

qint64 AuctionEngine::linkRoundTripMs() const
{
    const std::size_t n = std::min(m_roundTripsSeen, m_recentRoundTripsMs.size());
    if (n == 0)
        return 0;
    return *std::min_element(m_recentRoundTripsMs.begin(),
                             m_recentRoundTripsMs.begin() + static_cast<std::ptrdiff_t>(n));
}

void AuctionEngine::dispatchSnipeReply(const QItemPtr &item, const QString &page)
{
    BNBidTalk &bid = *item->Bid;
    auto auctionLog = [this, &bid](const QString &msg) { snipeLog(bid, msg); };
    switch (bid.GetNextAction()) {
    case BNBidTalk::SyncClock:
        if (!setClockFromTimePage(page)) {
            retrySyncOrGoOn(item, QStringLiteral("the time page could not be read"));
            break;
        }
        auctionLog(QStringLiteral("System Clock Synchronized to eBay Clock for accurate sniping."));
        bid.RetryAtMs = 0;
        // Judged on the clock the site has just set.
        if (msUntilEnd(bid) <= 0) {
            AbortSnipe(bid, QStringLiteral("Auction has ended...too late to submit a bid."), AbortReason::Error);
            showSelectedFolder();
            break;
        }
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
        } else if (!error.isEmpty() && msUntilEnd(bid) <= 0) {
            // The preparatory bid reached the site after the end: nothing was bid.
            AbortSnipe(bid, QStringLiteral("Auction has ended...too late to submit a bid."), AbortReason::Error);
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
            m_live.noteFinalAnswer(bid.PrimaryKey, answerOf(page));
            auctionLog(QStringLiteral(
                "Still Unable to Verify Bid Confirmation.  Zandrift cannot determine whether or not eBay accepted "
                "your bid, please check the auction to verify.  It is also possible that your password is "
                "incorrect, please test your password by clicking 'Sign Me into eBay' from the 'Actions' menu."));
            bid.FinalizeRetry = 0;
        } else if (upper.contains(QLatin1String("YOU HAVE BEEN OUTBID")) ||
                   upper.contains(QLatin1String("LESS THAN THE MINIMUM BID"))) {
            m_live.noteFinalAnswer(bid.PrimaryKey, answerOf(page));
            auctionLog(QStringLiteral("You have been Outbid by another Bidder."));
        } else {
            auctionLog(QStringLiteral(
                "Unable to Verify Bid Confirmation.  This may be the result in a change the eBay confirmation "
                "response page, or eBay may be returning a miscellaneous error.  It is also possible that there was "
                "a communication error.  Zandrift will retry this bid for added redundancy."));
            m_live.noteFinalAnswer(bid.PrimaryKey, answerOf(page));
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
