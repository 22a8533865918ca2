// One user's story through the real main window and the real dialogs, against the practice site
// on loopback: the first start on an empty folder, imports, a folder of one's own, a snipe that
// wins and one that is outbid, and the export of an auction log. The steps run in order and
// build on each other, as the person's day does.
#include "FakeBrowser.h"
#include "ModalDriver.h"
#include "PracticeSite.h"
#include "TestProgramFolder.h"
#include "dialogs/Dialogs.h"
#include "dialogs/frmAppSettings.h"
#include "dialogs/frmAucNewUser.h"
#include "dialogs/frmSchedule.h"
#include "engine/AuctionEngine.h"
#include "mainwindow/AddAuctionStrip.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/BrowserPane.h"
#include "mainwindow/FolderTreePane.h"
#include "mainwindow/LogRowsModel.h"
#include "mainwindow/LogViewsPane.h"
#include "mainwindow/StatusBarPane.h"
#include "mainwindow/frmAuction.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform_gui/DesktopServices.h"
#include "platform_gui/FolderTreeWidget.h"
#include "platform_gui/Pictures.h"
#include "platform_gui/QtFolderTree.h"
#include "platform_gui/QtMsgBox.h"
#include "platform_gui/QtTreeGrid.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeZone>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString kSiteUser = QStringLiteral("snipetester");
// Characters that a form body must encode.
const QString kSitePassword = QStringLiteral("p&ss=w+rd %x");
const QString kProgramUser = QStringLiteral("Ann");
const QString kWon = QStringLiteral("310001");
const QString kLost = QStringLiteral("310002");
const QString kBrowsed = QStringLiteral("310003");

// Generous: the sanitized build on a busy machine is many times slower than the plain one.
constexpr int kDialogMs = 60000;
constexpr int kSiteMs = 60000;

template <typename T> T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

// A wall-clock reading as a plain count, whatever zone its QDateTime carries.
qint64 faceMs(const QDateTime &t)
{
    return QDateTime(t.date(), t.time(), QTimeZone::utc()).toMSecsSinceEpoch();
}

// The site's wall clock at an instant, as its pages show it.
QDateTime siteWall(const QDateTime &instant)
{
    const QDateTime pacific = instant.toTimeZone(QTimeZone("America/Los_Angeles"));
    return QDateTime(pacific.date(), pacific.time(), QTimeZone::utc());
}

QImage imageOf(const QIcon &icon)
{
    return icon.pixmap(16, 16).toImage();
}

} // namespace

