#include "FakeResizable.h"
#include "layout/BNControl.h"
#include "layout/BNLayoutError.h"
#include "layout/BNResizer.h"

#include <QtTest>

#include <memory>

namespace {

// Registers control with flags written as words: sr, tr (stretch right), sd, td, cx, cy.
BNControl &add(BNResizer &resizer, FakeResizable &control, const QString &flags)
{
    const QStringList f = flags.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    auto entry = std::make_unique<BNControl>();
    entry->Init(&control, f.contains("sr"), f.contains("tr"), f.contains("sd"), f.contains("td"));
    entry->ConstrainSlide(f.contains("cx"), f.contains("cy"));
    return resizer.Add(std::move(entry));
}

QRectF savedOf(const BNControl &entry)
{
    const LayoutRect r = entry.lastSaved();
    return QRectF(r.left, r.top, r.width, r.height);
}

} // namespace

class TestBNResizer : public QObject
{
    Q_OBJECT

private slots:
    void slideAndStretch_data();
    void slideAndStretch();
    void percentOverrides();
    void exclusiveMode();
    void namesAreUniqueWithoutRegardToCase();
    void oneShotOffsets_data();
    void oneShotOffsets();
    void refusedWriteRollsEveryControlBack_data();
    void refusedWriteRollsEveryControlBack();
    void rollbackAfterInitRestoresEverything();
    void rollbackCarriesOnPastARefusal();
    void rollbackReturnsToTheReacquiredState();
    void reentrantResize_data();
    void reentrantResize();
};

void TestBNResizer::slideAndStretch_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QRectF>("refBefore");
    QTest::addColumn<QRectF>("refAfter");
    QTest::addColumn<QRectF>("expected");

    const int size = BNResizer::FollowSize;
    const int position = BNResizer::FollowPosition;
    const QRectF ref(1000, 2000, 6000, 4000);
    // The control starts at (500, 700) and is 2000 x 1500.
    QTest::newRow("size: wider, slide right")
        << size << "sr" << ref << QRectF(1000, 2000, 6300, 4000) << QRectF(800, 700, 2000, 1500);
    QTest::newRow("size: wider, stretch right")
        << size << "tr" << ref << QRectF(1000, 2000, 6300, 4000) << QRectF(500, 700, 2300, 1500);
    QTest::newRow("size: wider, slide right keeping the right edge")
        << size << "sr cx" << ref << QRectF(1000, 2000, 6300, 4000) << QRectF(800, 700, 1700, 1500);
    QTest::newRow("size: wider, no flag")
        << size << "" << ref << QRectF(1000, 2000, 6300, 4000) << QRectF(500, 700, 2000, 1500);
    QTest::newRow("size: taller, slide down")
        << size << "sd" << ref << QRectF(1000, 2000, 6000, 4200) << QRectF(500, 900, 2000, 1500);
    QTest::newRow("size: taller, stretch down")
        << size << "td" << ref << QRectF(1000, 2000, 6000, 4200) << QRectF(500, 700, 2000, 1700);
    QTest::newRow("size: taller, slide down keeping the bottom edge")
        << size << "sd cy" << ref << QRectF(1000, 2000, 6000, 4200) << QRectF(500, 900, 2000, 1300);
    QTest::newRow("size: smaller both ways, all four")
        << size << "sr tr sd td" << ref << QRectF(1000, 2000, 5000, 3500) << QRectF(-500, 200, 1000, 1000);
    QTest::newRow("size: a move of the reference is no change")
        << size << "sr tr sd td" << ref << QRectF(1500, 2500, 6000, 4000) << QRectF(500, 700, 2000, 1500);
    QTest::newRow("position: right, slide right")
        << position << "sr" << ref << QRectF(1450, 2000, 6000, 4000) << QRectF(950, 700, 2000, 1500);
    QTest::newRow("position: right, stretch right")
        << position << "tr" << ref << QRectF(1450, 2000, 6000, 4000) << QRectF(500, 700, 2450, 1500);
    QTest::newRow("position: up, slide down keeping the bottom edge")
        << position << "sd cy" << ref << QRectF(1000, 1700, 6000, 4000) << QRectF(500, 400, 2000, 1800);
    QTest::newRow("position: a resize of the reference is no change")
        << position << "sr tr sd td" << ref << QRectF(1000, 2000, 7000, 5000) << QRectF(500, 700, 2000, 1500);
    // 6001.5 records as 6002 and 6302.5 measures as 6302: a change of 300, not 301.
    QTest::newRow("halves round to the even neighbour")
        << size << "sr" << QRectF(1000, 2000, 6001.5, 4000) << QRectF(1000, 2000, 6302.5, 4000)
        << QRectF(800, 700, 2000, 1500);
    QTest::newRow("an unknown mode moves nothing")
        << 2 << "sr tr sd td" << ref << QRectF(1450, 2300, 7000, 5000) << QRectF(500, 700, 2000, 1500);
}

