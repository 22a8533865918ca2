#include "AuctionEngine.h"

#include "BSN_Log.h"
#include "Database.h"
#include "Folders.h"
#include "Globals.h"
#include "IMainWindow.h"
#include "TreeGrid.h"
#include "Values.h"
#include "clsEbayAuction.h"

namespace {

constexpr qint32 kGreen = TreeGrid::rgb(31, 116, 21);
constexpr qint32 kRed = TreeGrid::rgb(255, 0, 0);

bool present(const QString &s) { return !s.isEmpty(); }
bool validNumber(const QString &s) { return present(s) && Values::isNumber(s); }

struct GridValues
{
    qint32 primary = 0;
    qint32 status = 0;
    double maxBid = 0;
    qint32 bidQuantity = 0;
    double currentBid = 0;
    qint32 quantity = 0;
    QString highBidder;
};

void writeGridRow(TreeGrid &grid, qint32 row, const clsEbayAuction &a, const GridValues &v, const BSN_User &user)
{
    const AucColumns &c = user.Columns;
    auto cell = [&](qint16 pos, const QString &text) {
        if (pos != -1)
            grid.setCellText(row, pos, text);
    };
    auto color = [&](qint16 pos, qint32 rgb) {
        if (pos != -1)
            grid.setCellColor(row, pos, rgb);
    };
    auto check = [&](qint16 pos, qint16 mark) {
        if (pos == -1)
            return;
        grid.setCellPicture(row, pos, mark == 1 ? QStringLiteral("imgChecked") : QStringLiteral("imgUnchecked"));
        grid.setCellPictureSetting(row, pos, 1);
    };
    const bool userIsHighBidder =
        !v.highBidder.isEmpty() && (v.highBidder == user.EbayName || v.highBidder == user.EbayEmail);

    cell(c.ItemNumber, Values::trimBlanks(a.ItemNumber));
    cell(c.CurrentBid, a.CurrentBid);
    if (v.maxBid != 0) {
        cell(c.MyMaxBid, Values::formatMoney(v.maxBid));
        const bool losing = v.maxBid <= v.currentBid && v.quantity == 1 && !userIsHighBidder;
        color(c.MyMaxBid, losing ? kRed : kGreen);
    } else {
        cell(c.MyMaxBid, QStringLiteral("--"));
        color(c.MyMaxBid, kGreen);
    }
    if (v.bidQuantity != 0) {
        cell(c.MyBidQty, QString::number(v.bidQuantity));
        color(c.MyBidQty, kGreen);
    } else {
        cell(c.MyBidQty, QStringLiteral("--"));
    }
    cell(c.NumOfBids, a.NumberOfBids);
    cell(c.QtyOffered, a.Quantity);
    cell(c.TimeEnds, a.TimeEnds);
    cell(c.TimeLeft, a.TimeLeft);
    grid.setRowLevel(row, 0);
    if (a.Refreshed != 1)
        grid.setCellColor(row, c.AuctionName, 0);
    cell(c.Location, a.Location);
    cell(c.CountryRegion, a.Country);
    cell(c.Seller, a.Seller);
    cell(c.HighBidder, a.HighBidder);
    check(c.Paid, a.Paid);
    check(c.Received, a.Received);
    check(c.LeftFeedback, a.LeftFeedback);
    if (c.Comments != -1) {
        grid.setCellText(row, c.Comments, a.Comments);
        grid.setCellPicture(row, c.Comments, QStringLiteral("imgPencil"));
    }
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
        general(QStringLiteral("Invalid Item Number: ") + a.ItemNumber + QStringLiteral(".  Unable to import this auction."));
        return;
    }

