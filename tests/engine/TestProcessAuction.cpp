#include "EngineFixture.h"
#include "engine/GridRowCells.h"
#include "engine/clsEbayAuction.h"
#include "platform/Database.h"
#include "platform/TreeGrid.h"
#include "platform/Values.h"
#include "store/AuctionRow.h"
#include "store/Globals.h"

#include <QtTest>

// The auction writer driven directly: a page as the parser would have filled it, and the queue
// item it belongs to.
namespace {

constexpr qint32 kRed = 255;
const QString kItem = QStringLiteral("3002000001");

clsEbayAuction page(const QString &item = kItem)
{
    clsEbayAuction a;
    a.ItemNumber = item;
    a.title = QStringLiteral("Lot ") + item;
    a.CurrentBid = QStringLiteral("$12.50");
    a.MinimumBid = QStringLiteral("$13.00");
    a.Quantity = QStringLiteral("1");
    a.TimeLeft = QStringLiteral("2 hours, 5 mins");
    a.TimeEnds = QStringLiteral("Dec-20-26 09:00:00 PST");
    a.NumberOfBids = QStringLiteral("3");
    a.Location = QStringLiteral("Springfield");
    a.Country = QStringLiteral("USA");
    a.Seller = QStringLiteral("seller1");
    a.HighBidder = QStringLiteral("bob");
    a.AuctionType = QStringLiteral("REG");
    a.MeHighBidder = QStringLiteral("FALSE");
    return a;
}

QString *field(clsEbayAuction &a, const QString &name)
{
    const std::pair<const char *, QString clsEbayAuction::*> fields[] = {
        {"title", &clsEbayAuction::title},           {"ItemNumber", &clsEbayAuction::ItemNumber},
        {"CurrentBid", &clsEbayAuction::CurrentBid}, {"MinimumBid", &clsEbayAuction::MinimumBid},
        {"Quantity", &clsEbayAuction::Quantity},     {"TimeLeft", &clsEbayAuction::TimeLeft},
        {"TimeEnds", &clsEbayAuction::TimeEnds},     {"NumberOfBids", &clsEbayAuction::NumberOfBids},
        {"Location", &clsEbayAuction::Location},     {"Seller", &clsEbayAuction::Seller},
    };
    for (const auto &f : fields) {
        if (name == QLatin1String(f.first))
            return &(a.*f.second);
    }
    return nullptr;
}

QItemPtr process(EngineFixture &f, clsEbayAuction &a, qint16 mode, qint32 folder)
{
    const QItemPtr item = mode == BNQItem::Import ? BNQItem::import(Values::trimBlanks(a.ItemNumber), f.userKey, folder)
                                                  : BNQItem::refresh(a.ItemNumber, f.userKey, folder);
    f.engine->mLastQueueItem = item;
    f.engine->EbayProcessAuction(a, mode);
    return item;
}

int auctionRows()
{
    auto rs = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM Auctions"));
    return rs->value(QStringLiteral("n")).toInt();
}

qint32 onlyAuctionKey()
{
    auto rs = gDB->openQuery(QStringLiteral("SELECT max(AUC_Primary) AS k FROM Auctions"));
    return rs->value(QStringLiteral("k")).toInt();
}

// Shows every optional column of the grid.
void showAllColumns(EngineFixture &f)
{
    AucColumns &c = gCurrentUser->Columns;
    qint16 next = 9;
    for (qint16 *pos :
         {&c.Location, &c.CountryRegion, &c.Seller, &c.HighBidder, &c.Paid, &c.Received, &c.LeftFeedback, &c.Comments})
        *pos = next++;
    f.window->setUpColumns();
}

} // namespace

