// The window layout in twips (15 to the pixel): splitters, the view window's tack, the shortcut
// bar's room, the resize handling, and the layout kept in the settings store.
#include "FakeBrowser.h"
#include "FakeDialogs.h"
#include "FakeTrayIcon.h"
#include "TestProgramFolder.h"
#include "engine/AuctionEngine.h"
#include "layout/IResizable.h"
#include "mainwindow/AddAuctionStrip.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/FolderTreePane.h"
#include "mainwindow/ShortcutBarPane.h"
#include "mainwindow/StatusBarPane.h"
#include "mainwindow/WindowPlacement.h"
#include "mainwindow/frmAuction.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "platform_gui/ListBar.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString kSection = QStringLiteral("appsettings");

struct Rect
{
    double left, top, width, height;
    bool operator==(const Rect &o) const
    {
        return left == o.left && top == o.top && width == o.width && height == o.height;
    }
};

Rect rectOf(frmAuction &w, const char *name)
{
    IResizable *c = w.layoutControl(QLatin1String(name));
    if (!c)
        return {-1, -1, -1, -1};
    return {c->left(), c->top(), c->width(), c->height()};
}

const char *const kPanes[] = {"lbarOutlook", "lblHeading", "fraNewAuction", "sftFolders",  "imgSplitterX",
                              "sftAuctions", "stsMain",    "imgSplitterY",  "tbrViewTack", "lblAuctionHeader",
                              "cboView",     "WB",         "sftAuctionLog", "fraFavorites"};

QMap<QString, QList<double>> snapshot(frmAuction &w)
{
    QMap<QString, QList<double>> all;
    for (const char *name : kPanes) {
        const Rect r = rectOf(w, name);
        all.insert(QLatin1String(name), {r.left, r.top, r.width, r.height});
    }
    return all;
}

void setLayout(const QMap<QString, QString> &values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        SettingsStore::instance().set(kSection, it.key(), it.value());
}

QString stored(const char *key)
{
    return SettingsStore::instance().get(kSection, QLatin1String(key));
}

} // namespace

class TestWindowLayout : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<FakeDialogs> m_dialogs;

    // A window started on the folder, the settings saved and nobody signed in.
    std::unique_ptr<frmAuction> start()
    {
        m_dialogs = std::make_unique<FakeDialogs>();
        auto w = std::make_unique<frmAuction>(*m_dialogs, new FakeBrowser);
        giveFakeTray(*w, false);
        if (!w->Form_Load(QString()))
            return nullptr;
        return w;
    }

    // One user signed in automatically at start, three auctions in Open Auctions.
    void addUserWithAuctions()
    {
        QVERIFY(m_folder->openStore());
        TestProgramFolder::addUserAnn();
        for (int n = 0; n < 3; ++n)
            gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, "
                                        "AUC_Status) VALUES (1, 1, ?, ?, 1)"),
                         {QString::number(3001000100 + n), QStringLiteral("Lot %1").arg(n)});
        ReleaseGlobals();
    }

