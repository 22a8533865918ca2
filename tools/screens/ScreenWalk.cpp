#include "ScreenWalk.h"

#include "DemoFolder.h"
#include "PracticeSite.h"
#include "SilentDialogs.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmAppSettings.h"
#include "dialogs/frmAucNewUser.h"
#include "dialogs/frmCloseZandrift.h"
#include "dialogs/frmComment.h"
#include "dialogs/frmDBCompact.h"
#include "dialogs/frmDeleteUser.h"
#include "dialogs/frmLegend.h"
#include "dialogs/frmSchedule.h"
#include "dialogs/frmSignin.h"
#include "dialogs/frmSplash.h"
#include "engine/AuctionEngine.h"
#include "engine/ebayURLS.h"
#include "mainwindow/AddAuctionStrip.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/BrowserPane.h"
#include "mainwindow/FavoritesPane.h"
#include "mainwindow/ShortcutBarPane.h"
#include "mainwindow/StatusBarPane.h"
#include "mainwindow/WindowPlacement.h"
#include "mainwindow/frmAuction.h"
#include "platform/Database.h"
#include "platform_gui/IBrowser.h"
#include "store/BSN_Log.h"
#include "store/BSN_User.h"
#include "store/BSN_Users.h"
#include "store/Folders.h"
#include "store/Globals.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QStringList>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>