void TestBNResizer::slideAndStretch()
{
    QFETCH(int, mode);
    QFETCH(QString, flags);
    QFETCH(QRectF, refBefore);
    QFETCH(QRectF, refAfter);
    QFETCH(QRectF, expected);

    FakeResizable reference("imgSplitter", refBefore.x(), refBefore.y(), refBefore.width(), refBefore.height());
    FakeResizable control("sftAuctions", 500, 700, 2000, 1500);
    BNResizer resizer;
    resizer.Init(&reference, mode);
    BNControl &entry = add(resizer, control, flags);

    reference.rect = refAfter;
    resizer.Resize();
    QCOMPARE(control.rect, expected);
    QCOMPARE(savedOf(entry), expected);

    // The baseline advanced: the same reference again is no change.
    resizer.Resize();
    QCOMPARE(control.rect, expected);
}

void TestBNResizer::percentOverrides()
{
    FakeResizable window("frmAuction", 0, 0, 6000, 4000);
    FakeResizable browser("WB", 0, 0, 9000, 3000);
    FakeResizable pane("fraFavorites", 100, 100, 1000, 1000);
    FakeResizable plain("sftFavorites", 100, 100, 1000, 1000);
    BNResizer resizer;
    resizer.Init(&window, BNResizer::FollowSize);
    BNControl &entry = add(resizer, pane, "tr td");
    entry.PercentRef = &browser;
    entry.PercentXOverride = 0.33f;
    entry.PercentYOverride = 0.5f;
    add(resizer, plain, "tr td");

    window.rect.setSize(QSizeF(6200, 4100));
    resizer.Resize();
    // The factors replace the change for their own entry only.
    QCOMPARE(pane.rect.width(), 9000 * double(0.33f));
    QCOMPARE(pane.rect.height(), 1500.0);
    QCOMPARE(plain.rect, QRectF(100, 100, 1200, 1100));
}

void TestBNResizer::exclusiveMode()
{
    FakeResizable splitter("imgSplitterY", 0, 3000, 6000, 60);
    FakeResizable a("a", 0, 0, 100, 100), b("b", 0, 0, 100, 100), c("c", 0, 0, 100, 100), d("d", 0, 0, 100, 100),
        e("e", 0, 0, 100, 100);
    BNResizer resizer;
    resizer.Init(&splitter, BNResizer::FollowPosition);
    for (FakeResizable *control : {&a, &b, &c, &d, &e})
        add(resizer, *control, "sd");

    resizer.ExclusiveControls({&b, &d});
    c.rect.moveTop(50); // moved by other code: the exclusive pass records it as it is
    splitter.rect.moveTop(3300);
    resizer.Resize();
    QCOMPARE(a.rect.top(), 0.0);
    QCOMPARE(b.rect.top(), 300.0);
    QCOMPARE(c.rect.top(), 50.0);
    QCOMPARE(d.rect.top(), 300.0);
    QCOMPARE(e.rect.top(), 0.0);
    resizer.Rollback();
    QCOMPARE(c.rect.top(), 50.0);
    QCOMPARE(b.rect.top(), 300.0);

    resizer.ExclusiveControls(QList<IResizable *>()); // an empty list changes nothing
    splitter.rect.moveTop(3400);
    resizer.Resize();
    QCOMPARE(a.rect.top(), 0.0);
    QCOMPARE(b.rect.top(), 400.0);

    resizer.ExclusiveControls(); // everyone again
    resizer.ExclusiveControls(QList<IResizable *>());
    splitter.rect.moveTop(3500);
    resizer.Resize();
    QCOMPARE(a.rect.top(), 100.0);
    QCOMPARE(b.rect.top(), 500.0);
    for (const auto &entry : resizer.colBNControls())
        QVERIFY(!entry->Exclusive);

    // An unregistered control fails; those before it stay marked.
    FakeResizable stranger("stranger", 0, 0, 1, 1);
    try {
        resizer.ExclusiveControls({&a, &stranger, &e});
        QFAIL("no error for an unregistered control");
    } catch (const BNLayoutError &error) {
        QCOMPARE(error.number(), BNLayoutError::UnknownName);
    }
    QVERIFY(resizer.Item("a")->Exclusive);
    QVERIFY(!resizer.Item("e")->Exclusive);
}

