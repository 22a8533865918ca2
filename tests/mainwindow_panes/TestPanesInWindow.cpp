// The grid, the log views and the caption at their places in the real window, driven by the
// window's commands and the engine as a user meets them.
#include "FakeBrowser.h"
#include "FakeDialogs.h"
#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "engine/AuctionEngine.h"
#include "engine/BNBidTalk.h"
#include "engine/clsEbayAuction.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/LogRowsModel.h"
#include "mainwindow/LogViewsPane.h"
#include "mainwindow/frmAuction.h"
#include "platform/Database.h"
#include "store/AppSettings.h"
#include "store/AuctionDatabase.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QtTest>

namespace {

struct Lot
{
    int status;
    double maxBid;
};

// Settings saved, one user "ann" signed in automatically, with or without her two folders, and
// her auctions "Lot 0", "Lot 1"... (item numbers 100, 101...) in the open folder.
void prepare(TestProgramFolder &folder, const QList<Lot> &lots, bool folders = true)
{
    QVERIFY(folder.openStore());
    gSettings->ConnectionType = 2;
    gSettings->AutoTimeSync = 0; // nothing queued at start
    QVERIFY(gSettings->SaveSettings());
    TestProgramFolder::addUserAnn(true, folders);
    int n = 0;
    for (const Lot &lot : lots) {
        gDB->execute(
            QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, AUC_Status, "
                           "AUC_MaxBid, AUC_Quantity) VALUES (1, 1, ?, ?, ?, ?, 1)"),
            {QString::number(100 + n), QStringLiteral("Lot %1").arg(n), lot.status, lot.maxBid});
        ++n;
    }
    ReleaseGlobals();
}

qint32 keyOf(const QString &title)
{
    auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_Primary FROM Auctions WHERE AUC_Title = ?"), {title});
    return rs->eof() ? -1 : static_cast<qint32>(rs->value(QStringLiteral("AUC_Primary")).toLongLong());
}

QStringList logRows(LogViewsPane &pane)
{
    QStringList out;
    for (int r = 0; r < pane.auctionLogRows().rowCount(); ++r)
        out << pane.auctionLogRows().message(r);
    return out;
}

QString captionStart()
{
    return QStringLiteral("Zandrift %1 - [ann]").arg(GetAppVersion());
}

} // namespace

class TestPanesInWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { gClosing = false; }
    void cleanup() { ReleaseGlobals(); }

    void aGeneralLogRowLeavesTheSelectedAuctionsLog()
    {
        TestProgramFolder folder;
        prepare(folder, {{1, 0}, {1, 0}});
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        const qint32 lot1 = keyOf(QStringLiteral("Lot 1"));
        BSN_Log().MarkAuction(lot1, 1, QStringLiteral("imported"));
        TreeGrid &grid = w.gridPane().auctionGrid();
        grid.selectRow(grid.findRowByKey(lot1, 0));
        w.engine().tmrBidSnipe_Timer(); // the auction log's own change is read
        QCOMPARE(logRows(w.logPane()), QStringList{QStringLiteral("imported")});

        // A failed time sync writes a general row; the queue tick reloads the error log.
        BSN_Log().MarkAuction(0, 1, QStringLiteral("Time synchronisation failed."));
        w.engine().tmrBidSnipe_Timer();
        QCOMPARE(w.logPane().errorLogRows().rowCount(), 1);
        QCOMPARE(logRows(w.logPane()), QStringList{QStringLiteral("imported")});
    }

    void captionWithoutACurrentFolder_data()
    {
        QTest::addColumn<QList<Lot>>("lots");
        QTest::addColumn<QString>("ending");
        QTest::newRow("nothing scheduled") << QList<Lot>{{1, 0}} << QString();
        QTest::newRow("one scheduled") << QList<Lot>{{2, 5}, {1, 0}} << QStringLiteral(" - (1 Snipe Scheduled)");
    }
    void captionWithoutACurrentFolder()
    {
        QFETCH(QList<Lot>, lots);
        QFETCH(QString, ending);
        TestProgramFolder folder;
        prepare(folder, lots, false);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        QCOMPARE(w.windowTitle(), captionStart() + ending);
    }

    void captionFollowsTheCountOfScheduledSnipes_data()
    {
        QTest::addColumn<QString>("event");
        QTest::newRow("final bid placed") << "status 3";
        QTest::newRow("aborted: error") << "abort 1";
        QTest::newRow("aborted: outbid") << "abort 2";
        QTest::newRow("aborted: user cancelled") << "abort 0";
        QTest::newRow("grid rebuilt after a halt") << "halt";
        QTest::newRow("a refresh finds it ended") << "ended";
        QTest::newRow("auction deleted") << "delete";
    }
    void captionFollowsTheCountOfScheduledSnipes()
    {
        QFETCH(QString, event);
        TestProgramFolder folder;
        prepare(folder, {{2, 5}, {2, 6}});
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        const QString viewing = captionStart() + QStringLiteral(" - (Viewing \"Open Auctions\", ");
        QCOMPARE(w.windowTitle(), viewing + QStringLiteral("2 Snipes Scheduled)"));

        const qint32 key = keyOf(QStringLiteral("Lot 0"));
        BNBidTalk bid;
        bid.PrimaryKey = key;
        bid.User = gCurrentUser;
        if (event == QLatin1String("status 3")) {
            w.engine().SetAuctionStatus(key, AuctionStatus::BidSubmitted);
        } else if (event.startsWith(QLatin1String("abort"))) {
            w.engine().AbortSnipe(bid, QStringLiteral("Snipe ends."),
                                  static_cast<AuctionEngine::AbortReason>(event.right(1).toInt()));
        } else if (event == QLatin1String("ended")) {
            clsEbayAuction page;
            page.ItemNumber = QStringLiteral("100");
            page.title = QStringLiteral("Lot 0");
            page.CurrentBid = page.MinimumBid = QStringLiteral("$4.00");
            page.Quantity = page.NumberOfBids = QStringLiteral("1");
            page.TimeLeft = QStringLiteral("Auction has ended");
            page.TimeEnds = QStringLiteral("Dec-09-26 09:00:00 PST");
            w.engine().mLastQueueItem = BNQItem::refresh(page.ItemNumber, 1, 1);
            qint16 mode = BNQItem::Refresh;
            w.engine().EbayProcessAuction(page, mode);
        } else if (event == QLatin1String("halt")) {
            gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Status = 4 WHERE AUC_Primary = ?"), {key});
            w.engine().HaltOperation();
        } else {
            TreeGrid &grid = w.gridPane().auctionGrid();
            w.gridPane().DeleteAuction(grid.findRowByKey(key, 0));
        }
        QCOMPARE(w.windowTitle(), viewing + QStringLiteral("1 Snipe Scheduled)"));
    }

    void selectionFollowsTheScheduledAuctionWhereItSortsTo()
    {
        // Sorted by "My Max Bid": Lot 2 (nothing yet), Lot 0 ($20), Lot 1 ($30).
        TestProgramFolder folder;
        prepare(folder, {{2, 20}, {2, 30}, {1, 0}});
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        AuctionGridPane &pane = w.gridPane();
        TreeGrid &grid = pane.auctionGrid();
        qint32 maxBidColumn = -1;
        for (qint32 c = 0; c < grid.columnCount(); ++c) {
            if (grid.columnCaption(c) == QLatin1String("My Max Bid"))
                maxBidColumn = c;
        }
        QVERIFY(maxBidColumn > 0);
        pane.sftAuctions_Click(-1, maxBidColumn, TreeGrid::ClickArea::ColumnHeader, Qt::LeftButton);
        QCOMPARE(grid.cellText(0, 0), QStringLiteral("Lot 2"));

        const qint32 lot2 = keyOf(QStringLiteral("Lot 2"));
        BSN_Log().MarkAuction(lot2, 1, QStringLiteral("lot 2 imported"));
        BSN_Log().MarkAuction(keyOf(QStringLiteral("Lot 0")), 1, QStringLiteral("lot 0 imported"));
        grid.selectRow(0);
        // The dialog schedules $50: Lot 2 now sorts last.
        dialogs.onOpen = [](const QString &name) {
            if (name != QLatin1String("scheduleSnipe"))
                return;
            gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_MaxBid = 50, AUC_BidQuantity = 1, AUC_Status = 2 "
                                        "WHERE AUC_Primary = ?"),
                         {ScheduleAuctionKey});
            ScheduleCancelled = false;
            SnipeUnscheduled = false;
        };
        QVERIFY(w.menuItem(QStringLiteral("mnuActionsSchedule"))->isEnabled());
        w.menuItem(QStringLiteral("mnuActionsSchedule"))->trigger();
        QCOMPARE(grid.cellText(2, 0), QStringLiteral("Lot 2"));
        QCOMPARE(pane.currentAuctionKey(), lot2);
        QCOMPARE(grid.selectedRows(), QList<qint32>{2});
        QVERIFY(logRows(w.logPane()).contains(QStringLiteral("lot 2 imported")));
        QVERIFY(!logRows(w.logPane()).contains(QStringLiteral("lot 0 imported")));

        MsgBoxRecorder boxes(MsgBox::Answer::No);
        w.mnuActionsDelete_Click();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("Are you sure you want to delete the selected Auction (102) ?"));
    }
};

QTEST_MAIN(TestPanesInWindow)
#include "TestPanesInWindow.moc"
