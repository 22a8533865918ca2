// The window's commands over a signed-in user: deleting the selected auctions, the caption and
// the enabling of the commands.
#include "AppSettings.h"
#include "AuctionDatabase.h"
#include "AuctionEngine.h"
#include "AuctionGridPane.h"
#include "Database.h"
#include "FakeBrowser.h"
#include "FakeDialogs.h"
#include "Globals.h"
#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "frmAuction.h"

#include <QItemSelectionModel>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Settings saved, one user signed in automatically, auctions with the given statuses.
void prepare(TestProgramFolder &folder, const QList<int> &statuses, qint32 connectionType = 2)
{
    QVERIFY(folder.openStore());
    gSettings->ConnectionType = connectionType;
    gSettings->AutoConnect = 0;  // no dial at start
    gSettings->AutoTimeSync = 0; // nothing queued at start
    QVERIFY(gSettings->SaveSettings());
    TestProgramFolder::addUserAnn();
    int n = 0;
    for (int status : statuses)
        gDB->execute(
            QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, AUC_Status) "
                           "VALUES (1, 1, ?, ?, ?)"),
            {QString::number(100 + n), QStringLiteral("Lot %1").arg(n++), status});
    ReleaseGlobals();
}

QStringList titlesLeft()
{
    QStringList titles;
    auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_Title FROM Auctions ORDER BY AUC_Title"));
    for (; !rs->eof(); rs->moveNext())
        titles << rs->value(QStringLiteral("AUC_Title")).toString();
    return titles;
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void init() { gClosing = false; }
    void cleanup() { ReleaseGlobals(); }

    void deleteRemovesExactlyTheSelectedAuctions()
    {
        TestProgramFolder folder;
        prepare(folder, {1, 1, 1, 1, 1});
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        TreeGrid &grid = w.gridPane().auctionGrid();
        QCOMPARE(grid.rowCount(), 5);
        // Rows 0, 2 and 4 selected, the current row is row 1 (not selected).
        QTreeWidget *tree = w.gridPane().sftAuctions();
        tree->setCurrentItem(tree->topLevelItem(1), 0, QItemSelectionModel::NoUpdate);
        tree->clearSelection();
        for (int row : {0, 2, 4})
            tree->topLevelItem(row)->setSelected(true);
        QStringList keep = {grid.cellText(1, 0), grid.cellText(3, 0)};
        keep.sort();

        MsgBoxRecorder boxes(MsgBox::Answer::Yes);
        w.mnuActionsDelete_Click();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("Are you sure you want to Delete these 3 Auctions?"));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Auction Remove"));
        QCOMPARE(boxes.boxes[0].defaultAnswer, std::optional<MsgBox::Answer>(MsgBox::Answer::No));
        QCOMPARE(titlesLeft(), keep);
        QCOMPARE(grid.rowCount(), 2);
    }

    void captionCountsScheduledSnipes_data()
    {
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<QString>("ending");
        QTest::newRow("none") << QList<int>{1, 3} << QStringLiteral(" - (Viewing \"Open Auctions\")");
        QTest::newRow("one") << QList<int>{1, 2} << QStringLiteral(" - (Viewing \"Open Auctions\", 1 Snipe Scheduled)");
        QTest::newRow("two") << QList<int>{2, 2}
                             << QStringLiteral(" - (Viewing \"Open Auctions\", 2 Snipes Scheduled)");
    }
    void captionCountsScheduledSnipes()
    {
        QFETCH(QList<int>, statuses);
        QFETCH(QString, ending);
        TestProgramFolder folder;
        prepare(folder, statuses);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        QCOMPARE(w.windowTitle(), QStringLiteral("Zandrift %1 - [ann]").arg(GetAppVersion()) + ending);
    }

    void enablingFollowsTheState_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<qint32>("connectionType");
        QTest::addColumn<bool>("schedule");
        QTest::addColumn<bool>("dialUpShown");
        for (int status = 1; status <= 7; ++status)
            QTest::addRow("status %d", status) << status << qint32(2) << (status <= 2) << false;
        for (qint32 type = 0; type <= 3; ++type)
            QTest::addRow("connection %d", type) << 1 << type << true << (type == 0);
    }
    void enablingFollowsTheState()
    {
        QFETCH(int, status);
        QFETCH(qint32, connectionType);
        QFETCH(bool, schedule);
        QFETCH(bool, dialUpShown);
        TestProgramFolder folder;
        prepare(folder, {status}, connectionType);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        w.gridPane().auctionGrid().selectRow(0);
        w.ToggleToolBarsMenus();
        QCOMPARE(w.menuItem("mnuActionsSchedule")->isEnabled(), schedule);
        QCOMPARE(w.toolbarButton("schedule")->isEnabled(), schedule);
        QVERIFY(w.menuItem("mnuActionsDelete")->isEnabled());
        QVERIFY(w.menuItem("mnuFileLogOut")->isEnabled());
        QVERIFY(!w.menuItem("mnuActionsStop")->isEnabled()); // nothing queued
        QCOMPARE(w.menuItem("mnuActionsConnect")->isVisible(), dialUpShown);
        QCOMPARE(w.toolbarButton("connect")->isVisible(), dialUpShown);
        QCOMPARE(w.toolbarButton("rassep")->isVisible(), dialUpShown);

        gCurrentUser.reset();
        w.LoadAuctionScreen();
        QVERIFY(!w.menuItem("mnuActionsSchedule")->isEnabled());
        QVERIFY(!w.menuItem("mnuFileLogOut")->isEnabled());
        QVERIFY(!w.menuItem("mnuActionsRefresh")->isEnabled());
        QVERIFY(w.menuItem("mnuFileLogIn")->isEnabled());
    }
};

QTEST_MAIN(TestCommands)
#include "TestCommands.moc"