class TestProcessAuction : public QObject
{
    Q_OBJECT
private slots:
    void importFailures_data();
    void importFailures();
    void overlongTitleIsSaid();
    void refreshKeepsWhatItCannotRead_data();
    void refreshKeepsWhatItCannotRead();
    void refreshOfAnInvalidItemPage();
    void closeOnRefresh_data();
    void closeOnRefresh();
    void gridRowOfAnImport();
    void importIntoAFolderNotShown();
    void refreshPaintsTheTitleBlackAgain();
    void refreshLeavesTheRowInItsFolder();
    void refreshWritesTheStoredRow();
};

void TestProcessAuction::importFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("saved");

    const QString item = QStringLiteral("Item #") + kItem;
    QTest::newRow("no title") << "title"
                              << ""
                              << "Invalid Item Number: " + kItem + ".  Unable to import this auction." << false;
    QTest::newRow("no item number") << "ItemNumber"
                                    << ""
                                    << "Invalid Item Number: Unable to import auction." << false;
    const QString currentBid = item + ": Unable to retrieve Current Bid for this item.  Aborting auction import.";
    QTest::newRow("no current bid") << "CurrentBid"
                                    << "" << currentBid << false;
    QTest::newRow("current bid not a number") << "CurrentBid"
                                              << "n/a" << currentBid << false;
    QTest::newRow("minimum bid not a number")
        << "MinimumBid"
        << "--" << item + ": Unable to retrieve Minimum Bid for this item.  Aborting auction import." << false;
    QTest::newRow("no quantity") << "Quantity"
                                 << ""
                                 << item + ": Unable to retrieve the Quantity for this item.  Aborting auction import."
                                 << false;
    const QString endTime = item + ": Unable to retrieve the End Time for this item.  Aborting auction import.";
    QTest::newRow("end time of four characters") << "TimeEnds"
                                                 << "2026" << endTime << false;
    QTest::newRow("end time not a date") << "TimeEnds"
                                         << "Soon, Dec PST" << endTime << false;
    QTest::newRow("no end time") << "TimeEnds"
                                 << "" << endTime << false;
    QTest::newRow("number of bids not a number")
        << "NumberOfBids"
        << "x" << item + ": Unable to retrieve the Number of Bids for this item.  Aborting auction import." << false;
    QTest::newRow("no time left is imported anyway")
        << "TimeLeft"
        << "" << item + ": Unable to retrieve the Time Left for this item." << true;
}

void TestProcessAuction::importFailures()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(bool, saved);
    EngineFixture f;
    QVERIFY(f.isValid());
    clsEbayAuction a = page();
    *field(a, name) = value;
    process(f, a, 0, f.openFolder);

    QTEST(f.generalLog().join(QLatin1Char('|')), "message");
    QCOMPARE(auctionRows(), saved ? 1 : 0);
    QCOMPARE(f.window->grid.rowCount(), saved ? 1 : 0);
}

// A title the parser had to cut is stored cut, and the general log says why it is short.
void TestProcessAuction::overlongTitleIsSaid()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    clsEbayAuction a = page();
    a.title = QStringLiteral("A").repeated(clsEbayAuction::kTitleWidth);
    a.TitleLength = 102400;
    process(f, a, 0, f.openFolder);

    QCOMPARE(auctionRows(), 1);
    QCOMPARE(f.column(onlyAuctionKey(), QStringLiteral("AUC_Title")).toString(), a.title);
    QCOMPARE(f.generalLog(), QStringList{QStringLiteral("Item #") + kItem +
                                         QStringLiteral(": The page's title is too long (102400 characters); it "
                                                        "was cut to 255 characters.")});
}