void TestBNResizer::namesAreUniqueWithoutRegardToCase()
{
    FakeResizable window("frmAuction", 0, 0, 6000, 4000);
    FakeResizable grid("sftAuctions", 0, 0, 100, 100), same("SFTAUCTIONS", 0, 0, 100, 100);
    BNResizer resizer;
    resizer.Init(&window, BNResizer::FollowSize);
    add(resizer, grid, "tr");
    QVERIFY_THROWS_EXCEPTION(BNLayoutError, add(resizer, same, "tr"));
    QCOMPARE(resizer.colBNControls().size(), size_t(1));
    QCOMPARE(resizer.Item("SftAuctions")->Control(), &grid);
}

void TestBNResizer::oneShotOffsets_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("xOverride");
    QTest::addColumn<int>("yOverride");
    QTest::addColumn<QPointF>("referenceChange"); // of the size or the position, by mode
    QTest::addColumn<QPointF>("expectedMove");

    QTest::newRow("x, size mode, reference unchanged")
        << int(BNResizer::FollowSize) << -1200 << 0 << QPointF() << QPointF(-1200, 0);
    QTest::newRow("y, size mode, reference unchanged")
        << int(BNResizer::FollowSize) << 0 << -1200 << QPointF() << QPointF(0, -1200);
    QTest::newRow("y, position mode, reference unchanged")
        << int(BNResizer::FollowPosition) << 0 << 800 << QPointF() << QPointF(0, 800);
    // The other axis is still measured; the overridden one ignores the measured change.
    QTest::newRow("y overrides a measured change, x measured")
        << int(BNResizer::FollowPosition) << 0 << -1200 << QPointF(300, 450) << QPointF(300, -1200);
}

void TestBNResizer::oneShotOffsets()
{
    QFETCH(int, mode);
    QFETCH(int, xOverride);
    QFETCH(int, yOverride);
    QFETCH(QPointF, referenceChange);
    QFETCH(QPointF, expectedMove);

    FakeResizable reference("imgSplitterY", 1000, 3000, 6000, 4000);
    FakeResizable control("WB", 2000, 5000, 3000, 2000);
    BNResizer resizer;
    resizer.Init(&reference, mode);
    add(resizer, control, "sr sd");

    resizer.XOffsetOverride = xOverride;
    resizer.YOffsetOverride = yOverride;
    if (mode == BNResizer::FollowSize)
        reference.rect.setSize(reference.rect.size() + QSizeF(referenceChange.x(), referenceChange.y()));
    else
        reference.rect.translate(referenceChange);
    resizer.Resize();
    QCOMPARE(control.rect.topLeft(), QPointF(2000, 5000) + expectedMove);
    QCOMPARE(resizer.XOffsetOverride, 0);
    QCOMPARE(resizer.YOffsetOverride, 0);

    // Consumed, and the reference as it is now is the baseline.
    resizer.Resize();
    QCOMPARE(control.rect.topLeft(), QPointF(2000, 5000) + expectedMove);
}

void TestBNResizer::refusedWriteRollsEveryControlBack_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("a negative width refused") << "refuse";
    QTest::newRow("a negative width thrown") << "throw";
    QTest::newRow("a percentage without its reference") << "percent";
}

