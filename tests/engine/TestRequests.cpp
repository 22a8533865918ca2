#include "EngineFixture.h"
#include "MsgBoxRecorder.h"
#include "platform/Database.h"
#include "platform/TreeGrid.h"
#include "store/Globals.h"

#include <QtTest>

namespace {

QStringList queuedNumbers(BNQueue &q)
{
    QStringList out;
    for (const QItemPtr &i : q.items())
        out << i->ItemNumber;
    return out;
}

QString boxText(const MsgBoxRecorder &r)
{
    QStringList out;
    for (const MsgBox::Request &b : r.boxes)
        out << b.title + QStringLiteral(": ") + b.prompt;
    return out.join(QLatin1Char('|'));
}

} // namespace

class TestRequests : public QObject
{
    Q_OBJECT
private slots:
    void addAuction_data();
    void addAuction();
    void canAddAuction_data();
    void canAddAuction();
    void oneAuctionOneRow_data();
    void oneAuctionOneRow();
    void refreshSelectedRows();
    void aRefreshTouchesOnlyItsOwnRow();
    void refreshAllInClosingOrder();
    void autoRefreshCountsIdleMinutes();
    void refreshKeepsMarksAndComment();
    void refreshAfterTheCloseMovesTheAuction();
    void importReadsTheSitesPrices();
};

// Both ways of adding, the add strip's typed number and the browser's page, through the one call.
void TestRequests::addAuction_data()
{
    QTest::addColumn<bool>("fromBrowser");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("number"); // typed, or in the page's address
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("alreadyQueued");
    QTest::addColumn<bool>("stripHidden");
    QTest::addColumn<QString>("request"); // the queued request's message, empty when none
    QTest::addColumn<QString>("queueText");

    const auto row = [](const char *name, bool fromBrowser, const char *setup, const char *number, const QString &box,
                        const char *alreadyQueued, bool stripHidden, const char *request = "",
                        const char *queueText = "") {
        QTest::newRow(name) << fromBrowser << QString::fromLatin1(setup) << QString::fromLatin1(number) << box
                            << QString::fromLatin1(alreadyQueued) << stripHidden << QString::fromLatin1(request)
                            << QString::fromLatin1(queueText);
    };
    const QString none;
    const QString closed = QStringLiteral("Cannot Add Auctions to Closed Folders: You must first select the Open "
                                          "Auctions folder or one of its subfolders before adding an auction.");
    const QString added7 = QStringLiteral("Auction Already Added: This auction (Item # 7) has already been added.");
    row("typed, accepted", false, "", " 3003000001 ", none, "", true, "Adding Auction # 3003000001 ",
        "Items in Queue: 2");
    row("typed, no folder selected", false, "noFolder", "3003000001",
        QStringLiteral("Select a Folder First: You must first select a folder before adding an auction."), "", false);
    row("typed, closed branch selected", false, "closedFolder", "3003000001", closed, "", false);
    row("typed, already queued", false, "queued", "3003000001", none, "3003000001", false);
    row("typed, already added, with leading zeros", false, "added7", "007", added7, "", true);
    row("typed, not a number", false, "", "30030x", none, "", true);
    row("typed, being served", false, "inFlight", "3003000001", none, "", true);

    row("page, accepted", true, "", "03003000001", none, "", false, "Adding Auction #3003000001", "Items in Queue: 1");
    row("page, no folder selected", true, "noFolder", "3003000001",
        QStringLiteral("Select a Folder First: You must first select an Open Auctions Folder before adding an "
                       "auction."),
        "", false);
    row("page, closed branch selected", true, "closedFolder", "3003000001", closed, "", false);
    row("page, the tree's first row selected", true, "firstRow", "3003000001",
        QStringLiteral("Select a Folder First: You must first select an Open Auctions Folder before adding an "
                       "auction."),
        "", false);
    row("page, already queued", true, "queued", "3003000001", none, "3003000001", false);
    row("page, already added", true, "added7", "007", added7, "", false);
    row("page without a number", true, "", "30030x", none, "", false);
    row("page, being served", true, "inFlight", "3003000001", none, "3003000001", false);
}

