#include "engine/AuctionEngine.h"

#include "engine/GridRowCells.h"
#include "engine/IMainWindow.h"
#include "engine/clsEbayAuction.h"
#include "platform/Database.h"
#include "platform/TreeGrid.h"
#include "platform/Values.h"
#include "store/AuctionRow.h"
#include "store/AuctionStatus.h"
#include "store/BSN_Log.h"
#include "store/Folders.h"
#include "store/Globals.h"

namespace {

bool present(const QString &s)
{
    return !s.isEmpty();
}
bool validNumber(const QString &s)
{
    return present(s) && Values::isNumber(s);
}

// The row's maximum bid in whole cents, as the conversation bid it.
double maxBidOf(Recordset &row)
{
    return BNBidTalk::bidAmount(row.value(QStringLiteral("AUC_MaxBid")).toDouble());
}

// Another high bidder is an outbid only when the price reached the user's maximum, or where
// several items sell (the page's price says nothing of the user's bid then). Below it, the
// site never had the user's bid at that maximum: it was not placed.
bool outbidByThePage(const clsEbayAuction &a, Recordset &row)
{
    const double maxBid = maxBidOf(row);
    const double quantity = Values::toNumber(a.Quantity);
    if (maxBid <= 0 || quantity > 1 || !validNumber(a.CurrentBid))
        return true;
    return BNBidTalk::bidAmount(Values::toNumber(a.CurrentBid)) >= maxBid;
}

QString notPlacedText(const clsEbayAuction &a, Recordset &row, const QString &answer)
{
    QString text = QStringLiteral("You did not win this Auction.  Your bid was not placed: the auction ended at ") +
                   Values::formatMoney(BNBidTalk::bidAmount(Values::toNumber(a.CurrentBid))) +
                   QStringLiteral(", below your maximum bid of ") + Values::formatMoney(maxBidOf(row)) +
                   QStringLiteral(".");
    if (!answer.isEmpty())
        text += QStringLiteral("  eBay's answer to the final bid was ") + answer + QStringLiteral(".");
    return text;
}

} // namespace

