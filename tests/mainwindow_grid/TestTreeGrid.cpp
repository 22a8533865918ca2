#include "platform_gui/Pictures.h"
#include "platform_gui/QtTreeGrid.h"
#include "platform_gui/TreeGridWidget.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QtTest>

// The tree-grid over Qt's tree widget: rows added while the grid is being filled, fitting a
// column to every row, and the events it reports.
class TestTreeGrid : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerProgramPictures(); }
    void rowsAddedDuringBulkUpdate();
    void clearWhileFilling();
    void fitColumnCoversEveryRow();
    void headerClicksOnlyForFlaggedColumns();
    void headerToolTip();
    void dragStartFromTheMouse();
    void columnStyleAlignsCells();
};

void TestTreeGrid::rowsAddedDuringBulkUpdate()
{
    QTreeWidget widget;
    QtTreeGrid grid(&widget);
    grid.setColumnCount(3);
    grid.addRow(QStringLiteral("first"));
    grid.setBulkUpdate(true);
    grid.setBulkUpdate(true); // nested: only the outer off ends it
    for (int i = 0; i < 5; ++i) {
        const qint32 row = grid.addRow(QStringLiteral("row %1").arg(i));
        QCOMPARE(row, i + 1);
        grid.setRowKey(row, 100 + i);
        grid.setCellText(row, 2, QString::number(i));
        grid.setCellPicture(row, 0, QStringLiteral("picScheduled"));
        grid.setCellColor(row, 1, 255);
    }
    QCOMPARE(grid.rowCount(), 6);
    QCOMPARE(grid.findRowByKey(103), 4);
    QCOMPARE(grid.findRowByText(QStringLiteral("4"), 2), 5);
    QCOMPARE(grid.cellText(3, 0), QStringLiteral("row 2"));
    grid.setBulkUpdate(false);
    QVERIFY(!widget.updatesEnabled());
    grid.setBulkUpdate(false);
    QVERIFY(widget.updatesEnabled());
    grid.setBulkUpdate(false); // an unmatched off changes nothing
    QVERIFY(widget.updatesEnabled());

    // Everything reached the widget, in order.
    QCOMPARE(widget.topLevelItemCount(), 6);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(widget.topLevelItem(i + 1)->text(0), QStringLiteral("row %1").arg(i));
        QCOMPARE(grid.rowKey(i + 1), 100 + i);
        QCOMPARE(grid.cellPicture(i + 1, 0), QStringLiteral("picScheduled"));
        QVERIFY(!widget.topLevelItem(i + 1)->icon(0).isNull());
        QCOMPARE(grid.cellColor(i + 1, 1), 255);
    }

    // Selecting a row while filling puts the rows in first.
    grid.setBulkUpdate(true);
    grid.addRow(QStringLiteral("late"));
    grid.selectRow(6);
    QCOMPARE(grid.currentRow(), 6);
    QCOMPARE(grid.selectedRows(), QList<qint32>{6});
    grid.setBulkUpdate(false);
    QCOMPARE(widget.topLevelItemCount(), 7);
}

void TestTreeGrid::clearWhileFilling()
{
    QTreeWidget widget;
    QtTreeGrid grid(&widget);
    grid.setBulkUpdate(true);
    grid.addRow(QStringLiteral("a"));
    grid.clear();
    QCOMPARE(grid.rowCount(), 0);
    QCOMPARE(grid.addRow(QStringLiteral("b")), 0);
    grid.setBulkUpdate(false);
    QCOMPARE(widget.topLevelItemCount(), 1);
    QCOMPARE(widget.topLevelItem(0)->text(0), QStringLiteral("b"));
}

void TestTreeGrid::fitColumnCoversEveryRow()
{
    QTreeWidget widget;
    widget.resize(1000, 300); // wide enough for every cell: the cap is seen below
    QtTreeGrid grid(&widget);
    grid.setColumnCount(2);
    grid.setColumnCaption(0, QStringLiteral("Auctions"));
    grid.setBulkUpdate(true);
    for (int i = 0; i < 1500; ++i) {
        grid.addRow(QStringLiteral("Lot %1").arg(i));
        grid.setCellText(i, 1, QStringLiteral("$%1.00").arg(i));
        if (i % 2)
            grid.setCellPicture(i, 0, QStringLiteral("picClosed"));
    }
    // Far down the list, beyond any sample of rows, and in another script.
    grid.setCellText(1200, 0, QStringLiteral("A much longer title than any other row has, to be seen"));
    grid.setCellText(1300, 1, QStringLiteral("Ünïcödé ταμείο дом €100 ✓"));
    grid.setBulkUpdate(false);

    for (int col = 0; col < 2; ++col) {
        grid.fitColumn(col);
        int widest = 0;
        for (int r = 0; r < widget.topLevelItemCount(); ++r)
            widest = qMax(widest, widget.sizeHintForIndex(widget.model()->index(r, col)).width());
        const int fitted = widget.columnWidth(col);
        QVERIFY2(fitted >= widest && fitted <= widest + 4,
                 qPrintable(QStringLiteral("column %1: %2 for cells up to %3").arg(col).arg(fitted).arg(widest)));
    }
    // The header's caption counts too.
    grid.setColumnCaption(1, QStringLiteral("A caption wider than every cell of its column"));
    grid.fitColumn(1);
    QCOMPARE(widget.columnWidth(1), widget.header()->sectionSizeHint(1));
    // One endless title takes half the grid, not thousands of pixels.
    grid.setCellText(7, 0, QStringLiteral("endless ").repeated(500));
    grid.fitColumn(0);
    QCOMPARE(widget.columnWidth(0), widget.width() / 2);
}