void TestRequests::addAuction()
{
    QFETCH(bool, fromBrowser);
    QFETCH(QString, setup);
    QFETCH(QString, number);
    QFETCH(QString, request);
    EngineFixture f;
    QVERIFY(f.isValid());
    MsgBoxRecorder boxes;
    QItemPtr before;
    if (setup == QLatin1String("noFolder")) {
        f.window->selectedFolder = f.window->selectedFolderRoot = -1;
    } else if (setup == QLatin1String("closedFolder")) {
        f.window->selectedFolder = f.window->selectedFolderRoot = f.closedFolder;
    } else if (setup == QLatin1String("firstRow")) {
        f.window->selectedFolder = f.window->selectedFolderRoot = f.closedFolder;
        f.window->selectedRow = 0;
    } else if (setup == QLatin1String("added7")) {
        f.addAuctionRow(QStringLiteral("7"));
    } else if (setup == QLatin1String("queued") || setup == QLatin1String("inFlight")) {
        before = BNQItem::import(QStringLiteral("3003000001"), f.userKey, f.openFolder);
        if (setup == QLatin1String("queued"))
            f.engine->queue().Add(before);
        else
            f.engine->mLastQueueItem = before;
    }
    const int queuedBefore = f.engine->queue().Count();

    if (fromBrowser) {
        f.window->address =
            QStringLiteral("http://127.0.0.1/aw-cgi/eBayISAPI.dll?ViewItem&item=") + number + QStringLiteral("&rd=1");
        const auto result = f.engine->AddAuction(true);
        QCOMPARE(result == AuctionEngine::AddResult::Queued, !request.isEmpty());
    } else {
        f.window->address = QStringLiteral("http://127.0.0.1/aw-cgi/eBayISAPI.dll?ViewItem&item=42");
        f.engine->cmdAuctionAddOK_Click(number);
    }

    QTEST(boxText(boxes), "box");
    for (const MsgBox::Request &b : boxes.boxes)
        QCOMPARE(b.icon, MsgBox::Icon::Information);
    QTEST(f.window->alreadyQueued.join(QLatin1Char('|')), "alreadyQueued");
    QTEST(f.window->stripHidden, "stripHidden");
    QCOMPARE(f.engine->queue().Count(), queuedBefore + (request.isEmpty() ? 0 : 1));
    if (!fromBrowser && (boxes.boxes.isEmpty() || setup == QLatin1String("added7")))
        QVERIFY(!f.window->addEnabled); // disabled once the folder checks passed
    if (request.isEmpty())
        return;
    const QItemPtr item = f.engine->queue().items().last();
    QCOMPARE(item->Action, qint32(BNQItem::Import));
    QCOMPARE(item->Priority, 1);
    QCOMPARE(item->ItemNumber, QStringLiteral("3003000001"));
    QCOMPARE(item->UserKey, f.userKey);
    QCOMPARE(item->Folder, f.openFolder);
    QCOMPARE(item->message, request);
    QTEST(f.window->statusPanel(3), "queueText");
    QCOMPARE(f.window->panelWrites.contains(QStringLiteral("2:")), !fromBrowser);
}

void TestRequests::canAddAuction_data()
{
    QTest::addColumn<bool>("fromBrowser");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("showMessages");
    QTest::addColumn<QString>("queued");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<int>("boxes");

    const QString page = QStringLiteral("http://127.0.0.1/aw-cgi/eBayISAPI.dll?viewitem&Item=0042&ssPageName=x");
    QTest::newRow("typed, leading zeros dropped") << false << page << " 0099 " << true << "" << true << "99" << 0;
    QTest::newRow("typed, already added") << false << ""
                                          << " 007 " << true << "" << false << " 007 " << 1;
    QTest::newRow("typed, already added, quietly") << false << ""
                                                   << "007" << false << "" << false << "007" << 0;
    QTest::newRow("typed, not whole") << false << ""
                                      << "12.5" << true << "" << false << "12.5" << 0;
    QTest::newRow("from the browser's page") << true << page << "" << true << "" << true << "42" << 0;
    QTest::newRow("from a page without a number") << true << "http://127.0.0.1/index.html"
                                                  << "" << true << "" << false << "" << 0;
    QTest::newRow("from the browser, already queued") << true << page << "" << true << "42" << false << "42" << 0;
    QTest::newRow("queued under the same text") << false << ""
                                                << "55" << true << "55" << false << "55" << 0;
    QTest::newRow("queued as the plain number") << false << ""
                                                << "+55" << true << "55" << false << "+55" << 0;
}