private slots:
    void initTestCase() { frmAuction::setLayoutTwipsPerPixel(15); }

    void init()
    {
        gClosing = false;
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(m_folder->openStore());
        gSettings->ConnectionType = 2;
        gSettings->AutoTimeSync = 0;
        QVERIFY(gSettings->SaveSettings());
        ReleaseGlobals();
        // A window that fits the offscreen screen as it is, unless a test says otherwise.
        setLayout({{"ScreenWidth", "9000"}, {"ScreenHeight", "8250"}, {"ScreenLeft", "0"}, {"ScreenTop", "0"}});
    }

    void cleanup()
    {
        ReleaseGlobals();
        m_folder.reset();
    }

    void panesFitTogether()
    {
        auto w = start();
        QVERIFY(w);
        const Rect folders = rectOf(*w, "sftFolders");
        const Rect split = rectOf(*w, "imgSplitterX");
        const Rect grid = rectOf(*w, "sftAuctions");
        const Rect status = rectOf(*w, "stsMain");
        const Rect splitY = rectOf(*w, "imgSplitterY");
        const Rect header = rectOf(*w, "lblAuctionHeader");
        const Rect browser = rectOf(*w, "WB");
        QCOMPARE(folders.left + folders.width, split.left);
        QCOMPARE(split.left + split.width, grid.left);
        QCOMPARE(grid.top + grid.height, status.top);
        QCOMPARE(status.top + status.height, splitY.top);
        QCOMPARE(splitY.top + splitY.height, header.top);
        QCOMPARE(header.top + header.height, browser.top);
        QCOMPARE(rectOf(*w, "sftAuctionLog"), browser);
        // Start-up moved the splitter 500 twips below its designed place, the grid growing.
        QVERIFY(grid.height > 1000);
        QCOMPARE(browser.left + browser.width, w->layoutControl("frmAuction")->width());
    }

    // Opened in the window, the add strip shows its box and buttons whole, on the heading line
    // above the folder tree and the grid.
    void addStripOpensWholeAtItsPlace()
    {
        auto w = start();
        QVERIFY(w);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        AddAuctionStrip &strip = w->addStrip();
        strip.cmdAuctionAdd_Click();
        QTest::keyClicks(strip.txtItemNumber(), QStringLiteral("3001000001"));
        QCOMPARE(strip.txtItemNumber()->text(), QStringLiteral("3001000001"));
        const auto inWindow = [&](const QWidget *c) { return QRect(c->mapTo(w.get(), QPoint(0, 0)), c->size()); };
        const int upperTop = qMin(inWindow(&w->gridPane()).top(), inWindow(&w->folderPane()).top());
        const QList<QWidget *> controls = {strip.txtItemNumber(), strip.cmdAuctionAddOK(), strip.cmdAuctionAddCancel()};
        for (QWidget *c : controls) {
            QVERIFY2(c->isVisible(), qPrintable(c->objectName()));
            QVERIFY2(c->height() >= c->minimumSizeHint().height(),
                     qPrintable(QStringLiteral("%1 is %2 high").arg(c->objectName()).arg(c->height())));
            QVERIFY2(c->width() >= c->minimumSizeHint().width(), qPrintable(c->objectName()));
            QVERIFY2(w->rect().contains(inWindow(c)), qPrintable(c->objectName()));
            QVERIFY2(inWindow(c).bottom() < upperTop, qPrintable(c->objectName()));
        }
    }

    void splittersStopAtTheirLimits_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<bool>("towardsStart");
        QTest::newRow("horizontal bar up") << false << true;
        QTest::newRow("horizontal bar down") << false << false;
        QTest::newRow("vertical bar left") << true << true;
        QTest::newRow("vertical bar right") << true << false;
    }
    void splittersStopAtTheirLimits()
    {
        QFETCH(bool, vertical);
        QFETCH(bool, towardsStart);
        auto w = start();
        QVERIFY(w);
        IResizable *window = w->layoutControl("frmAuction");
        const double extent = vertical ? window->width() : window->height();
        const char *img = vertical ? "imgSplitterX" : "imgSplitterY";
        const auto at = [&](const char *name) { return vertical ? rectOf(*w, name).left : rectOf(*w, name).top; };
        const Rect browserBefore = rectOf(*w, "WB");
        const Rect gridBefore = rectOf(*w, "sftAuctions");

        // Dragged 20,000 twips past either edge: the bar stops 2200 twips from it.
        const float pointer = float(towardsStart ? -20000 : 20000);
        if (vertical) {
            w->imgSplitterX_MouseDown();
            w->imgSplitterX_MouseMove(true, pointer);
            w->imgSplitterX_MouseUp();
        } else {
            w->imgSplitterY_MouseDown();
            w->imgSplitterY_MouseMove(true, pointer);
            w->imgSplitterY_MouseUp();
        }
        const double dragLimit = towardsStart ? 2200 : extent - 2200;
        QCOMPARE(at(img), dragLimit);

        // Set directly, it may come to 1500 twips from the edge, and the clamped value is returned.
        float position = towardsStart ? 100 : float(extent + 1000);
        if (vertical)
            w->SplitX(position);
        else
            w->SplitY(position);
        const double setLimit = towardsStart ? 1500 : extent - 1500;
        QCOMPARE(double(position), setLimit);
        if (vertical && towardsStart) {
            // 1500 lies left of the folder tree's own left edge (the shortcut bar is beside it):
            // the tree would need a negative width, so the resizer refuses and nothing moves.
            QCOMPARE(at(img), dragLimit);
            return;
        }
        QCOMPARE(at(img), setLimit);

        // The panes follow the bar; the far edges stay.
        const Rect grid = rectOf(*w, "sftAuctions");
        const Rect browser = rectOf(*w, "WB");
        if (vertical) {
            QCOMPARE(rectOf(*w, "sftFolders").left + rectOf(*w, "sftFolders").width, setLimit);
            QCOMPARE(grid.left + grid.width, gridBefore.left + gridBefore.width);
        } else {
            QCOMPARE(rectOf(*w, "stsMain").top + rectOf(*w, "stsMain").height, setLimit);
            QCOMPARE(browser.top + browser.height, browserBefore.top + browserBefore.height);
        }
    }

    void hoverWithoutAButtonHidesTheDragBar()
    {
        auto w = start();
        QVERIFY(w);
        w->show();
        auto *bar = w->findChild<QWidget *>("picSplitterY");
        w->imgSplitterY_MouseDown();
        QVERIFY(bar->isVisible());
        w->imgSplitterY_MouseMove(false, 0);
        QVERIFY(!bar->isVisible());
    }

    void tackExpandsAndShrinksTheViewWindow()
    {
        auto w = start();
        QVERIFY(w);
        const auto before = snapshot(*w);
        const Rect browser = rectOf(*w, "WB");

        w->tbrViewTack_ButtonClick();
        QCOMPARE(w->tbrViewTackButton()->data().toString(), QStringLiteral("down"));
        QCOMPARE(w->tbrViewTackButton()->toolTip(), QStringLiteral("Click to Shrink View Window"));
        // Just below the heading line, whose add strip stays in reach.
        QCOMPARE(rectOf(*w, "lblAuctionHeader").top, rectOf(*w, "lblHeading").top + rectOf(*w, "lblHeading").height);
        QCOMPARE(rectOf(*w, "WB").top + rectOf(*w, "WB").height, browser.top + browser.height);
        QVERIFY(rectOf(*w, "WB").height > browser.height);
        QVERIFY(w->findChild<QWidget *>("lblHeading")->isHidden());
        QVERIFY(w->statusPane().isHidden());
        QVERIFY(w->gridPane().isHidden());
        QVERIFY(w->folderPane().isHidden());
        QVERIFY(!w->addStrip().isHidden());

        w->tbrViewTack_ButtonClick();
        QCOMPARE(w->tbrViewTackButton()->data().toString(), QStringLiteral("up"));
        QCOMPARE(w->tbrViewTackButton()->toolTip(), QStringLiteral("Click to Expand View Window"));
        QVERIFY(!w->gridPane().isHidden());
        QCOMPARE(snapshot(*w), before);
    }

    void resizeStretchesThePanesAndARefusalRollsBack()
    {
        auto w = start();
        QVERIFY(w);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const Rect grid = rectOf(*w, "sftAuctions");
        const Rect strip = rectOf(*w, "fraNewAuction");
        const Rect browser = rectOf(*w, "WB");
        const Rect folders = rectOf(*w, "sftFolders");
        w->resize(w->width() + 40, w->height() + 20);
        QTRY_COMPARE(rectOf(*w, "sftAuctions").width, grid.width + 600);
        QCOMPARE(rectOf(*w, "fraNewAuction").left, strip.left + 600);
        QCOMPARE(rectOf(*w, "WB").height, browser.height + 300);
        QCOMPARE(rectOf(*w, "sftFolders"), folders);

        // So narrow that the grid would need a negative width: everything goes back.
        const auto good = snapshot(*w);
        const QSize goodSize = w->size();
        w->resize(60, w->height());
        QTRY_COMPARE(w->size(), goodSize);
        QCOMPARE(snapshot(*w), good);
    }

    void shortcutBarGivesItsRoomAndIsRememberedClosed()
    {
        {
            auto w = start();
            QVERIFY(w);
            w->show();
            const Rect grid = rectOf(*w, "sftAuctions");
            const Rect folders = rectOf(*w, "sftFolders");
            const Rect strip = rectOf(*w, "fraNewAuction");
            w->shortcutPane().OutlookOff();
            QVERIFY(w->shortcutPane().lbarOutlook().isHidden());
            QCOMPARE(rectOf(*w, "sftFolders").left, folders.left - 1680);
            QCOMPARE(rectOf(*w, "sftAuctions").left, grid.left - 1680);
            QCOMPARE(rectOf(*w, "sftAuctions").width, grid.width + 1680); // its right edge stays
            QCOMPARE(rectOf(*w, "fraNewAuction"), strip);
            w->SaveLayout();
            QCOMPARE(stored("ShortcutsVisible"), QStringLiteral("0"));
        }
        ReleaseGlobals();
        auto w = start();
        QVERIFY(w);
        QVERIFY(w->shortcutPane().lbarOutlook().isHidden());
        QCOMPARE(w->shortcutPane().tbrOutlookButton()->data().toString(), QStringLiteral("plus"));
        QCOMPARE(rectOf(*w, "lblHeading").left, 0.0);
        w->shortcutPane().OutlookOn();
        QCOMPARE(rectOf(*w, "lblHeading").left, 1680.0);
    }

    void savedLayoutIsRestored()
    {
        setLayout({{"BrowserSplit", "1800"},
                   {"FolderSplit", "4200"},
                   {"ScreenWidth", "9750"},
                   {"ScreenHeight", "7500"},
                   {"ScreenLeft", "300"},
                   {"ScreenTop", "150"}});
        {
            auto w = start();
            QVERIFY(w);
            QCOMPARE(rectOf(*w, "imgSplitterY").top, 1800.0);
            QCOMPARE(rectOf(*w, "imgSplitterX").left, 4200.0);
            QCOMPARE(w->size(), QSize(650, 500));
            QCOMPARE(w->geometry().topLeft(), QPoint(20, 10));
            // The stored layout comes back as it went in.
            w->SaveLayout();
            QCOMPARE(stored("BrowserSplit"), QStringLiteral("1800"));
            QCOMPARE(stored("FolderSplit"), QStringLiteral("4200"));
            QCOMPARE(stored("ScreenWidth"), QStringLiteral("9750"));
            QCOMPARE(stored("ScreenTop"), QStringLiteral("150"));
            QCOMPARE(stored("BrowserBig"), QStringLiteral("0"));
            QCOMPARE(stored("ScreenMaximized"), QStringLiteral("0"));

            // An enlarged view window is saved as such ...
            w->tbrViewTack_ButtonClick();
            w->SaveLayout();
            QCOMPARE(stored("BrowserBig"), QStringLiteral("1"));
        }
        ReleaseGlobals();
        // ... and comes back enlarged, the splitter left where start-up put it.
        setLayout({{"BrowserSplit", "3000"}});
        auto w = start();
        QVERIFY(w);
        QCOMPARE(w->tbrViewTackButton()->data().toString(), QStringLiteral("down"));
        QVERIFY(w->gridPane().isHidden());
        QVERIFY(rectOf(*w, "imgSplitterY").top != 3000.0);
        w->SaveLayout();
        QCOMPARE(stored("BrowserBig"), QStringLiteral("1"));
    }

    // The grid's split (its first column's width) as the user dragged it holds through the
    // grid's rebuilds and comes back in a new window.
    void auctionSplitIsKeptAndRestored()
    {
        addUserWithAuctions();
        float dragged = 0;
        {
            auto w = start();
            QVERIFY(w);
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            TreeGrid &grid = w->gridPane().auctionGrid();
            QCOMPARE(grid.rowCount(), 3);
            const float fitted = grid.columnWidth(0);
            QHeaderView *header = w->gridPane().sftAuctions()->header();
            const int edge = header->sectionViewportPosition(0) + header->sectionSize(0) - 1;
            const int y = header->height() / 2;
            QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
            QTest::mouseMove(header->viewport(), QPoint(edge + 80, y));
            QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge + 80, y));
            dragged = grid.columnWidth(0);
            QCOMPARE(dragged, fitted + 80 * 15);

            w->BuildAuctionGrid(w->selectedFolderKey());
            QCOMPARE(grid.columnWidth(0), dragged);
            w->SaveLayout();
            QCOMPARE(stored("AuctionSplit"), QString::number(dragged));
        }
        ReleaseGlobals();
        auto w = start();
        QVERIFY(w);
        QCOMPARE(w->gridPane().auctionGrid().rowCount(), 3);
        QCOMPARE(w->gridPane().auctionGrid().columnWidth(0), dragged);
    }

    void aLayoutThatIsNotANumberFallsBackToTheDefault()
    {
        setLayout({{"BrowserSplit", "wide"}, {"ScreenWidth", "nan"}});
        auto w = start();
        QVERIFY(w);
        QVERIFY(rectOf(*w, "imgSplitterY").top >= 1500);
        QVERIFY(w->width() > 100);
    }

    void maximisedIsSavedWithoutTheSizeAndRestored()
    {
        {
            auto w = start();
            QVERIFY(w);
            w->showMaximized();
            QTRY_VERIFY(w->isMaximized());
            w->SaveLayout();
            QCOMPARE(stored("ScreenMaximized"), QStringLiteral("1"));
            QCOMPARE(stored("ScreenWidth"), QStringLiteral("9000")); // left as it was
            QCOMPARE(stored("ScreenLeft"), QStringLiteral("0"));
        }
        ReleaseGlobals();
        auto w = start();
        QVERIFY(w);
        QVERIFY(w->windowState() & Qt::WindowMaximized);
        // Restored by the user, it takes the size it had before it was maximised.
        w->showNormal();
        QTRY_VERIFY(!w->isMaximized());
        QCOMPARE(w->width(), 9000 / 15);
    }

    void aMinimisedCloseSavesNoLayout()
    {
        auto w = start();
        QVERIFY(w);
        SettingsStore::instance().deleteSection(kSection);
        w->show();
        w->showMinimized();
        QTRY_VERIFY(w->isMinimized());
        gClosing = true;
        w->closeForShutdown();
        QVERIFY(w->isClosed());
        QVERIFY(stored("BrowserSplit").isEmpty());
        QVERIFY(stored("ScreenWidth").isEmpty());
    }

    void firstSizeFollowsTheScreen_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("expected");
        const QSize designed(900, 650);
        QTest::newRow("640 wide") << QSize(640, 480) << QSize(608, 456);
        QTest::newRow("800 wide") << QSize(800, 600) << QSize(640, 540);
        QTest::newRow("1024 x 768") << QSize(1024, 768) << QSize(716, 691);
        QTest::newRow("1280 wide") << QSize(1280, 1024) << QSize(896, 819);
        QTest::newRow("1600 wide keeps the designed size") << QSize(1600, 1200) << designed;
    }
    void firstSizeFollowsTheScreen()
    {
        QFETCH(QSize, screen);
        QFETCH(QSize, expected);
        QCOMPARE(WindowPlacement::sizeForScreen(screen, QSize(900, 650)), expected);
    }

    void aSavedPlaceLandsOnAScreenThatExists_data()
    {
        QTest::addColumn<QRect>("saved");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QRect>("expected");
        const QList<QRect> one{QRect(0, 0, 1024, 768)};
        const QList<QRect> two{QRect(0, 0, 1024, 768), QRect(1024, 0, 1920, 1080)};
        QTest::newRow("on the screen") << QRect(100, 50, 800, 600) << one << QRect(100, 50, 800, 600);
        QTest::newRow("title partly off the right edge stays")
            << QRect(900, 50, 800, 600) << one << QRect(900, 50, 800, 600);
        QTest::newRow("on a second monitor that is gone")
            << QRect(1500, 100, 900, 700) << one << QRect(124, 68, 900, 700);
        QTest::newRow("saved on a larger monitor") << QRect(200, 100, 1800, 1000) << one << QRect(0, 0, 1024, 768);
        QTest::newRow("above the screen") << QRect(100, -2000, 800, 600) << one << QRect(100, 0, 800, 600);
        QTest::newRow("on the second monitor that is there")
            << QRect(1500, 100, 900, 700) << two << QRect(1500, 100, 900, 700);
    }
    void aSavedPlaceLandsOnAScreenThatExists()
    {
        QFETCH(QRect, saved);
        QFETCH(QList<QRect>, screens);
        QFETCH(QRect, expected);
        QCOMPARE(WindowPlacement::onScreens(saved, screens), expected);
    }

    // A desktop's frame around the client: the frame, title bar included, lands on the screen.
    void aFramedClientLandsWithItsFrameOnTheScreen_data()
    {
        QTest::addColumn<QRect>("client");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QRect>("expected");
        const QList<QRect> one{QRect(0, 0, 1280, 900)};
        const QMargins openbox(1, 20, 1, 5);
        QTest::newRow("client asked for at the corner")
            << QRect(0, 0, 896, 720) << openbox << one << QRect(1, 20, 896, 720);
        QTest::newRow("frame on the screen stays")
            << QRect(1, 20, 896, 720) << openbox << one << QRect(1, 20, 896, 720);
        QTest::newRow("saved with the title above the screen")
            << QRect(-1, -20, 896, 720) << openbox << one << QRect(1, 20, 896, 720);
        QTest::newRow("as large as the screen without its frame")
            << QRect(0, 0, 1280, 900) << openbox << one << QRect(1, 20, 1278, 875);
        QTest::newRow("no frame") << QRect(0, 0, 896, 720) << QMargins() << one << QRect(0, 0, 896, 720);
        QTest::newRow("second screen to the left")
            << QRect(-1000, 0, 800, 600) << openbox << QList<QRect>{QRect(0, 0, 1280, 900), QRect(-1024, 0, 1024, 768)}
            << QRect(-1000, 20, 800, 600);
    }
    void aFramedClientLandsWithItsFrameOnTheScreen()
    {
        QFETCH(QRect, client);
        QFETCH(QMargins, frame);
        QFETCH(QList<QRect>, screens);
        QFETCH(QRect, expected);
        QCOMPARE(WindowPlacement::clientOnScreens(client, frame, screens), expected);
    }

    // The desktop frames the window where its client was asked to be, the title bar above the
    // screen: once framed, the window moves down, and that place is what is saved.
    void aFrameAboveTheScreenIsMovedOntoItAndNeverSaved()
    {
        setLayout({{"ScreenLeft", "0"}, {"ScreenTop", "0"}});
        auto w = start();
        QVERIFY(w);
        w->setGeometry(QRect(QPoint(0, 0), w->size()));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QRect screen = w->screen()->availableGeometry();
        QTRY_VERIFY2(screen.contains(w->frameGeometry().topLeft()),
                     qPrintable(QStringLiteral("%1,%2").arg(w->frameGeometry().x()).arg(w->frameGeometry().y())));

        // Put there again after the start, it is not saved so: the client's place is saved
        // as it lies with the frame on the screen.
        w->setGeometry(QRect(QPoint(0, 0), w->size()));
        const QPoint frame = w->geometry().topLeft() - w->frameGeometry().topLeft();
        QVERIFY(frame.y() > 0);
        w->SaveLayout();
        QCOMPARE(stored("ScreenLeft"), QString::number((screen.left() + frame.x()) * 15));
        QCOMPARE(stored("ScreenTop"), QString::number((screen.top() + frame.y()) * 15));
    }

    // The desktop hangs the frame around the client where the client was asked to be, the
    // title bar above the screen: the window is moved down once, until its frame is on it.
    void aFrameHungAboveTheScreenIsMovedOntoIt()
    {
        QWidget window;
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QMargins frame(window.geometry().left() - window.frameGeometry().left(),
                             window.geometry().top() - window.frameGeometry().top(), 0, 0);
        QVERIFY2(frame.top() > 0, "the platform draws no frame");
        new WindowPlacement::FrameOnScreen(&window);
        window.setGeometry(QRect(QPoint(0, 0), window.size()));
        QTRY_COMPARE(window.frameGeometry().topLeft(), window.screen()->availableGeometry().topLeft());
        QCOMPARE(window.geometry().topLeft(), QPoint(frame.left(), frame.top()));
    }

    void aLayoutSavedOffScreenOpensOnTheScreen()
    {
        setLayout({{"ScreenLeft", "90000"}, {"ScreenTop", "60000"}});
        auto w = start();
        QVERIFY(w);
        const QRect screen = w->screen()->availableGeometry();
        QVERIFY2(screen.contains(w->pos()), qPrintable(QStringLiteral("%1,%2").arg(w->x()).arg(w->y())));
    }
};

QTEST_MAIN(TestWindowLayout)
#include "TestWindowLayout.moc"
