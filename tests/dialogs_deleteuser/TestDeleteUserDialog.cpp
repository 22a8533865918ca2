#include "EngineFixture.h"
#include "MsgBoxRecorder.h"
#include "dialogs/frmDeleteUser.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// Deleting a program user: who is offered, the password, everything of the user gone in one
// step or nothing at all, and the user's snipes out of the engine's queue.
class TestDeleteUserDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<EngineFixture> f;
    qint32 m_bob = 0;
    qint32 m_bobSnipe = 0;
    qint32 m_annSnipe = 0;

    qint32 addUser(const QString &name, const QVariant &password)
    {
        gDB->execute(QStringLiteral("INSERT INTO Users (U_ZandroName, U_ZandroPassword, U_EbayName, U_EbayPassword, "
                                    "U_EbayEmail, U_BidSeconds, U_AutoRefreshMins, U_AutoLogOn) "
                                    "VALUES (?, ?, ?, 'pw', 'x@example.com', 5, 0, 0)"),
                     {name, password, name.toLower()});
        auto rs = gDB->openQuery(QStringLiteral("SELECT max(U_Primary) AS k FROM Users"));
        return static_cast<qint32>(rs->value(QStringLiteral("k")).toLongLong());
    }
    // A user's rows in every table of the user's own, plus the settings section.
    static QList<qint64> rowsOf(qint32 user)
    {
        QList<qint64> out;
        for (const char *q : {"SELECT COUNT(*) AS n FROM Auctions WHERE AUC_User = ?",
                              "SELECT COUNT(*) AS n FROM Folders WHERE FLD_User = ?",
                              "SELECT COUNT(*) AS n FROM Shortcuts WHERE SHT_User = ?",
                              "SELECT COUNT(*) AS n FROM Logs WHERE LOG_User = ?",
                              "SELECT COUNT(*) AS n FROM Users WHERE U_Primary = ?"}) {
            auto rs = gDB->openQuery(QLatin1String(q), {user});
            out << rs->value(QStringLiteral("n")).toLongLong();
        }
        return out;
    }
    QItemPtr queueSnipe(qint32 auctionKey, qint32 userKey)
    {
        auto bid = std::make_shared<BNBidTalk>();
        bid->PrimaryKey = auctionKey;
        bid->User = gUsers->GetUserByPrimary(userKey);
        bid->MaxBid = 20;
        const QItemPtr item = BNQItem::snipe(bid);
        f->engine->queue().Add(item);
        return item;
    }
    QByteArray settingsFile() const
    {
        QFile file(f->folder.settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QStringList offered(frmDeleteUser &d)
    {
        QStringList out;
        auto *list = d.findChild<QComboBox *>(QStringLiteral("cboDeleteUser"));
        for (int i = 0; i < list->count(); ++i)
            out << list->itemText(i);
        return out;
    }
    static void choose(frmDeleteUser &d, const QString &name, const QString &password)
    {
        auto *list = d.findChild<QComboBox *>(QStringLiteral("cboDeleteUser"));
        list->setCurrentIndex(list->findText(name));
        d.findChild<QLineEdit *>(QStringLiteral("txtDeletePassword"))->setText(password);
    }
    static void clickDelete(frmDeleteUser &d) { d.findChild<QPushButton *>(QStringLiteral("cmdDeleteUser"))->click(); }

private slots:
    // Ann (signed in) and Bob each with an auction scheduled, folders, a shortcut, logs and a
    // settings section; Cy has nothing and no password.
    void init()
    {
        f = std::make_unique<EngineFixture>();
        QVERIFY(f->isValid());
        m_bob = addUser(QStringLiteral("Bob"), QStringLiteral("Secret"));
        addUser(QStringLiteral("Cy"), QVariant());
        gDB->execute(QStringLiteral("INSERT INTO Folders (FLD_User, FLD_Parent, FLD_Name) VALUES (?, 0, 'Open "
                                    "Auctions'), (?, 0, 'Closed Auctions')"),
                     {m_bob, m_bob});
        m_annSnipe = f->addAuctionRow(QStringLiteral("501"), 2);
        m_bobSnipe = f->addAuctionRow(QStringLiteral("502"), 2);
        f->addAuctionRow(QStringLiteral("503"), 1);
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_User = ? WHERE AUC_Primary >= ?"), {m_bob, m_bobSnipe});
        gDB->execute(QStringLiteral("INSERT INTO Shortcuts (SHT_User, SHT_Folder, SHT_Auction, SHT_Text) "
                                    "VALUES (?, 0, ?, 'lamp'), (?, 0, ?, 'vase')"),
                     {m_bob, m_bobSnipe, f->userKey, m_annSnipe});
        BSN_Log().MarkAuction(m_bobSnipe, m_bob, QStringLiteral("Bob's auction log"));
        BSN_Log().MarkAuction(0, m_bob, QStringLiteral("Bob's general log"));
        BSN_Log().MarkAuction(m_annSnipe, f->userKey, QStringLiteral("Ann's auction log"));
        SettingsStore::instance().set(QStringLiteral("user Bob"), QStringLiteral("DeleteAuctionDays"),
                                      QStringLiteral("12"));
        SettingsStore::instance().set(QStringLiteral("user Ann"), QStringLiteral("DeleteAuctionDays"),
                                      QStringLiteral("9"));
        QVERIFY(SettingsStore::instance().sync());
        gUsers->Init(*gDB);
        CurrentUser::instance().signIn(gUsers->GetUserByPrimary(f->userKey));
        queueSnipe(m_annSnipe, f->userKey);
        queueSnipe(m_bobSnipe, m_bob);
    }
    void cleanup() { f.reset(); }

    void offersEveryoneButTheSignedInUser()
    {
        {
            frmDeleteUser d;
            QCOMPARE(offered(d), (QStringList{QStringLiteral("Bob"), QStringLiteral("Cy")}));
            auto *button = d.findChild<QPushButton *>(QStringLiteral("cmdDeleteUser"));
            QVERIFY(!button->isEnabled());
            choose(d, QStringLiteral("Cy"), QString());
            QVERIFY(button->isEnabled());
        }
        CurrentUser::instance().signOut();
        frmDeleteUser d;
        QCOMPARE(offered(d), (QStringList{QStringLiteral("Ann"), QStringLiteral("Bob"), QStringLiteral("Cy")}));
    }

    void wrongPasswordIsRefused_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong") << "nope";
        QTest::newRow("other letter case") << "secret";
        QTest::newRow("empty") << "";
    }
    void wrongPasswordIsRefused()
    {
        QFETCH(QString, password);
        const QList<qint64> before = rowsOf(m_bob);
        const QByteArray settingsBefore = settingsFile();
        frmDeleteUser d(nullptr, f->engine.get());
        d.show();
        choose(d, QStringLiteral("Bob"), password);
        MsgBoxRecorder boxes(MsgBox::Answer::Yes);
        clickDelete(d);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().prompt, QStringLiteral("User cannot be deleted without a valid password."));
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("Invalid Password"));
        QCOMPARE(boxes.boxes.first().icon, MsgBox::Icon::Exclamation);
        QVERIFY(d.isVisible());
        QCOMPARE(rowsOf(m_bob), before);
        QCOMPARE(settingsFile(), settingsBefore);
        QCOMPARE(f->engine->queue().Count(), 2);
    }

    void deletesEverythingOfTheUser()
    {
        const QList<qint64> ann = rowsOf(f->userKey);
        const QItemPtr bobSnipe = f->engine->queue().items().at(1);
        frmDeleteUser d(nullptr, f->engine.get());
        d.show();
        choose(d, QStringLiteral("Bob"), QStringLiteral("Secret"));
        MsgBoxRecorder boxes(MsgBox::Answer::Yes);
        clickDelete(d);
        QCOMPARE(boxes.boxes.size(), 1);
        const MsgBox::Request &r = boxes.boxes.first();
        QCOMPARE(r.title, QStringLiteral("Delete User: Bob"));
        QCOMPARE(r.prompt, QStringLiteral("Bob currently has 1 Auctions Scheduled for Bidding.\r\n"
                                          "Are you sure you want to Delete this User?"));
        QCOMPARE(r.icon, MsgBox::Icon::Question);
        QCOMPARE(r.buttons, MsgBox::Buttons::YesNo);
        QVERIFY(!d.isVisible());

        QCOMPARE(rowsOf(m_bob), (QList<qint64>{0, 0, 0, 0, 0}));
        QCOMPARE(rowsOf(f->userKey), ann);
        SettingsStore fresh(f->folder.settingsPath());
        QVERIFY(!fresh.hasSection(QStringLiteral("user Bob")));
        QCOMPARE(fresh.get(QStringLiteral("user Ann"), QStringLiteral("DeleteAuctionDays")), QStringLiteral("9"));
        QVERIFY(!gUsers->GetUserByZandroName(QStringLiteral("Bob")));
        QCOMPARE(gUsers->Count(), 2);
        // Bob's snipe will not bid; Ann's still will.
        QCOMPARE(f->engine->queue().Count(), 1);
        QCOMPARE(f->engine->queue().items().first()->Bid->PrimaryKey, m_annSnipe);
        QVERIFY(bobSnipe->Bid->CancelBid);
    }

    void inFlightSnipeOfTheUserIsCancelled()
    {
        f->engine->queue().NextItem(); // Ann's; Bob's is the one being served next
        f->engine->mLastQueueItem = f->engine->queue().NextItem();
        const QItemPtr inFlight = f->engine->mLastQueueItem;
        QCOMPARE(inFlight->Bid->PrimaryKey, m_bobSnipe);
        frmDeleteUser d(nullptr, f->engine.get());
        QVERIFY(d.DeleteUser(m_bob));
        QVERIFY(inFlight->Bid->CancelBid);
        QCOMPARE(f->engine->queue().Count(), 0);
    }

    void noPasswordAndNothingScheduled()
    {
        frmDeleteUser d(nullptr, f->engine.get());
        d.show();
        choose(d, QStringLiteral("Cy"), QString());
        MsgBoxRecorder boxes(MsgBox::Answer::No);
        clickDelete(d);
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes.first().prompt.startsWith(QStringLiteral("Cy currently has 0 Auctions Scheduled")));
        QVERIFY(d.isVisible()); // answered No
        QVERIFY(gUsers->GetUserByZandroName(QStringLiteral("Cy")));

        boxes.answers << MsgBox::Answer::Yes;
        clickDelete(d);
        QVERIFY(!d.isVisible());
        QVERIFY(!gUsers->GetUserByZandroName(QStringLiteral("Cy")));
        QCOMPARE(f->engine->queue().Count(), 2);
    }

    void failureMidwayDeletesNothing()
    {
        gDB->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON Logs "
                                    "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        const QList<qint64> before = rowsOf(m_bob);
        const QByteArray settingsBefore = settingsFile();
        frmDeleteUser d(nullptr, f->engine.get());
        d.show();
        choose(d, QStringLiteral("Bob"), QStringLiteral("Secret"));
        MsgBoxRecorder boxes(MsgBox::Answer::Yes);
        clickDelete(d);
        QCOMPARE(boxes.boxes.size(), 2);
        QCOMPARE(boxes.boxes.last().prompt, QStringLiteral("Unable to Delete User"));
        QCOMPARE(boxes.boxes.last().title, QStringLiteral("Error Deleting User"));
        QCOMPARE(boxes.boxes.last().icon, MsgBox::Icon::Exclamation);
        QVERIFY(d.isVisible());
        QCOMPARE(rowsOf(m_bob), before);
        QCOMPARE(settingsFile(), settingsBefore);
        QCOMPARE(f->engine->queue().Count(), 2);
        QCOMPARE(gDB->transactionDepth(), 0);
    }

    void userMissingFromTheList()
    {
        frmDeleteUser d(nullptr, f->engine.get());
        d.show();
        choose(d, QStringLiteral("Bob"), QStringLiteral("Secret"));
        // Someone else removed Bob meanwhile and the list was reloaded.
        gDB->execute(QStringLiteral("DELETE FROM Users WHERE U_Primary = ?"), {m_bob});
        gUsers->Init(*gDB);
        MsgBoxRecorder boxes(MsgBox::Answer::Yes);
        clickDelete(d);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("Delete User"));
        QVERIFY(boxes.boxes.first().prompt.contains(QStringLiteral("Bob")));
        QVERIFY(d.isVisible());
    }

    void closingReloadsTheUsers()
    {
        frmDeleteUser d;
        d.show();
        addUser(QStringLiteral("Dee"), QVariant());
        QVERIFY(!gUsers->GetUserByZandroName(QStringLiteral("Dee")));
        d.findChild<QPushButton *>(QStringLiteral("cmdDeleteCancel"))->click();
        QVERIFY(!d.isVisible());
        QVERIFY(gUsers->GetUserByZandroName(QStringLiteral("Dee")));
    }
};

QTEST_MAIN(TestDeleteUserDialog)
#include "TestDeleteUserDialog.moc"