void TestProcessAuction::refreshKeepsWhatItCannotRead_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("auctionMessage");
    QTest::addColumn<QString>("generalMessage");

    QTest::newRow("current bid") << "CurrentBid"
                                 << "n/a"
                                 << "AUC_CurrentBid"
                                 << "Unable to refresh Current Bid for this item."
                                 << "";
    QTest::newRow("minimum bid") << "MinimumBid"
                                 << ""
                                 << "AUC_MinBid"
                                 << "Unable to refresh Minimum Bid for this item."
                                 << "";
    QTest::newRow("quantity") << "Quantity"
                              << "many"
                              << "AUC_Quantity"
                              << "Unable to refresh the Quantity for this item."
                              << "";
    QTest::newRow("time left") << "TimeLeft"
                               << ""
                               << "AUC_TimeLeft"
                               << "Unable to refresh the Time Left for this item."
                               << "";
    QTest::newRow("end time short") << "TimeEnds"
                                    << "2026"
                                    << "AUC_Ended"
                                    << "Unable to refresh the End Time for this item."
                                    << "";
    QTest::newRow("end time not a date") << "TimeEnds"
                                         << "Soon, Dec PST"
                                         << "AUC_Ended"
                                         << "Unable to refresh the End Time for this item."
                                         << "";
    QTest::newRow("number of bids") << "NumberOfBids"
                                    << "x"
                                    << "AUC_NumberOfBids"
                                    << "Unable to refresh the Number of Bids for this item."
                                    << "";
    QTest::newRow("location, silently") << "Location"
                                        << ""
                                        << "AUC_CityLocation"
                                        << ""
                                        << "";
    // A page without a title stops the refresh at once: nothing of it is stored.
    QTest::newRow("no title") << "title"
                              << ""
                              << "AUC_Title"
                              << ""
                              << "Invalid Item Number: " + kItem + ".  Unable to import this auction.";
}

void TestProcessAuction::refreshKeepsWhatItCannotRead()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QString, column);
    QFETCH(QString, generalMessage);
    EngineFixture f;
    QVERIFY(f.isValid());
    clsEbayAuction first = page();
    process(f, first, 0, f.openFolder);
    QVERIFY(f.generalLog().isEmpty());
    const qint32 key = onlyAuctionKey();
    const QVariant before = f.column(key, column);
    QVERIFY(!before.isNull());

    clsEbayAuction a = page();
    a.Seller = QStringLiteral("seller2");
    a.CurrentBid = QStringLiteral("$14.00");
    a.Location = QStringLiteral("Shelbyville");
    *field(a, name) = value;
    process(f, a, 1, f.openFolder);

    QCOMPARE(f.column(key, column), before);
    QTEST(f.auctionLog(key).join(QLatin1Char('|')), "auctionMessage");
    QCOMPARE(f.generalLog().join(QLatin1Char('|')), generalMessage);
    QCOMPARE(auctionRows(), 1);
    // The rest of the page is stored, unless the refresh stopped.
    QCOMPARE(f.column(key, QStringLiteral("AUC_Seller")).toString(),
             generalMessage.isEmpty() ? QStringLiteral("seller2") : QStringLiteral("seller1"));
}

void TestProcessAuction::refreshOfAnInvalidItemPage()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    f.window->documentTitle = QStringLiteral("Invalid item ") + kItem;
    clsEbayAuction first = page();
    process(f, first, 0, f.openFolder);
    const qint32 key = onlyAuctionKey();
    QCOMPARE(f.column(key, QStringLiteral("AUC_Title")).toString(), first.title); // an import keeps its title

    clsEbayAuction a = page();
    process(f, a, 1, f.openFolder);
    QCOMPARE(f.column(key, QStringLiteral("AUC_Title")).toString(), QStringLiteral("Error - Invalid Item"));

    f.window->documentTitle = QStringLiteral("INVALID item 3002999999"); // another item's page
    a = page();
    process(f, a, 1, f.openFolder);
    QCOMPARE(f.column(key, QStringLiteral("AUC_Title")).toString(), a.title);
}

