// Minimising into the tray and coming back, with a fake notification area.
#include "AppSettings.h"
#include "AuctionEngine.h"
#include "Database.h"
#include "FakeBrowser.h"
#include "FakeDialogs.h"
#include "FakeTrayIcon.h"
#include "FormTimer.h"
#include "Globals.h"
#include "TestProgramFolder.h"
#include "frmAuction.h"

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

QAction *trayAction(frmAuction &w, const char *name)
{
    return w.trayMenu()->findChild<QAction *>(QLatin1String(name));
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
        auto tray = std::make_unique<FakeTrayIcon>(true);
        FakeTrayIcon *icon = tray.get();
        w.setTrayIcon(std::move(tray));
        QVERIFY(w.Form_Load(QString()));
        QVERIFY(icon->isShown());
        if (!gCurrentUser) {
            // Nobody was signed in at start (no automatic log-on, or settings never saved).
            gCurrentUser = gUsers->Users().front();
            w.LoadAuctionScreen();
        }
        const int before = dialogs.calls.count("signIn");

        // Minimising keeps the signed-in user; the close question's tray choice signs out first.
        w.showMinimized();
        QTRY_VERIFY(w.isHidden());
        QVERIFY(gCurrentUser);
        icon->doubleClick();
        QVERIFY(w.isVisible());
        gCurrentUser.reset();
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
        auto tray = std::make_unique<FakeTrayIcon>(true);
        FakeTrayIcon *icon = tray.get();
        w.setTrayIcon(std::move(tray));
        QVERIFY(w.Form_Load(QString()));
        gCurrentUser = gUsers->Users().front();
        w.LoadAuctionScreen();
        const int before = dialogs.calls.count("signIn");
        icon->doubleClick(); // the window is shown: it only comes to the front
        trayAction(w, "mnuTrayPopupRestore")->trigger();
        QCOMPARE(dialogs.calls.count("signIn"), before);
        QCOMPARE(gCurrentUser->ZandroName, QStringLiteral("ann"));
    }

    void withoutATrayMinimisingHidesNothing()
    {
        TestProgramFolder folder;
        prepare(folder, true, true);
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        w.setTrayIcon(std::make_unique<FakeTrayIcon>(false));
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
        auto tray = std::make_unique<FakeTrayIcon>(atStart);
        FakeTrayIcon *icon = tray.get();
        w.setTrayIcon(std::move(tray));
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
        auto tray = std::make_unique<FakeTrayIcon>(true);
        FakeTrayIcon *icon = tray.get();
        w.setTrayIcon(std::move(tray));
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
