#include "FakeNmcli.h"
#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "dialogs/IDialogs.h"
#include "dialogs/frmAppSettings.h"
#include "dialogs/frmAucNewUser.h"
#include "dialogs/frmSchedule.h"
#include "engine/AuctionEngine.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "store/AppSettings.h"
#include "store/BSN_User.h"
#include "store/BSN_Users.h"
#include "store/Globals.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

// Every box of the three dialogs that takes a number reads it by one rule: a comma only between
// groups of three digits, no exponent, no hexadecimal, no other currency than a leading "$". A box refuses what it
// cannot read with its own message and keeps the stored value; what it reads is stored as typed.
class TestTypedNumbers : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<FakeNmcli> m_nmcli;
    qint32 m_auction = 0;

    template <typename T> static T *child(QWidget &w, const QString &name)
    {
        T *c = w.findChild<T *>(name);
        if (!c)
            qFatal("no control %s", qPrintable(name));
        return c;
    }
    static QString one(const QString &sql, const QVariantList &params = {})
    {
        return gDB->openQuery(sql, params)->value(QStringLiteral("v")).toString();
    }

    // Each dialog filled so that it saves, then the one box set to the text; what was stored
    // under that box afterwards.
    QString throughSchedule(const QString &box, const QString &text)
    {
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Status = 1, AUC_MaxBid = 0, AUC_BidQuantity = 0, "
                                    "AUC_BidSecs = 7 WHERE AUC_Primary = ?"),
                     {m_auction});
        ScheduleAuctionKey = m_auction;
        frmSchedule d;
        child<QLineEdit>(d, QStringLiteral("txtMaxBid"))->setText(QStringLiteral("20"));
        child<QLineEdit>(d, QStringLiteral("txtQuantity"))->setText(QStringLiteral("1"));
        child<QLineEdit>(d, QStringLiteral("txtBidSecs"))->setText(QStringLiteral("10"));
        child<QLineEdit>(d, box)->setText(text);
        d.cmdOK_Click();
        const QString column = box == QLatin1String("txtMaxBid")     ? QStringLiteral("AUC_MaxBid")
                               : box == QLatin1String("txtQuantity") ? QStringLiteral("AUC_BidQuantity")
                                                                     : QStringLiteral("AUC_BidSecs");
        if (one(QStringLiteral("SELECT AUC_Status AS v FROM Auctions WHERE AUC_Primary = ?"), {m_auction}) != "2")
            return QStringLiteral("(not saved)");
        return one(QStringLiteral("SELECT %1 AS v FROM Auctions WHERE AUC_Primary = ?").arg(column), {m_auction});
    }
    QString throughSettings(const QString &box, const QString &text)
    {
        gSettings = std::make_unique<AppSettings>(*gDB, SettingsStore::instance());
        gSettings->PeriodicTimeSync = 0;
        frmAppSettings d;
        child<QRadioButton>(d, QStringLiteral("optConnectionType2"))->click();
        auto *zones = child<QComboBox>(d, QStringLiteral("cboTime"));
        zones->setCurrentIndex(7);
        emit zones->activated(7);
        child<QLineEdit>(d, QStringLiteral("txtConnectMins"))->setText(QStringLiteral("5"));
        child<QCheckBox>(d, QStringLiteral("chkPeriodicTimeSync"))->setChecked(true);
        child<QLineEdit>(d, QStringLiteral("txtTimeSyncHours"))->setText(QStringLiteral("24"));
        child<QCheckBox>(d, QStringLiteral("chkAutoDeleteErrorLogs"))->setChecked(true);
        child<QLineEdit>(d, QStringLiteral("txtDeleteErrorLogDays"))->setText(QStringLiteral("7"));
        child<QLineEdit>(d, box)->setText(text);
        gSettings->PeriodicTimeSync = -1; // marks "not saved"
        d.cmdOK_Click();
        if (gSettings->PeriodicTimeSync == -1)
            return QStringLiteral("(not saved)");
        if (box == QLatin1String("txtTimeSyncHours"))
            return QString::number(gSettings->PeriodicTimeSync);
        if (box == QLatin1String("txtConnectMins"))
            return QString::number(gSettings->ConnectXPriortoBid);
        return QString::number(gSettings->DeleteErrorLogDays);
    }
    QString throughWizard(const QString &box, const QString &text)
    {
        gUsers->Init(*gDB);
        CurrentUser::instance().signIn(gUsers->GetUserByPrimary(1));
        gCurrentUser->Editing = true;
        gDB->execute(QStringLiteral("UPDATE Users SET U_BidSeconds = 0, U_AutoRefreshMins = 0"));
        SettingsStore::instance().deleteSection(BSN_User::sectionFor(gCurrentUser->ZandroName));
        frmAucNewUser d;
        child<QCheckBox>(d, QStringLiteral("chkAutoRefresh"))->setChecked(true);
        child<QLineEdit>(d, QStringLiteral("txtRefreshMins"))->setText(QStringLiteral("60"));
        child<QLineEdit>(d, QStringLiteral("txtBidSecs"))->setText(QStringLiteral("30"));
        child<QCheckBox>(d, QStringLiteral("chkAutoDeleteAuctions"))->setChecked(true);
        child<QLineEdit>(d, QStringLiteral("txtDeleteAuctionDays"))->setText(QStringLiteral("30"));
        child<QLineEdit>(d, box)->setText(text);
        QTest::mouseClick(child<QPushButton>(d, QStringLiteral("cmdOK")), Qt::LeftButton);
        if (one(QStringLiteral("SELECT U_BidSeconds AS v FROM Users WHERE U_Primary = 1")) == "0")
            return QStringLiteral("(not saved)");
        if (box == QLatin1String("txtBidSecs"))
            return one(QStringLiteral("SELECT U_BidSeconds AS v FROM Users WHERE U_Primary = 1"));
        if (box == QLatin1String("txtRefreshMins"))
            return one(QStringLiteral("SELECT U_AutoRefreshMins AS v FROM Users WHERE U_Primary = 1"));
        return SettingsStore::instance().get(BSN_User::sectionFor(QStringLiteral("ann")),
                                             QStringLiteral("DeleteAuctionDays"));
    }

