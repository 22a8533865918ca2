#include "layout/BNResizer.h"
#include "platform_gui/WidgetResizable.h"

#include <QScreen>
#include <QWidget>
#include <QtTest>

class TestWidgetResizable : public QObject
{
    Q_OBJECT

private slots:
    void twipsAtTheBoundary_data();
    void twipsAtTheBoundary();
    void screenGivesTheDefault();
};

void TestWidgetResizable::twipsAtTheBoundary_data()
{
    QTest::addColumn<double>("twipsPerPixel");
    QTest::newRow("96 dpi") << 15.0;
    QTest::newRow("192 dpi") << 7.5;
}

void TestWidgetResizable::twipsAtTheBoundary()
{
    QFETCH(double, twipsPerPixel);

    QWidget window;
    window.setObjectName("frmAuction");
    window.setGeometry(0, 0, 400, 300);
    auto *grid = new QWidget(&window);
    grid->setObjectName("sftAuctions");
    grid->setGeometry(10, 20, 100, 50);
    WidgetResizable windowTwips(&window, twipsPerPixel);
    WidgetResizable gridTwips(grid, twipsPerPixel);

    QCOMPARE(gridTwips.name(), QStringLiteral("sftAuctions"));
    QCOMPARE(gridTwips.left(), 10 * twipsPerPixel);
    QCOMPARE(gridTwips.top(), 20 * twipsPerPixel);
    QCOMPARE(gridTwips.width(), 100 * twipsPerPixel);
    QCOMPARE(gridTwips.height(), 50 * twipsPerPixel);

    // A value between two pixels reads back as written, until something else moves the widget.
    QVERIFY(gridTwips.setWidth(1000));
    QCOMPARE(grid->width(), int(std::lround(1000 / twipsPerPixel)));
    QCOMPARE(gridTwips.width(), 1000.0);
    grid->resize(90, 50);
    QCOMPARE(gridTwips.width(), 90 * twipsPerPixel);

    QVERIFY(!gridTwips.setHeight(-1));
    QCOMPARE(grid->height(), 50);

    // Driven by a resizer: the grid follows the window pixel for pixel.
    BNResizer resizer;
    resizer.Init(&windowTwips, BNResizer::FollowSize);
    auto entry = std::make_unique<BNControl>();
    entry->Init(&gridTwips, false, true, false, true);
    resizer.Add(std::move(entry));
    window.resize(440, 330);
    resizer.Resize();
    QCOMPARE(grid->geometry(), QRect(10, 20, 130, 80));

    // A negative size is refused, so the whole set goes back.
    window.resize(300, 10);
    resizer.Resize();
    QCOMPARE(window.size(), QSize(440, 330));
    QCOMPARE(grid->geometry(), QRect(10, 20, 130, 80));
}

void TestWidgetResizable::screenGivesTheDefault()
{
    QWidget widget;
    const QScreen *screen = widget.screen();
    QVERIFY(screen);
    QCOMPARE(WidgetResizable(&widget).twipsPerPixel(), 1440.0 / screen->logicalDotsPerInch());
}

QTEST_MAIN(TestWidgetResizable)
#include "TestWidgetResizable.moc"