void TestRequests::canAddAuction()
{
    QFETCH(bool, fromBrowser);
    QFETCH(QString, address);
    QFETCH(QString, text);
    QFETCH(bool, showMessages);
    QFETCH(QString, queued);
    EngineFixture f;
    QVERIFY(f.isValid());
    MsgBoxRecorder boxes;
    f.addAuctionRow(QStringLiteral("7"));
    f.window->address = address;
    if (!queued.isEmpty()) {
        f.engine->queue().Add(BNQItem::import(queued, f.userKey, f.openFolder));
    }
    QTEST(f.engine->CanAddAuction(fromBrowser, text, showMessages), "result");
    QTEST(text, "textAfter");
    QTEST(int(boxes.boxes.size()), "boxes");
    if (!boxes.boxes.isEmpty())
        QCOMPARE(boxText(boxes),
                 QStringLiteral("Auction Already Added: This auction (Item # 7) has already been added."));
}

void TestRequests::oneAuctionOneRow_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("servedBetween");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("alreadyQueued");
    const QString added = QStringLiteral("Auction Already Added: This auction (Item # 12) has already been added.");
    QTest::newRow("with a sign, then without") << "+12"
                                               << "12" << true << added << "";
    QTest::newRow("leading zeros twice") << "0012"
                                         << "0012" << true << added << "";
    QTest::newRow("with a sign, then without, both waiting") << "+12"
                                                             << "12" << false << ""
                                                             << "12";
    QTest::newRow("leading zeros, then plain, both waiting") << "012"
                                                             << " 12 " << false << ""
                                                             << " 12 ";
}

void TestRequests::oneAuctionOneRow()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, servedBetween);
    EngineFixture f;
    QVERIFY(f.isValid());
    MsgBoxRecorder boxes;
    f.site.addAuction(f.siteAuction(QStringLiteral("12"), 3600, 10.0));

    f.engine->cmdAuctionAddOK_Click(first);
    if (servedBetween)
        QVERIFY(f.runUntilIdle());
    f.engine->cmdAuctionAddOK_Click(second);
    QVERIFY(f.runUntilIdle());

    QTEST(boxText(boxes), "box");
    QTEST(f.window->alreadyQueued.join(QLatin1Char('|')), "alreadyQueued");
    auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_ItemNumber FROM Auctions"));
    QCOMPARE(rs->recordCount(), 1);
    QCOMPARE(rs->value(QStringLiteral("AUC_ItemNumber")).toString(), QStringLiteral("12"));
    const auto requests = f.site.requests();
    QCOMPARE(int(requests.size()), 1);
    QCOMPARE(requests[0].query, QStringLiteral("ViewItem&item=12"));
}

void TestRequests::aRefreshTouchesOnlyItsOwnRow()
{
    // Two rows whose numbers read as the same number, as older versions could store them.
    EngineFixture f;
    QVERIFY(f.isValid());
    f.site.addAuction(f.siteAuction(QStringLiteral("012"), 3600, 10.0));
    const qint32 padded = f.addAuctionRow(QStringLiteral("012"));
    const qint32 plain = f.addAuctionRow(QStringLiteral("12"));
    f.window->BuildAuctionGrid(f.openFolder);
    TreeGrid &g = f.window->grid;
    const qint16 title = gCurrentUser->Columns.AuctionName;
    const qint16 currentBid = gCurrentUser->Columns.CurrentBid;
    const qint32 plainRow = g.findRowByKey(plain, 0);
    g.selectRow(g.findRowByKey(padded, 0));

    f.engine->RefreshAuction();
    const qint32 blue = TreeGrid::rgb(16, 16, 255);
    QCOMPARE(g.cellColor(g.findRowByKey(padded, 0), title), blue);
    QVERIFY(g.cellColor(plainRow, title) != blue);

    QVERIFY(f.runUntilIdle());
    QCOMPARE(g.rowKey(plainRow), plain);
    QVERIFY(g.cellText(plainRow, currentBid).isEmpty());
    QCOMPARE(g.cellText(g.findRowByKey(padded, 0), currentBid), QStringLiteral("$10.00"));
    QCOMPARE(f.column(padded, QStringLiteral("AUC_CurrentBid")).toDouble(), 10.0);
}

