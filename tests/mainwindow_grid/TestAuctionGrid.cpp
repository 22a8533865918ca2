#include "GridFixture.h"
#include "engine/GridRowCells.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/Values.h"
#include "platform_gui/QtTreeGrid.h"
#include "store/AuctionRow.h"
#include "store/Globals.h"

#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

// The auction grid pane: what a folder's rows show, how they sort, what survives a rebuild and
// what the grid's clicks store.
namespace {

constexpr qint32 kNone = -1;
constexpr qint32 kRed = 255;
constexpr qint32 kBlue = TreeGrid::rgb(16, 16, 255);

const QString kChecked = QStringLiteral("imgChecked");
const QString kUnchecked = QStringLiteral("imgUnchecked");

QString f(const char *name)
{
    return QLatin1String(name);
}

// Every row's key and every cell's text, picture and colour, top to bottom.
QStringList snapshot(TreeGrid &g)
{
    QStringList out;
    for (qint32 r = 0; r < g.rowCount(); ++r) {
        out << QStringLiteral("row %1, key %2").arg(r).arg(g.rowKey(r));
        for (qint32 c = 0; c < g.columnCount(); ++c)
            out << QStringLiteral("  %1: %2 | %3 | %4")
                       .arg(c)
                       .arg(g.cellText(r, c), g.cellPicture(r, c))
                       .arg(g.cellColor(r, c));
    }
    out << g.columnCaption(0);
    return out;
}

} // namespace

class TestAuctionGrid : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_fx = std::make_unique<GridFixture>(); }
    void init() { m_fx->reset(); }
    void cleanupTestCase() { m_fx.reset(); }
    void rowWritesItsCells();
    void hiddenTimeEndsSkipsTheRedRule();
    void captionCountsTheFolder();
    void sortOrder_data();
    void sortOrder();
    void headerClicksCycleTheArrow();
    void removedSortColumnSortsByTitle();
    void selectionKeptByKey();
    void rowShownInPlaceMatchesARebuild_data();
    void rowShownInPlaceMatchesARebuild();
    void timeLeftText_data();
    void timeLeftText();
    void timeLeftRewrite();
    void timeLeftColumnFitsTheGridsText();
    void checkFlagClickStoresByKey();
    void checkFlagClickWithTheMouse();
    void commentStoredForTheRowItWasOpenedFor();
    void commentCancelAndEmpty();
    void dragStartKeepsTheKeys();
    void deleteAuction();
    void configureColumns();

private:
    std::unique_ptr<GridFixture> m_fx;
};

// The pane writes a row's cells by the rule its cases are tested with (TestGridRowCells): one
// row that sets most of them, on a clock frozen at 09:00 site time.
void TestAuctionGrid::rowWritesItsCells()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    fx.showAllColumns();
    const qint32 key = fx.addAuction({{f("AUC_Title"), f("Brass lamp")},
                                      {f("AUC_Status"), 2},
                                      {f("AUC_Refreshed"), 0},
                                      {f("AUC_CurrentBid"), 12.5},
                                      {f("AUC_MaxBid"), 10.0},
                                      {f("AUC_BidQuantity"), 1},
                                      {f("AUC_HighBidder"), f("bob")},
                                      {f("AUC_Ended"), GridFixture::siteNow().addSecs(30 * 60)},
                                      {f("AUC_TimeLeft"), f("30 mins")},
                                      {f("AUC_Paid"), 1},
                                      {f("AUC_Comments"), f("ask")}});
    fx.pane->BuildAuctionGrid(fx.openFolder);

    TreeGrid &g = fx.pane->auctionGrid();
    QCOMPARE(g.rowCount(), 1);
    QCOMPARE(g.rowKey(0), key);
    QCOMPARE(g.cellText(0, 0), QStringLiteral("Brass lamp"));
    const std::optional<AuctionRow> row = AuctionRow::load(*gDB, key);
    QVERIFY(row);
    const QList<grid_row::Cell> cells = grid_row::cells(*row, *gCurrentUser, GridFixture::siteNow());
    QCOMPARE(cells.size(), AucColumns::kCount + 1); // and the status picture
    const qint32 timeLeft = fx.gridColumn(QStringLiteral("Time Left"));
    for (const grid_row::Cell &cell : cells) {
        // The time left is rewritten from the end once the rows are in.
        if (cell.text && cell.column != timeLeft)
            QCOMPARE(g.cellText(0, cell.column), *cell.text);
        if (cell.picture)
            QCOMPARE(g.cellPicture(0, cell.column), *cell.picture);
        if (cell.color)
            QCOMPARE(g.cellColor(0, cell.column), *cell.color);
    }
    // The cases that show here: a losing maximum, the last hour, a refresh waiting.
    QCOMPARE(g.cellColor(0, fx.gridColumn(QStringLiteral("My Max Bid"))), kRed);
    QCOMPARE(g.cellColor(0, fx.gridColumn(QStringLiteral("Time Ends"))), kRed);
    QCOMPARE(g.cellText(0, timeLeft), QStringLiteral("30 Mins, 0 Secs +"));
    QCOMPARE(g.cellColor(0, 0), kBlue);
    QCOMPARE(g.cellPicture(0, 0), QStringLiteral("picScheduled"));
}