void TestProcessAuction::closeOnRefresh_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("me");
    QTest::addColumn<QString>("timeLeft");
    QTest::addColumn<bool>("noClosedFolder");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("moved");
    QTest::addColumn<bool>("rowRemoved"); // whatever the status: a row moved out of the folder shown
    QTest::addColumn<QString>("picture"); // of the grid row, when kept

    const QString ended = QStringLiteral("Auction has ended.");
    QTest::newRow("1 closes") << 1 << "" << ended << false << 6 << "Auction Closed - No Bid Scheduled." << true << true
                              << "";
    QTest::newRow("2 was never bid")
        << 2 << "FALSE" << ended << false << 7
        << "This auction was scheduled but the bid was not finalized.  It is likely that Zandrift was not running when "
           "bidding window was open or that your max bid was out-bid near the end of the auction."
        << true << true << "";
    QTest::newRow("3 won") << 3 << "TRUE" << ended << false << 4 << "Congratulations, you have Won this Auction."
                           << true << true << "";
    QTest::newRow("3 won, lower case") << 3 << "true" << ended << false << 4
                                       << "Congratulations, you have Won this Auction." << true << true << "";
    QTest::newRow("3 lost") << 3 << "FALSE" << ended << false << 5 << "You did not win this Auction.  You were outbid."
                            << true << true << "";
    QTest::newRow("3 unknown") << 3 << "Unknown" << ended << false << 3
                               << "The high bidder at the end of this auction cannot be determined by Zandrift.  "
                                  "Please view the auction to determine the results of the auction."
                               << true << true << "";
    QTest::newRow("3 anything else") << 3 << "" << ended << false << 3 << "" << true << true << "";
    // The page decides: the user as its high bidder has won, whatever the row said.
    QTest::newRow("2 high bidder after all")
        << 2 << "TRUE" << ended << false << 4 << "Congratulations, you have Won this Auction." << true << true << "";
    QTest::newRow("7 high bidder after all")
        << 7 << "TRUE" << ended << false << 4 << "Congratulations, you have Won this Auction." << true << true << "";
    QTest::newRow("6 moved again") << 6 << "" << ended << false << 6 << "" << true << true << "";
    QTest::newRow("7 moved again") << 7 << "FALSE" << ended << false << 7 << "" << true << true << "";
    QTest::newRow("1 still running") << 1 << ""
                                     << "3 hours, 2 mins" << false << 1 << "" << false << false << "picNotScheduled";
    QTest::newRow("3 still running") << 3 << "TRUE"
                                     << "1 min, 5 secs" << false << 3 << "" << false << false << "picBidSubmitted";
    QTest::newRow("no closed folder") << 1 << "" << ended << true << 6 << "Auction Closed - No Bid Scheduled." << false
                                      << false << "picClosed";
}

void TestProcessAuction::closeOnRefresh()
{
    QFETCH(int, stored);
    QFETCH(QString, me);
    QFETCH(QString, timeLeft);
    QFETCH(bool, noClosedFolder);
    QFETCH(bool, moved);
    QFETCH(bool, rowRemoved);
    EngineFixture f;
    QVERIFY(f.isValid());
    const qint32 key = f.addAuctionRow(kItem, stored);
    const qint32 other = f.addAuctionRow(QStringLiteral("3002000099"));
    if (noClosedFolder)
        gDB->execute(QStringLiteral("DELETE FROM Folders WHERE FLD_Primary = ?"), {f.closedFolder});
    f.window->BuildAuctionGrid(f.openFolder);
    QCOMPARE(f.window->grid.rowCount(), 2);

    clsEbayAuction a = page();
    a.TimeLeft = timeLeft;
    a.MeHighBidder = me;
    const QItemPtr item = process(f, a, 1, f.openFolder);

    QTEST(f.column(key, QStringLiteral("AUC_Status")).toInt(), "status");
    QTEST(f.auctionLog(key).join(QLatin1Char('|')), "message");
    const qint32 folder = moved ? f.closedFolder : f.openFolder;
    QCOMPARE(f.column(key, QStringLiteral("AUC_Folder")).toInt(), folder);
    QCOMPARE(item->Folder, folder);
    const TreeGrid &grid = f.window->grid;
    QCOMPARE(grid.findRowByKey(key, 0) == -1, rowRemoved);
    QVERIFY(grid.findRowByKey(other, 0) != -1);
    if (!rowRemoved)
        QTEST(grid.cellPicture(grid.findRowByKey(key, 0), 0), "picture");
}