void TestRequests::refreshSelectedRows()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    const qint32 a = f.addAuctionRow(QStringLiteral("3003000011"));
    const qint32 b = f.addAuctionRow(QStringLiteral("3003000012"));
    const qint32 c = f.addAuctionRow(QStringLiteral("3003000013"));
    // Another user's row that somehow shows in the grid is left alone.
    gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_User = ? WHERE AUC_Primary = ?"), {f.userKey + 100, c});
    f.window->BuildAuctionGrid(f.openFolder);
    f.window->widget.setSelectionMode(QAbstractItemView::MultiSelection);
    TreeGrid &g = f.window->grid;
    for (qint32 key : {b, a, c})
        g.selectRow(g.findRowByKey(key, 0));

    f.engine->RefreshAuction();
    f.engine->RefreshAuction(); // no search for duplicates
    QCOMPARE(f.engine->queue().Count(), 4);
    for (const QItemPtr &i : f.engine->queue().items()) {
        QCOMPARE(i->Action, qint32(BNQItem::Refresh));
        QCOMPARE(i->Priority, 1);
        QCOMPARE(i->UserKey, f.userKey);
        QCOMPARE(i->Folder, f.openFolder);
        QCOMPARE(i->message, QStringLiteral("Refreshing Auction #") + i->ItemNumber);
    }
    QStringList numbers = queuedNumbers(f.engine->queue());
    numbers.sort();
    QCOMPARE(numbers, (QStringList{"3003000011", "3003000011", "3003000012", "3003000012"}));
    const qint32 blue = TreeGrid::rgb(16, 16, 255);
    const qint16 title = gCurrentUser->Columns.AuctionName;
    QCOMPARE(g.cellColor(g.findRowByKey(a, 0), title), blue);
    QCOMPARE(g.cellColor(g.findRowByKey(b, 0), title), blue);
    QVERIFY(g.cellColor(g.findRowByKey(c, 0), title) != blue);
    QCOMPARE(f.column(a, QStringLiteral("AUC_Refreshed")).toInt(), 0);
    QCOMPARE(f.column(c, QStringLiteral("AUC_Refreshed")).toInt(), 1);
    QCOMPARE(f.window->statusPanel(3), QStringLiteral("Items in Queue: 5"));
}