void TestAuctionGrid::hiddenTimeEndsSkipsTheRedRule()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    gCurrentUser->Columns.TimeEnds = -1;
    gCurrentUser->Columns.TimeLeft = 7;
    fx.pane->ConfigureAuctionGridColumns();
    fx.addAuction({{f("AUC_Ended"), GridFixture::siteNow().addSecs(600)}, {f("AUC_TimeLeft"), f("10 mins")}});
    fx.pane->BuildAuctionGrid(fx.openFolder);
    const qint32 col = fx.gridColumn(QStringLiteral("Time Left"));
    QCOMPARE(fx.pane->auctionGrid().cellColor(0, col), kNone);
    // Without an end time the stored text stays.
    QCOMPARE(fx.pane->auctionGrid().cellText(0, col), QStringLiteral("10 mins"));
}

void TestAuctionGrid::captionCountsTheFolder()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    TreeGrid &g = fx.pane->auctionGrid();
    fx.pane->BuildAuctionGrid(fx.openFolder);
    QCOMPARE(g.columnCaption(0), QStringLiteral("Auctions (0 Items)"));
    for (int i = 0; i < 3; ++i)
        fx.addAuction();
    fx.addAuction({{f("AUC_Folder"), fx.closedFolder}});
    fx.pane->BuildAuctionGrid(fx.openFolder);
    QCOMPARE(g.columnCaption(0), QStringLiteral("Auctions (3 Items)"));
    QCOMPARE(g.rowCount(), 3);
    for (qint32 r = 0; r < 3; ++r)
        QCOMPARE(g.rowLevel(r), 0);

    // Nobody signed in: the grid empties.
    CurrentUser::instance().signOut();
    fx.pane->BuildAuctionGrid(fx.openFolder);
    QCOMPARE(g.rowCount(), 0);
}

// Three auctions whose every sortable field orders them differently; the expected order is the
// ascending one, descending is its reverse.
void TestAuctionGrid::sortOrder_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("ascending");
    const auto order = [](const char *a, const char *b, const char *c) {
        return QStringList{QLatin1String(a), QLatin1String(b), QLatin1String(c)};
    };
    QTest::newRow("title, regardless of case") << "Auctions" << order("alpha", "Bravo", "charlie");
    QTest::newRow("item number") << "Item #" << order("Bravo", "charlie", "alpha");
    QTest::newRow("current bid, as numbers") << "Current Bid" << order("charlie", "alpha", "Bravo");
    QTest::newRow("max bid") << "My Max Bid" << order("Bravo", "charlie", "alpha");
    QTest::newRow("bid quantity") << "My Bid Qty" << order("Bravo", "alpha", "charlie");
    QTest::newRow("bids") << "# of Bids" << order("charlie", "Bravo", "alpha");
    QTest::newRow("quantity") << "Qty for Sale" << order("alpha", "charlie", "Bravo");
    QTest::newRow("time ends") << "Time Ends" << order("charlie", "alpha", "Bravo");
    QTest::newRow("time left orders by the end") << "Time Left" << order("charlie", "alpha", "Bravo");
    QTest::newRow("location") << "Location" << order("Bravo", "charlie", "alpha");
    QTest::newRow("country") << "Country/Region" << order("charlie", "alpha", "Bravo");
    QTest::newRow("seller") << "Seller" << order("Bravo", "alpha", "charlie");
    QTest::newRow("high bidder") << "High Bidder" << order("Bravo", "alpha", "charlie");
    QTest::newRow("paid") << "Paid" << order("Bravo", "charlie", "alpha");
    QTest::newRow("received") << "Received" << order("charlie", "alpha", "Bravo");
    QTest::newRow("left feedback") << "Left Feedback" << order("alpha", "Bravo", "charlie");
    QTest::newRow("comments") << "Comments" << order("charlie", "alpha", "Bravo");
}

