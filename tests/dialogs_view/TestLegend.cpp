#include "ModalDriver.h"
#include "dialogs/Dialogs.h"
#include "dialogs/frmLegend.h"
#include "engine/AuctionEngine.h"
#include "platform_gui/Pictures.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TestLegend : public QObject
{
    Q_OBJECT

private slots:
    // Each row shows the grid's picture for its status code, beside its explanation.
    void picturesAreTheGrids_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("label");
        QTest::newRow("1") << 1 << "picNotScheduled"
                           << "Label1";
        QTest::newRow("2") << 2 << "picScheduled"
                           << "Label2";
        QTest::newRow("3") << 3 << "picBidSubmitted"
                           << "Label3";
        QTest::newRow("4") << 4 << "picSnipedWon"
                           << "Label4";
        QTest::newRow("5") << 5 << "picSnipedLost"
                           << "Label5";
        QTest::newRow("6") << 6 << "picClosed"
                           << "Label6";
        QTest::newRow("7") << 7 << "picError"
                           << "Label7";
    }
    void picturesAreTheGrids()
    {
        QFETCH(int, status);
        QFETCH(QString, picture);
        QFETCH(QString, label);
        frmLegend legend;
        auto *shown = legend.findChild<QLabel *>(picture);
        QVERIFY(shown);
        const QImage expected = programPicture(GetStatusPicture(status)).pixmap(16, 16).toImage();
        QVERIFY(!expected.isNull());
        QCOMPARE(shown->pixmap().toImage(), expected);
        QVERIFY(!legend.findChild<QLabel *>(label)->text().isEmpty());
    }

    void closes()
    {
        bool acted = false;
        whenModal<frmLegend>(
            [](frmLegend &legend) {
                QCOMPARE(legend.windowTitle(), QStringLiteral("Auction Icon Legend"));
                QTest::mouseClick(legend.findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
            },
            &acted);
        Dialogs().legend(nullptr);
        QVERIFY(acted);
    }
};

QTEST_MAIN(TestLegend)
#include "TestLegend.moc"
