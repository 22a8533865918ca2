#include "AuctionGridPane.h"

#include "AppSettings.h"
#include "AuctionEngine.h"
#include "AuctionGridPaneSupport.h"
#include "Database.h"
#include "EventGuard.h"
#include "Globals.h"
#include "QtTreeGrid.h"
#include "TreeGridWidget.h"
#include "Values.h"

#include <QApplication>
#include <QVBoxLayout>

using namespace auction_grid;

namespace {

// The ORDER BY field of a column by the first 8 characters of its upper-cased caption; text
// fields sort without regard to case, as the user reads them.
struct SortField
{
    const char *captionStart;
    const char *field;
    bool text;
};
constexpr SortField kSortFields[] = {
    {"AUCTIONS", "AUC_Title", true},         {"ITEM #", "AUC_ItemNumber", true},
    {"CURRENT ", "AUC_CurrentBid", false},   {"MY MAX B", "AUC_MaxBid", false},
    {"MY BID Q", "AUC_BidQuantity", false},  {"# OF BID", "AUC_NumberOfBids", false},
    {"QTY FOR ", "AUC_Quantity", false},     {"TIME END", "AUC_Ended", false},
    {"TIME LEF", "AUC_Ended", false},        {"LOCATION", "AUC_CityLocation", true},
    {"COUNTRY/", "AUC_CountryRegion", true}, {"SELLER", "AUC_Seller", true},
    {"HIGH BID", "AUC_HighBidder", true},    {"PAID", "AUC_Paid", false},
    {"RECEIVED", "AUC_Received", false},     {"LEFT FEE", "AUC_LeftFeedback", false},
    {"COMMENTS", "AUC_Comments", true},
};

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
}

AuctionGridPane::~AuctionGridPane() = default;

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