void TestAuctionGrid::sortOrder()
{
    QFETCH(QString, caption);
    QFETCH(QStringList, ascending);
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    fx.showAllColumns();
    const QDateTime site = GridFixture::siteNow();
    struct Row
    {
        const char *title, *item;
        double current, max;
        int bidQty, bids, qty, endHours;
        const char *location, *country, *seller, *bidder;
        int paid, received, feedback;
        const char *comment;
    };
    const Row rows[] = {
        {"alpha", "300", 20, 50, 2, 10, 1, 2, "Zurich", "B", "m", "y", 1, 0, -1, "b note"},
        {"Bravo", "100", 100, 0, 1, 2, 3, 3, "amsterdam", "C", "a", "x", -1, 1, 0, "C note"},
        {"charlie", "200", 9, 5, 3, 1, 2, 1, "Madrid", "A", "z", "z", 0, -1, 1, "a note"},
    };
    for (const Row &r : rows) {
        fx.addAuction({{f("AUC_Title"), f(r.title)},
                       {f("AUC_ItemNumber"), f(r.item)},
                       {f("AUC_CurrentBid"), r.current},
                       {f("AUC_MaxBid"), r.max},
                       {f("AUC_BidQuantity"), r.bidQty},
                       {f("AUC_NumberOfBids"), r.bids},
                       {f("AUC_Quantity"), r.qty},
                       {f("AUC_Ended"), site.addSecs(r.endHours * 3600)},
                       {f("AUC_CityLocation"), f(r.location)},
                       {f("AUC_CountryRegion"), f(r.country)},
                       {f("AUC_Seller"), f(r.seller)},
                       {f("AUC_HighBidder"), f(r.bidder)},
                       {f("AUC_Paid"), r.paid},
                       {f("AUC_Received"), r.received},
                       {f("AUC_LeftFeedback"), r.feedback},
                       {f("AUC_Comments"), f(r.comment)}});
    }
    connect(fx.pane.get(), &AuctionGridPane::sortChanged, fx.pane.get(),
            [&] { fx.pane->BuildAuctionGrid(fx.openFolder); });
    fx.pane->BuildAuctionGrid(fx.openFolder);
    const qint32 col = fx.gridColumn(caption);
    QVERIFY(col >= 0);

    fx.pane->sftAuctions_Click(-1, col, TreeGrid::ClickArea::ColumnHeader, Qt::LeftButton);
    QCOMPARE(fx.titles(), ascending);
    fx.pane->sftAuctions_Click(-1, col, TreeGrid::ClickArea::ColumnHeader, Qt::LeftButton);
    std::reverse(ascending.begin(), ascending.end());
    QCOMPARE(fx.titles(), ascending);
}

void TestAuctionGrid::headerClicksCycleTheArrow()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    fx.addAuction({{f("AUC_Title"), f("b")}});
    fx.addAuction({{f("AUC_Title"), f("a")}});
    fx.pane->BuildAuctionGrid(fx.openFolder);
    TreeGrid &g = fx.pane->auctionGrid();
    QSignalSpy sortChanged(fx.pane.get(), &AuctionGridPane::sortChanged);
    const auto arrows = [&] {
        QStringList out;
        for (qint32 c = 0; c < 3; ++c)
            out << g.columnHeaderPicture(c);
        return out;
    };
    const auto click = [&](qint32 col, Qt::MouseButton button = Qt::LeftButton) {
        fx.pane->sftAuctions_Click(-1, col, TreeGrid::ClickArea::ColumnHeader, button);
    };

    click(1);
    QCOMPARE(arrows(), (QStringList{"", "imgUp", ""}));
    QCOMPARE(fx.pane->sortColumn(), qint16(1));
    QCOMPARE(fx.pane->sortDescending(), false);
    click(1);
    QCOMPARE(arrows(), (QStringList{"", "imgDown", ""}));
    QCOMPARE(fx.pane->sortDescending(), true);
    click(1);
    QCOMPARE(arrows(), (QStringList{"", "imgUp", ""}));
    QCOMPARE(fx.pane->sortDescending(), false);
    click(1);
    click(2); // another header always starts ascending
    QCOMPARE(arrows(), (QStringList{"", "", "imgUp"}));
    QCOMPARE(fx.pane->sortDescending(), false);
    // Other buttons do nothing, every time they are pressed.
    click(0, Qt::RightButton);
    click(0, Qt::RightButton);
    QCOMPARE(arrows(), (QStringList{"", "", "imgUp"}));
    QCOMPARE(sortChanged.count(), 5);
    // The rows wait for the window's rebuild.
    QCOMPARE(fx.titles(), (QStringList{"a", "b"}));
}