void AuctionEngine::EbayProcessAuction(clsEbayAuction &a, qint16 &mode)
{
    const UserPtr user = gCurrentUser;
    const QItemPtr item = mLastQueueItem;
    if (!user || !item || !gDB)
        return;
    const bool importing = mode == 0;
    const qint32 userKey = user->PrimaryKey;
    BSN_Log log;
    auto general = [&](const QString &msg) { log.MarkAuction(0, userKey, msg); };

    if (a.title.isEmpty()) {
        general(QStringLiteral("Invalid Item Number: ") + a.ItemNumber +
                QStringLiteral(".  Unable to import this auction."));
        return;
    }

    const QString trimmedItem = Values::trimBlanks(a.ItemNumber);
    std::unique_ptr<Recordset> rs;
    qint32 auctionKey = 0;
    if (importing) {
        rs = gDB->openTable(QStringLiteral("Auctions"));
        rs->addNew();
    } else {
        // "+AUC_User": found by the item number's index, not among every row of the user.
        rs = gDB->openQuery(QStringLiteral("SELECT * FROM Auctions WHERE AUC_ItemNumber = ? AND +AUC_User = ?"),
                            {trimmedItem, userKey}, QStringLiteral("Auctions"));
        if (rs->recordCount() == 0)
            return; // deleted meanwhile, or another user's
        rs->moveFirst();
        auctionKey = static_cast<qint32>(rs->value(QStringLiteral("AUC_Primary")).toLongLong());
        // The row stays in the folder it is in now, whatever folder it was in when the refresh
        // was asked for; only an end moves it.
        item->Folder = static_cast<qint32>(rs->value(QStringLiteral("AUC_Folder")).toLongLong());
        rs->edit();
    }
    auto auctionLog = [&](const QString &msg) { log.MarkAuction(auctionKey, userKey, msg); };
    auto set = [&](const char *column, const QVariant &value) { rs->setValue(QLatin1String(column), value); };
    const QString itemPrefix = QStringLiteral("Item #") + a.ItemNumber;

    set("AUC_User", userKey);
    if (importing)
        set("AUC_Folder", item->Folder);

    QString title = a.title;
    if (!importing) {
        const QString docTitle = m_window.browserDocumentTitle();
        if (docTitle.toUpper().contains(QLatin1String("INVALID")) && docTitle.contains(a.ItemNumber))
            title = QStringLiteral("Error - Invalid Item");
    }
    set("AUC_Title", title);
    if (a.TitleLength > clsEbayAuction::kTitleWidth)
        general(QStringLiteral("%1: The page's title is too long (%2 characters); it was cut to %3 characters.")
                    .arg(itemPrefix, QString::number(a.TitleLength), QString::number(clsEbayAuction::kTitleWidth)));

    if (!a.ItemNumber.isEmpty()) {
        set("AUC_ItemNumber", trimmedItem);
    } else if (importing) {
        general(QStringLiteral("Invalid Item Number: Unable to import auction."));
        return;
    }

    struct Checked
    {
        const QString *value;
        const char *column;
        const char *importFailure;
        const char *refreshFailure;
    };
    const Checked numbers[] = {
        {&a.CurrentBid, "AUC_CurrentBid", ": Unable to retrieve Current Bid for this item.  Aborting auction import.",
         "Unable to refresh Current Bid for this item."},
        {&a.MinimumBid, "AUC_MinBid", ": Unable to retrieve Minimum Bid for this item.  Aborting auction import.",
         "Unable to refresh Minimum Bid for this item."},
        {&a.Quantity, "AUC_Quantity", ": Unable to retrieve the Quantity for this item.  Aborting auction import.",
         "Unable to refresh the Quantity for this item."},
    };
    for (const Checked &n : numbers) {
        if (validNumber(*n.value)) {
            set(n.column, *n.value);
        } else if (importing) {
            general(itemPrefix + QLatin1String(n.importFailure));
            return;
        } else {
            auctionLog(QLatin1String(n.refreshFailure));
        }
    }

    if (present(a.TimeLeft))
        set("AUC_TimeLeft", a.TimeLeft);
    else if (importing)
        general(itemPrefix + QStringLiteral(": Unable to retrieve the Time Left for this item."));
    else
        auctionLog(QStringLiteral("Unable to refresh the Time Left for this item."));

    if (present(a.Location))
        set("AUC_CityLocation", a.Location);
    if (present(a.Country))
        set("AUC_CountryRegion", a.Country);
    if (present(a.Seller))
        set("AUC_Seller", a.Seller);
    if (present(a.HighBidder))
        set("AUC_HighBidder", a.HighBidder);

    // The site's end time ends with a blank and a three-letter zone word.
    const QString ends = a.TimeEnds;
    const QString endsWithoutZone = ends.size() >= 5 ? ends.left(ends.size() - 4) : QString();
    if (ends.size() < 5 || !Values::isDate(endsWithoutZone)) {
        if (importing) {
            general(itemPrefix +
                    QStringLiteral(": Unable to retrieve the End Time for this item.  Aborting auction import."));
            return;
        }
        auctionLog(QStringLiteral("Unable to refresh the End Time for this item."));
    } else {
        const QDateTime ended = Values::toDate(endsWithoutZone);
        set("AUC_Ended", ended);
        // The zone word tells which of the autumn's two 01:30 the page means.
        const QString zone = ends.right(3).toUpper();
        set("AUC_EndedZone", zone == QLatin1String("PST") || zone == QLatin1String("PDT") ? zone : QString());
        a.TimeEnds = Values::formatGeneralDate(ended);
    }

    if (validNumber(a.NumberOfBids)) {
        set("AUC_NumberOfBids", a.NumberOfBids);
    } else if (importing) {
        general(itemPrefix +
                QStringLiteral(": Unable to retrieve the Number of Bids for this item.  Aborting auction import."));
        return;
    } else {
        auctionLog(QStringLiteral("Unable to refresh the Number of Bids for this item."));
    }

    if (present(a.AuctionType))
        set("AUC_Type", a.AuctionType);
    set("AUC_ResistancePoint", 0);
    set("AUC_SnipeOffsetTime", 0);
    set("AUC_Alert", false);
    set("AUC_OpenClosed", true);

    TreeGrid &grid = m_window.auctionGrid();
    bool statusChanged = false;
    if (importing) {
        set("AUC_Status", AuctionStatus::NotScheduled);
    } else {
        const qint32 stored = rs->value(QStringLiteral("AUC_Status")).toInt();
        a.Refreshed = static_cast<qint16>(rs->value(QStringLiteral("AUC_Refreshed")).toInt());
        if (a.TimeLeft.toUpper().contains(QLatin1String("END"))) {
            qint32 status = stored;
            const QString me = a.MeHighBidder.toUpper();
            // The page after the end decides: the user as its high bidder has won, whatever the row
            // said (an abort, a status write that was lost, a bid that was not confirmed).
            const bool sniped = stored == AuctionStatus::Scheduled || stored == AuctionStatus::BidSubmitted ||
                                stored == AuctionStatus::Outbid || stored == AuctionStatus::Error ||
                                m_live.finalPostHasLeft(auctionKey);
            const bool bidLeft = stored == AuctionStatus::BidSubmitted || m_live.finalPostHasLeft(auctionKey);
            if (sniped && me == QLatin1String("TRUE") && stored != AuctionStatus::Won) {
                status = AuctionStatus::Won;
                auctionLog(QStringLiteral("Congratulations, you have Won this Auction."));
            } else if (bidLeft && me == QLatin1String("FALSE") && !outbidByThePage(a, *rs)) {
                status = AuctionStatus::Error;
                auctionLog(notPlacedText(a, *rs, m_live.finalAnswer(auctionKey)));
            } else {
                // A row that still reads "scheduled" after its final post left lost that write.
                switch (bidLeft ? static_cast<qint32>(AuctionStatus::BidSubmitted) : stored) {
                case AuctionStatus::NotScheduled:
                    status = AuctionStatus::Closed;
                    auctionLog(QStringLiteral("Auction Closed - No Bid Scheduled."));
                    break;
                case AuctionStatus::Scheduled:
                    status = AuctionStatus::Error;
                    auctionLog(QStringLiteral(
                        "This auction was scheduled but the bid was not finalized.  It is likely that Zandrift was not "
                        "running when bidding window was open or that your max bid was out-bid near the end of the "
                        "auction."));
                    break;
                case AuctionStatus::BidSubmitted:
                    if (me == QLatin1String("FALSE")) {
                        status = AuctionStatus::Outbid;
                        auctionLog(QStringLiteral("You did not win this Auction.  You were outbid."));
                    } else if (me == QLatin1String("UNKNOWN")) {
                        auctionLog(QStringLiteral("The high bidder at the end of this auction cannot be determined by "
                                                  "Zandrift.  Please view the auction to determine the results of the "
                                                  "auction."));
                    }
                    break;
                default:
                    break;
                }
            }
            if (status != stored) {
                set("AUC_Status", status);
                statusChanged = true;
            }
            const qint32 closed = GetClosedAuctionsFolder(*gDB, userKey);
            if (closed != -1) {
                set("AUC_Folder", closed);
                item->Folder = closed;
                const bool wasOpen = stored >= AuctionStatus::NotScheduled && stored <= AuctionStatus::BidSubmitted;
                if (wasOpen && status >= AuctionStatus::Won && status <= AuctionStatus::Error && grid.rowCount() > 0) {
                    const qint32 row = grid.findRowByKey(auctionKey, 0);
                    if (row > -1)
                        grid.removeRow(row);
                }
            }
        }
    }

    set("AUC_Refreshed", 1);
    if (importing)
        set("AUC_BidSecs", user->BidSeconds);

    rs->update();
    const qint32 primary = importing ? static_cast<qint32>(rs->lastInsertedKey()) : auctionKey;
    if (statusChanged)
        m_window.updateCaption();

    if (item->Folder != m_window.selectedFolderKey()) {
        // Moved out of the folder shown (into Closed Auctions): its row goes with it.
        if (!importing && grid.rowCount() > 0) {
            const qint32 row = grid.findRowByKey(auctionKey, 0);
            if (row > -1)
                grid.removeRow(row);
        }
        grid.fitColumn(0);
        grid.refreshLayout();
        return;
    }
    grid.fitColumn(0);
    grid.refreshLayout();
    const std::optional<AuctionRow> stored = AuctionRow::load(*gDB, primary);
    if (!stored)
        return;
    // A refreshed auction's row is found by its key, never by the text of its number.
    const qint32 row = importing ? grid.addRow(stored->title) : grid.findRowByKey(primary, 0);
    if (row < 0)
        return;
    // The row shows what was stored, as a rebuild of the grid would.
    grid_row::write(grid, row, *stored, *user, siteNow());
    for (qint32 col = 1; col < grid.columnCount(); ++col) {
        grid.fitColumn(col);
        grid.setColumnWidth(col, grid.columnWidth(col) + 100);
    }
}