class TestStory : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    practice::PracticeSite m_site;
    Dialogs m_dialogs;
    FakeBrowser *m_browser = nullptr;
    std::unique_ptr<frmAuction> m_window;
    QStringList m_opened;
    // Message boxes nobody expected: closed by the watch and failed on afterwards.
    QStringList m_unexpectedBoxes;
    bool m_boxExpected = false;
    QTimer m_boxWatch;
    QDateTime m_endWon, m_endLost;

    frmAuction &w() { return *m_window; }
    AuctionGridPane &grid() { return w().gridPane(); }
    QTreeWidget *gridWidget() { return grid().sftAuctions(); }

    qint32 count(const QString &sql, const QVariantList &params = {})
    {
        auto rs = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM ") + sql, params);
        return rs->value(QStringLiteral("n")).toInt();
    }
    QVariant auctionValue(const QString &item, const QString &column)
    {
        auto rs = gDB->openQuery(QStringLiteral("SELECT * FROM Auctions WHERE AUC_ItemNumber = ?"), {item});
        return rs->eof() ? QVariant() : rs->value(column);
    }
    qint32 auctionKey(const QString &item) { return auctionValue(item, QStringLiteral("AUC_Primary")).toInt(); }
    int status(const QString &item) { return auctionValue(item, QStringLiteral("AUC_Status")).toInt(); }
    qint32 folderKey(const QString &name)
    {
        auto rs = gDB->openQuery(QStringLiteral("SELECT FLD_Primary FROM Folders WHERE FLD_Name = ? AND FLD_User = ?"),
                                 {name, gCurrentUser ? gCurrentUser->PrimaryKey : 0});
        return rs->eof() ? -1 : rs->value(QStringLiteral("FLD_Primary")).toInt();
    }
    QStringList auctionLog(const QString &item)
    {
        QStringList out;
        auto rs =
            gDB->openQuery(QStringLiteral("SELECT LOG_Message FROM Logs WHERE LOG_Auction = ? ORDER BY LOG_Primary"),
                           {auctionKey(item)});
        for (; !rs->eof(); rs->moveNext())
            out << rs->value(QStringLiteral("LOG_Message")).toString();
        return out;
    }

    // The grid row that shows the item number, -1 when none does.
    qint32 rowOf(const QString &item)
    {
        TreeGrid &g = grid().auctionGrid();
        for (qint32 row = 0; row < g.rowCount(); ++row) {
            if (g.cellText(row, gCurrentUser->Columns.ItemNumber) == item)
                return row;
        }
        return -1;
    }
    QString cell(const QString &item, qint16 column)
    {
        const qint32 row = rowOf(item);
        return row < 0 ? QString() : grid().auctionGrid().cellText(row, column);
    }
    // The status picture the row shows is the program's picture for the status.
    bool showsStatus(const QString &item, int status)
    {
        const qint32 row = rowOf(item);
        if (row < 0)
            return false;
        const QString name = GetStatusPicture(status);
        const QIcon shown = gridWidget()->topLevelItem(row)->icon(0);
        return grid().auctionGrid().cellPicture(row, 0) == name && !shown.isNull() &&
               imageOf(shown) == imageOf(programPicture(name));
    }

    // A click on the folder's name in the tree, as the mouse gives it.
    bool clickFolder(const QString &name)
    {
        FolderTreeWidget *tree = w().folderPane().sftFolders();
        const auto found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive, 0);
        if (found.size() != 1)
            return false;
        tree->scrollToItem(found.first());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(found.first()).center());
        return w().selectedFolderKey() == folderKey(name);
    }
    // A click on the row's item-number cell.
    bool clickRow(const QString &item)
    {
        const qint32 row = rowOf(item);
        if (row < 0)
            return false;
        QTreeWidget *tree = gridWidget();
        QTreeWidgetItem *it = tree->topLevelItem(row);
        tree->scrollToItem(it);
        const QRect r = tree->visualItemRect(it);
        const int x = tree->header()->sectionViewportPosition(gCurrentUser->Columns.ItemNumber) + 4;
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(x, r.center().y()));
        return grid().currentAuctionKey() == auctionKey(item);
    }
    // The right mouse button over a point of a view, as the desktop reports it.
    static void contextMenuAt(QAbstractScrollArea *view, const QPoint &pos)
    {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, view->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(view->viewport(), &event);
    }

    // Opens the schedule dialog as the menu does and fills it; seconds under 5 are confirmed.
    void schedule(const QString &item, const QString &maxBid, const QString &seconds)
    {
        QVERIFY(clickRow(item));
        QVERIFY(w().menuItem(QStringLiteral("mnuActionsSchedule"))->isEnabled());
        bool acted = false;
        bool confirmed = false;
        whenModal<frmSchedule>(
            [&](frmSchedule &d) {
                child<QLineEdit>(d, "txtMaxBid")->setText(maxBid);
                child<QLineEdit>(d, "txtQuantity")->setText(QStringLiteral("1"));
                child<QLineEdit>(d, "txtBidSecs")->setText(seconds);
                if (seconds.toInt() < 5) {
                    m_boxExpected = true;
                    whenModal<QMessageBox>(
                        [this](QMessageBox &box) {
                            m_boxExpected = false;
                            if (box.windowTitle() == QLatin1String("Confirm this Bid?"))
                                box.button(QMessageBox::Yes)->click();
                            else
                                box.done(0);
                        },
                        &confirmed, kDialogMs);
                }
                QTest::mouseClick(child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
            },
            &acted, kDialogMs);
        w().menuItem(QStringLiteral("mnuActionsSchedule"))->trigger();
        m_boxExpected = false;
        QVERIFY(acted);
        QCOMPARE(confirmed, seconds.toInt() < 5);
        QCOMPARE(status(item), 2);
        QCOMPARE(auctionValue(item, QStringLiteral("AUC_MaxBid")).toDouble(), maxBid.toDouble());
        QCOMPARE(auctionValue(item, QStringLiteral("AUC_BidSecs")).toInt(), seconds.toInt());
        QVERIFY(showsStatus(item, 2));
        QVERIFY(auctionLog(item).last().contains(QStringLiteral("Scheduled Snipe")));
    }

    void waitUntilIdle()
    {
        QTRY_VERIFY_WITH_TIMEOUT(w().engine().queue().Count() == 0 && !w().engine().mblnServingItem, kSiteMs);
    }

    // The site's requests of one command for one item, oldest first.
    std::vector<practice::RecordedRequest> requests(const QString &command, const QString &item)
    {
        std::vector<practice::RecordedRequest> out;
        for (const auto &r : m_site.requests()) {
            if (r.command == command && (r.query + QString::fromUtf8(r.body)).contains(item))
                out.push_back(r);
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        QtMsgBox::install();
        DesktopServices::setOpener([this](const QUrl &url) {
            m_opened << url.toLocalFile();
            return true;
        });
        connect(&m_boxWatch, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && !m_boxExpected) {
                m_unexpectedBoxes << box->windowTitle() + QStringLiteral(": ") + box->text();
                box->done(0);
            }
        });
        m_boxWatch.start(100);

        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(m_folder->isValid());
        QVERIFY(m_site.start(0));
        QFile urls(m_folder->file(QStringLiteral("eburl.zdx")));
        QVERIFY(urls.open(QIODevice::WriteOnly | QIODevice::Truncate));
        urls.write(m_site.urlFile());
        urls.close();
        gClosing = false;
        m_site.addUser(kSiteUser, kSitePassword);

        // An hour ahead: setting up takes what it takes, the site's clock is moved on later.
        const qint64 now = m_site.now().toSecsSinceEpoch();
        const auto auction = [&](const QString &item, const QString &title, qint64 secondsLeft) {
            practice::Auction a;
            a.item = item;
            a.title = title;
            a.startPrice = 10.0;
            a.end = QDateTime::fromSecsSinceEpoch(now + secondsLeft, QTimeZone::utc());
            return a;
        };
        practice::Auction won = auction(kWon, QStringLiteral("Brass ship's clock <b>& chain</b>"), 3600);
        practice::Auction lost = auction(kLost, QStringLiteral("Pocket compass"), 3612);
        lost.bids.push_back({QStringLiteral("rival"), 60.0, 1});
        m_endWon = won.end;
        m_endLost = lost.end;
        m_site.addAuction(won);
        m_site.addAuction(lost);
        m_site.addAuction(auction(kBrowsed, QStringLiteral("Sextant"), 7200));
    }

    void cleanupTestCase()
    {
        if (m_window && !m_window->isClosed()) {
            m_window->menuItem(QStringLiteral("mnuFileExit"))->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(m_window->isClosed(), kDialogMs);
        }
        m_window.reset();
        m_site.stop();
        ReleaseGlobals();
        m_folder.reset();
        DesktopServices::setOpener({});
        m_boxWatch.stop();
        QCOMPARE(m_unexpectedBoxes, QStringList());
    }

    // Each step needs the ones before it.
    void init()
    {
        if (!m_window && qstrcmp(QTest::currentTestFunction(), "firstStartSetsUpThroughTheDialogs") != 0)
            QSKIP("The story runs from its first step.");
    }
    void cleanup() { QCOMPARE(m_unexpectedBoxes, QStringList()); }

    // The empty folder's first start: the system settings, then the profile wizard, then the
    // new user is signed in with its two folders.
    void firstStartSetsUpThroughTheDialogs()
    {
        m_browser = new FakeBrowser;
        m_window = std::make_unique<frmAuction>(m_dialogs, m_browser);
        m_dialogs.engine = &m_window->engine();

        bool settingsShown = false;
        bool wizardShown = false;
        whenModal<frmAppSettings>(
            [](frmAppSettings &d) {
                child<QRadioButton>(d, "optConnectionType2")->click();
                auto *zones = child<QComboBox>(d, "cboTime");
                const int pacific = zones->findText(QStringLiteral("(GMT -08:00) Pacific Time (US & Canada); Tijuana"));
                zones->setCurrentIndex(pacific);
                emit zones->activated(pacific);
                QTest::mouseClick(child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
            },
            &settingsShown, kDialogMs);
        whenModal<frmAucNewUser>(
            [](frmAucNewUser &d) {
                QTest::keyClicks(child<QLineEdit>(d, "txtEbayUserName"), kSiteUser);
                QTest::keyClicks(child<QLineEdit>(d, "txtEbayUserPassword"), kSitePassword);
                QTest::keyClicks(child<QLineEdit>(d, "txtEmail"), QStringLiteral("ann@example.com"));
                QTest::keyClicks(child<QLineEdit>(d, "txtZandroUser"), kProgramUser);
                QTest::mouseClick(child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
            },
            &wizardShown, kDialogMs);
        QVERIFY(w().Form_Load(QString()));
        QVERIFY(settingsShown);
        QVERIFY(wizardShown);
        QVERIFY(QTest::qWaitForWindowExposed(&w()));

        QVERIFY(!gSettings->NotSetup);
        QCOMPARE(gSettings->ConnectionType, qint16(2));
        QCOMPARE(gSettings->TimeOffset, qint16(0));
        QVERIFY(gCurrentUser);
        QCOMPARE(gCurrentUser->ZandroName, kProgramUser);
        QCOMPARE(count(QStringLiteral("Users WHERE U_EbayName = ? AND U_EbayPassword = ?"), {kSiteUser, kSitePassword}),
                 1);
        QVERIFY(folderKey(QStringLiteral("Open Auctions")) > 0);
        QVERIFY(folderKey(QStringLiteral("Closed Auctions")) > 0);

        QCOMPARE(child<QLabel>(w(), "lblHeading")->text(), QStringLiteral("Auctions - Ann"));
        QVERIFY(w().windowTitle().contains(QStringLiteral("[Ann] - (Viewing \"Open Auctions\")")));
        QCOMPARE(w().selectedFolderKey(), folderKey(QStringLiteral("Open Auctions")));
        QVERIFY(w().engine().timersEnabled());
        QVERIFY(w().menuItem(QStringLiteral("mnuActionsRefresh"))->isEnabled());
        QVERIFY(w().addStrip().cmdAuctionAdd()->isEnabled());
        // The start-up time synchronisation asked the site.
        waitUntilIdle();
        QTRY_VERIFY_WITH_TIMEOUT(m_site.requestCount() > 0, kSiteMs);
    }

    // Two auctions typed into the add strip, one added from the page the browser shows.
    void importsThroughTheStripAndTheBrowser()
    {
        AddAuctionStrip &strip = w().addStrip();
        for (const QString &item : {kWon, kLost}) {
            QTest::mouseClick(strip.cmdAuctionAdd(), Qt::LeftButton);
            QVERIFY(strip.isStripOpen());
            QVERIFY(strip.fraNewAuction()->isVisible());
            strip.txtItemNumber()->clear();
            QTest::keyClicks(strip.txtItemNumber(), item);
            QTest::mouseClick(strip.cmdAuctionAddOK(), Qt::LeftButton);
            QVERIFY(!strip.fraNewAuction()->isVisible());
            QTRY_VERIFY_WITH_TIMEOUT(rowOf(item) >= 0, kSiteMs);
        }

        BrowserPane &browser = w().browserPane();
        const QString page = m_site.commandUrl(QStringLiteral("ViewItem")) + QStringLiteral("&item=") + kBrowsed;
        browser.cboURL()->setEditText(page);
        browser.tbrGo()->findChild<QAction *>(QStringLiteral("go"))->trigger();
        QCOMPARE(m_browser->navigations.last(), QUrl(page));
        m_browser->finishLoad(QUrl(page), QStringLiteral("eBay item %1: Sextant").arg(kBrowsed));
        QAction *add = browser.button(QStringLiteral("addauction"));
        QTRY_VERIFY(add->isEnabled());
        add->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(rowOf(kBrowsed) >= 0, kSiteMs);
        waitUntilIdle();

        const qint32 open = folderKey(QStringLiteral("Open Auctions"));
        QCOMPARE(count(QStringLiteral("Auctions WHERE AUC_Folder = ? AND AUC_Status = 1"), {open}), 3);
        QCOMPARE(grid().auctionGrid().rowCount(), 3);
        const qint16 title = gCurrentUser->Columns.AuctionName;
        QCOMPARE(cell(kWon, title), QStringLiteral("Brass ship's clock <b>& chain</b>"));
        QCOMPARE(cell(kLost, title), QStringLiteral("Pocket compass"));
        QCOMPARE(cell(kBrowsed, title), QStringLiteral("Sextant"));
        for (const QString &item : {kWon, kLost, kBrowsed})
            QVERIFY2(showsStatus(item, 1), qPrintable(item));
        // The end as the site's page shows it, on the site's wall clock.
        QCOMPARE(faceMs(auctionValue(kWon, QStringLiteral("AUC_Ended")).toDateTime()), faceMs(siteWall(m_endWon)));
        QTRY_COMPARE(grid().auctionGrid().columnCaption(0), QStringLiteral("Auctions (3 Items)"));
        QTRY_COMPARE(w().statusPanel(3), QStringLiteral("Items in Queue: 0"));
    }

    // A subfolder made through the folder tree's menu, and an auction dragged onto it.
    void subfolderAndDrag()
    {
        const qint32 open = folderKey(QStringLiteral("Open Auctions"));
        FolderTreeWidget *tree = w().folderPane().sftFolders();
        QVERIFY(clickFolder(QStringLiteral("Open Auctions")));
        const auto openItem = tree->findItems(QStringLiteral("Open Auctions"), Qt::MatchExactly, 0).first();
        contextMenuAt(tree, tree->visualItemRect(openItem).center());
        QMenu *menu = w().folderPane().mnuFolderPop();
        QTRY_VERIFY(menu->isVisible());
        menu->findChild<QAction *>(QStringLiteral("mnuFolderPopNewFolder"))->trigger();
        menu->hide();
        QLineEdit *editor = nullptr;
        QTRY_VERIFY((editor = tree->findChild<QLineEdit *>()) && editor->isVisible());
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("Watch"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(count(QStringLiteral("Folders WHERE FLD_Name = 'Watch' AND FLD_Parent = ?"), {open}), 1);
        const qint32 watch = folderKey(QStringLiteral("Watch"));

        // The grid's drag begins; while it runs, the mouse carries it over "Watch" and lets go.
        QVERIFY(clickFolder(QStringLiteral("Open Auctions")));
        QVERIFY(clickRow(kWon));
        const auto watchItems = tree->findItems(QStringLiteral("Watch"), Qt::MatchExactly | Qt::MatchRecursive, 0);
        QCOMPARE(watchItems.size(), 1);
        const QPoint over = tree->visualItemRect(watchItems.first()).center();
        bool dropped = false;
        QTimer::singleShot(0, this, [&] {
            QMimeData mime;
            mime.setData(QLatin1String(QtTreeGrid::kDragSourceMimeType), QByteArrayLiteral("sftAuctions"));
            QDragEnterEvent enter(over, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(tree->viewport(), &enter);
            QDragMoveEvent move(over, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(tree->viewport(), &move);
            QDropEvent drop(QPointF(over), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(tree->viewport(), &drop);
            dropped = drop.isAccepted();
            // Ends the drag's own loop.
            QTest::keyClick(gridWidget(), Qt::Key_Escape);
        });
        grid().sftAuctions_DragStart();
        QTRY_VERIFY(dropped);
        QTRY_COMPARE(auctionValue(kWon, QStringLiteral("AUC_Folder")).toInt(), watch);
        QCOMPARE(count(QStringLiteral("Auctions WHERE AUC_Folder = ?"), {open}), 2);

        QVERIFY(clickFolder(QStringLiteral("Watch")));
        QVERIFY(w().windowTitle().contains(QStringLiteral("(Viewing \"Watch\")")));
        QCOMPARE(grid().auctionGrid().rowCount(), 1);
        QVERIFY(rowOf(kWon) == 0);
        QVERIFY(showsStatus(kWon, 1));
    }

    // Both snipes scheduled through the dialog; the first one's conversation places the winning
    // bid in the last seconds, the second one meets a higher maximum.
    void snipesRunAgainstTheSite()
    {
        // The site's clock moves on to half a minute before the first end; the program's time
        // synchronisation follows it.
        const qint64 jump = m_site.now().msecsTo(m_endWon) - 30000;
        m_site.setClockOffsetMs(m_site.clockOffsetMs() + jump);
        w().Toolbar1_ButtonClick(QStringLiteral("time"));
        QTRY_VERIFY2_WITH_TIMEOUT(qAbs(faceMs(AuctionEngine::siteNow()) - faceMs(siteWall(m_site.now()))) < 2000,
                                  qPrintable(AuctionEngine::siteNow().toString(Qt::ISODateWithMs) +
                                             QStringLiteral(" / ") +
                                             siteWall(m_site.now()).toString(Qt::ISODateWithMs) + QStringLiteral(" ") +
                                             QString::number(requests(QStringLiteral("TimeShow"), QString()).size())),
                                  kSiteMs);
        const QString siteClock = w().statusPane().lblEbayTime()->text();
        QTRY_VERIFY(w().statusPane().lblEbayTime()->text() != siteClock);
        QVERIFY(w().statusPane().lblEbayTime()->text().startsWith(QStringLiteral("eBay: ")));

        QVERIFY(clickFolder(QStringLiteral("Watch")));
        schedule(kWon, QStringLiteral("25.00"), QStringLiteral("4"));
        QVERIFY(w().windowTitle().endsWith(QStringLiteral("(Viewing \"Watch\", 1 Snipe Scheduled)")));
        QVERIFY(cell(kWon, gCurrentUser->Columns.TimeLeft).endsWith(QStringLiteral(" Seconds")));

        QVERIFY(clickFolder(QStringLiteral("Open Auctions")));
        schedule(kLost, QStringLiteral("20.00"), QStringLiteral("5"));
        QVERIFY(w().windowTitle().endsWith(QStringLiteral("2 Snipes Scheduled)")));

        // The first bid is finalised in its last seconds.
        QTRY_VERIFY_WITH_TIMEOUT(status(kWon) == 3, kSiteMs);
        // The status is written as the bid goes out; the site logs it once it has arrived.
        QTRY_COMPARE_WITH_TIMEOUT(requests(QStringLiteral("AcceptBid"), kWon).size(), size_t(1), kSiteMs);
        const auto accepts = requests(QStringLiteral("AcceptBid"), kWon);
        const qint64 arrived = accepts.front().arrivalMs + m_site.clockOffsetMs();
        const qint64 beforeEnd = arrived - m_endWon.toMSecsSinceEpoch();
        QVERIFY2(beforeEnd < 0 && beforeEnd > -4000 - 2000, qPrintable(QString::number(beforeEnd)));
        QVERIFY(accepts.front().body.contains(QUrl::toPercentEncoding(kSitePassword)));
        QVERIFY(requests(QStringLiteral("MakeBid"), kWon).size() == 1);
        QTRY_COMPARE_WITH_TIMEOUT(m_site.standing(kWon)->highBidder, kSiteUser, kSiteMs);

        // Both auctions end.
        QTRY_VERIFY_WITH_TIMEOUT(m_site.now() > m_endLost, kSiteMs);
        QTRY_VERIFY_WITH_TIMEOUT(status(kLost) != 2, kSiteMs);
        waitUntilIdle();
        QCOMPARE(m_site.standing(kLost)->highBidder, QStringLiteral("rival"));
    }

    // The refresh after the close: won, moved to "Closed Auctions", congratulated in its log.
    void refreshAfterTheCloseShowsTheWin()
    {
        QVERIFY(clickFolder(QStringLiteral("Watch")));
        QVERIFY(showsStatus(kWon, 3));
        QVERIFY(clickRow(kWon));
        w().menuItem(QStringLiteral("mnuActionsRefreshSelected"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(status(kWon) == 4, kSiteMs);
        waitUntilIdle();
        QCOMPARE(auctionValue(kWon, QStringLiteral("AUC_Folder")).toInt(),
                 folderKey(QStringLiteral("Closed Auctions")));
        QCOMPARE(rowOf(kWon), -1);
        QVERIFY(auctionLog(kWon).contains(QStringLiteral("Congratulations, you have Won this Auction.")));

        QVERIFY(clickFolder(QStringLiteral("Closed Auctions")));
        QVERIFY(showsStatus(kWon, 4));
        QVERIFY(clickRow(kWon));
        auto *view = child<QComboBox>(w(), "cboView");
        view->setCurrentIndex(view->findText(QStringLiteral("Auction Log")));
        QVERIFY(w().logPane().sftAuctionLog()->isVisible());
        LogRowsModel &log = w().logPane().auctionLogRows();
        QStringList shown;
        for (int row = 0; row < log.rowCount(); ++row)
            shown << log.message(row);
        QVERIFY(shown.contains(QStringLiteral("Congratulations, you have Won this Auction.")));
    }

    // The second snipe, refreshed with the whole list, ends lost.
    void outbidSnipeEndsLost()
    {
        QTRY_VERIFY_WITH_TIMEOUT(m_site.now() > m_endLost, kSiteMs);
        QVERIFY(clickFolder(QStringLiteral("Open Auctions")));
        w().Toolbar1_ButtonClick(QStringLiteral("refresh"));
        QTRY_VERIFY_WITH_TIMEOUT(status(kLost) == 5, kSiteMs);
        waitUntilIdle();
        QCOMPARE(auctionValue(kLost, QStringLiteral("AUC_Folder")).toInt(),
                 folderKey(QStringLiteral("Closed Auctions")));
        QCOMPARE(rowOf(kLost), -1);
        QVERIFY(rowOf(kBrowsed) >= 0);
        QVERIFY(showsStatus(kBrowsed, 1));
        QVERIFY(clickFolder(QStringLiteral("Closed Auctions")));
        QVERIFY(showsStatus(kLost, 5));
        QVERIFY(showsStatus(kWon, 4));
        QVERIFY(!w().windowTitle().contains(QStringLiteral("Scheduled")));
        const QStringList log = auctionLog(kLost);
        QVERIFY2(log.contains(QStringLiteral("You have been Outbid by another Bidder.")) &&
                     log.contains(QStringLiteral("You did not win this Auction.  You were outbid.")),
                 qPrintable(log.join(QLatin1Char('\n'))));
    }

    // The auction log exported through the log's pop-up menu, and read back.
    void exportTheAuctionLog()
    {
        QVERIFY(clickFolder(QStringLiteral("Closed Auctions")));
        QVERIFY(clickRow(kWon));
        auto *view = child<QComboBox>(w(), "cboView");
        view->setCurrentIndex(view->findText(QStringLiteral("Auction Log")));
        QTreeView *logView = w().logPane().sftAuctionLog();
        QVERIFY(logView->isVisible());
        const int rows = w().logPane().auctionLogRows().rowCount();
        QVERIFY(rows > 0);
        contextMenuAt(logView, QPoint(10, 10));
        QMenu *menu = w().logPane().mnuLogPopUp();
        QTRY_VERIFY(menu->isVisible());
        menu->findChild<QAction *>(QStringLiteral("mnuLogPopUpExport"))->trigger();
        menu->hide();

        const QString path = LogViewsPane::exportPath(kProgramUser, kWon);
        QCOMPARE(m_opened, QStringList{path});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), rows + 3);
        QCOMPARE(lines.at(0), QStringLiteral("NOTE: THIS LOG HAS BEEN SAVED AS ") + path);
        QCOMPARE(lines.at(2), QStringLiteral("Auction Log for Item Number: ") + kWon);
        QVERIFY(lines.last().endsWith(QStringLiteral(" - Congratulations, you have Won this Auction.")));
        const auto scheduled = std::find_if(lines.cbegin(), lines.cend(), [](const QString &l) {
            return l.contains(QStringLiteral("Scheduled Snipe"));
        });
        QVERIFY(scheduled != lines.cend());
    }
};

QTEST_MAIN(TestStory)
#include "TestStory.moc"
