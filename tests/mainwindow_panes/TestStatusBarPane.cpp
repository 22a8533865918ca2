#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "mainwindow/StatusBarPane.h"
#include "platform/Clock.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QLabel>
#include <QtTest>

class TestStatusBarPane : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    int m_queued = 0;

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(m_folder->openStore());
        m_queued = 0;
    }
    void cleanup()
    {
        Clock::unfreeze();
        m_folder.reset();
    }

    void setStatusText()
    {
        StatusBarPane pane([this] { return m_queued; });
        m_queued = 4;
        QString action, step;
        pane.SetStatusText(action, step);
        QCOMPARE(action, QStringLiteral("None"));
        QCOMPARE(step, QStringLiteral("Complete"));
        QCOMPARE(pane.statusPanel(1), QStringLiteral("None"));
        QCOMPARE(pane.statusPanel(2), QStringLiteral("Complete"));
        QCOMPARE(pane.statusPanel(3), QStringLiteral("Items in Queue: 5"));

        QString refresh = QStringLiteral("Refreshing Auction #7"), sending = QStringLiteral("Request Sent");
        pane.SetStatusText(refresh, sending);
        QCOMPARE(pane.statusPanel(1), refresh);
        QCOMPARE(pane.statusPanel(2), sending);

        pane.setStatusPanel(3, QStringLiteral("Items in Queue: 0"));
        QCOMPARE(pane.statusPanel(3), QStringLiteral("Items in Queue: 0"));
        pane.setStatusPanel(4, QStringLiteral("nowhere"));
        QCOMPARE(pane.statusPanel(4), QString());
    }

    void panelsShowMarkupAsText()
    {
        StatusBarPane pane([] { return 0; });
        const QString hostile = QStringLiteral("Adding Auction #<img src=x><b>1</b>");
        pane.setStatusPanel(1, hostile);
        pane.setStatusPanel(2, QStringLiteral("An Error Occurred - 500:<a href='x'>down</a>"));
        for (const char *name : {"stsMainPanel1", "stsMainPanel2", "stsMainPanel3", "lblLocalTime", "lblEbayTime"}) {
            auto *label = pane.findChild<QLabel *>(QLatin1String(name));
            QVERIFY2(label, name);
            QCOMPARE(label->textFormat(), Qt::PlainText);
        }
        QCOMPARE(pane.findChild<QLabel *>(QStringLiteral("stsMainPanel1"))->text(), hostile);
    }

    void clocksReadTheProgramClock_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("site");
        QTest::newRow("same clock") << 0 << "eBay: 3/14/2027 12:00:00 PM";
        QTest::newRow("three hours behind") << 3 << "eBay: 3/14/2027 9:00:00 AM";
        QTest::newRow("ahead across midnight") << -13 << "eBay: 3/15/2027 1:00:00 AM";
        QTest::newRow("behind to midnight") << 12 << "eBay: 3/14/2027";
    }
    void clocksReadTheProgramClock()
    {
        QFETCH(int, offset);
        QFETCH(QString, site);
        gSettings->TimeOffset = static_cast<qint16>(offset);
        // Far from the system's date, so a reading of the system clock would show.
        Clock::freeze(QDateTime(QDate(2027, 3, 14), QTime(12, 0, 0)));
        StatusBarPane pane([] { return 0; });
        QCOMPARE(pane.lblLocalTime()->text(), QStringLiteral("Local Time"));
        QCOMPARE(pane.lblEbayTime()->text(), QStringLiteral("Ebay Time"));
        pane.tmrDateTime_Timer();
        QCOMPARE(pane.lblLocalTime()->text(), QStringLiteral("Local: 3/14/2027 12:00:00 PM"));
        QCOMPARE(pane.lblEbayTime()->text(), site);
        Clock::advance(1500);
        pane.tmrDateTime_Timer();
        QCOMPARE(pane.lblLocalTime()->text(), QStringLiteral("Local: 3/14/2027 12:00:01 PM"));
    }

    // The clocks always read whole; when not every panel can, the current action (a snipe's
    // state) gets room first, then the queue, then the step. Widths are the status line's at
    // the window's first size on each screen.
    void panelsGiveRoomByPriority_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("whole");
        const QStringList preparing = {"Preparing to Snipe Item# 3001000101", "Sending Request to Host...",
                                       "Items in Queue: 3"};
        const QStringList waiting = {"Waiting for Exact Moment to Snipe...", "Waiting...", "Items in Queue: 1"};
        const QStringList idle = {"None", "Complete", "Items in Queue: 1"};
        QTest::newRow("1024x768, preparing") << 604 << preparing << "1";
        QTest::newRow("1024x768, waiting") << 604 << waiting << "1";
        QTest::newRow("1024x768, idle") << 604 << idle << "123";
        QTest::newRow("1280x900, preparing") << 784 << preparing << "13";
        QTest::newRow("1280x900, waiting") << 784 << waiting << "123";
        QTest::newRow("wide, preparing") << 1400 << preparing << "123";
        QTest::newRow("narrower than the action") << 560 << preparing << "";
    }
    void panelsGiveRoomByPriority()
    {
        QFETCH(int, width);
        QFETCH(QStringList, texts);
        QFETCH(QString, whole);
        gSettings->TimeOffset = 8;
        Clock::freeze(QDateTime(QDate(2026, 12, 11), QTime(13, 10, 52)));
        StatusBarPane pane([] { return 0; });
        pane.tmrDateTime_Timer();
        for (int panel = 1; panel <= 3; ++panel)
            pane.setStatusPanel(panel, texts[panel - 1]);
        pane.resize(width, pane.sizeHint().height());
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));

        for (QLabel *clock : {pane.lblLocalTime(), pane.lblEbayTime()})
            QVERIFY2(clock->width() >= clock->sizeHint().width(), qPrintable(clock->text()));
        int right = -1;
        for (int panel = 1; panel <= 3; ++panel) {
            const QString shown = pane.shownStatusPanel(panel);
            if (whole.contains(QString::number(panel)))
                QCOMPARE(shown, texts[panel - 1]);
            else
                QVERIFY2(shown != texts[panel - 1], qPrintable(shown));
            // Side by side inside the row, the tooltip telling all.
            auto *label = pane.findChild<QLabel *>(QStringLiteral("stsMainPanel%1").arg(panel));
            QCOMPARE(label->toolTip(), texts[panel - 1]);
            if (label->isVisible()) {
                QVERIFY(label->x() > right);
                right = label->geometry().right();
            }
        }
        QVERIFY(right < pane.stsMain()->width());
    }

    void alreadyQueued()
    {
        MsgBoxRecorder boxes;
        StatusBarPane::ShowAlreadyQueued(QStringLiteral("110012345678"));
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("Item #110012345678 is already in the Queue to be added."));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Item Already in Queue"));
        QCOMPARE(boxes.boxes[0].buttons, MsgBox::Buttons::Ok);
    }
};

QTEST_MAIN(TestStatusBarPane)
#include "TestStatusBarPane.moc"
