#include "EngineFixture.h"
#include "ModalDriver.h"
#include "MsgBoxRecorder.h"
#include "dialogs/Dialogs.h"
#include "dialogs/frmSchedule.h"
#include "platform/Database.h"
#include "platform/Values.h"
#include "store/AuctionDatabase.h"
#include "store/Globals.h"

#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// The schedule dialog over the engine's fixture (fake window, signed-in user Ann): its checks,
// what it writes, and what ScheduleSnipe makes of it in the queue and the auction log.
class TestScheduleDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<EngineFixture> f;
    qint32 m_key = 0;

    template <typename T> static T *child(QWidget &w, const char *name)
    {
        T *c = w.findChild<T *>(QLatin1String(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    static void fill(QWidget &d, const QString &maxBid, const QString &quantity, const QString &seconds)
    {
        child<QLineEdit>(d, "txtMaxBid")->setText(maxBid);
        child<QLineEdit>(d, "txtQuantity")->setText(quantity);
        child<QLineEdit>(d, "txtBidSecs")->setText(seconds);
    }
    QVariantList row() const
    {
        QVariantList out;
        auto rs = gDB->openQuery(QStringLiteral("SELECT * FROM Auctions WHERE AUC_Primary = ?"), {m_key});
        if (rs->recordCount() == 0)
            return out;
        for (const QString &c : rs->fieldNames())
            out << rs->value(c);
        return out;
    }
    QByteArray settingsFile() const
    {
        QFile file(f->folder.settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QList<QItemPtr> snipesQueued() const
    {
        QList<QItemPtr> out;
        for (const QItemPtr &i : f->engine->queue().items())
            if (i->Action == BNQItem::Snipe)
                out << i;
        return out;
    }
    // ScheduleSnipe on the selected row, with the real dialog driven by act.
    void scheduleThroughEngine(const std::function<void(frmSchedule &)> &act)
    {
        f->window->BuildAuctionGrid(f->openFolder);
        f->window->grid.selectRow(f->window->grid.findRowByKey(m_key));
        bool acted = false;
        whenModal<frmSchedule>(act, &acted);
        Dialogs dialogs;
        f->engine->ScheduleSnipe([&] { dialogs.scheduleSnipe(nullptr); });
        QVERIFY(acted);
    }

private slots:
    // One fixture for the run; each case gets a fresh auction (minimum $10.00, 3 offered).
    void initTestCase()
    {
        f = std::make_unique<EngineFixture>();
        QVERIFY(f->isValid());
    }
    void cleanupTestCase() { f.reset(); }

    void init()
    {
        gDB->execute(QStringLiteral("DELETE FROM Auctions"));
        while (f->engine->queue().NextItem()) {
        }
        // Ends within the connect lead, so a saved snipe is queued at once.
        const QDateTime ends = EngineFixture::siteWall(QDateTime::currentDateTime().addSecs(90));
        m_key = f->addAuctionRow(QStringLiteral("4105"), 1, ends, 0, 0, 7);
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_MinBid = 10, AUC_Quantity = 3 WHERE AUC_Primary = ?"),
                     {m_key});
        ScheduleAuctionKey = m_key;
        ScheduleCancelled = false;
        SnipeUnscheduled = false;
    }

    void validation_data()
    {
        QTest::addColumn<double>("minBid");
        QTest::addColumn<QString>("maxBid");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("title"); // of the one message, empty for none
        QTest::addColumn<QString>("prompt");

        const QString lowBid = QStringLiteral("Your maximum bid is lower than the selected auction's minimum bid.  "
                                              "Please choose a higher Maximum Bid.");
        const QString tooMany = QStringLiteral("The quantity that you have selected exceeds the available quantity "
                                               "for this item.  Please adjust the quantity.");
        const QString close4 = QStringLiteral("You are cutting it very close with (4 seconds) to the end of the "
                                              "auction.  Its is recomended that you give Zandrift atleast 5 seconds "
                                              "to submit a bid so that the auction server has enough time to accept "
                                              "and log your bid.  If you are confident that the bid will be "
                                              "accepted, click YES. Otherwise click NO to edit this bid.");

        QTest::newRow("three bad boxes report the seconds") << 10.0 << "x"
                                                            << "y"
                                                            << "abc" << true << false << "Invalid Number of Seconds"
                                                            << "abc is not a valid number of seconds.";
        QTest::newRow("maximum not a number") << 10.0 << "ten"
                                              << "1"
                                              << "10" << true << false << "Invalid Bid Amount"
                                              << "Maxbid: ten is not a valid number.";
        QTest::newRow("quantity not a number") << 10.0 << "12"
                                               << "two"
                                               << "10" << true << false << "Invalid Quantity"
                                               << "Quantity: two is not a valid number.";
        QTest::newRow("0 seconds") << 10.0 << "12"
                                   << "1"
                                   << "0" << true << false << "Invalid Number of Seconds."
                                   << "Seconds must be a positive number.";
        QTest::newRow("half a second rounds to 0") << 10.0 << "12"
                                                   << "1"
                                                   << "0.5" << true << false << "Invalid Number of Seconds."
                                                   << "Seconds must be a positive number.";
        QTest::newRow("seconds beyond 32 bits") << 10.0 << "12"
                                                << "1"
                                                << "3000000000" << true << false << "Invalid Number of Seconds"
                                                << "3000000000 is not a valid number of seconds.";
        QTest::newRow("maximum equal to the minimum") << 10.0 << "10"
                                                      << "1"
                                                      << "10" << true << true << ""
                                                      << "";
        QTest::newRow("a cent below the minimum") << 10.0 << "9.99"
                                                  << "1"
                                                  << "10" << true << false << "Invalid Maximum Bid" << lowBid;
        QTest::newRow("a fraction of a cent below the minimum")
            << 10.0 << "9.996"
            << "1"
            << "10" << true << false << "Invalid Maximum Bid" << lowBid;
        QTest::newRow("a cent below a large minimum") << 131072.02 << "131072.01"
                                                      << "1"
                                                      << "10" << true << false << "Invalid Maximum Bid" << lowBid;
        QTest::newRow("equal to a large minimum") << 131072.02 << "$131,072.02"
                                                  << "1"
                                                  << "10" << true << true << ""
                                                  << "";
        QTest::newRow("quantity 0") << 10.0 << "12"
                                    << "0"
                                    << "10" << true << false << "Invalid Quantity Amount"
                                    << "Quantity must be a positive number.";
        QTest::newRow("negative quantity") << 10.0 << "12"
                                           << "-2"
                                           << "10" << true << false << "Invalid Quantity Amount"
                                           << "Quantity must be a positive number.";
        QTest::newRow("all that is offered") << 10.0 << "12"
                                             << "3"
                                             << "10" << true << true << ""
                                             << "";
        QTest::newRow("one more than offered") << 10.0 << "12"
                                               << "4"
                                               << "10" << true << false << "Invalid Quantity Amount" << tooMany;
        QTest::newRow("quantity beyond 16 bits") << 10.0 << "12"
                                                 << "40000"
                                                 << "10" << true << false << "Invalid Quantity"
                                                 << "Quantity: 40000 is not a valid number.";
        QTest::newRow("4 seconds, answered No") << 10.0 << "12"
                                                << "1"
                                                << "4" << false << false << "Confirm this Bid?" << close4;
        QTest::newRow("4 seconds, answered Yes") << 10.0 << "12"
                                                 << "1"
                                                 << "4" << true << true << "Confirm this Bid?" << close4;
        QTest::newRow("5 seconds") << 10.0 << "12"
                                   << "1"
                                   << "5" << false << true << ""
                                   << "";
    }
    void validation()
    {
        QFETCH(double, minBid);
        QFETCH(QString, maxBid);
        QFETCH(QString, quantity);
        QFETCH(QString, seconds);
        QFETCH(bool, answerYes);
        QFETCH(bool, saved);
        QFETCH(QString, title);
        QFETCH(QString, prompt);
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_MinBid = ? WHERE AUC_Primary = ?"), {minBid, m_key});

        frmSchedule d;
        QVERIFY(d.isLoaded());
        fill(d, maxBid, quantity, seconds);
        const QVariantList before = row();
        const QByteArray settingsBefore = settingsFile();
        MsgBoxRecorder boxes(answerYes ? MsgBox::Answer::Yes : MsgBox::Answer::No);
        child<QPushButton>(d, "cmdOK")->click();

        QCOMPARE(boxes.boxes.size(), title.isEmpty() ? 0 : 1);
        if (!title.isEmpty()) {
            QCOMPARE(boxes.boxes.first().title, title);
            QCOMPARE(boxes.boxes.first().prompt, prompt);
            QCOMPARE(boxes.boxes.first().icon, MsgBox::Icon::Exclamation);
        }
        QCOMPARE(d.result() == QDialog::Accepted, saved);
        QVERIFY(!ScheduleCancelled);
        QVERIFY(!SnipeUnscheduled);
        if (!saved) {
            QCOMPARE(row(), before);
            QCOMPARE(settingsFile(), settingsBefore);
            QCOMPARE(child<QLineEdit>(d, "txtMaxBid")->text(), maxBid); // kept for correcting
            return;
        }
        QCOMPARE(f->column(m_key, QStringLiteral("AUC_Status")).toInt(), 2);
        // What the saved rows' boxes hold, as amounts.
        static const QHash<QString, double> stored{
            {QStringLiteral("10"), 10.0}, {QStringLiteral("12"), 12.0}, {QStringLiteral("$131,072.02"), 131072.02}};
        QVERIFY(stored.contains(maxBid));
        QCOMPARE(f->column(m_key, QStringLiteral("AUC_MaxBid")).toDouble(), stored.value(maxBid));
        QCOMPARE(f->column(m_key, QStringLiteral("AUC_BidQuantity")).toInt(), quantity.toInt());
        QCOMPARE(f->column(m_key, QStringLiteral("AUC_BidSecs")).toInt(), seconds.toInt());
    }

    void maximumIsOneAmountInWholeCents_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("posted"); // also what the box shows when the dialog opens again
        QTest::newRow("whole cents") << "12.34" << 12.34 << "$12.34"
                                     << "12.34";
        QTest::newRow("a fraction above the minimum is the minimum") << "10.004" << 10.0 << "$10.00"
                                                                     << "10";
        QTest::newRow("a fraction of a cent is dropped") << "25.559" << 25.55 << "$25.55"
                                                         << "25.55";
        QTest::newRow("millions") << "$1,234,567.89" << 1234567.89 << "$1,234,567.89"
                                  << "1234567.89";
    }
    void maximumIsOneAmountInWholeCents()
    {
        QFETCH(QString, typed);
        QFETCH(double, stored);
        scheduleThroughEngine([typed](frmSchedule &d) {
            fill(d, typed, QStringLiteral("1"), QStringLiteral("10"));
            child<QPushButton>(d, "cmdOK")->click();
        });
        const double kept = f->column(m_key, QStringLiteral("AUC_MaxBid")).toDouble();
        QCOMPARE(kept, stored);
        QTEST(Values::formatMoney(kept), "shown");
        QCOMPARE(snipesQueued().size(), 1);
        QCOMPARE(snipesQueued().first()->Bid->MaxBid, stored);
        QTEST(BNBidTalk::amountText(snipesQueued().first()->Bid->MaxBid), "posted");

        // Opened again, the box holds what is bid, as it is posted.
        frmSchedule again;
        QTEST(child<QLineEdit>(again, "txtMaxBid")->text(), "posted");
    }

    void loadsTheRow()
    {
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Title = ?, AUC_MinBid = 1234.5 WHERE AUC_Primary = ?"),
                     {QStringLiteral("<b>Brass</b> & \"lamp\""), m_key});
        frmSchedule d;
        QCOMPARE(child<QLabel>(d, "lblAuction")->text(), QStringLiteral("<b>Brass</b> & \"lamp\""));
        QCOMPARE(child<QLabel>(d, "lblAuction")->textFormat(), Qt::PlainText);
        QCOMPARE(child<QLabel>(d, "lblMinBid")->text(), QStringLiteral("Minimum Bid: $1,234.50"));
        QCOMPARE(child<QLabel>(d, "lblQuantityAvailable")->text(), QStringLiteral("Quantity Available: 3"));
        QCOMPARE(child<QLabel>(d, "lblAuctionEnds")->text(),
                 QStringLiteral("Auction Ends: ") +
                     Values::formatGeneralDate(f->column(m_key, QStringLiteral("AUC_Ended")).toDateTime()) +
                     QStringLiteral(" (eBay Time)"));
        QCOMPARE(child<QLineEdit>(d, "txtMaxBid")->text(), QStringLiteral("0"));
        QCOMPARE(child<QLineEdit>(d, "txtQuantity")->text(), QStringLiteral("1"));
        QCOMPARE(child<QLineEdit>(d, "txtBidSecs")->text(), QStringLiteral("7"));
        QVERIFY(!child<QPushButton>(d, "cmdUnschedule")->isEnabled());
        QVERIFY(child<QPushButton>(d, "cmdOK")->isDefault());

        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Status = 2, AUC_MaxBid = 25.5, AUC_BidQuantity = 2 "
                                    "WHERE AUC_Primary = ?"),
                     {m_key});
        frmSchedule scheduled;
        QCOMPARE(child<QLineEdit>(scheduled, "txtMaxBid")->text(), QStringLiteral("25.5"));
        QCOMPARE(child<QLineEdit>(scheduled, "txtQuantity")->text(), QStringLiteral("2"));
        QVERIFY(child<QPushButton>(scheduled, "cmdUnschedule")->isEnabled());
    }

    void boxesSelectTheirTextOnEntry()
    {
        frmSchedule d;
        d.show();
        QApplication::setActiveWindow(&d);
        QVERIFY(QTest::qWaitForWindowActive(&d));
        auto *box = child<QLineEdit>(d, "txtBidSecs");
        QTest::mouseClick(box, Qt::LeftButton);
        QTRY_COMPARE(box->selectedText(), QStringLiteral("7"));
    }

    void updateAndUnscheduleThroughTheEngine()
    {
        // Saved: the row is scheduled, the log says so with the version, and the snipe is queued.
        scheduleThroughEngine([](frmSchedule &d) {
            fill(d, QStringLiteral("25.50"), QStringLiteral("2"), QStringLiteral("10"));
            child<QPushButton>(d, "cmdOK")->click();
        });
        const QString scheduled =
            QStringLiteral("(Zandrift Name: Ann, eBay Name: snipetester) Scheduled Snipe (V2.0.13).");
        QCOMPARE(f->auctionLog(m_key), QStringList{scheduled});
        QCOMPARE(snipesQueued().size(), 1);
        const QItemPtr queued = snipesQueued().first();
        QCOMPARE(queued->Bid->MaxBid, 25.5f);
        QCOMPARE(queued->Bid->Quantity, qint16(2));
        QCOMPARE(queued->Bid->BidSeconds, 10);

        // Changed: the queued conversation follows.
        scheduleThroughEngine([](frmSchedule &d) {
            fill(d, QStringLiteral("31.25"), QStringLiteral("1"), QStringLiteral("10"));
            child<QPushButton>(d, "cmdOK")->click();
        });
        QCOMPARE(snipesQueued().size(), 1);
        QCOMPARE(queued->Bid->MaxBid, 31.25f);
        QCOMPARE(queued->Bid->Quantity, qint16(1));

        // Unscheduled: out of the queue, cancelled, logged; the seconds stay.
        scheduleThroughEngine([](frmSchedule &d) { child<QPushButton>(d, "cmdUnschedule")->click(); });
        QCOMPARE(snipesQueued().size(), 0);
        QVERIFY(queued->Bid->CancelBid);
        QCOMPARE(f->auctionLog(m_key),
                 (QStringList{scheduled, scheduled, QStringLiteral("User (Ann) Cancelled Snipe.")}));
        QCOMPARE(f->column(m_key, QStringLiteral("AUC_Status")).toInt(), 1);
        QCOMPARE(f->column(m_key, QStringLiteral("AUC_MaxBid")).toDouble(), 0.0);
        QCOMPARE(f->column(m_key, QStringLiteral("AUC_BidQuantity")).toInt(), 0);
        QCOMPARE(f->column(m_key, QStringLiteral("AUC_BidSecs")).toInt(), 10);

        // Closed by the frame right after an unschedule: a cancel, not a save.
        MsgBoxRecorder boxes(MsgBox::Answer::Yes);
        scheduleThroughEngine([](frmSchedule &d) { d.close(); });
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("Exit Without Saving?"));
        QCOMPARE(f->auctionLog(m_key).size(), 3);
        QCOMPARE(snipesQueued().size(), 0);
        QCOMPARE(f->column(m_key, QStringLiteral("AUC_Status")).toInt(), 1);
    }

    void cancelAsks_data()
    {
        QTest::addColumn<int>("how"); // 0 the Cancel button, 1 Escape, 2 the close box
        QTest::newRow("Cancel") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("close box") << 2;
    }
    void cancelAsks()
    {
        QFETCH(int, how);
        frmSchedule d;
        d.show();
        fill(d, QStringLiteral("12"), QStringLiteral("1"), QStringLiteral("10"));
        const auto leave = [&] {
            if (how == 0)
                child<QPushButton>(d, "cmdCancel")->click();
            else if (how == 1)
                QTest::keyClick(&d, Qt::Key_Escape);
            else
                d.close();
        };
        const QVariantList before = row();
        MsgBoxRecorder boxes(MsgBox::Answer::No);
        leave();
        QCOMPARE(boxes.boxes.size(), 1);
        const MsgBox::Request &r = boxes.boxes.first();
        QCOMPARE(r.prompt, QStringLiteral("Are you sure you want to Exit the Scheduler Without Saving changes?"));
        QCOMPARE(r.title, QStringLiteral("Exit Without Saving?"));
        QCOMPARE(r.icon, MsgBox::Icon::Question);
        QCOMPARE(r.buttons, MsgBox::Buttons::YesNo);
        QVERIFY(d.isVisible());
        QCOMPARE(child<QLineEdit>(d, "txtMaxBid")->text(), QStringLiteral("12"));

        boxes.answers << MsgBox::Answer::Yes;
        leave();
        QVERIFY(!d.isVisible());
        QVERIFY(ScheduleCancelled);
        QVERIFY(!SnipeUnscheduled);
        QCOMPARE(row(), before);
    }

    // Each button has its own letter, and Alt with it presses the button.
    void accessKeys()
    {
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Status = 2, AUC_MaxBid = 12 WHERE AUC_Primary = ?"),
                     {m_key});
        frmSchedule d;
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QStringList keys;
        for (const char *name : {"cmdOK", "cmdUnschedule", "cmdCancel"}) {
            const QString k = QKeySequence::mnemonic(child<QPushButton>(d, name)->text()).toString();
            QVERIFY2(!k.isEmpty() && !keys.contains(k), name);
            keys << k;
        }
        QTest::keyClick(&d, Qt::Key_U, Qt::AltModifier);
        QTRY_VERIFY(SnipeUnscheduled); // the button is pressed for a moment first
        QVERIFY(!d.isVisible());
    }

    void rowDeletedMeanwhile_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("Update Schedule") << "cmdOK";
        QTest::newRow("Unschedule") << "cmdUnschedule";
    }
    void rowDeletedMeanwhile()
    {
        QFETCH(QString, button);
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Status = 2 WHERE AUC_Primary = ?"), {m_key});
        frmSchedule d;
        d.show();
        fill(d, QStringLiteral("12"), QStringLiteral("1"), QStringLiteral("10"));
        gDB->execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_Primary = ?"), {m_key});
        MsgBoxRecorder boxes;
        child<QPushButton>(d, button.toLatin1().constData())->click();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("Auction Not Found"));
        QVERIFY(!d.isVisible());
        QVERIFY(ScheduleCancelled);
        QVERIFY(!SnipeUnscheduled);
        QCOMPARE(f->engine->queue().Count(), 0);

        // Gone before the dialog opens: it says so and does not open.
        boxes.boxes.clear();
        frmSchedule gone;
        QVERIFY(!gone.isLoaded());
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(gone.exec(), int(QDialog::Rejected));
        QVERIFY(ScheduleCancelled);
    }

    void engineStatusIsKept_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("engineStatus");
        QTest::newRow("bid submitted, Update") << "cmdOK" << 3;
        QTest::newRow("outbid, Unschedule") << "cmdUnschedule" << 5;
        QTest::newRow("error, Update") << "cmdOK" << 7;
    }
    void engineStatusIsKept()
    {
        QFETCH(QString, button);
        QFETCH(int, engineStatus);
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Status = 2, AUC_MaxBid = 20, AUC_BidQuantity = 1 "
                                    "WHERE AUC_Primary = ?"),
                     {m_key});
        frmSchedule d;
        d.show();
        fill(d, QStringLiteral("12"), QStringLiteral("1"), QStringLiteral("10"));
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Status = ? WHERE AUC_Primary = ?"), {engineStatus, m_key});
        const QVariantList before = row();
        MsgBoxRecorder boxes;
        child<QPushButton>(d, button.toLatin1().constData())->click();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("Auction Changed"));
        QCOMPARE(row(), before);
        QVERIFY(!d.isVisible());
        QVERIFY(ScheduleCancelled);
        QVERIFY(!SnipeUnscheduled);

        // A status the engine had written before the dialog opened is the user's to change.
        frmSchedule again;
        fill(again, QStringLiteral("12"), QStringLiteral("1"), QStringLiteral("10"));
        child<QPushButton>(again, "cmdOK")->click();
        QCOMPARE(again.result(), int(QDialog::Accepted));
        QCOMPARE(f->column(m_key, QStringLiteral("AUC_Status")).toInt(), 2);
    }

    void databaseErrorIsReported()
    {
        frmSchedule d;
        d.show();
        fill(d, QStringLiteral("12"), QStringLiteral("1"), QStringLiteral("10"));
        gDB->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Auctions "
                                    "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        const QVariantList before = row();
        MsgBoxRecorder boxes;
        child<QPushButton>(d, "cmdOK")->click();
        gDB->execute(QStringLiteral("DROP TRIGGER refuse"));
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("Database Error"));
        QVERIFY(boxes.boxes.first().prompt.contains(QStringLiteral("disk full")));
        QVERIFY(d.isVisible());
        QCOMPARE(row(), before);
    }
};

QTEST_MAIN(TestScheduleDialog)
#include "TestScheduleDialog.moc"