void TestAuctionGrid::removedSortColumnSortsByTitle()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    fx.showAllColumns();
    fx.addAuction({{f("AUC_Title"), f("b")}, {f("AUC_Comments"), f("1")}});
    fx.addAuction({{f("AUC_Title"), f("a")}, {f("AUC_Comments"), f("2")}});
    fx.addAuction({{f("AUC_Title"), f("c")}, {f("AUC_Comments"), f("0")}});
    const qint32 comments = fx.gridColumn(QStringLiteral("Comments"));
    fx.pane->sftAuctions_Click(-1, comments, TreeGrid::ClickArea::ColumnHeader, Qt::LeftButton);
    fx.pane->BuildAuctionGrid(fx.openFolder);
    QCOMPARE(fx.titles(), (QStringList{"c", "b", "a"}));

    // The grid loses that column without a new column set: the rows fall back to the title.
    fx.pane->auctionGrid().setColumnCount(5);
    fx.pane->BuildAuctionGrid(fx.openFolder);
    QCOMPARE(fx.titles(), (QStringList{"a", "b", "c"}));

    // The user's new column set no longer has it: the sort column comes back into range.
    gCurrentUser->Columns.RestoreDefaults();
    fx.pane->ConfigureAuctionGridColumns();
    QCOMPARE(fx.pane->sortColumn(), qint16(0));
    fx.pane->BuildAuctionGrid(fx.openFolder);
    QCOMPARE(fx.titles(), (QStringList{"a", "b", "c"}));
}

void TestAuctionGrid::selectionKeptByKey()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    fx.addAuction({{f("AUC_Title"), f("b")}});
    const qint32 c = fx.addAuction({{f("AUC_Title"), f("c")}});
    fx.pane->BuildAuctionGrid(fx.openFolder);
    TreeGrid &g = fx.pane->auctionGrid();
    g.selectRow(1);
    QCOMPARE(fx.pane->currentAuctionKey(), c);

    QSignalSpy shown(fx.pane.get(), &AuctionGridPane::showSelectedAuction);
    QSignalSpy toolbars(fx.pane.get(), &AuctionGridPane::toolBarsMenusChanged);
    fx.addAuction({{f("AUC_Title"), f("a")}});
    fx.pane->BuildAuctionGrid(fx.openFolder);
    QCOMPARE(g.currentRow(), 2);
    QCOMPARE(fx.pane->currentAuctionKey(), c);
    QVERIFY(fx.pane->IsAnAuctionSelected());
    // The same auction: nothing for the window to follow.
    QCOMPARE(shown.count(), 0);
    QCOMPARE(toolbars.count(), 0);

    // The auction leaves the folder: nothing is selected and the window is told once.
    gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Folder = ? WHERE AUC_Primary = ?"), {fx.closedFolder, c});
    fx.pane->BuildAuctionGrid(fx.openFolder);
    QCOMPARE(g.currentRow(), -1);
    QVERIFY(!fx.pane->IsAnAuctionSelected());
    QCOMPARE(shown.count(), 0);
    QCOMPARE(toolbars.count(), 1);
}

void TestAuctionGrid::rowShownInPlaceMatchesARebuild_data()
{
    QTest::addColumn<QVariantMap>("change");
    QTest::addColumn<QString>("sortBy"); // caption start of the sort column; empty: by title
    const QDateTime soon = GridFixture::siteNow().addSecs(20 * 60);
    QTest::newRow("bid submitted") << QVariantMap{{f("AUC_Status"), 3}} << QString();
    QTest::newRow("outbid past the maximum") << QVariantMap{{f("AUC_CurrentBid"), 30.0}} << QString();
    QTest::newRow("refresh waiting") << QVariantMap{{f("AUC_Refreshed"), 0}} << QString();
    QTest::newRow("ends within the hour") << QVariantMap{{f("AUC_Ended"), soon}} << QString();
    QTest::newRow("ended") << QVariantMap{{f("AUC_TimeLeft"), f("Auction has Ended")}, {f("AUC_Status"), 4}}
                           << QString();
    // The row's place in the sort changes: the grid is built again.
    QTest::newRow("new title, sorted by title") << QVariantMap{{f("AUC_Title"), f("Aardvark")}} << QString();
    QTest::newRow("earlier end, sorted by time left")
        << QVariantMap{{f("AUC_Ended"), soon}} << QStringLiteral("Time Left");
    QTest::newRow("same end, sorted by time left") << QVariantMap{{f("AUC_Status"), 3}} << QStringLiteral("Time Left");
    QTest::newRow("moved to another folder") << QVariantMap{{f("AUC_Folder"), f("closed")}} << QString();
}