namespace ScreenWalk {

namespace {

// The window's designed size in pixels (it keeps it on screens over 1280 pixels wide).
const QSize kDesigned(900, 650);
constexpr int kPageMs = 20000;

// Rows of every status beside the imported ones: copies of the first with other numbers.
void addRowsOfEveryStatus()
{
    static const struct
    {
        int status;
        const char *item;
        const char *title;
        int endsInMinutes;
        double maxBid;
    } rows[] = {
        {3, "3001000101", "Brass barometer (snipe running)", 1, 30.0},
        {4, "3001000102", "Pocket watch, silver (won)", -90, 45.0},
        {5, "3001000103", "Mantel clock, oak (lost)", -200, 20.0},
        {6, "3001000104", "Wall clock, needs repair (ended)", -30, 0},
        {7, "3001000105", "Cuckoo clock (snipe error)", -10, 25.0},
    };
    const qint32 user = gCurrentUser->PrimaryKey;
    const qint32 open = GetOpenAuctionsFolder(*gDB, user);
    const QDateTime siteNow = QDateTime::currentDateTime().toTimeZone(QTimeZone("America/Los_Angeles"));
    for (const auto &r : rows) {
        const QDateTime end = siteNow.addSecs(r.endsInMinutes * 60);
        gDB->execute(
            QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, "
                           "AUC_CurrentBid, AUC_MinBid, AUC_Quantity, AUC_NumberOfBids, AUC_Ended, AUC_Status, "
                           "AUC_MaxBid, AUC_BidQuantity, AUC_BidSecs, AUC_Seller, AUC_HighBidder) "
                           "VALUES (?, ?, ?, ?, 12.5, 13.0, 1, 4, ?, ?, ?, 1, 5, 'clockworks', 'rival1')"),
            {user, open, QLatin1String(r.item), QLatin1String(r.title), QDateTime(end.date(), end.time()), r.status,
             r.maxBid});
        auto key = gDB->openQuery(QStringLiteral("SELECT AUC_Primary FROM Auctions WHERE AUC_ItemNumber = ?"),
                                  {QLatin1String(r.item)});
        BSN_Log().MarkAuction(key->value(QStringLiteral("AUC_Primary")).toInt(), user,
                              QStringLiteral("Status %1 set for the screenshots.").arg(r.status));
    }
    auto shown = gDB->openQuery(QStringLiteral("SELECT AUC_Primary FROM Auctions WHERE AUC_ItemNumber = ?"),
                                {QStringLiteral("3001000005")});
    BSN_Log().MarkAuction(shown->value(QStringLiteral("AUC_Primary")).toInt(), user,
                          QStringLiteral("Bid history read for the screenshots."));
    BSN_Log().MarkAuction(0, user,
                          QStringLiteral("Unable to connect to the site: the practice fault for the screenshots."));
}

// Posted layouts and resizes done, as a person would see the window a moment later.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Runs start, then waits until the browser has shown a page; false when none came.
bool waitForPage(BrowserPane &pane, const std::function<void()> &start)
{
    QEventLoop loop;
    bool finished = false;
    const auto done = [&](const QUrl &, IBrowser::LoadResult result, const QString &) {
        if (result != IBrowser::LoadResult::Succeeded)
            return;
        finished = true;
        loop.quit();
    };
    const QMetaObject::Connection c = QObject::connect(pane.WB(), &IBrowser::loadFinished, &loop, done);
    QTimer::singleShot(kPageMs, &loop, &QEventLoop::quit);
    start();
    if (!finished)
        loop.exec();
    QObject::disconnect(c);
    // The page draws a moment after it has loaded.
    QEventLoop paint;
    QTimer::singleShot(300, &paint, &QEventLoop::quit);
    paint.exec();
    return finished;
}

QString itemPage(const QString &item)
{
    return UseURLs()->EbayViewItemURL + item;
}

void selectItem(frmAuction &window, const QString &item)
{
    TreeGrid &grid = window.gridPane().auctionGrid();
    const qint32 row = grid.findRowByText(item, gCurrentUser->Columns.ItemNumber, 0);
    QTreeWidget *tree = window.gridPane().sftAuctions();
    if (row >= 0)
        tree->setCurrentItem(tree->topLevelItem(row));
}

void walkWindow(frmAuction &window, const QSize &screen, const Visit &visit, QStringList &missed)
{
    const QString prefix = QStringLiteral("%1x%2-window-").arg(screen.width()).arg(screen.height());
    const auto shot = [&](const char *state) {
        settle();
        // The page is drawn again by the browser's own processes after a resize.
        QEventLoop paint;
        QTimer::singleShot(250, &paint, &QEventLoop::quit);
        paint.exec();
        visit(window, prefix + QLatin1String(state));
    };
    window.resize(WindowPlacement::sizeForScreen(screen, kDesigned));
    settle();
    BrowserPane &browser = window.browserPane();
    QTreeWidget *tree = window.gridPane().sftAuctions();
    tree->clearSelection();
    tree->setCurrentItem(nullptr);
    if (!waitForPage(browser, [&] { browser.ShowNewsPage(); }))
        missed << prefix + QStringLiteral("auctions: the start page");
    shot("auctions");

    AddAuctionStrip &strip = window.addStrip();
    strip.cmdAuctionAdd_Click();
    strip.txtItemNumber()->clear();
    strip.txtItemNumber()->insert(QStringLiteral("3001000004"));
    shot("add-strip");
    strip.cmdAuctionAddCancel_Click();

    if (!waitForPage(browser, [&] { browser.NavigateSafe(itemPage(QStringLiteral("3001000002"))); }))
        missed << prefix + QStringLiteral("item-page: the item page");
    shot("item-page");

    // Linked, the browser follows the row chosen in the grid.
    if (!waitForPage(browser, [&] { selectItem(window, QStringLiteral("3001000005")); }))
        missed << prefix + QStringLiteral("linked-row: the selected auction's page");
    shot("linked-row");

    auto *view = window.findChild<QComboBox *>(QStringLiteral("cboView"));
    view->setCurrentIndex(1);
    shot("auction-log");
    view->setCurrentIndex(2);
    shot("error-log");

    // A log line longer than the pane (its tooltip holds all of it).
    const QString longLine =
        QStringLiteral("The site answered the preparatory bid with a page Zandrift could not read: ") +
        QStringLiteral("the bid form's fields were missing, the page ended early, ").repeated(4) +
        QStringLiteral("and the snipe will try again.");
    BSN_Log().MarkAuction(0, gCurrentUser->PrimaryKey, longLine);
    window.reloadGeneralLogView();
    shot("long-log-line");
    view->setCurrentIndex(0);

    // One title far longer than the grid: its column stops at half the grid.
    const qint32 open = GetOpenAuctionsFolder(*gDB, gCurrentUser->PrimaryKey);
    gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, AUC_Status, "
                                "AUC_CurrentBid, AUC_Quantity) VALUES (?, ?, '3001000199', ?, 1, 3.5, 1)"),
                 {gCurrentUser->PrimaryKey, open,
                  QStringLiteral("Lot of forty brass carriage clocks, ").repeated(12) + QStringLiteral("as found")});
    window.BuildAuctionGrid(open);
    shot("long-title");
    gDB->execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_ItemNumber = '3001000199'"));
    window.BuildAuctionGrid(open);

    // The status panels while a snipe runs, with its longest steps, the grid showing the time
    // left.
    const QStringList panelsBefore = {window.statusPanel(1), window.statusPanel(2), window.statusPanel(3)};
    const int scrolledTo = tree->horizontalScrollBar()->value();
    const qint16 timeLeft = gCurrentUser->Columns.TimeLeft;
    if (timeLeft >= 0)
        tree->horizontalScrollBar()->setValue(tree->header()->sectionPosition(timeLeft));
    window.setStatusPanel(1, QStringLiteral("Preparing to Snipe Item# 3001000101"));
    window.setStatusPanel(2, QStringLiteral("Sending Request to Host..."));
    window.setStatusPanel(3, QStringLiteral("Items in Queue: 3"));
    shot("snipe-status");
    window.setStatusPanel(1, QStringLiteral("Waiting for Exact Moment to Snipe..."));
    window.setStatusPanel(2, QStringLiteral("Waiting..."));
    shot("snipe-waiting");
    for (int panel = 1; panel <= 3; ++panel)
        window.setStatusPanel(panel, panelsBefore.at(panel - 1));
    tree->horizontalScrollBar()->setValue(scrolledTo);

    if (auto *favorites = window.findChild<FavoritesPane *>(QStringLiteral("fraFavorites"))) {
        favorites->BuildFavoritesTree();
        shot("favorites");
        favorites->cmdCloseFavorites_Click();
    }

    window.shortcutPane().OutlookOff();
    shot("no-shortcuts");
    window.shortcutPane().OutlookOn();

    window.tbrViewTack_ButtonClick();
    shot("view-enlarged");
    window.tbrViewTack_ButtonClick();

    const UserPtr user = gCurrentUser;
    CurrentUser::instance().signOut();
    window.LoadAuctionScreen();
    shot("nobody");
    CurrentUser::instance().signIn(user);
    window.LoadAuctionScreen();
}