void TestRequests::refreshAllInClosingOrder()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    const QDateTime t0(QDate(2026, 12, 20), QTime(9, 0));
    // Item numbers name the order of their end times.
    const struct
    {
        const char *item;
        int status;
        int hours;
    } rows[] = {{"c3", 3, 3}, {"x4", 4, 0}, {"a1", 1, 1}, {"x6", 6, 2}, {"d2", 2, 4},
                {"x5", 5, 5}, {"b1", 1, 2}, {"x7", 7, 1}, {"e3", 3, 6}, {"f7", 7, 7}};
    QList<qint32> keys;
    for (const auto &r : rows)
        keys << f.addAuctionRow(QLatin1String(r.item), r.status, t0.addSecs(3600 * r.hours));
    // Results that a page after the end brought are in; f7 ended early (an aborted snipe) and
    // its page after the end is still to be read.
    gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_TimeLeft = 'Auction has ended.' WHERE AUC_Status >= 4 AND "
                                "AUC_ItemNumber <> 'f7'"));
    const qint32 others = f.addAuctionRow(QStringLiteral("z1"), 1, t0);
    gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_User = ? WHERE AUC_Primary = ?"), {f.userKey + 100, others});
    f.window->BuildAuctionGrid(f.openFolder);
    const int builds = f.window->builds;

    f.engine->mnuActionsRefresh_Click();
    QCOMPARE(queuedNumbers(f.engine->queue()), (QStringList{"a1", "b1", "c3", "d2", "e3", "f7"}));
    for (const QItemPtr &i : f.engine->queue().items())
        QCOMPARE(i->Priority, 0);
    for (int i = 0; i < keys.size(); ++i)
        QCOMPARE(f.column(keys[i], QStringLiteral("AUC_Refreshed")).toInt(),
                 rows[i].status < 4 || QLatin1String(rows[i].item) == QLatin1String("f7") ? 0 : 1);
    QCOMPARE(f.column(others, QStringLiteral("AUC_Refreshed")).toInt(), 1);
    // The marked rows are painted where they stand; the grid is not built again.
    QCOMPARE(f.window->builds, builds);
    TreeGrid &g = f.window->grid;
    const qint16 title = gCurrentUser->Columns.AuctionName;
    for (int i = 0; i < keys.size(); ++i)
        QCOMPARE(g.cellColor(g.findRowByKey(keys[i], 0), title) == TreeGrid::rgb(16, 16, 255),
                 f.column(keys[i], QStringLiteral("AUC_Refreshed")).toInt() == 0);
    QVERIFY(g.cellColor(g.findRowByKey(others, 0), title) != TreeGrid::rgb(16, 16, 255));
    QCOMPARE(f.window->statusPanel(3), QStringLiteral("Items in Queue: 7"));
}

void TestRequests::autoRefreshCountsIdleMinutes()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    f.addAuctionRow(QStringLiteral("3003000021"));
    gCurrentUser->AutoRefeshMins = 3;
    BNQueue &q = f.engine->queue();

    f.engine->tmrAutoRefresh_Timer();
    f.engine->tmrAutoRefresh_Timer();
    QCOMPARE(f.engine->autoRefreshCounter(), qint16(2));
    QCOMPARE(q.Count(), 0);
    // A busy minute neither counts nor refreshes.
    f.engine->mblnServingItem = true;
    f.engine->tmrAutoRefresh_Timer();
    f.engine->mblnServingItem = false;
    q.Add(BNQItem::import(QStringLiteral("3003000002"), f.userKey, f.openFolder));
    f.engine->tmrAutoRefresh_Timer();
    QCOMPARE(f.engine->autoRefreshCounter(), qint16(2));
    QCOMPARE(q.Count(), 1);
    q.NextItem();

    f.engine->tmrAutoRefresh_Timer(); // the third idle minute
    QCOMPARE(f.engine->autoRefreshCounter(), qint16(0));
    QCOMPARE(queuedNumbers(q), QStringList{QStringLiteral("3003000021")});
    q.NextItem();

    // Switched off, or nobody signed in: nothing counts.
    gCurrentUser->AutoRefeshMins = 0;
    f.engine->tmrAutoRefresh_Timer();
    QCOMPARE(f.engine->autoRefreshCounter(), qint16(0));
    const UserPtr ann = gCurrentUser;
    ann->AutoRefeshMins = 3;
    CurrentUser::instance().signOut();
    f.engine->tmrAutoRefresh_Timer();
    CurrentUser::instance().signIn(ann);
    QCOMPARE(f.engine->autoRefreshCounter(), qint16(0));
    QCOMPARE(q.Count(), 0);
}