// The final post rewrites its auction's row alone: the grid must read as a rebuild of the whole
// folder would show it.
void TestAuctionGrid::rowShownInPlaceMatchesARebuild()
{
    QFETCH(QVariantMap, change);
    QFETCH(QString, sortBy);
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    fx.showAllColumns();
    for (int i = 0; i < 4; ++i)
        fx.addAuction({{f("AUC_MaxBid"), 20.0},
                       {f("AUC_BidQuantity"), 1},
                       {f("AUC_Status"), 2},
                       {f("AUC_Ended"), GridFixture::siteNow().addSecs(3600 * (3 + i))}});
    const qint32 key = fx.addAuction({{f("AUC_MaxBid"), 20.0}, {f("AUC_Status"), 2}});
    if (!sortBy.isEmpty())
        fx.pane->sftAuctions_Click(-1, fx.gridColumn(sortBy), TreeGrid::ClickArea::ColumnHeader, Qt::LeftButton);
    fx.pane->BuildAuctionGrid(fx.openFolder);
    const QStringList before = snapshot(fx.pane->auctionGrid());
    for (auto it = change.begin(); it != change.end(); ++it) {
        const QVariant value = it.value() == f("closed") ? QVariant(fx.closedFolder) : it.value();
        gDB->execute(QStringLiteral("UPDATE Auctions SET %1 = ? WHERE AUC_Primary = ?").arg(it.key()), {value, key});
    }

    fx.pane->showAuctionRow(key);
    const QStringList inPlace = snapshot(fx.pane->auctionGrid());
    QVERIFY(inPlace != before);
    fx.pane->BuildAuctionGrid(fx.openFolder);
    QCOMPARE(inPlace, snapshot(fx.pane->auctionGrid()));
}

void TestAuctionGrid::timeLeftText_data()
{
    QTest::addColumn<QString>("timeEnds");
    QTest::addColumn<QString>("expected");
    // Local now is 12:00; the site's 09:00 is that moment.
    const QDateTime site = GridFixture::siteNow();
    const auto at = [&](qint64 secs) { return Values::formatGeneralDate(site.addSecs(secs)); };
    QTest::newRow("1 day 0 hours 5 minutes") << at(86400 + 300) << "1 Days, 0 Hours +";
    QTest::newRow("2 days 23 hours 59 minutes") << at(3 * 86400 - 60) << "2 Days, 23 Hours +";
    QTest::newRow("2 hours 0 minutes") << at(7200) << "2 Hours, 0 Mins +";
    QTest::newRow("3 minutes 7 seconds") << at(187) << "3 Mins, 7 Secs +";
    QTest::newRow("1 minute 0 seconds") << at(60) << "1 Mins, 0 Secs +";
    QTest::newRow("45 seconds") << at(45) << "45 Seconds";
    QTest::newRow("0 seconds") << at(0) << "---";
    QTest::newRow("passed") << at(-1) << "---";
    QTest::newRow("a day ago") << at(-86400) << "---";
    QTest::newRow("site's page form, offset applied") << "Mar-10-26 10:00:00"
                                                      << "1 Hours, 0 Mins +";
    QTest::newRow("not a date") << "Thursday"
                                << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestAuctionGrid::timeLeftText()
{
    QFETCH(QString, timeEnds);
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    fx.addAuction();
    fx.pane->BuildAuctionGrid(fx.openFolder);
    fx.pane->auctionGrid().setCellText(0, gCurrentUser->Columns.TimeEnds, timeEnds);
    QTEST(fx.pane->TimeLeftText(0), "expected");
}

void TestAuctionGrid::timeLeftRewrite()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    const QDateTime site = GridFixture::siteNow();
    fx.addAuction({{f("AUC_Title"), f("a")}, {f("AUC_Ended"), site.addSecs(3600)}});
    fx.addAuction(
        {{f("AUC_Title"), f("b")}, {f("AUC_Ended"), site.addSecs(-60)}, {f("AUC_TimeLeft"), f("auction HAS ended")}});
    fx.pane->BuildAuctionGrid(fx.openFolder);
    TreeGrid &g = fx.pane->auctionGrid();
    const qint16 left = gCurrentUser->Columns.TimeLeft;
    QCOMPARE(g.cellText(0, left), QStringLiteral("1 Hours, 0 Mins +"));
    Clock::advance(30 * 60 * 1000);
    fx.pane->UpdateTimeLeftColumn();
    QCOMPARE(g.cellText(0, left), QStringLiteral("30 Mins, 0 Secs +"));
    QCOMPARE(g.cellText(1, left), QStringLiteral("auction HAS ended"));
}

