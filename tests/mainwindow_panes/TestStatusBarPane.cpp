#include "AppSettings.h"
#include "Clock.h"
#include "Globals.h"
#include "MsgBoxRecorder.h"
#include "StatusBarPane.h"
#include "TestProgramFolder.h"

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
