#pragma once

#include "EngineFixture.h"
#include "FakeNmcli.h"
#include "engine/AuctionEngine.h"
#include "platform/Clock.h"
#include "platform/InetTransfer.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QDir>
#include <QFile>

// A snipe conversation for one of the fixture's auction rows, as the scheduler builds it.
inline QItemPtr snipeItem(EngineFixture &f, qint32 auctionKey, const QDateTime &endSite, qint32 bidSeconds,
                          double maxBid = 20.0, qint16 quantity = 1, qint32 nextAction = 0)
{
    auto bid = std::make_shared<BNBidTalk>();
    bid->PrimaryKey = auctionKey;
    bid->ItemNumber = f.column(auctionKey, QStringLiteral("AUC_ItemNumber")).toString();
    bid->EndingTime = endSite;
    bid->BidSeconds = bidSeconds;
    bid->MaxBid = maxBid;
    bid->Quantity = quantity;
    bid->User = gCurrentUser;
    bid->PreparedMaxBid = maxBid; // as if the preparatory bid had been made for these
    bid->PreparedQuantity = quantity;
    bid->SetNextAction(nextAction);
    return BNQItem::snipe(bid);
}

// The clock marked as synchronised to the site in this run, reading on as it reads now.
inline void synchroniseAsItReads()
{
    const qint64 instant = Clock::instantMs();
    const QDateTime reading = Clock::now();
    const QTimeZone zone = AuctionEngine::siteZone();
    const qint64 face = QDateTime(reading.date(), reading.time(), QTimeZone::utc()).toMSecsSinceEpoch();
    const qint64 zoneFace =
        instant + 1000LL * zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(instant, QTimeZone::utc()));
    Clock::synchronise(zone, instant, face - zoneFace);
}

// True once the auction's conversation is neither queued nor waiting for a reply.
inline bool conversationOver(EngineFixture &f, qint32 auctionKey)
{
    for (const QItemPtr &i : f.engine->queue().items())
        if (i->Bid && i->Bid->PrimaryKey == auctionKey)
            return false;
    const QItemPtr last = f.engine->mLastQueueItem;
    return !(last && last->Bid && last->Bid->PrimaryKey == auctionKey && f.engine->Inet1().StillExecuting());
}

// The site's record of one command's posts for an item, oldest first.
inline QList<practice::RecordedRequest> sitePosts(const EngineFixture &f, const QString &command, const QString &item)
{
    QList<practice::RecordedRequest> out;
    for (const auto &r : f.site.requests())
        if (r.command == command && r.body.contains("item=" + item.toUtf8() + "&"))
            out << r;
    return out;
}

// True when the site holds the fixture's account as the item's high bidder.
inline bool siteUserIsHighBidder(const EngineFixture &f, const QString &item)
{
    const auto standing = f.site.standing(item);
    return standing && standing->highBidder == QLatin1String(EngineFixture::kSiteUser);
}

// A fault target of the practice site: one command of its page.
inline QString siteCommand(const QString &command)
{
    return QLatin1String(practice::PracticeSite::kDllPath) + QLatin1Char('?') + command;
}

// A refresh of the auction as the user asks for it, queued from the open folder.
inline QItemPtr refreshItem(EngineFixture &f, const QString &itemNumber)
{
    return BNQItem::refresh(itemNumber, f.userKey, f.openFolder);
}

// After the end, a refresh reads the outcome, as the window's refresh does; false when the end
// or the refresh did not come in time.
inline bool refreshAfterTheEnd(EngineFixture &f, const QString &item)
{
    if (!f.runUntil([&] { return f.site.now() > f.site.auction(item)->end; }, 30000))
        return false;
    f.engine->queue().Add(refreshItem(f, item));
    return f.runUntilIdle();
}