// The site's page said less than the grid writes: the column is as wide as the grid's text.
void TestAuctionGrid::timeLeftColumnFitsTheGridsText()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    fx.addAuction({{f("AUC_Ended"), GridFixture::siteNow().addSecs(234)}, {f("AUC_TimeLeft"), f("3 mins")}});
    fx.pane->BuildAuctionGrid(fx.openFolder);
    const qint16 left = gCurrentUser->Columns.TimeLeft;
    QCOMPARE(fx.pane->auctionGrid().cellText(0, left), QStringLiteral("3 Mins, 54 Secs +"));
    QTreeWidget *tree = fx.pane->sftAuctions();
    const int needed = tree->sizeHintForIndex(tree->model()->index(0, left)).width();
    QVERIFY2(tree->columnWidth(left) >= needed,
             qPrintable(QStringLiteral("%1 < %2").arg(tree->columnWidth(left)).arg(needed)));
}

void TestAuctionGrid::checkFlagClickStoresByKey()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    fx.showAllColumns();
    fx.addAuction({{f("AUC_Title"), f("a")}, {f("AUC_Paid"), -1}});
    const qint32 b = fx.addAuction({{f("AUC_Title"), f("b")}, {f("AUC_Received"), 1}});
    fx.pane->BuildAuctionGrid(fx.openFolder);
    TreeGrid &g = fx.pane->auctionGrid();
    const qint32 paid = fx.gridColumn(QStringLiteral("Paid"));
    const qint32 row = g.findRowByKey(b, 0);

    fx.pane->sftAuctions_Click(row, paid, TreeGrid::ClickArea::CellPicture, Qt::RightButton);
    QCOMPARE(g.cellPicture(row, paid), kUnchecked);
    fx.pane->sftAuctions_Click(row, paid, TreeGrid::ClickArea::CellPicture, Qt::LeftButton);
    QCOMPARE(g.cellPicture(row, paid), kChecked);
    QCOMPARE(fx.column(b, f("AUC_Paid")).toInt(), 1);
    QCOMPARE(fx.column(b, f("AUC_Received")).toInt(), 1);
    QCOMPARE(fx.column(b, f("AUC_LeftFeedback")).toInt(), 0);
    QCOMPARE(fx.column(g.rowKey(1 - row), f("AUC_Paid")).toInt(), -1);
    fx.pane->sftAuctions_Click(row, paid, TreeGrid::ClickArea::CellPicture, Qt::LeftButton);
    QCOMPARE(fx.column(b, f("AUC_Paid")).toInt(), 0);

    // Deleted meanwhile: the picture changes, nothing is stored.
    gDB->execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_Primary = ?"), {b});
    fx.pane->sftAuctions_Click(row, paid, TreeGrid::ClickArea::CellPicture, Qt::LeftButton);
    QCOMPARE(g.cellPicture(row, paid), kChecked);

    // Hidden check columns leave their fields alone.
    const qint32 a = g.rowKey(1 - row);
    gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Paid = 1 WHERE AUC_Primary = ?"), {a});
    gCurrentUser->Columns.RestoreDefaults();
    fx.pane->ConfigureAuctionGridColumns();
    fx.pane->BuildAuctionGrid(fx.openFolder);
    fx.pane->SaveAuctionCheckFlags(0);
    QCOMPARE(fx.column(a, f("AUC_Paid")).toInt(), 1);
}

void TestAuctionGrid::checkFlagClickWithTheMouse()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    fx.showAllColumns();
    const qint32 key = fx.addAuction();
    fx.pane->show();
    QVERIFY(QTest::qWaitForWindowExposed(fx.pane.get()));
    fx.pane->BuildAuctionGrid(fx.openFolder);
    auto &grid = static_cast<QtTreeGrid &>(fx.pane->auctionGrid());
    const qint32 col = fx.gridColumn(QStringLiteral("Received"));
    grid.makeVisible(0);
    fx.pane->sftAuctions()->scrollTo(fx.pane->sftAuctions()->model()->index(0, col));
    const QRect picture = grid.pictureRect(0, col);
    QVERIFY(!picture.isEmpty());
    QWidget *viewport = fx.pane->sftAuctions()->viewport();

    // Beside the picture is not on it.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(picture.right() + 12, picture.center().y()));
    QTest::qWait(20);
    QCOMPARE(grid.cellPicture(0, col), kUnchecked);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, picture.center());
    QTRY_COMPARE(fx.column(key, f("AUC_Received")).toInt(), 1);
    QCOMPARE(grid.cellPicture(0, col), kChecked);
    // Every click acts, not every other one.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, picture.center());
    QTRY_COMPARE(fx.column(key, f("AUC_Received")).toInt(), 0);
}