QString AuctionGridPane::sortField() const
{
    // A column the user has since removed sorts by title.
    if (mintSortColumn < 0 || mintSortColumn >= m_grid->columnCount())
        return QStringLiteral("AUC_Title COLLATE NOCASE");
    const QString start = m_grid->columnCaption(mintSortColumn).toUpper().left(8);
    for (const SortField &f : kSortFields) {
        if (start == QLatin1String(f.captionStart))
            return QLatin1String(f.field) + (f.text ? QStringLiteral(" COLLATE NOCASE") : QString());
    }
    return QStringLiteral("AUC_Title COLLATE NOCASE");
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
    {
        WaitCursor hourglass;
        BulkUpdate bulk(*m_grid);
        m_building = true;
        runGuarded("BuildAuctionGrid", ErrorReport::Log, [&] {
            // The end time comes as its stored text, read below without the general date parser.
            const QString sql =
                QStringLiteral("SELECT AUC_Primary, AUC_Title, AUC_ItemNumber, AUC_CurrentBid, AUC_MaxBid, "
                               "AUC_BidQuantity, AUC_NumberOfBids, AUC_Quantity, AUC_TimeLeft, "
                               "AUC_Ended AS EndedText, AUC_CityLocation, AUC_CountryRegion, AUC_Seller, "
                               "AUC_HighBidder, AUC_Paid, AUC_Received, AUC_LeftFeedback, AUC_Comments, AUC_Status, "
                               "AUC_Refreshed FROM Auctions WHERE AUC_Folder = ? ORDER BY ") +
                sortField() + (mblnSortDescending ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
            m_grid->clear();
            m_endTimes.clear();
            if (!gDB)
                return;
            auto rs = gDB->openQuery(sql, {folderKey});
            const int count = rs->recordCount();
            m_grid->setColumnCaption(0, QStringLiteral("Auctions (%1 Items)").arg(count));
            if (count == 0)
                return;
            if (gCurrentUser) {
                const QDateTime siteNow = AuctionEngine::siteNow();
                for (rs->moveFirst(); !rs->eof(); rs->moveNext())
                    writeRow(*rs, m_grid->addRow(rs->value(QStringLiteral("AUC_Title")).toString()), siteNow);
            }
            fitColumns(100);
            if (keptKey >= 0 && m_grid->rowCount() > 0) {
                const qint32 row = m_grid->findRowByKey(keptKey, 0);
                if (row > -1)
                    m_grid->selectRow(row);
            }
        });
        UpdateTimeLeftColumn();
        m_building = false;
    }
    // The selection handler runs once, when the rebuild lost or changed the selected auction.
    if (currentAuctionKey() != keptKey)
        sftAuctions_SelChange();
}

void AuctionGridPane::writeRow(Recordset &rs, qint32 row, const QDateTime &siteNow)
{
    const BSN_User &user = *gCurrentUser;
    const AucColumns &c = user.Columns;
    TreeGrid &g = *m_grid;
    auto cell = [&](qint16 pos, const QString &text) {
        if (pos != -1)
            g.setCellText(row, pos, text);
    };
    auto color = [&](qint16 pos, qint32 rgb) {
        if (pos != -1)
            g.setCellColor(row, pos, rgb);
    };
    auto check = [&](qint16 pos, const char *field) {
        if (pos == -1)
            return;
        g.setCellPicture(row, pos, rs.value(QLatin1String(field)).toLongLong() == 1 ? kChecked : kUnchecked);
        g.setCellPictureSetting(row, pos, 1);
    };
    auto text = [&](const char *field) { return rs.value(QLatin1String(field)).toString(); };

    const QVariant currentBid = rs.value(QStringLiteral("AUC_CurrentBid"));
    const double maxBid = rs.value(QStringLiteral("AUC_MaxBid")).toDouble();
    const qint64 bidQuantity = rs.value(QStringLiteral("AUC_BidQuantity")).toLongLong();
    const QString highBidder = text("AUC_HighBidder");
    const QString timeLeft = text("AUC_TimeLeft");
    const QDateTime ended = storedDate(rs.value(QStringLiteral("EndedText")));

    cell(c.ItemNumber, Values::trimBlanks(text("AUC_ItemNumber")));
    cell(c.CurrentBid, currentBid.isNull() ? QString() : Values::formatMoney(currentBid.toDouble()));
    if (maxBid > 0) {
        const bool userIsHighBidder =
            !highBidder.isEmpty() && (highBidder == user.EbayName || highBidder == user.EbayEmail);
        const bool losing = rs.value(QStringLiteral("AUC_Quantity")).toLongLong() == 1 &&
                            maxBid <= currentBid.toDouble() && !userIsHighBidder;
        cell(c.MyMaxBid, Values::formatMoney(maxBid));
        color(c.MyMaxBid, losing ? kRed : kGreen);
    } else {
        cell(c.MyMaxBid, QStringLiteral("--"));
        color(c.MyMaxBid, kGreen);
    }
    if (bidQuantity > 0) {
        cell(c.MyBidQty, QString::number(bidQuantity));
        color(c.MyBidQty, kGreen);
    } else {
        cell(c.MyBidQty, QStringLiteral("--"));
    }
    cell(c.NumOfBids, text("AUC_NumberOfBids"));
    cell(c.QtyOffered, text("AUC_Quantity"));
    const QString endedText = ended.isValid() ? Values::formatGeneralDate(ended) : QString();
    cell(c.TimeEnds, endedText);
    cell(c.TimeLeft, timeLeft);
    cell(c.Location, text("AUC_CityLocation"));
    cell(c.CountryRegion, text("AUC_CountryRegion"));
    cell(c.Seller, text("AUC_Seller"));
    cell(c.HighBidder, highBidder);
    check(c.Paid, "AUC_Paid");
    check(c.Received, "AUC_Received");
    check(c.LeftFeedback, "AUC_LeftFeedback");
    // A row without a readable end time is never near its end.
    if (c.TimeEnds != -1 && ended.isValid()) {
        m_endTimes.insert(endedText, wallSeconds(ended));
        const bool ending = Values::minutesCrossed(siteNow, ended) < 61 && !isEndedText(timeLeft);
        if (ending) {
            color(c.TimeEnds, kRed);
            color(c.TimeLeft, kRed);
        }
    }
    if (c.Comments != -1) {
        g.setCellText(row, c.Comments, text("AUC_Comments"));
        g.setCellPicture(row, c.Comments, kPencil);
    }
    g.setRowKey(row, static_cast<qint32>(rs.value(QStringLiteral("AUC_Primary")).toLongLong()));
    g.setRowLevel(row, 0);
    g.setCellPicture(row, 0, GetStatusPicture(rs.value(QStringLiteral("AUC_Status")).toInt()));
    g.setCellColor(row, c.AuctionName, rs.value(QStringLiteral("AUC_Refreshed")).toInt() == 1 ? 0 : kBlue);
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