void TestRequests::refreshKeepsMarksAndComment()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    AucColumns &c = gCurrentUser->Columns;
    c.Paid = 9;
    c.Received = 10;
    c.LeftFeedback = 11;
    c.Comments = 12;
    f.window->setUpColumns();
    const QString item = QStringLiteral("3003000031");
    f.site.addAuction(f.siteAuction(item, 3600, 10.0));
    f.engine->cmdAuctionAddOK_Click(item);
    QVERIFY(f.runUntilIdle());
    auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_Primary FROM Auctions WHERE AUC_ItemNumber = ?"), {item});
    QCOMPARE(rs->recordCount(), 1);
    const qint32 key = rs->value(QStringLiteral("AUC_Primary")).toInt();
    gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Paid = 1, AUC_Received = 0, AUC_LeftFeedback = 1, "
                                "AUC_Comments = 'ask about postage' WHERE AUC_Primary = ?"),
                 {key});
    QCOMPARE(f.site.placeBid(item, QStringLiteral("rival"), 25.0), practice::BidResult::HighBidder);

    f.window->BuildAuctionGrid(f.openFolder);
    TreeGrid &g = f.window->grid;
    g.selectRow(g.findRowByKey(key, 0));
    f.engine->RefreshAuction();
    QVERIFY(f.runUntilIdle());

    QVERIFY(f.generalLog().isEmpty());
    QCOMPARE(f.column(key, QStringLiteral("AUC_CurrentBid")).toDouble(), 10.0);
    QCOMPARE(f.column(key, QStringLiteral("AUC_HighBidder")).toString(), QStringLiteral("rival"));
    QCOMPARE(f.column(key, QStringLiteral("AUC_Paid")).toInt(), 1);
    QCOMPARE(f.column(key, QStringLiteral("AUC_Received")).toInt(), 0);
    QCOMPARE(f.column(key, QStringLiteral("AUC_LeftFeedback")).toInt(), 1);
    QCOMPARE(f.column(key, QStringLiteral("AUC_Comments")).toString(), QStringLiteral("ask about postage"));
    const qint32 row = g.findRowByKey(key, 0);
    QCOMPARE(g.cellPicture(row, c.Paid), QStringLiteral("imgChecked"));
    QCOMPARE(g.cellPicture(row, c.Received), QStringLiteral("imgUnchecked"));
    QCOMPARE(g.cellPicture(row, c.LeftFeedback), QStringLiteral("imgChecked"));
    QCOMPARE(g.cellText(row, c.Comments), QStringLiteral("ask about postage"));
    QCOMPARE(g.cellText(row, c.CurrentBid), QStringLiteral("$10.00"));
}

void TestRequests::refreshAfterTheCloseMovesTheAuction()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    const QString item = QStringLiteral("3003000041");
    f.site.addAuction(f.siteAuction(item, -600, 8.0));
    f.engine->cmdAuctionAddOK_Click(item);
    QVERIFY(f.runUntilIdle());
    auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_Primary FROM Auctions WHERE AUC_ItemNumber = ?"), {item});
    QCOMPARE(rs->recordCount(), 1);
    const qint32 key = rs->value(QStringLiteral("AUC_Primary")).toInt();
    QCOMPARE(f.column(key, QStringLiteral("AUC_Status")).toInt(), 1); // an import decides nothing
    QCOMPARE(f.window->grid.rowCount(), 1);

    f.engine->RefreshAllAuctions();
    QVERIFY(f.runUntilIdle());
    QCOMPARE(f.column(key, QStringLiteral("AUC_Status")).toInt(), 6);
    QCOMPARE(f.column(key, QStringLiteral("AUC_Folder")).toInt(), f.closedFolder);
    QCOMPARE(f.auctionLog(key), QStringList{QStringLiteral("Auction Closed - No Bid Scheduled.")});
    QCOMPARE(f.window->grid.findRowByKey(key, 0), -1);
}

// Also run on German and French desktops (see CMakeLists): the site's "$1,234.50" is the same
// amount there.
void TestRequests::importReadsTheSitesPrices()
{
    EngineFixture f;
    QVERIFY(f.isValid());
    const QString item = QStringLiteral("3003000051");
    f.site.addAuction(f.siteAuction(item, 3600, 1234.5));
    f.engine->cmdAuctionAddOK_Click(item);
    QVERIFY(f.runUntilIdle());
    QCOMPARE(f.generalLog(), QStringList());
    auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_CurrentBid, AUC_MinBid FROM Auctions WHERE AUC_ItemNumber = ?"),
                             {item});
    QCOMPARE(rs->recordCount(), 1);
    QCOMPARE(rs->value(QStringLiteral("AUC_CurrentBid")).toDouble(), 1234.5);
    QCOMPARE(rs->value(QStringLiteral("AUC_MinBid")).toDouble(), 1234.5); // no bids yet
}

QTEST_MAIN(TestRequests)
#include "TestRequests.moc"
