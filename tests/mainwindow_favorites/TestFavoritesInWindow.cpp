// The favorites pane at its place in the real window: over the page only, wherever the page is.
#include "FakeBrowser.h"
#include "FakeDialogs.h"
#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "engine/AuctionEngine.h"
#include "mainwindow/BrowserPane.h"
#include "mainwindow/FavoritesPane.h"
#include "mainwindow/frmAuction.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QComboBox>
#include <QFrame>
#include <QToolBar>
#include <QtTest>

class TestFavoritesInWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<QTemporaryDir> m_profile;

    static QRect inWindow(const QWidget *w) { return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()); }

private slots:
    void init()
    {
        gClosing = false;
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(m_folder->openStore());
        gSettings->ConnectionType = 2;
        gSettings->AutoTimeSync = 0;
        QVERIFY(gSettings->SaveSettings());
        ReleaseGlobals();
        m_profile = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(m_profile->path()).mkpath(QStringLiteral("Favorites")));
        qputenv("USERPROFILE", m_profile->path().toLocal8Bit());
    }
    void cleanup()
    {
        ReleaseGlobals();
        m_folder.reset();
        qunsetenv("USERPROFILE");
    }

    // Opened with the window as it starts, after a resize and with the view window enlarged,
    // the pane covers part of the page and none of the browser's own controls.
    void favoritesLieOverThePageOnly_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("as started") << "started";
        QTest::newRow("resized") << "resized";
        QTest::newRow("view enlarged") << "enlarged";
    }
    void favoritesLieOverThePageOnly()
    {
        QFETCH(QString, state);
        MsgBoxRecorder boxes;
        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString()));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        BrowserPane &browser = w.browserPane();
        browser.tbrBrowser_ButtonClick(QStringLiteral("favorites"));
        if (state == QLatin1String("resized"))
            w.resize(w.width() + 120, w.height() + 90);
        else if (state == QLatin1String("enlarged"))
            w.tbrViewTack_ButtonClick();
        QCoreApplication::processEvents();

        auto *favorites = w.findChild<FavoritesPane *>(QStringLiteral("fraFavorites"));
        QVERIFY(favorites->isVisible());
        QVERIFY(boxes.boxes.isEmpty());
        const QRect pane = inWindow(favorites);
        const QRect page = inWindow(browser.WB());
        QVERIFY2(page.contains(pane), qPrintable(QStringLiteral("favorites %1,%2 %3x%4 page %5,%6 %7x%8")
                                                     .arg(pane.x())
                                                     .arg(pane.y())
                                                     .arg(pane.width())
                                                     .arg(pane.height())
                                                     .arg(page.x())
                                                     .arg(page.y())
                                                     .arg(page.width())
                                                     .arg(page.height())));
        QVERIFY(pane.height() > page.height() / 2);
        const QList<QWidget *> controls = {browser.tbrBrowser(), browser.cboURL(), browser.tbrGo(), browser.stsbarWB()};
        for (const QWidget *c : controls)
            QVERIFY2(!pane.intersects(inWindow(c)), qPrintable(c->objectName()));
    }
};

QTEST_MAIN(TestFavoritesInWindow)
#include "TestFavoritesInWindow.moc"
