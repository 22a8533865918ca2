#include "engine/AuctionEngine.h"

#include "engine/EngineSupport.h"
#include "engine/EventGuard.h"
#include "engine/GridRowCells.h"
#include "engine/IMainWindow.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "platform/Transaction.h"
#include "platform/TreeGrid.h"
#include "platform/Values.h"
#include "store/AuctionStatus.h"
#include "store/Folders.h"
#include "store/Globals.h"

#include <QSet>

#include <cmath>

namespace {
QString queueText(BNQueue &q)
{
    return QStringLiteral("Items in Queue: %1").arg(q.Count() + 1);
}

QItemPtr refreshItem(const QString &itemNumber, qint32 folder, qint32 priority)
{
    return BNQItem::refresh(itemNumber, AuctionEngine::currentUserKey(), folder, priority);
}
} // namespace

namespace {
// An item number in its plain decimal form ("007" and "+7" are item 7); empty when the text is
// not a whole number. The site's numbers outgrew 32 bits long ago, so they are read as 64-bit.
QString plainItemNumber(const QString &text)
{
    bool ok = false;
    const double value = Values::toNumber(Values::trimBlanks(text), &ok);
    if (!ok || value < 0 || value > 9.0e15 || value != std::floor(value))
        return QString();
    return QString::number(static_cast<qint64>(value));
}
} // namespace

bool AuctionEngine::CanAddAuction(bool fromBrowser, QString &itemNumber, bool showMessages)
{
    if (!gCurrentUser || !gDB)
        return false;
    QString fromAddress;
    const QString address = m_window.browserAddress().toUpper();
    const QString marker = QStringLiteral("VIEWITEM&ITEM=");
    const qsizetype at = address.indexOf(marker);
    if (at >= 0) {
        fromAddress = address.mid(at + marker.size());
        const qsizetype amp = fromAddress.indexOf(QLatin1Char('&'));
        if (amp >= 0)
            fromAddress = fromAddress.left(amp);
    }
    const QString plain = plainItemNumber(fromBrowser ? fromAddress : itemNumber);
    if (plain.isEmpty())
        return false;

    // "+AUC_User": found by the item number's index, not among every row of the user.
    auto rs =
        gDB->openQuery(QStringLiteral("SELECT AUC_Primary FROM Auctions WHERE +AUC_User = ? AND AUC_ItemNumber = ?"),
                       {gCurrentUser->PrimaryKey, plain});
    if (rs->recordCount() > 0) {
        if (showMessages)
            MsgBox::show(QStringLiteral("This auction (Item # ") + plain + QStringLiteral(") has already been added."),
                         QStringLiteral("Auction Already Added"), MsgBox::Icon::Information);
        return false;
    }
    if (itemNumber.isEmpty())
        itemNumber = plain;
    // One auction is one number: "+12" is refused while "12" waits or is being fetched. The
    // browser's button says so; a typed number was looked for in the queue before.
    if (queue().ItemIsQueued(plain) || (mLastQueueItem && Values::trimBlanks(mLastQueueItem->ItemNumber) == plain)) {
        if (showMessages && fromBrowser)
            m_window.ShowAlreadyQueued(plain);
        return false;
    }
    itemNumber = plain;
    return true;
}

AuctionEngine::AddResult AuctionEngine::AddAuction(bool fromBrowser, const QString &typedItemNumber)
{
    const qint32 folder = m_window.selectedFolderKey();
    // The browser's button also wants a row below the tree's first one (Closed Auctions).
    if (folder < 0 || !m_window.folderTreeHasSelection() || (fromBrowser && m_window.selectedFolderRow() < 1)) {
        MsgBox::show(fromBrowser
                         ? QStringLiteral("You must first select an Open Auctions Folder before adding an auction.")
                         : QStringLiteral("You must first select a folder before adding an auction."),
                     QStringLiteral("Select a Folder First"), MsgBox::Icon::Information);
        return AddResult::FolderRefused;
    }
    if (gDB && gCurrentUser &&
        m_window.selectedFolderRootKey() == GetClosedAuctionsFolder(*gDB, gCurrentUser->PrimaryKey)) {
        MsgBox::show(QStringLiteral("You must first select the Open Auctions folder or one of its subfolders before "
                                    "adding an auction."),
                     QStringLiteral("Cannot Add Auctions to Closed Folders"), MsgBox::Icon::Information);
        return AddResult::FolderRefused;
    }
    if (!fromBrowser) {
        m_window.setAddAuctionEnabled(false);
        const QString plain = plainItemNumber(typedItemNumber);
        if (queue().ItemIsQueued(plain.isEmpty() ? typedItemNumber : plain)) {
            m_window.ShowAlreadyQueued(typedItemNumber);
            return AddResult::AlreadyQueued;
        }
        m_window.setStatusPanel(2, QString());
    }
    // The browser's page gives the number; CanAddAuction also refuses a queued one, quietly.
    QString number = typedItemNumber;
    if (!CanAddAuction(fromBrowser, number, true))
        return AddResult::ItemRefused;
    // Queued, fetched and stored as the plain number, so the same auction is one row.
    queue().Add(BNQItem::import(number, currentUserKey(), folder, fromBrowser ? number : typedItemNumber));
    // The browser's button counts the queue without the item being served.
    m_window.setStatusPanel(3, fromBrowser ? QStringLiteral("Items in Queue: %1").arg(queue().Count())
                                           : queueText(queue()));
    return AddResult::Queued;
}