void walkDialogs(const Visit &visit)
{
    const auto single = [&](const char *name, const std::function<QWidget *()> &make) {
        std::unique_ptr<QWidget> dialog(make());
        dialog->show();
        settle();
        visit(*dialog, QLatin1String(name));
    };
    const auto pages = [&](const char *name, const std::function<QWidget *()> &make) {
        std::unique_ptr<QWidget> dialog(make());
        dialog->show();
        auto *tabs = dialog->findChild<QTabWidget *>(QStringLiteral("SSTab1"));
        for (int i = 0; tabs && i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            settle();
            visit(*dialog, QStringLiteral("%1-%2").arg(QLatin1String(name)).arg(i + 1));
        }
    };
    single("dialog-splash", [] { return new frmSplash; });
    single("dialog-close", [] { return new frmCloseZandrift; });
    single("dialog-signin", [] { return new frmSignin; });
    CurrentUser::instance().signIn(gUsers->Users().front());
    pages("dialog-settings", [] { return new frmAppSettings; });
    gCurrentUser->Editing = true;
    pages("dialog-profile-edit", [] { return new frmAucNewUser; });
    gCurrentUser->Editing = false;
    auto scheduled = gDB->openQuery(QStringLiteral("SELECT AUC_Primary FROM Auctions WHERE AUC_Status = 2"));
    ScheduleAuctionKey = scheduled->value(QStringLiteral("AUC_Primary")).toInt();
    single("dialog-schedule", [] { return new frmSchedule; });
    single("dialog-comment", [] {
        auto *d = new frmComment;
        d->setAuction(QStringLiteral("Brass ship's clock, working"), QStringLiteral("Ask about shipping <b>first</b>"));
        return d;
    });
    single("dialog-legend", [] { return new frmLegend; });
    single("dialog-about", [] { return new frmAbout; });
    single("dialog-compact", [] { return new frmDBCompact; });
    single("dialog-delete-user", [] { return new frmDeleteUser; });
    CurrentUser::instance().signOut();
    pages("dialog-profile-new", [] { return new frmAucNewUser; });
}

} // namespace

