// The browser pane at its place in the real window over a signed-in user's auctions: the linked
// browser following the grid, Enter in the address box, and the toolbar's buttons in reach.
#include "FakeBrowser.h"
#include "FakeDialogs.h"
#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "engine/AuctionEngine.h"
#include "engine/ebayURLS.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/BrowserPane.h"
#include "mainwindow/WindowPlacement.h"
#include "mainwindow/frmAuction.h"
#include "platform/Database.h"
#include "store/AppSettings.h"
#include "store/BSN_User.h"
#include "store/Globals.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Settings saved, one user signed in automatically, three auctions in Open Auctions.
void prepare(TestProgramFolder &folder)
{
    QVERIFY(folder.openStore());
    gSettings->ConnectionType = 2;
    gSettings->AutoTimeSync = 0;
    QVERIFY(gSettings->SaveSettings());
    TestProgramFolder::addUserAnn();
    for (int n = 0; n < 3; ++n)
        gDB->execute(
            QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, AUC_Status) "
                           "VALUES (1, 1, ?, ?, 1)"),
            {QString::number(3001000100 + n), QStringLiteral("Lot %1").arg(n)});
    ReleaseGlobals();
}

} // namespace

class TestBrowserInWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    FakeDialogs m_dialogs;
    FakeBrowser *m_wb = nullptr;
    std::unique_ptr<frmAuction> m_w;

    BrowserPane &pane() { return m_w->browserPane(); }
    QString itemOfRow(int row) { return m_w->gridPane().auctionGrid().cellText(row, gCurrentUser->Columns.ItemNumber); }
    // A row chosen as a click would: the grid widget's own current item.
    void selectRow(int row)
    {
        QTreeWidget *tree = m_w->gridPane().sftAuctions();
        tree->setCurrentItem(tree->topLevelItem(row));
    }
    // Keys go where the desktop sends them: to the widget holding the focus.
    static QWidget *focused() { return QApplication::focusWidget(); }

private slots:
    void init()
    {
        gClosing = false;
        m_folder = std::make_unique<TestProgramFolder>();
        prepare(*m_folder);
        m_wb = new FakeBrowser;
        m_w = std::make_unique<frmAuction>(m_dialogs, m_wb);
        QVERIFY(m_w->Form_Load(QString()));
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
        QCOMPARE(m_w->gridPane().auctionGrid().rowCount(), 3);
        m_wb->navigations.clear();
    }
    void cleanup()
    {
        m_w.reset();
        ReleaseGlobals();
        m_folder.reset();
    }

    void linkedBrowserFollowsTheSelectedAuction()
    {
        MsgBoxRecorder boxes;
        const QString itemPage = UseURLs()->EbayViewItemURL;
        QVERIFY(pane().isEngaged());
        selectRow(1);
        const QString first = itemOfRow(1);
        QVERIFY(first.startsWith(QLatin1String("30010001")));
        QCOMPARE(m_wb->navigations, QList<QUrl>{QUrl(itemPage + first)});
        QCOMPARE(pane().cboURL()->currentText(), itemPage + first);

        // Unlinked, the browser stays where it is.
        QAction *engage = pane().button(QStringLiteral("engage"));
        engage->trigger();
        QVERIFY(!pane().isEngaged());
        selectRow(2);
        QCOMPARE(m_wb->navigations.size(), 1);
        QCOMPARE(pane().cboURL()->currentText(), itemPage + first);

        // Linked again, it shows the auction selected meanwhile at once.
        engage->trigger();
        const QString second = itemOfRow(2);
        QCOMPARE(m_wb->navigations.last(), QUrl(itemPage + second));
        QCOMPARE(pane().cboURL()->currentText(), itemPage + second);
        QVERIFY(boxes.boxes.isEmpty());
    }

    // Typed or pasted, the address goes when Enter is pressed in the box, as with Go.
    void enterInTheAddressBoxNavigates_data()
    {
        QTest::addColumn<bool>("typed");
        QTest::newRow("typed") << true;
        QTest::newRow("pasted") << false;
    }
    void enterInTheAddressBoxNavigates()
    {
        QFETCH(bool, typed);
        const QString address = QStringLiteral("http://127.0.0.1:1/item?3001000100");
        QComboBox *box = pane().cboURL();
        m_w->activateWindow();
        box->setFocus();
        QTRY_VERIFY(focused() && (focused() == box || focused() == box->lineEdit()));
        box->lineEdit()->clear();
        if (typed)
            QTest::keyClicks(focused(), address);
        else
            box->lineEdit()->insert(address);
        QCOMPARE(box->currentText(), address);
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(m_wb->navigations, QList<QUrl>{QUrl(address)});
        // Once only: the box's list does not navigate a second time.
        QTest::keyClick(focused(), Qt::Key_Enter);
        QCOMPARE(m_wb->navigations, (QList<QUrl>{QUrl(address), QUrl(address)}));
    }

    // Every button of the browser's toolbar can be seen and pressed at each first size the
    // window takes on a screen, none hidden in the toolbar's overflow.
    void everyToolbarButtonIsInReach_data()
    {
        QTest::addColumn<QSize>("screen");
        for (const QSize &s : {QSize(640, 480), QSize(800, 600), QSize(1024, 768), QSize(1280, 900), QSize(1600, 1200)})
            QTest::addRow("%dx%d", s.width(), s.height()) << s;
    }
    void everyToolbarButtonIsInReach()
    {
        QFETCH(QSize, screen);
        const QSize designed(900, 650);
        m_w->resize(WindowPlacement::sizeForScreen(screen, designed));
        QTRY_COMPARE(m_w->size(), WindowPlacement::sizeForScreen(screen, designed));
        QCoreApplication::processEvents();
        QToolBar *bar = pane().tbrBrowser();
        const QRect window = m_w->rect();
        for (QAction *action : bar->actions()) {
            QWidget *button = bar->widgetForAction(action);
            QVERIFY2(button && button->isVisible(), qPrintable(action->objectName()));
            const QRect at(button->mapTo(m_w.get(), QPoint(0, 0)), button->size());
            QVERIFY2(bar->rect().contains(button->geometry()), qPrintable(action->objectName()));
            QVERIFY2(window.contains(at), qPrintable(action->objectName()));
            // A button without its text still tells what it does.
            QVERIFY2(!button->toolTip().isEmpty(), qPrintable(action->objectName()));
        }
        const auto *overflow = bar->findChild<QWidget *>(QStringLiteral("qt_toolbar_ext_button"));
        QVERIFY(!overflow || !overflow->isVisible());
    }
};

QTEST_MAIN(TestBrowserInWindow)
#include "TestBrowserInWindow.moc"