void AuctionEngine::cmdAuctionAddOK_Click(const QString &typedItemNumber)
{
    const AddResult result = AddAuction(false, typedItemNumber);
    // Past the folder and queue checks the strip closes, whether or not the auction was added.
    if (result == AddResult::ItemRefused || result == AddResult::Queued) {
        m_window.hideAddAuctionStrip();
        m_window.setAddAuctionEnabled(false);
    }
}

void AuctionEngine::queueRefreshOf(Recordset &row, qint32 priority)
{
    // The row is marked as waiting for its page until the page processing sets it back.
    row.edit();
    row.setValue(QStringLiteral("AUC_Refreshed"), 0);
    const QString itemNumber = row.value(QStringLiteral("AUC_ItemNumber")).toString();
    queue().Add(
        refreshItem(itemNumber, static_cast<qint32>(row.value(QStringLiteral("AUC_Folder")).toLongLong()), priority));
    m_window.setStatusPanel(3, queueText(queue()));
}

void AuctionEngine::RefreshAuction()
{
    if (!gDB || !gCurrentUser)
        return;
    auto rs = gDB->openTable(QStringLiteral("Auctions"));
    if (rs->recordCount() == 0)
        return;
    rs->setIndex(QStringLiteral("PrimaryKey"));
    TreeGrid &grid = m_window.auctionGrid();
    // One commit for the whole selection: a commit per row waits for the disk each time.
    Transaction marking(*gDB);
    for (qint32 row : grid.selectedRows()) {
        if (!rs->seek(QStringLiteral("="), grid.rowKey(row)))
            continue;
        if (rs->value(QStringLiteral("AUC_User")).toLongLong() != gCurrentUser->PrimaryKey)
            continue;
        queueRefreshOf(*rs, BNQItem::RequestPriority);
        // The row of this auction, by its key: another row may show the same number.
        grid.setCellColor(row, gCurrentUser->Columns.AuctionName, grid_row::kBlue);
        rs->update();
    }
    marking.commit();
}

void AuctionEngine::RefreshAllAuctions()
{
    if (!gDB || !gCurrentUser)
        return;
    // Every open row of the user is marked by one statement in one commit, and the requests are
    // queued from one read: thousands of rows take milliseconds, so a snipe falling due meanwhile
    // is not held up. A snipe that ended early (aborted, or outbid at its preparatory bid) is read
    // once more after the end: the site's page decides what it won. A result, once in, is not
    // read again.
    const QVariantList open = {gCurrentUser->PrimaryKey, static_cast<int>(AuctionStatus::Won),
                               static_cast<int>(AuctionStatus::Outbid), static_cast<int>(AuctionStatus::Error)};
    const QString which = QStringLiteral("AUC_User = ? AND (IFNULL(AUC_Status, 0) < ? OR (AUC_Status IN (?, ?) AND "
                                         "IFNULL(AUC_TimeLeft, '') NOT LIKE '%END%'))");
    Transaction marking(*gDB);
    auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_Primary, AUC_ItemNumber, AUC_Folder FROM Auctions WHERE ") +
                                 which + QStringLiteral(" ORDER BY AUC_Ended, AUC_Primary"),
                             open);
    QSet<qint32> marked;
    if (rs->recordCount() > 0) {
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Refreshed = 0 WHERE ") + which, open);
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            queue().Add(refreshItem(rs->value(QStringLiteral("AUC_ItemNumber")).toString(),
                                    static_cast<qint32>(rs->value(QStringLiteral("AUC_Folder")).toLongLong()),
                                    BNQItem::BackgroundPriority));
            marked.insert(static_cast<qint32>(rs->value(QStringLiteral("AUC_Primary")).toLongLong()));
        }
        marking.commit();
        m_window.setStatusPanel(3, queueText(queue()));
    }
    // The marked rows turn blue where they stand, as a rebuild would paint them: a rebuild reads
    // and writes every row of the folder again.
    TreeGrid &grid = m_window.auctionGrid();
    const qint16 title = gCurrentUser->Columns.AuctionName;
    grid.setBulkUpdate(true);
    for (qint32 row = 0, rows = grid.rowCount(); row < rows; ++row) {
        if (marked.contains(grid.rowKey(row)))
            grid.setCellColor(row, title, grid_row::kBlue);
    }
    grid.setBulkUpdate(false);
}

void AuctionEngine::mnuActionsRefresh_Click()
{
    RefreshAllAuctions();
    m_window.ToggleToolBarsMenus();
}

void AuctionEngine::tmrAutoRefresh_Timer()
{
    runGuarded("the automatic refresh", ErrorReport::Log, [this] { tmrAutoRefresh_TimerBody(); });
}

void AuctionEngine::tmrAutoRefresh_TimerBody()
{
    if (queue().Count() != 0 || mblnServingItem)
        return;
    if (gCurrentUser && engine_detail::onlineForBid() && gCurrentUser->AutoRefeshMins > 0) {
        if (m_autoRefreshCount + 1 >= gCurrentUser->AutoRefeshMins) {
            RefreshAllAuctions();
            m_autoRefreshCount = 0;
        } else {
            ++m_autoRefreshCount;
        }
    }
    if (m_autoRefreshCount > 30000)
        m_autoRefreshCount = 0;
}
