#include "mainwindow/AuctionGridPane.h"

#include "engine/AuctionEngine.h"
#include "engine/EventGuard.h"
#include "engine/GridRowCells.h"
#include "mainwindow/AuctionGridPaneSupport.h"
#include "platform/Clock.h"
#include "platform/Values.h"
#include "platform_gui/QtTreeGrid.h"
#include "platform_gui/TreeGridWidget.h"
#include "store/AppSettings.h"
#include "store/AuctionRecords.h"
#include "store/AuctionRow.h"
#include "store/Globals.h"

#include <QApplication>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace auction_grid;

namespace {

// The hourglass for as long as a rebuild runs, whichever way it ends.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// Bulk update for as long as a rebuild runs, whichever way it ends.
class BulkUpdate
{
public:
    explicit BulkUpdate(TreeGrid &grid) : m_grid(grid) { m_grid.setBulkUpdate(true); }
    ~BulkUpdate() { m_grid.setBulkUpdate(false); }

private:
    TreeGrid &m_grid;
};

} // namespace

AuctionGridPane::AuctionGridPane(IDialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_dialogs(dialogs), m_tree(new TreeGridWidget(this)), m_grid(new QtTreeGrid(m_tree, this))
{
    m_tree->setObjectName(QStringLiteral("sftAuctions"));
    m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tree->setAllColumnsShowFocus(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);

    connect(m_grid, &QtTreeGrid::clicked, this, &AuctionGridPane::sftAuctions_Click);
    connect(m_grid, &QtTreeGrid::selectionChanged, this, [this] {
        if (!m_building)
            sftAuctions_SelChange();
    });
    connect(m_grid, &QtTreeGrid::headerToolTipRequested, this,
            [this](qint32 column, QString *text) { *text = sftAuctions_HeaderToolTip(column); });
    connect(m_grid, &QtTreeGrid::dragStartRequested, this, &AuctionGridPane::sftAuctions_DragStart);
    watchSplitDrag();
    showNobodysHeader();
}

AuctionGridPane::~AuctionGridPane() = default;

void AuctionGridPane::showNobodysHeader()
{
    m_grid->clear();
    m_grid->setColumnCount(1);
    m_grid->setColumnCaption(0, QStringLiteral("Auctions"));
}

TreeGrid &AuctionGridPane::auctionGrid()
{
    return *m_grid;
}

QTreeWidget *AuctionGridPane::sftAuctions() const
{
    return m_tree;
}

bool AuctionGridPane::IsAnAuctionSelected() const
{
    return m_grid->rowCount() >= 1 && m_grid->currentRow() > -1;
}

qint32 AuctionGridPane::currentAuctionKey() const
{
    const qint32 row = m_grid->currentRow();
    return row > -1 ? m_grid->rowKey(row) : -1;
}

QString AuctionGridPane::currentItemNumber() const
{
    const qint32 row = m_grid->currentRow();
    if (row < 0 || !gCurrentUser)
        return QString();
    return m_grid->cellText(row, gCurrentUser->Columns.ItemNumber);
}

QString AuctionGridPane::sortCaption() const
{
    // A column the user has since removed sorts by title.
    if (mintSortColumn < 0 || mintSortColumn >= m_grid->columnCount())
        return QString();
    return m_grid->columnCaption(mintSortColumn);
}

void AuctionGridPane::fitColumns(float extra)
{
    for (qint32 col = 0; col < m_grid->columnCount(); ++col) {
        m_grid->fitColumn(col);
        if (extra > 0)
            m_grid->setColumnWidth(col, m_grid->columnWidth(col) + extra);
    }
    applySplit();
}

void AuctionGridPane::BuildAuctionGrid(qint32 folderKey)
{
    const qint32 keptKey = IsAnAuctionSelected() ? m_grid->rowKey(m_grid->currentRow()) : -1;
    // A rebuild (a sort by a header, a refresh) keeps the columns the user scrolled to.
    const int scrolledTo = m_tree->horizontalScrollBar()->value();
    m_folderKey = folderKey;
    {
        WaitCursor hourglass;
        BulkUpdate bulk(*m_grid);
        m_building = true;
        runGuarded("BuildAuctionGrid", ErrorReport::Log, [&] {
            m_grid->clear();
            m_endTimes.clear();
            // Nobody's grid counts nothing: its one column reads as the empty grid's header.
            if (!gDB || !gCurrentUser) {
                showNobodysHeader();
                return;
            }
            const std::vector<AuctionRow> rows =
                auction_store::folderRows(*gDB, folderKey, sortCaption(), mblnSortDescending);
            m_grid->setColumnCaption(0, QStringLiteral("Auctions (%1 Items)").arg(rows.size()));
            if (rows.empty())
                return;
            if (gCurrentUser) {
                const QDateTime siteNow = AuctionEngine::siteNow();
                const qint64 localNow = wallSeconds(Clock::now());
                for (const AuctionRow &auction : rows)
                    writeRow(auction, m_grid->addRow(auction.title), siteNow, localNow);
            }
            // The time left is fitted as the grid writes it, not as the site's page had it.
            UpdateTimeLeftColumn();
            fitColumns(100);
            if (keptKey >= 0 && m_grid->rowCount() > 0) {
                const qint32 row = m_grid->findRowByKey(keptKey, 0);
                if (row > -1)
                    m_grid->selectRow(row);
            }
        });
        m_building = false;
    }
    m_tree->horizontalScrollBar()->setValue(scrolledTo);
    // The selection handler runs once, when the rebuild lost or changed the selected auction.
    if (currentAuctionKey() != keptKey)
        sftAuctions_SelChange();
}

void AuctionGridPane::showAuctionRow(qint32 auctionKey)
{
    if (!gDB || !gCurrentUser)
        return;
    const qint32 row = m_grid->findRowByKey(auctionKey, 0);
    if (row < 0)
        return;
    const std::optional<AuctionRow> auction = AuctionRow::load(*gDB, auctionKey);
    // The rows are in the order of the sort column's field: a change there moves the row. The
    // time left sorts by the end, whose text does not change by the minute.
    const AucColumns &c = gCurrentUser->Columns;
    const qint32 sortText = mintSortColumn == c.TimeLeft && c.TimeEnds != -1 ? c.TimeEnds : mintSortColumn;
    const bool sorted = sortText >= 0 && sortText < m_grid->columnCount();
    const QString sortedBy = sorted ? m_grid->cellText(row, sortText) : QString();
    if (!auction || auction->folder != m_folderKey) {
        BuildAuctionGrid(m_folderKey);
        return;
    }
    m_grid->setCellText(row, 0, auction->title);
    writeRow(*auction, row, AuctionEngine::siteNow(), wallSeconds(Clock::now()));
    if (sorted && m_grid->cellText(row, sortText) != sortedBy)
        BuildAuctionGrid(m_folderKey);
}

void AuctionGridPane::writeRow(const AuctionRow &auction, qint32 row, const QDateTime &siteNow, qint64 localNowSeconds)
{
    const AucColumns &c = gCurrentUser->Columns;
    if (c.TimeLeft != -1 && c.TimeEnds != -1 && !isEndedText(auction.timeLeft)) {
        // Written once, from the end, rather than as stored and then again by the rewrite.
        AuctionRow shown = auction;
        shown.timeLeft =
            timeLeftFromEnd(auction.ended.isValid() ? wallSeconds(auction.ended) : kNoDate, localNowSeconds);
        grid_row::write(*m_grid, row, shown, *gCurrentUser, siteNow);
    } else {
        grid_row::write(*m_grid, row, auction, *gCurrentUser, siteNow);
    }
    // The time-left rewrite reads the end back from the cell's text.
    if (gCurrentUser->Columns.TimeEnds != -1 && auction.ended.isValid())
        m_endTimes.insert(Values::formatGeneralDate(auction.ended), wallSeconds(auction.ended));
}

void AuctionGridPane::ConfigureAuctionGridColumns()
{
    if (gCurrentUser) {
        AucColumns &c = gCurrentUser->Columns;
        m_grid->clear();
        c.CreateViewNonViewColumns();
        const QStringList captions = c.ViewColumns;
        m_grid->setColumnCount(static_cast<qint32>(captions.size()));
        for (int i = 0; i < captions.size(); ++i)
            m_grid->setColumnCaption(i, captions[i]);
        // In the order in which a later column wins a shared position.
        const struct
        {
            qint16 position;
            qint32 first, second;
        } styles[] = {
            {c.AuctionName, 8, 0}, {c.CountryRegion, 0, 1}, {c.CurrentBid, 2, 1}, {c.HighBidder, 0, 1},
            {c.ItemNumber, 0, 1},  {c.LeftFeedback, 1, 1},  {c.Location, 0, 1},   {c.MyBidQty, 1, 1},
            {c.MyMaxBid, 2, 1},    {c.NumOfBids, 1, 1},     {c.Paid, 1, 1},       {c.QtyOffered, 1, 1},
            {c.Received, 1, 1},    {c.Seller, 0, 1},        {c.TimeEnds, 0, 1},   {c.TimeLeft, 0, 1},
            {c.Comments, 0, 1},
        };
        for (const auto &s : styles) {
            if (s.position >= 0 && s.position < m_grid->columnCount())
                m_grid->setColumnStyle(s.position, s.first, s.second);
        }
        // The sort column must still exist; its arrow went with it.
        if (mintSortColumn >= m_grid->columnCount()) {
            mintSortColumn = 0;
            mblnSortDescending = false;
        }
    }
    for (qint32 col = 0; col < m_grid->columnCount(); ++col)
        m_grid->setColumnHeaderFlag(col, true);
}