    const QString trimmedItem = Values::trimBlanks(a.ItemNumber);
    std::unique_ptr<Recordset> rs;
    qint32 auctionKey = 0;
    if (importing) {
        rs = gDB->openTable(QStringLiteral("Auctions"));
        rs->addNew();
    } else {
        rs = gDB->openQuery(QStringLiteral("SELECT * FROM Auctions WHERE AUC_ItemNumber = ? AND AUC_User = ?"),
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
            general(itemPrefix + QStringLiteral(": Unable to retrieve the End Time for this item.  Aborting auction import."));
            return;
        }
        auctionLog(QStringLiteral("Unable to refresh the End Time for this item."));
    } else {
        const QDateTime ended = Values::toDate(endsWithoutZone);
        set("AUC_Ended", ended);
        a.TimeEnds = Values::formatGeneralDate(ended);
    }

    if (validNumber(a.NumberOfBids)) {
        set("AUC_NumberOfBids", a.NumberOfBids);
    } else if (importing) {
        general(itemPrefix + QStringLiteral(": Unable to retrieve the Number of Bids for this item.  Aborting auction import."));
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
        set("AUC_Status", 1);
    } else {
        const qint32 stored = rs->value(QStringLiteral("AUC_Status")).toInt();
        a.Refreshed = static_cast<qint16>(rs->value(QStringLiteral("AUC_Refreshed")).toInt());
        if (a.TimeLeft.toUpper().contains(QLatin1String("END"))) {
            qint32 status = stored;
            const QString me = a.MeHighBidder.toUpper();
            switch (stored) {
            case 1:
                status = 6;
                auctionLog(QStringLiteral("Auction Closed - No Bid Scheduled."));
                break;
            case 2:
                status = 7;
                auctionLog(QStringLiteral(
                    "This auction was scheduled but the bid was not finalized.  It is likely that Zandrift was not "
                    "running when bidding window was open or that your max bid was out-bid near the end of the "
                    "auction."));
                break;
            case 3:
                if (me == QLatin1String("TRUE")) {
                    status = 4;
                    auctionLog(QStringLiteral("Congratulations, you have Won this Auction."));
                } else if (me == QLatin1String("FALSE")) {
                    status = 5;
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
            if (status != stored) {
                set("AUC_Status", status);
                statusChanged = true;
            }
            const qint32 closed = GetClosedAuctionsFolder(*gDB, userKey);
            if (closed != -1) {
                set("AUC_Folder", closed);
                item->Folder = closed;
                if (stored >= 1 && stored <= 3 && status >= 4 && status <= 7 && grid.rowCount() > 0) {
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

    GridValues v;
    v.status = rs->value(QStringLiteral("AUC_Status")).toInt();
    v.maxBid = rs->value(QStringLiteral("AUC_MaxBid")).toDouble();
    v.bidQuantity = static_cast<qint32>(rs->value(QStringLiteral("AUC_BidQuantity")).toLongLong());
    v.currentBid = rs->value(QStringLiteral("AUC_CurrentBid")).toDouble();
    v.quantity = static_cast<qint32>(rs->value(QStringLiteral("AUC_Quantity")).toLongLong());
    v.highBidder = rs->value(QStringLiteral("AUC_HighBidder")).toString();
    rs->update();
    v.primary = importing ? static_cast<qint32>(rs->lastInsertedKey()) : auctionKey;
    if (statusChanged)
        m_window.updateCaption();

    grid.fitColumn(0);
    grid.refreshLayout();
    if (item->Folder != m_window.selectedFolderKey())
        return;
    // A refreshed auction's row is found by its key, never by the text of its number.
    const qint32 row = importing ? grid.addRow(a.title) : grid.findRowByKey(v.primary, 0);
    if (row < 0)
        return;
    grid.setRowKey(row, v.primary);
    writeGridRow(grid, row, a, v, *user);
    for (qint32 col = 1; col < grid.columnCount(); ++col) {
        grid.fitColumn(col);
        grid.setColumnWidth(col, grid.columnWidth(col) + 100);
    }
    grid.setCellPicture(row, 0, GetStatusPicture(v.status));
}
