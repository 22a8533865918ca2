// The window's commands over a signed-in user: deleting the selected auctions, the caption and
// the enabling of the commands.
#include "FakeBrowser.h"
#include "FakeDialogs.h"
#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "engine/AuctionEngine.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/frmAuction.h"
#include "platform/Database.h"
#include "store/AppSettings.h"
#include "store/AuctionDatabase.h"
#include "store/Globals.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QToolTip>
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

    // The commands act on the highlighted row: after a delete the row in its place is chosen and
    // highlighted; a current row the user unselects is no choice, and the commands go off.
    void commandsFollowTheHighlight()
    {
        TestProgramFolder folder;
        prepare(folder, {1, 1, 1});
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        TreeGrid &grid = w.gridPane().auctionGrid();
        QTreeWidget *tree = w.gridPane().sftAuctions();
        grid.selectRow(0);
        const qint32 next = grid.rowKey(1);
        const char *const onSelection[] = {"mnuActionsSchedule", "mnuActionsDelete", "mnuActionsRefreshSelected"};

        MsgBoxRecorder boxes(MsgBox::Answer::Yes);
        w.mnuActionsDelete_Click();
        QCOMPARE(grid.rowCount(), 2);
        QCOMPARE(grid.selectedRows(), QList<qint32>{0});
        QCOMPARE(grid.currentRow(), 0);
        QCOMPARE(grid.rowKey(0), next);
        QVERIFY(tree->topLevelItem(0)->isSelected());
        for (const char *name : onSelection)
            QVERIFY2(w.menuItem(QLatin1String(name))->isEnabled(), name);

        tree->topLevelItem(0)->setSelected(false); // Ctrl+click on the current row
        QCOMPARE(tree->currentItem(), tree->topLevelItem(0));
        QCOMPARE(grid.currentRow(), -1);
        for (const char *name : onSelection)
            QVERIFY2(!w.menuItem(QLatin1String(name))->isEnabled(), name);
    }

    // With nobody signed in the empty grid is headed "Auctions", also after a rebuild of the
    // folder that held a user's auctions.
    void nobodysGridHeader()
    {
        TestProgramFolder folder;
        prepare(folder, {1, 1, 1});
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        const qint32 open = w.selectedFolderKey();
        CurrentUser::instance().signOut();
        w.LoadAuctionScreen();
        TreeGrid &grid = w.gridPane().auctionGrid();
        QCOMPARE(grid.columnCount(), 1);
        QCOMPARE(grid.columnCaption(0), QStringLiteral("Auctions"));
        w.BuildAuctionGrid(open);
        QCOMPARE(grid.rowCount(), 0);
        QCOMPARE(grid.columnCaption(0), QStringLiteral("Auctions"));
    }

    // A long title neither widens its column past half the grid nor goes unread: its tooltip
    // holds it whole. A sort by a header keeps the columns scrolled to; a status panel and a
    // log line too narrow for their text show it in their tooltip.
    void longTextsStayReadable()
    {
        TestProgramFolder folder;
        prepare(folder, {1, 1});
        const QString title = QStringLiteral("Lot of brass clocks ").repeated(60);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Title = ? WHERE AUC_ItemNumber = '100'"), {title});
        w.resize(1024, 768);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.BuildAuctionGrid(w.selectedFolderKey());
        QTreeWidget *tree = w.gridPane().sftAuctions();
        // Half the grid, and the 100 twips every fitted column is widened by.
        QVERIFY2(tree->columnWidth(0) <= qMax(tree->width(), 480) / 2 + 10,
                 qPrintable(QStringLiteral("%1 of %2").arg(tree->columnWidth(0)).arg(tree->width())));

        const auto tipAt = [](QAbstractItemView *view, const QModelIndex &index) {
            QToolTip::hideText();
            const QPoint pos = view->visualRect(index).center();
            QHelpEvent help(QEvent::ToolTip, pos, view->viewport()->mapToGlobal(pos));
            QApplication::sendEvent(view->viewport(), &help);
            return QToolTip::text();
        };
        const QModelIndex cell = tree->model()->index(tree->topLevelItem(0)->text(0) == title ? 0 : 1, 0);
        QCOMPARE(tipAt(tree, cell), title);

        QScrollBar *bar = tree->horizontalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum() / 2);
        const int scrolled = bar->value();
        QHeaderView *header = tree->header();
        const int section = header->logicalIndexAt(header->viewport()->width() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
        QCOMPARE(bar->value(), scrolled);

        const QString step = QStringLiteral("Waiting for Exact Moment to Place the Snipe Bid");
        w.setStatusPanel(2, step);
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("stsMainPanel2"))->toolTip(), step);

        gDB->execute(QStringLiteral("INSERT INTO Logs (LOG_Auction, LOG_User, LOG_TimeStamp, LOG_Message) "
                                    "VALUES (0, 1, '2026-12-11 06:00:00', ?)"),
                     {title});
        w.reloadGeneralLogView();
        auto *log = w.findChild<QAbstractItemView *>(QStringLiteral("sftErrorLog"));
        QVERIFY(log);
        log->resize(400, 200);
        QVERIFY(log->model()->rowCount() >= 1);
        // The newest row is on top.
        QCOMPARE(tipAt(log, log->model()->index(0, 1)), title);
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

    // Every menu of the bar opened as a person would, and what it offers: before the settings
    // are first saved only the settings and the help, and everything a signed-in user may use after.
    void everyMenuOpens_data()
    {
        QTest::addColumn<bool>("settingsSaved");
        QTest::addColumn<QStringList>("offered"); // menu: the items enabled in it
        QTest::newRow("settings never saved")
            << false
            << QStringList{"mnuTools: mnuToolsSystemSettings",
                           "mnuHelp: mnuHelpHelp mnuHelpLegend mnuHelpAbout mnuHelpForum"};
        QTest::newRow("signed in")
            << true
            << QStringList{"mnuFile: mnuFileLogIn mnuFileLogOut mnuFileExit",
                           "mnuTools: mnuToolsSyncTime mnuToolsUserAdd mnuToolsUserRemove mnuToolsUserSettings "
                           "mnuToolsSystemSettings",
                           // no compaction while the browser still loads the news page
                           "mnuActions: mnuActionsRefresh mnuActionsEbaySignIn",
                           "mnuHelp: mnuHelpHelp mnuHelpLegend mnuHelpAbout mnuHelpForum"};
    }
    void everyMenuOpens()
    {
        QFETCH(bool, settingsSaved);
        TestProgramFolder folder;
        if (settingsSaved) {
            prepare(folder, {});
        } else {
            QVERIFY(folder.openStore());
            TestProgramFolder::addUserAnn();
            ReleaseGlobals();
        }
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        QCOMPARE(bool(gSettings->NotSetup), !settingsSaved);
        QVERIFY(gCurrentUser);
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        QStringList offered;
        for (QAction *top : w.menuBar()->actions()) {
            QMenu *menu = top->menu();
            QVERIFY(menu);
            w.menuBar()->setActiveAction(top);
            if (!top->isEnabled()) {
                QTest::qWait(20);
                QVERIFY2(!menu->isVisible(), qPrintable(menu->objectName()));
                continue;
            }
            QTRY_VERIFY2(menu->isVisible(), qPrintable(menu->objectName()));
            QStringList items;
            for (QAction *a : menu->actions())
                if (!a->isSeparator() && a->isVisible() && a->isEnabled())
                    items << a->objectName();
            offered << menu->objectName() + QStringLiteral(": ") + items.join(QLatin1Char(' '));
            menu->hide();
        }
        QTEST(offered, "offered");
    }

    // Alt and a letter reach one command: each menu's items have their own letters, and the
    // bar's menus do not share one with a button of the window.
    void accessKeysAreUnique()
    {
        TestProgramFolder folder;
        prepare(folder, {}, 0); // dial-up: the connect commands are shown too
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        const auto key = [](const QString &text) { return QKeySequence::mnemonic(text).toString(); };

        QStringList windowKeys;
        for (QAction *top : w.menuBar()->actions()) {
            windowKeys << key(top->text());
            QStringList keys;
            for (QAction *a : top->menu()->actions()) {
                if (a->isSeparator())
                    continue;
                QVERIFY2(!key(a->text()).isEmpty(), qPrintable(a->text()));
                QVERIFY2(!keys.contains(key(a->text())), qPrintable(a->text()));
                keys << key(a->text());
            }
        }
        for (QAbstractButton *b : w.findChildren<QAbstractButton *>())
            if (!key(b->text()).isEmpty())
                windowKeys << key(b->text());
        for (const QString &k : windowKeys)
            QVERIFY2(windowKeys.count(k) == 1, qPrintable(k));
        QVERIFY(windowKeys.contains(key(QStringLiteral("&Actions"))));
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

        CurrentUser::instance().signOut();
        w.LoadAuctionScreen();
        QVERIFY(!w.menuItem("mnuActionsSchedule")->isEnabled());
        QVERIFY(!w.menuItem("mnuFileLogOut")->isEnabled());
        QVERIFY(!w.menuItem("mnuActionsRefresh")->isEnabled());
        QVERIFY(w.menuItem("mnuFileLogIn")->isEnabled());
    }
};

QTEST_MAIN(TestCommands)
#include "TestCommands.moc"