void TestProcessAuction::gridRowOfAnImport()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    showAllColumns(f);
    clsEbayAuction a = page(QStringLiteral(" 3002000005 "));
    a.Paid = 1; // the row shows what was stored, and an import stores no marks
    a.Comments = QStringLiteral("call the seller");
    process(f, a, 0, f.openFolder);
    QVERIFY(f.generalLog().isEmpty());

    const qint32 key = onlyAuctionKey();
    QCOMPARE(f.column(key, QStringLiteral("AUC_ItemNumber")).toString(), QStringLiteral("3002000005"));
    QCOMPARE(f.column(key, QStringLiteral("AUC_Status")).toInt(), 1);
    QCOMPARE(f.column(key, QStringLiteral("AUC_Refreshed")).toInt(), 1);
    QCOMPARE(f.column(key, QStringLiteral("AUC_BidSecs")).toInt(), gCurrentUser->BidSeconds);
    QCOMPARE(f.column(key, QStringLiteral("AUC_Folder")).toInt(), f.openFolder);
    QCOMPARE(f.column(key, QStringLiteral("AUC_Ended")).toDateTime(),
             Values::toDate(QStringLiteral("Dec-20-26 09:00:00")));

    const TreeGrid &g = f.window->grid;
    const AucColumns &c = gCurrentUser->Columns;
    QCOMPARE(g.rowCount(), 1);
    QCOMPARE(g.rowKey(0), key);
    QCOMPARE(g.cellText(0, 0), QStringLiteral("Lot  3002000005 "));
    QCOMPARE(g.cellPicture(0, 0), QStringLiteral("picNotScheduled"));
    QCOMPARE(g.cellColor(0, c.AuctionName), 0);
    QCOMPARE(g.rowLevel(0), 0);
    const QList<std::pair<qint16, QString>> texts = {
        {c.ItemNumber, QStringLiteral("3002000005")},
        {c.CurrentBid, QStringLiteral("$12.50")},
        {c.MyMaxBid, QStringLiteral("--")},
        {c.MyBidQty, QStringLiteral("--")},
        {c.NumOfBids, QStringLiteral("3")},
        {c.QtyOffered, QStringLiteral("1")},
        {c.TimeEnds, Values::formatGeneralDate(Values::toDate(QStringLiteral("Dec-20-26 09:00:00")))},
        {c.TimeLeft, QStringLiteral("2 hours, 5 mins")},
        {c.Location, QStringLiteral("Springfield")},
        {c.CountryRegion, QStringLiteral("USA")},
        {c.Seller, QStringLiteral("seller1")},
        {c.HighBidder, QStringLiteral("bob")},
        {c.Comments, QString()},
    };
    for (const auto &[column, text] : texts)
        QCOMPARE(g.cellText(0, column), text);
    for (qint16 column : {c.Paid, c.Received, c.LeftFeedback})
        QCOMPARE(g.cellPicture(0, column), QStringLiteral("imgUnchecked"));
    QCOMPARE(g.cellPicture(0, c.Comments), QStringLiteral("imgPencil"));
}

void TestProcessAuction::importIntoAFolderNotShown()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    gDB->execute(QStringLiteral("INSERT INTO Folders (FLD_User, FLD_Parent, FLD_Name) VALUES (?, ?, 'Cameras')"),
                 {f.userKey, f.openFolder});
    auto rs = gDB->openQuery(QStringLiteral("SELECT max(FLD_Primary) AS k FROM Folders"));
    const qint32 sub = rs->value(QStringLiteral("k")).toInt();
    clsEbayAuction a = page();
    process(f, a, 0, sub);
    QCOMPARE(auctionRows(), 1);
    QCOMPARE(f.column(onlyAuctionKey(), QStringLiteral("AUC_Folder")).toInt(), sub);
    QCOMPARE(f.window->grid.rowCount(), 0);
}