void TestBNResizer::refusedWriteRollsEveryControlBack()
{
    QFETCH(QString, how);

    FakeResizable window("frmAuction", 0, 0, 6000, 4000);
    FakeResizable e1("e1", 0, 0, 2000, 500), e2("e2", 2000, 0, 2000, 500), e3("e3", 4000, 0, 400, 500),
        e4("e4", 0, 600, 2000, 500), e5("e5", 0, 1200, 2000, 500);
    // e3 sits in the middle of the registration order.
    BNResizer ordered;
    ordered.Init(&window, BNResizer::FollowSize);
    add(ordered, e1, "tr");
    add(ordered, e2, "sr tr");
    BNControl &middle = add(ordered, e3, "tr");
    add(ordered, e4, "tr");
    add(ordered, e5, "tr");
    if (how == "percent") {
        middle.PercentXOverride = 0.5f;
    } else {
        e3.refuse = [](char property, double value) { return property == 'W' && value < 0; };
        e3.throwOnRefusal = how == "throw";
    }
    QList<bool> rollingBackSeen;
    window.afterWrite = [&](char) { rollingBackSeen << ordered.RollingBack(); };

    window.rect.setWidth(5500); // e3 would become -100 wide
    ordered.Resize();           // no error reaches the caller

    QCOMPARE(window.rect, QRectF(0, 0, 6000, 4000));
    QCOMPARE(e1.rect, QRectF(0, 0, 2000, 500));
    QCOMPARE(e2.rect, QRectF(2000, 0, 2000, 500));
    QCOMPARE(e3.rect, QRectF(4000, 0, 400, 500));
    QCOMPARE(e4.rect, QRectF(0, 600, 2000, 500));
    // Only what had changed is written back; those after the failure were never touched.
    QCOMPARE(e1.writes, QStringList({"W=1500", "W=2000"}));
    QCOMPARE(e2.writes, QStringList({"L=1500", "W=1500", "L=2000", "W=2000"}));
    QVERIFY(e4.writes.isEmpty());
    QVERIFY(e5.writes.isEmpty());
    QCOMPARE(rollingBackSeen, QList<bool>({true, true, true, true}));
    QVERIFY(!ordered.RollingBack());

    // The baseline stayed as recorded: the next change is measured from 6000.
    e3.refuse = nullptr;
    middle.PercentXOverride = 0;
    window.rect.setWidth(6100);
    ordered.Resize();
    QCOMPARE(e1.rect.width(), 2100.0);
}

void TestBNResizer::rollbackAfterInitRestoresEverything()
{
    FakeResizable window("frmAuction", 0, 0, 6000, 4000);
    FakeResizable grid("sftAuctions", 100, 200, 3000, 1500), tree("sftFolders", 0, 200, 100, 1500);
    BNResizer resizer;
    resizer.Init(&window, BNResizer::FollowSize);
    add(resizer, grid, "tr td");
    add(resizer, tree, "");

    window.rect = QRectF(10, 20, 7000, 5000);
    grid.rect = QRectF(150, 250, 3500, 1900);
    tree.rect.setHeight(1900);
    resizer.Rollback();
    QCOMPARE(window.rect, QRectF(0, 0, 6000, 4000));
    QCOMPARE(grid.rect, QRectF(100, 200, 3000, 1500));
    QCOMPARE(tree.rect, QRectF(0, 200, 100, 1500));
}