void TestAuctionGrid::commentStoredForTheRowItWasOpenedFor()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    fx.showAllColumns();
    const qint32 b = fx.addAuction({{f("AUC_Title"), f("b")}, {f("AUC_Comments"), f("old")}});
    const qint32 c = fx.addAuction({{f("AUC_Title"), f("c")}});
    fx.pane->BuildAuctionGrid(fx.openFolder);
    TreeGrid &g = fx.pane->auctionGrid();
    const qint32 comments = fx.gridColumn(QStringLiteral("Comments"));
    g.selectRow(0);

    // While the dialog is open the pump imports an auction that sorts first and rebuilds the grid.
    qint32 a = -1;
    fx.dialogs().onComment = [&](QString &text) {
        if (text != QLatin1String("old"))
            return false;
        a = fx.addAuction({{f("AUC_Title"), f("a")}});
        fx.pane->BuildAuctionGrid(fx.openFolder);
        text = QStringLiteral("new note");
        return true;
    };
    fx.pane->sftAuctions_Click(0, comments, TreeGrid::ClickArea::CellPicture, Qt::LeftButton);
    QCOMPARE(fx.dialogs().commentTitle, QStringLiteral("b"));
    QCOMPARE(fx.column(b, f("AUC_Comments")).toString(), QStringLiteral("new note"));
    QCOMPARE(fx.column(a, f("AUC_Comments")).toString(), QString());
    QCOMPARE(fx.column(c, f("AUC_Comments")).toString(), QString());
    QCOMPARE(g.cellText(g.findRowByKey(b, 0), comments), QStringLiteral("new note"));
    QCOMPARE(g.cellText(g.findRowByKey(a, 0), comments), QString());

    // This time the auction leaves the folder while the dialog is open.
    fx.dialogs().onComment = [&](QString &text) {
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Folder = ? WHERE AUC_Primary = ?"), {fx.closedFolder, b});
        fx.pane->BuildAuctionGrid(fx.openFolder);
        text = QStringLiteral("moved");
        return true;
    };
    fx.pane->sftAuctions_Click(g.findRowByKey(b, 0), comments, TreeGrid::ClickArea::CellPicture, Qt::LeftButton);
    QCOMPARE(fx.column(b, f("AUC_Comments")).toString(), QStringLiteral("moved"));
    QCOMPARE(fx.column(a, f("AUC_Comments")).toString(), QString());
    QCOMPARE(fx.column(c, f("AUC_Comments")).toString(), QString());
    for (qint32 r = 0; r < g.rowCount(); ++r)
        QCOMPARE(g.cellText(r, comments), QString());
}

void TestAuctionGrid::commentCancelAndEmpty()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    fx.showAllColumns();
    const qint32 key = fx.addAuction({{f("AUC_Comments"), f("keep")}});
    fx.pane->BuildAuctionGrid(fx.openFolder);
    const qint32 comments = fx.gridColumn(QStringLiteral("Comments"));
    fx.dialogs().onComment = [](QString &text) {
        text = QStringLiteral("typed, then cancelled");
        return false;
    };
    fx.pane->sftAuctions_Click(0, comments, TreeGrid::ClickArea::CellPicture, Qt::LeftButton);
    QCOMPARE(fx.column(key, f("AUC_Comments")).toString(), QStringLiteral("keep"));
    QCOMPARE(fx.pane->auctionGrid().cellText(0, comments), QStringLiteral("keep"));

    fx.dialogs().onComment = [](QString &text) {
        text.clear();
        return true;
    };
    fx.pane->sftAuctions_Click(0, comments, TreeGrid::ClickArea::CellPicture, Qt::LeftButton);
    QCOMPARE(fx.column(key, f("AUC_Comments")).toString(), QString());
    QVERIFY(!fx.column(key, f("AUC_Comments")).isNull());
    QCOMPARE(fx.pane->auctionGrid().cellText(0, comments), QString());
    QCOMPARE(fx.dialogs().calls, (QStringList{"comment", "comment"}));
}