void TestTreeGrid::headerClicksOnlyForFlaggedColumns()
{
    QTreeWidget widget;
    QtTreeGrid grid(&widget);
    grid.setColumnCount(3);
    for (int c = 0; c < 3; ++c)
        grid.setColumnCaption(c, QStringLiteral("Column %1").arg(c));
    grid.setColumnHeaderFlag(1, true);
    widget.resize(600, 200);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QSignalSpy clicked(&grid, &QtTreeGrid::clicked);
    QHeaderView *header = widget.header();
    const auto centre = [&](int section) {
        return QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                      header->height() / 2);
    };
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre(0));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre(1));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).toInt(), -1);
    QCOMPARE(clicked.at(0).at(1).toInt(), 1);
    QCOMPARE(clicked.at(0).at(2).value<TreeGrid::ClickArea>(), TreeGrid::ClickArea::ColumnHeader);
}

void TestTreeGrid::headerToolTip()
{
    QTreeWidget widget;
    QtTreeGrid grid(&widget);
    grid.setColumnCount(2);
    grid.setColumnHeaderFlag(0, true);
    widget.resize(400, 200);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QList<int> asked;
    connect(&grid, &QtTreeGrid::headerToolTipRequested, this, [&](qint32 column, QString *text) {
        asked << column;
        *text = QStringLiteral("Click Column Header to Sort");
    });
    QHeaderView *header = widget.header();
    for (int section : {0, 1}) {
        const QPoint pos(header->sectionViewportPosition(section) + 5, header->height() / 2);
        QHelpEvent help(QEvent::ToolTip, pos, header->viewport()->mapToGlobal(pos));
        QCoreApplication::sendEvent(header->viewport(), &help);
    }
    QCOMPARE(asked, QList<int>{0});
}

void TestTreeGrid::dragStartFromTheMouse()
{
    TreeGridWidget widget;
    QtTreeGrid grid(&widget);
    grid.setColumnCount(2);
    grid.addRow(QStringLiteral("a"));
    grid.addRow(QStringLiteral("b"));
    widget.resize(400, 200);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QSignalSpy started(&grid, &QtTreeGrid::dragStartRequested);
    const QPoint start = widget.visualItemRect(widget.topLevelItem(0)).center();
    QTest::mousePress(widget.viewport(), Qt::LeftButton, {}, start);
    QTest::mouseMove(widget.viewport(), start + QPoint(20, 20));
    QTest::mouseMove(widget.viewport(), start + QPoint(40, 40));
    QTest::mouseRelease(widget.viewport(), Qt::LeftButton, {}, start + QPoint(40, 40));
    QTRY_COMPARE(started.count(), 1);
    QCOMPARE(grid.currentRow(), 0);

    // The drag itself names its source; it ends at once where no window system carries it.
    widget.setObjectName(QStringLiteral("sftAuctions"));
    grid.setDragPicture(QStringLiteral("imgDragIconAuction"));
    grid.beginDrag();
}

void TestTreeGrid::columnStyleAlignsCells()
{
    QTreeWidget widget;
    QtTreeGrid grid(&widget);
    grid.setColumnCount(3);
    grid.setColumnStyle(0, 8, 0);
    grid.setColumnStyle(1, 2, 1);
    grid.setColumnStyle(2, 1, 1);
    grid.addRow(QStringLiteral("title"));
    grid.setCellText(0, 1, QStringLiteral("$1.00"));
    grid.setCellPicture(0, 2, QStringLiteral("imgChecked"));
    widget.resize(600, 200);
    for (int c = 0; c < 3; ++c)
        widget.setColumnWidth(c, 150);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QCOMPARE(grid.columnStyle(1), (QPair<qint32, qint32>(2, 1)));
    QCOMPARE(widget.headerItem()->textAlignment(1) & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));
    QCOMPARE(widget.headerItem()->textAlignment(0) & Qt::AlignHorizontal_Mask, int(Qt::AlignLeft));
    // A lone check-box picture sits in the middle of its cell.
    const QRect cell = widget.visualRect(widget.model()->index(0, 2));
    const QRect picture = grid.pictureRect(0, 2);
    QVERIFY(!picture.isEmpty());
    QVERIFY(qAbs(picture.center().x() - cell.center().x()) <= 1);
    qint32 row = -1, column = -1;
    TreeGrid::ClickArea area = TreeGrid::ClickArea::Cell;
    grid.hitTest(picture.center(), &row, &column, &area);
    QCOMPARE(area, TreeGrid::ClickArea::CellPicture);
    grid.hitTest(QPoint(cell.left() + 3, cell.center().y()), &row, &column, &area);
    QCOMPARE(area, TreeGrid::ClickArea::Cell);
    QCOMPARE(column, 2);
    // The title's status picture stays at the left, by its text.
    QVERIFY(grid.pictureRect(0, 0).isEmpty());
}

QTEST_MAIN(TestTreeGrid)
#include "TestTreeGrid.moc"