QList<QSize> screens()
{
    return {QSize(1024, 768), QSize(1280, 900)};
}

bool walk(const Visit &visit, QString *error)
{
    practice::PracticeSite site;
    site.loadDemoScenario();
    if (!site.start()) {
        *error = QStringLiteral("the practice site cannot start");
        return false;
    }
    QTemporaryDir folder;
    DemoFolder::User user;
    user.siteName = QStringLiteral("snipetester");
    user.sitePassword = QStringLiteral("secret");
    if (!DemoFolder::create(folder.path(), site.urlFile(), error) || !DemoFolder::addUser(user, error) ||
        !DemoFolder::importAuctions({QStringLiteral("3001000001"), QStringLiteral("3001000002"),
                                     QStringLiteral("3001000003"), QStringLiteral("3001000004"),
                                     QStringLiteral("3001000005")},
                                    30000, error) ||
        !DemoFolder::scheduleSnipe(QStringLiteral("3001000001"), 20.0, 1, 5, error))
        return false;
    addRowsOfEveryStatus();
    ReleaseGlobals();

    // A favorites folder of a profile of its own, for the favorites pane.
    QTemporaryDir profile;
    const QDir favoritesDir(profile.filePath(QStringLiteral("Favorites")));
    favoritesDir.mkpath(QStringLiteral("Auction sites"));
    const auto shortcut = [&](const QString &name, const QString &url) {
        QFile file(favoritesDir.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write("[InternetShortcut]\r\nURL=" + url.toUtf8() + "\r\n");
    };
    shortcut(QStringLiteral("Auction sites/Practice site.url"), site.baseUrl() + QStringLiteral("/"));
    shortcut(QStringLiteral("Auction sites/Brass ship's clock.url"),
             site.commandUrl(QStringLiteral("ViewItem&item=3001000001")));
    shortcut(QStringLiteral("Qt documentation.url"), QStringLiteral("https://doc.qt.io/"));
    const QByteArray oldProfile = qgetenv("USERPROFILE");
    qputenv("USERPROFILE", QFile::encodeName(profile.path()));

    SilentDialogs dialogs;
    QStringList missed;
    {
        frmAuction window(dialogs);
        if (!window.Form_Load(QString())) {
            *error = QStringLiteral("the window did not start");
            return false;
        }
        window.setAllTimersEnabled(false);
        window.statusPane().tmrDateTime_Timer();
        window.show();
        for (const QSize &screen : screens())
            walkWindow(window, screen, visit, missed);
        gClosing = true;
        window.closeForShutdown();
    }
    walkDialogs(visit);

    ReleaseGlobals();
    site.stop();
    if (oldProfile.isNull())
        qunsetenv("USERPROFILE");
    else
        qputenv("USERPROFILE", oldProfile);
    if (!missed.isEmpty()) {
        *error = QStringLiteral("no page was shown for ") + missed.join(QStringLiteral(", "));
        return false;
    }
    return true;
}

} // namespace ScreenWalk