void TestAuctionGrid::dragStartKeepsTheKeys()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    const qint32 a = fx.addAuction({{f("AUC_Title"), f("a")}});
    fx.addAuction({{f("AUC_Title"), f("b")}});
    const qint32 c = fx.addAuction({{f("AUC_Title"), f("c")}});
    fx.pane->BuildAuctionGrid(fx.openFolder);
    TreeGrid &g = fx.pane->auctionGrid();
    g.selectRow(0);
    fx.pane->sftAuctions()->topLevelItem(2)->setSelected(true);
    QSignalSpy started(fx.pane.get(), &AuctionGridPane::dragStarted);
    fx.pane->sftAuctions_DragStart();
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.at(0).at(0).toInt(), 0);
    QCOMPARE(fx.pane->dragRow(), 0);
    QCOMPARE(fx.pane->dragAuctionKeys(), (QList<qint32>{a, c}));
    QCOMPARE(static_cast<QtTreeGrid &>(g).dragPicture(), QStringLiteral("imgDragIconAuction"));
}

void TestAuctionGrid::deleteAuction()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    const qint32 a = fx.addAuction({{f("AUC_Title"), f("a")}, {f("AUC_ItemNumber"), f("4001")}});
    const qint32 b = fx.addAuction({{f("AUC_Title"), f("b")}});
    gDB->execute(
        QStringLiteral("INSERT INTO Logs (LOG_Auction, LOG_User, LOG_Message, LOG_TimeStamp) VALUES (?, ?, ?, ?)"),
        {a, fx.userKey, f("imported"), GridFixture::localNow()});
    fx.pane->BuildAuctionGrid(fx.openFolder);
    QSignalSpy deleted(fx.pane.get(), &AuctionGridPane::auctionDeleted);
    fx.pane->DeleteAuction(0);
    QCOMPARE(fx.titles(), QStringList{"b"});
    QVERIFY(fx.column(a, f("AUC_Title")).isNull());
    QCOMPARE(fx.column(b, f("AUC_Title")).toString(), QStringLiteral("b"));
    QCOMPARE(deleted.count(), 1);
    QCOMPARE(deleted.at(0).at(0).toInt(), a);
    QCOMPARE(deleted.at(0).at(1).toString(), QStringLiteral("4001"));
    auto logs = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM Logs WHERE LOG_Auction = ?"), {a});
    QCOMPARE(logs->value(f("n")).toInt(), 1);
}

void TestAuctionGrid::configureColumns()
{
    GridFixture &fx = *m_fx;
    QVERIFY(fx.isValid());
    auto &g = static_cast<QtTreeGrid &>(fx.pane->auctionGrid());
    QStringList captions;
    for (qint32 c = 0; c < g.columnCount(); ++c)
        captions << g.columnCaption(c);
    QCOMPARE(captions, (QStringList{"Auctions", "Item #", "Current Bid", "# of Bids", "Qty for Sale", "My Max Bid",
                                    "My Bid Qty", "Time Ends", "Time Left"}));

    fx.showAllColumns();
    QCOMPARE(g.columnCount(), 17);
    const auto style = [&](const char *caption) { return g.columnStyle(fx.gridColumn(QLatin1String(caption))); };
    using Style = QPair<qint32, qint32>;
    QCOMPARE(style("Auctions"), Style(8, 0));
    QCOMPARE(style("Current Bid"), Style(2, 1));
    QCOMPARE(style("My Max Bid"), Style(2, 1));
    QCOMPARE(style("Paid"), Style(1, 1));
    QCOMPARE(style("Left Feedback"), Style(1, 1));
    QCOMPARE(style("# of Bids"), Style(1, 1));
    QCOMPARE(style("Seller"), Style(0, 1));
    for (qint32 c = 0; c < g.columnCount(); ++c)
        QVERIFY(g.columnHeaderFlag(c));

    // Nobody signed in: rows and columns stay, the header flag is set on what is there.
    fx.addAuction();
    fx.pane->BuildAuctionGrid(fx.openFolder);
    CurrentUser::instance().signOut();
    g.setColumnHeaderFlag(3, false);
    fx.pane->ConfigureAuctionGridColumns();
    QCOMPARE(g.columnCount(), 17);
    QCOMPARE(g.rowCount(), 1);
    QVERIFY(g.columnHeaderFlag(3));
}

QTEST_MAIN(TestAuctionGrid)
#include "TestAuctionGrid.moc"