private slots:
    void initTestCase()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(m_folder->isValid());
        QVERIFY(m_folder->openStore());
        // No phone book: the settings dialog is saved with a direct connection.
        m_nmcli = std::make_unique<FakeNmcli>(m_folder->path());
        TestProgramFolder::addUserAnn();
        gDB->execute(QStringLiteral("UPDATE Users SET U_EbayName = 'ann_site', U_EbayPassword = 'pw', "
                                    "U_EbayEmail = 'ann@example.com'"));
        gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, "
                                    "AUC_Status, AUC_Ended, AUC_MinBid, AUC_Quantity) VALUES (1, 1, '27001', "
                                    "'Lot', 1, ?, 1, 5)"),
                     {QDateTime::currentDateTime().addDays(2)});
        m_auction = one(QStringLiteral("SELECT max(AUC_Primary) AS v FROM Auctions")).toInt();
    }
    void cleanupTestCase()
    {
        CurrentUser::instance().signOut();
        m_nmcli.reset();
        m_folder.reset();
    }

    void everyNumberBox_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");  // empty when the box refuses the text
        QTest::addColumn<QString>("message"); // the one message of a refusal

        const auto refused = [](const char *dialog, const char *box, const QString &text, const QString &message) {
            QTest::addRow("%s %s refuses \"%s\"", dialog, box, qPrintable(text))
                << dialog << box << text << QString() << message;
        };
        const auto stored = [](const char *dialog, const char *box, const QString &text, const QString &value) {
            QTest::addRow("%s %s reads \"%s\"", dialog, box, qPrintable(text))
                << dialog << box << text << value << QString();
        };

        for (const QString &t : QStringList{"12,50", "12,5", "1,2", "1e3", "0x10", "1,23,456", "$12,50", "12.50.1"})
            refused("schedule", "txtMaxBid", t, QStringLiteral("Maxbid: ") + t + " is not a valid number.");
        stored("schedule", "txtMaxBid", QStringLiteral("1,234.50"), QStringLiteral("1234.5"));
        stored("schedule", "txtMaxBid", QStringLiteral(" $12.50 "), QStringLiteral("12.5"));
        stored("schedule", "txtMaxBid", QStringLiteral("12."), QStringLiteral("12"));
        for (const QString &t : QStringList{"1,2", "1e0", "0x2"})
            refused("schedule", "txtQuantity", t, QStringLiteral("Quantity: ") + t + " is not a valid number.");
        stored("schedule", "txtQuantity", QStringLiteral("+2"), QStringLiteral("2"));
        for (const QString &t : QStringList{"1,5", "1e1", "0x10"})
            refused("schedule", "txtBidSecs", t, t + " is not a valid number of seconds.");
        stored("schedule", "txtBidSecs", QStringLiteral("15"), QStringLiteral("15"));

        const QString hours = QStringLiteral("Please enter a valid number of hours for time synchronization.");
        for (const QString &t : QStringList{"1,2", "1e1", "0x10"})
            refused("settings", "txtTimeSyncHours", t, hours);
        stored("settings", "txtTimeSyncHours", QStringLiteral("12"), QStringLiteral("12"));
        const QString mins = QStringLiteral(
            "Please enter a valid number of minutes for Zandrift to connect prior to the end of an auction.");
        for (const QString &t : QStringList{"5,0", "5e0", "0x5"})
            refused("settings", "txtConnectMins", t, mins);
        stored("settings", "txtConnectMins", QStringLiteral("6"), QStringLiteral("6"));
        const QString days = QStringLiteral("Please enter a valid number of days, from 0 to 999, after which "
                                            "Zandrift deletes error logs (Auction Defaults Tab).");
        for (const QString &t : QStringList{"1,5", "1e1", "0x9"})
            refused("settings", "txtDeleteErrorLogDays", t, days);
        stored("settings", "txtDeleteErrorLogDays", QStringLiteral("14"), QStringLiteral("14"));

        for (const QString &t : QStringList{"1,5", "1e2", "0x10"})
            refused("wizard", "txtBidSecs", t, t + " is not a valid number of seconds.");
        stored("wizard", "txtBidSecs", QStringLiteral("15"), QStringLiteral("15"));
        for (const QString &t : QStringList{"6,0", "6e1", "0x3c"})
            refused("wizard", "txtRefreshMins", t, t + " is not a valid number of minutes.");
        stored("wizard", "txtRefreshMins", QStringLiteral("1,440"), QStringLiteral("1440"));
        const QString noDays = QStringLiteral("You have selected to Automatically Delete Closed Auctions, but have "
                                              "not provided a valid Number of Days.  Please enter a Valid Number of "
                                              "Days (under Options Tab).");
        for (const QString &t : QStringList{"3,0", "3e1", "0x1e"})
            refused("wizard", "txtDeleteAuctionDays", t, noDays);
        stored("wizard", "txtDeleteAuctionDays", QStringLiteral("45"), QStringLiteral("45"));
    }
    void everyNumberBox()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QFETCH(QString, message);

        MsgBoxRecorder boxes;
        const QString got = dialog == QLatin1String("schedule")   ? throughSchedule(box, text)
                            : dialog == QLatin1String("settings") ? throughSettings(box, text)
                                                                  : throughWizard(box, text);
        if (stored.isEmpty()) {
            QCOMPARE(got, QStringLiteral("(not saved)"));
            QCOMPARE(boxes.boxes.size(), 1);
            QCOMPARE(boxes.boxes.first().prompt, message);
        } else {
            QCOMPARE(boxes.boxes.size(), 0);
            QCOMPARE(got, stored);
        }
    }
};

QTEST_MAIN(TestTypedNumbers)
#include "TestTypedNumbers.moc"
