// Minimising into the tray and coming back, with a fake notification area.
#include "FakeBrowser.h"
#include "FakeDialogs.h"
#include "FakeTrayIcon.h"
#include "TestProgramFolder.h"
#include "engine/AuctionEngine.h"
#include "engine/BNQItem.h"
#include "mainwindow/frmAuction.h"
#include "platform/Database.h"
#include "platform/FormTimer.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QMenu>
#include <QtTest>

namespace {

void prepare(TestProgramFolder &folder, bool settingsSaved, bool autoLogOn, bool scheduledSnipe = false)
{
    QVERIFY(folder.openStore());
    if (settingsSaved) {
        gSettings->ConnectionType = 2;
        gSettings->ShowClosingWarning = 1;
        QVERIFY(gSettings->SaveSettings());
    }
    TestProgramFolder::addUserAnn(autoLogOn);
    if (scheduledSnipe)
        gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Status) "
                                    "VALUES (1, 1, '12', 2)"));
    ReleaseGlobals();
}

// Returns once every call the window has queued so far has run: the hide into the tray is
// queued by the state change, so after this it has come or it never will.
bool queuedWorkDone(frmAuction &w)
{
    bool done = false;
    QMetaObject::invokeMethod(
        &w, [&done] { done = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([&done] { return done; }, 5000);
}

} // namespace

class TestTray : public QObject
{
    Q_OBJECT

private slots:
    void init() { gClosing = false; }
    void cleanup() { ReleaseGlobals(); }

    void restoreSignsInAsTheDoubleClickDoes_data()
    {
        QTest::addColumn<bool>("settingsSaved");
        QTest::addColumn<bool>("autoLogOn");
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<int>("signInDialogs");
        QTest::newRow("double-click, automatic log-on") << true << true << false << true << 0;
        QTest::newRow("menu, automatic log-on") << true << true << true << true << 0;
        QTest::newRow("double-click, sign-in dialog") << true << false << false << false << 1;
        QTest::newRow("menu, sign-in dialog") << true << false << true << false << 1;
        QTest::newRow("double-click, settings never saved") << false << true << false << false << 0;
        QTest::newRow("menu, settings never saved") << false << true << true << false << 0;
    }
    void restoreSignsInAsTheDoubleClickDoes()
    {
        QFETCH(bool, settingsSaved);
        QFETCH(bool, autoLogOn);
        QFETCH(bool, byMenu);
        QFETCH(bool, signedIn);
        QFETCH(int, signInDialogs);
        TestProgramFolder folder;
        prepare(folder, settingsSaved, autoLogOn);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        FakeTrayIcon *icon = giveFakeTray(w, true);
        QVERIFY(w.Form_Load(QString()));
        QVERIFY(icon->isShown());
        if (!gCurrentUser) {
            // Nobody was signed in at start (no automatic log-on, or settings never saved).
            CurrentUser::instance().signIn(gUsers->Users().front());
            w.LoadAuctionScreen();
        }
        const int before = dialogs.calls.count("signIn");

        // Minimising keeps the signed-in user; the close question's tray choice signs out first.
        w.showMinimized();
        QTRY_VERIFY(w.isHidden());
        QVERIFY(gCurrentUser);
        icon->doubleClick();
        QVERIFY(w.isVisible());
        CurrentUser::instance().signOut();
        w.LoadAuctionScreen();
        w.showMinimized();
        QTRY_VERIFY(w.isHidden());
        QVERIFY(!gCurrentUser);

        if (byMenu)
            trayAction(w, "mnuTrayPopupRestore")->trigger();
        else
            icon->doubleClick();
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMinimized());
        QCOMPARE(bool(gCurrentUser), signedIn);
        QCOMPARE(dialogs.calls.count("signIn") - before, signInDialogs);
    }

    void restoreNeverReplacesASignedInUser()
    {
        TestProgramFolder folder;
        prepare(folder, true, false);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        FakeTrayIcon *icon = giveFakeTray(w, true);
        QVERIFY(w.Form_Load(QString()));
        CurrentUser::instance().signIn(gUsers->Users().front());
        w.LoadAuctionScreen();
        const int before = dialogs.calls.count("signIn");
        icon->doubleClick(); // the window is shown: it only comes to the front
        trayAction(w, "mnuTrayPopupRestore")->trigger();
        QCOMPARE(dialogs.calls.count("signIn"), before);
        QCOMPARE(gCurrentUser->ZandroName, QStringLiteral("ann"));
    }

    // The halt of a minimise drops the queued imports and refreshes; they wait for the restore
    // instead, or the general log names each one that nobody is signed in for any more.
    void queuedRequestsOutliveTheTray_data()
    {
        QTest::addColumn<bool>("signedOutFirst"); // as the close question's tray choice does
        QTest::addColumn<bool>("autoLogOn");
        QTest::addColumn<bool>("carriedOn");
        QTest::newRow("minimise and restore") << false << false << true;
        QTest::newRow("signed out, signed in again by herself") << true << true << true;
        QTest::newRow("signed out, nobody signs in") << true << false << false;
    }
    void queuedRequestsOutliveTheTray()
    {
        QFETCH(bool, signedOutFirst);
        QFETCH(bool, autoLogOn);
        QFETCH(bool, carriedOn);
        TestProgramFolder folder;
        prepare(folder, true, autoLogOn);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        FakeTrayIcon *icon = giveFakeTray(w, true);
        QVERIFY(w.Form_Load(QString()));
        w.engine().setTimersEnabled(false); // nothing is sent: the queue is only looked at
        while (w.engine().queue().NextItem()) {
        } // the start's clock synchronisation
        if (!gCurrentUser) {
            CurrentUser::instance().signIn(gUsers->Users().front());
            w.LoadAuctionScreen();
        }
        QStringList asked;
        for (int i = 0; i < 14; ++i) {
            auto item = std::make_shared<BNQItem>();
            item->Action = i < 12 ? BNQItem::Import : BNQItem::Refresh;
            item->ItemNumber = QString::number(27100 + i);
            item->UserKey = gCurrentUser->PrimaryKey;
            item->Folder = 1;
            item->Priority = BNQItem::RequestPriority;
            item->message = (i < 12 ? QStringLiteral("Adding Auction #") : QStringLiteral("Refreshing Auction #")) +
                            item->ItemNumber;
            w.engine().queue().Add(item);
            asked << item->message;
        }
        if (signedOutFirst) {
            CurrentUser::instance().signOut();
            w.LoadAuctionScreen();
        }
        w.showMinimized();
        QTRY_VERIFY(w.isHidden());
        QCOMPARE(w.engine().queue().Count(), 0);
        icon->doubleClick();
        QVERIFY(w.isVisible());

        QStringList queued;
        for (const auto &item : w.engine().queue().items())
            queued << item->message;
        QStringList logged;
        auto rs = gDB->openQuery(QStringLiteral("SELECT LOG_Message FROM Logs WHERE LOG_Auction = 0 AND LOG_Message "
                                                "LIKE 'Not carried on%' ORDER BY LOG_Primary"));
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            logged << rs->value(QStringLiteral("LOG_Message")).toString().section(QStringLiteral(": "), 1);
        QCOMPARE(queued, carriedOn ? asked : QStringList());
        QCOMPARE(logged, carriedOn ? QStringList() : asked);
    }

    void withoutATrayMinimisingHidesNothing()
    {
        TestProgramFolder folder;
        prepare(folder, true, true);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        giveFakeTray(w, false);
        QVERIFY(w.Form_Load(QString()));
        QVERIFY(!w.trayIcon().isShown());
        w.showMinimized();
        QTRY_VERIFY(w.isMinimized());
        QVERIFY(queuedWorkDone(w));
        QVERIFY(!w.isHidden());
        QVERIFY(gCurrentUser);
    }

    // Whether there is a tray is asked when the window is to be hidden, not at start-up: a panel
    // started later takes the window (with its icon), one that has gone leaves a plain minimise.
    void theTrayIsLookedForWhenHiding_data()
    {
        QTest::addColumn<bool>("atStart");
        QTest::addColumn<bool>("whenHiding");
        QTest::newRow("a panel started after the program") << false << true;
        QTest::newRow("the panel ended meanwhile") << true << false;
    }
    void theTrayIsLookedForWhenHiding()
    {
        QFETCH(bool, atStart);
        QFETCH(bool, whenHiding);
        TestProgramFolder folder;
        prepare(folder, true, true, true);
        FakeDialogs dialogs;
        dialogs.onOpen = [](const QString &name) {
            if (name == QLatin1String("closeConfirmation"))
                CloseResult = 2;
        };
        frmAuction w(dialogs, new FakeBrowser);
        FakeTrayIcon *icon = giveFakeTray(w, atStart);
        QVERIFY(w.Form_Load(QString()));
        QCOMPARE(icon->isShown(), atStart);
        icon->setAvailable(whenHiding);
        if (!whenHiding)
            icon->remove();

        // Minimising, and the close question's "Send Zandrift to the System Tray".
        for (bool byCloseQuestion : {false, true}) {
            if (byCloseQuestion)
                w.close();
            else
                w.showMinimized();
            if (whenHiding) {
                QTRY_VERIFY(w.isHidden());
                QVERIFY(icon->isShown());
                icon->doubleClick();
                QVERIFY(w.isVisible());
            } else {
                QTRY_VERIFY(w.isMinimized());
                QVERIFY(queuedWorkDone(w));
                QVERIFY(w.isMinimized());
                QVERIFY(!w.isHidden());
                w.showNormal();
            }
        }
        QCOMPARE(dialogs.calls.count("closeConfirmation"), 1);
    }

    void closeFromTheTrayKeepsTheIconUntilTheCloseIsSure_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("iconAfter");
        QTest::newRow("close") << 0 << false;
        QTest::newRow("do not close") << 1 << true;
    }
    void closeFromTheTrayKeepsTheIconUntilTheCloseIsSure()
    {
        QFETCH(int, answer);
        QFETCH(bool, iconAfter);
        TestProgramFolder folder;
        prepare(folder, true, true, true);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        FakeTrayIcon *icon = giveFakeTray(w, true);
        bool iconWhileAsked = false;
        dialogs.onOpen = [&](const QString &name) {
            if (name == QLatin1String("closeConfirmation")) {
                iconWhileAsked = icon->isShown();
                CloseResult = static_cast<qint16>(answer);
            }
        };
        QVERIFY(w.Form_Load(QString()));
        w.showMinimized();
        QTRY_VERIFY(w.isHidden());
        trayAction(w, "mnuTrayPopupClose")->trigger();
        QVERIFY(iconWhileAsked);
        if (answer == 0) {
            QTRY_VERIFY_WITH_TIMEOUT(w.isClosed(), 3000);
        } else {
            // Turned down at once: no close is under way that could take the icon later.
            QVERIFY(!gClosing);
            QVERIFY(!w.terminateTimer().isRunning());
            QVERIFY(queuedWorkDone(w));
        }
        QCOMPARE(icon->isShown(), iconAfter);
    }
};

QTEST_MAIN(TestTray)
#include "TestTray.moc"