void TestProcessAuction::refreshPaintsTheTitleBlackAgain()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    const qint32 key = f.addAuctionRow(kItem);
    f.window->BuildAuctionGrid(f.openFolder);
    TreeGrid &g = f.window->grid;
    const qint16 title = gCurrentUser->Columns.AuctionName;

    // Waiting for its refresh: painted blue, black again once the page is in.
    gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Refreshed = 0 WHERE AUC_Primary = ?"), {key});
    g.setCellColor(0, title, TreeGrid::rgb(16, 16, 255));
    clsEbayAuction a = page();
    a.title = QStringLiteral("A new title");
    process(f, a, 1, f.openFolder);
    QCOMPARE(g.cellColor(0, title), 0);
    QCOMPARE(g.cellText(0, 0), QStringLiteral("Lot ") + kItem); // shown until the grid is rebuilt
    QCOMPARE(f.column(key, QStringLiteral("AUC_Title")).toString(), QStringLiteral("A new title"));
    QCOMPARE(f.column(key, QStringLiteral("AUC_Refreshed")).toInt(), 1);
}

void TestProcessAuction::refreshLeavesTheRowInItsFolder()
{
    // Queued from "Open Auctions"; meanwhile the snipe was aborted and the row went to "Closed
    // Auctions". The auction still runs: the refresh leaves the row where it is now.
    EngineFixture f;
    QVERIFY(f.isValid());
    const qint32 key = f.addAuctionRow(kItem, 7);
    gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Folder = ? WHERE AUC_Primary = ?"), {f.closedFolder, key});
    clsEbayAuction a = page();
    process(f, a, 1, f.openFolder);
    QCOMPARE(f.column(key, QStringLiteral("AUC_Folder")).toInt(), f.closedFolder);
    QCOMPARE(f.column(key, QStringLiteral("AUC_Status")).toInt(), 7);
}

// A refresh writes the row by the rule a rebuild writes it by (its cases: TestGridRowCells), from
// what was stored: the user's marks and comment stay, a losing maximum is red.
void TestProcessAuction::refreshWritesTheStoredRow()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    showAllColumns(f);
    const qint32 key = f.addAuctionRow(kItem, 2, QDateTime(), 10.0, 1);
    gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Paid = 1, AUC_Comments = 'call' WHERE AUC_Primary = ?"),
                 {key});
    f.window->BuildAuctionGrid(f.openFolder);

    clsEbayAuction a = page(); // the page knows nothing of the marks
    a.CurrentBid = QStringLiteral("$1,500.00");
    process(f, a, 1, f.openFolder);

    const TreeGrid &g = f.window->grid;
    const AucColumns &c = gCurrentUser->Columns;
    const std::optional<AuctionRow> row = AuctionRow::load(*gDB, key);
    QVERIFY(row);
    for (const grid_row::Cell &cell : grid_row::cells(*row, *gCurrentUser, AuctionEngine::siteNow())) {
        if (cell.text)
            QCOMPARE(g.cellText(0, cell.column), *cell.text);
        if (cell.picture)
            QCOMPARE(g.cellPicture(0, cell.column), *cell.picture);
        if (cell.color)
            QCOMPARE(g.cellColor(0, cell.column), *cell.color);
    }
    QCOMPARE(g.cellText(0, c.CurrentBid), QStringLiteral("$1,500.00"));
    QCOMPARE(g.cellText(0, c.MyMaxBid), QStringLiteral("$10.00"));
    QCOMPARE(g.cellColor(0, c.MyMaxBid), kRed);
    QCOMPARE(g.cellText(0, c.MyBidQty), QStringLiteral("1"));
    QCOMPARE(g.cellPicture(0, c.Paid), QStringLiteral("imgChecked"));
    QCOMPARE(g.cellText(0, c.Comments), QStringLiteral("call"));
    QCOMPARE(g.cellPicture(0, 0), QStringLiteral("picScheduled"));
}

QTEST_MAIN(TestProcessAuction)
#include "TestProcessAuction.moc"
