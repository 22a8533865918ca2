#include "mainwindow/AddAuctionStrip.h"

#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestAddAuctionStrip : public QObject
{
    Q_OBJECT

private slots:
    void openingTakesANumberFromTheClipboard_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("number") << "110012345678"
                                << "5"
                                << "110012345678";
        QTest::newRow("number with blanks") << " 42 "
                                            << ""
                                            << " 42 ";
        QTest::newRow("words") << "not a number"
                               << "777"
                               << "777";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
    }
    void openingTakesANumberFromTheClipboard()
    {
        QFETCH(QString, clipboard);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QGuiApplication::clipboard()->setText(clipboard);
        AddAuctionStrip strip;
        strip.resize(strip.sizeHint());
        strip.show();
        strip.txtItemNumber()->setText(before);
        QVERIFY(!strip.fraNewAuction()->isVisible());

        strip.cmdAuctionAdd()->click();
        QVERIFY(strip.fraNewAuction()->isVisible());
        QVERIFY(strip.isStripOpen());
        QVERIFY(strip.isAddAuctionDefault());
        QVERIFY(strip.cmdAuctionAddOK()->isEnabled());
        QCOMPARE(strip.txtItemNumber()->text(), after);
        QCOMPARE(strip.txtItemNumber()->selectedText(), after);
    }

    void leftClickInTheBoxTakesTheClipboard()
    {
        AddAuctionStrip strip;
        strip.resize(strip.sizeHint());
        strip.show();
        strip.cmdAuctionAdd_Click();
        strip.txtItemNumber()->setText(QStringLiteral("1"));
        QGuiApplication::clipboard()->setText(QStringLiteral("987654"));
        QTest::mouseClick(strip.txtItemNumber(), Qt::RightButton);
        QCOMPARE(strip.txtItemNumber()->text(), QStringLiteral("1"));
        QTest::mouseClick(strip.txtItemNumber(), Qt::LeftButton);
        QCOMPARE(strip.txtItemNumber()->text(), QStringLiteral("987654"));
        QCOMPARE(strip.txtItemNumber()->selectedText(), QStringLiteral("987654"));
    }

    void okAndEnterHandOverTheTypedText()
    {
        QGuiApplication::clipboard()->clear();
        AddAuctionStrip strip;
        strip.show();
        QSignalSpy spy(&strip, &AddAuctionStrip::auctionAddRequested);
        strip.cmdAuctionAdd_Click();
        QTest::keyClicks(strip.txtItemNumber(), QStringLiteral(" 007 "));
        strip.cmdAuctionAddOK()->click();
        QTest::keyClick(strip.txtItemNumber(), Qt::Key_Return);
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy[0][0].toString(), QStringLiteral(" 007 "));

        // Enter does nothing once OK is disabled or no longer the default button.
        strip.setAddAuctionEnabled(false);
        QTest::keyClick(strip.txtItemNumber(), Qt::Key_Return);
        strip.setAddAuctionEnabled(true);
        strip.setAddAuctionDefault(false);
        QTest::keyClick(strip.txtItemNumber(), Qt::Key_Return);
        QCOMPARE(spy.size(), 2);
    }

    void cancelClosesTheStrip()
    {
        AddAuctionStrip strip;
        strip.show();
        strip.cmdAuctionAdd_Click();
        strip.cmdAuctionAddCancel()->click();
        QVERIFY(!strip.fraNewAuction()->isVisible());
        QVERIFY(!strip.isStripOpen());
        QVERIFY(!strip.isAddAuctionDefault());
    }

    // The import disables OK and closes the strip (or leaves it open after the already-queued
    // message); the next number must still be addable.
    void okComesBackAfterAnImport()
    {
        QGuiApplication::clipboard()->clear();
        AddAuctionStrip strip;
        strip.show();
        QSignalSpy spy(&strip, &AddAuctionStrip::auctionAddRequested);
        strip.cmdAuctionAdd_Click();
        strip.setAddAuctionEnabled(false);
        strip.hideAddAuctionStrip();
        QVERIFY(!strip.isStripOpen());

        strip.cmdAuctionAdd_Click();
        QVERIFY(strip.cmdAuctionAddOK()->isEnabled());

        strip.setAddAuctionEnabled(false); // refused as already queued: the strip stays open
        QTest::keyClicks(strip.txtItemNumber(), QStringLiteral("8"));
        QVERIFY(strip.cmdAuctionAddOK()->isEnabled());
        QTest::keyClick(strip.txtItemNumber(), Qt::Key_Return);
        QCOMPARE(spy.size(), 1);
    }
};

QTEST_MAIN(TestAddAuctionStrip)
#include "TestAddAuctionStrip.moc"