void TestBNResizer::rollbackCarriesOnPastARefusal()
{
    FakeResizable window("frmAuction", 0, 0, 6000, 4000);
    FakeResizable stuck("stuck", 0, 0, 1000, 1000), free("free", 0, 0, 1000, 1000);
    BNResizer resizer;
    resizer.Init(&window, BNResizer::FollowSize);
    add(resizer, stuck, "sr tr");
    add(resizer, free, "sr tr");
    window.rect.setWidth(6200);
    resizer.Resize();

    window.rect.setWidth(9000);
    stuck.rect = QRectF(700, 0, 1700, 1000);
    free.rect = QRectF(900, 0, 1900, 1000);
    stuck.refuse = [](char property, double) { return property == 'W'; };
    resizer.Rollback();
    QCOMPARE(window.rect.width(), 6200.0);
    QCOMPARE(stuck.rect, QRectF(200, 0, 1700, 1000));
    QCOMPARE(free.rect, QRectF(200, 0, 1200, 1000));
    QVERIFY(!resizer.RollingBack()); // a host's resize handling is not left switched off

    stuck.refuse = nullptr;
    window.rect.setWidth(6300);
    resizer.Resize();
    QCOMPARE(stuck.rect, QRectF(300, 0, 1800, 1000));
    QCOMPARE(free.rect, QRectF(300, 0, 1300, 1000));
}

void TestBNResizer::rollbackReturnsToTheReacquiredState()
{
    FakeResizable window("frmAuction", 0, 0, 6000, 4000);
    FakeResizable grid("sftAuctions", 2060, 0, 3000, 2000);
    BNResizer resizer;
    resizer.Init(&window, BNResizer::FollowSize);
    add(resizer, grid, "tr");
    grid.refuse = [](char property, double value) { return property == 'W' && value < 0; };

    // A splitter drag moved the grid; the window's resizer takes that as its new state.
    grid.rect = QRectF(2560, 0, 2500, 2000);
    resizer.Reacquire();
    window.rect.setWidth(3000);
    resizer.Resize();
    QCOMPARE(grid.rect, QRectF(2560, 0, 2500, 2000));
    QCOMPARE(window.rect.width(), 6000.0);
}

void TestBNResizer::reentrantResize_data()
{
    QTest::addColumn<bool>("notify");
    QTest::addColumn<double>("refuseGridBelow");
    QTest::addColumn<double>("expectedWindowWidth");
    QTest::addColumn<double>("expectedTackLeft");
    QTest::addColumn<double>("expectedGridWidth");

    QTest::newRow("raised to the minimum, no notification") << false << 0.0 << 5000.0 << 3000.0 << 2000.0;
    QTest::newRow("raised to the minimum, moved once by the notification") << true << 0.0 << 5000.0 << 3000.0 << 2000.0;
    QTest::newRow("a failure inside the notification rolls back once") << true << 2500.0 << 6000.0 << 4000.0 << 3000.0;
}

void TestBNResizer::reentrantResize()
{
    QFETCH(bool, notify);
    QFETCH(double, refuseGridBelow);
    QFETCH(double, expectedWindowWidth);
    QFETCH(double, expectedTackLeft);
    QFETCH(double, expectedGridWidth);

    FakeResizable window("frmAuction", 0, 0, 6000, 4000);
    FakeResizable tack("tbrViewTack", 4000, 0, 300, 300), grid("sftAuctions", 0, 0, 3000, 2000);
    BNResizer resizer;
    resizer.Init(&window, BNResizer::FollowSize);
    resizer.SetRefMinWidth(5000);
    add(resizer, tack, "sr");
    add(resizer, grid, "tr");
    grid.refuse = [=](char property, double value) { return property == 'W' && value < refuseGridBelow; };
    int depth = 0, deepest = 0;
    if (notify) {
        // The window's own resize notification, which skips its resizing during a rollback.
        window.afterWrite = [&](char property) {
            if ((property != 'W' && property != 'H') || resizer.RollingBack())
                return;
            deepest = qMax(deepest, ++depth);
            resizer.Resize();
            --depth;
        };
    }

    window.rect.setWidth(4000); // the user shrinks it below the minimum
    resizer.Resize();
    QCOMPARE(window.rect.width(), expectedWindowWidth);
    QCOMPARE(tack.rect.left(), expectedTackLeft);
    QCOMPARE(grid.rect.width(), expectedGridWidth);
    QCOMPARE(deepest, notify ? 1 : 0);

    resizer.Resize(); // nothing left to apply
    QCOMPARE(tack.rect.left(), expectedTackLeft);
    QCOMPARE(grid.rect.width(), expectedGridWidth);
}

QTEST_GUILESS_MAIN(TestBNResizer)
#include "TestBNResizer.moc"
