// zandrift-screens DIR: renders the main window in its main states and each dialog to PNG
// files in DIR, on the offscreen platform, against the practice site in this process.
#include "AuctionEngine.h"
#include "BSN_Log.h"
#include "Database.h"
#include "DemoFolder.h"
#include "Folders.h"
#include "Globals.h"
#include "SilentDialogs.h"
#include "MsgBox.h"
#include "PracticeSite.h"
#include "FavoritesPane.h"
#include "ShortcutBarPane.h"
#include "StatusBarPane.h"
#include "frmAuction.h"
#include "frmAbout.h"
#include "frmAppSettings.h"
#include "frmAucNewUser.h"
#include "frmCloseZandrift.h"
#include "frmComment.h"
#include "frmDBCompact.h"
#include "frmDeleteUser.h"
#include "frmLegend.h"
#include "frmSchedule.h"
#include "frmSignin.h"
#include "frmSplash.h"

#include <QApplication>
#include <QComboBox>
#include <QTabWidget>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <cstdio>
#include <unistd.h>
#include <functional>

namespace {

int gFailures = 0;

void save(QWidget &w, const QDir &dir, const QString &name)
{
    if (!w.isVisible())
        w.show();
    QCoreApplication::processEvents();
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    if (!w.grab().save(path)) {
        std::fprintf(stderr, "zandrift-screens: cannot write %s\n", qPrintable(path));
        ++gFailures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

void saveDialog(const QDir &dir, const QString &name, const std::function<QWidget *()> &make)
{
    std::unique_ptr<QWidget> dialog(make());
    save(*dialog, dir, name);
}

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
        gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, "
                                    "AUC_CurrentBid, AUC_MinBid, AUC_Quantity, AUC_NumberOfBids, AUC_Ended, AUC_Status, "
                                    "AUC_MaxBid, AUC_BidQuantity, AUC_BidSecs, AUC_Seller, AUC_HighBidder) "
                                    "VALUES (?, ?, ?, ?, 12.5, 13.0, 1, 4, ?, ?, ?, 1, 5, 'clockworks', 'rival1')"),
                     {user, open, QLatin1String(r.item), QLatin1String(r.title),
                      QDateTime(end.date(), end.time()), r.status, r.maxBid});
        auto key = gDB->openQuery(QStringLiteral("SELECT AUC_Primary FROM Auctions WHERE AUC_ItemNumber = ?"),
                                  {QLatin1String(r.item)});
        BSN_Log().MarkAuction(key->value(QStringLiteral("AUC_Primary")).toInt(), user,
                              QStringLiteral("Status %1 set for the screenshots.").arg(r.status));
    }
    BSN_Log().MarkAuction(0, user, QStringLiteral("Unable to connect to the site: the practice fault for the screenshots."));
}

} // namespace

int main(int argc, char **argv)
{
    DemoFolder::useHeadlessPlatform();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Zandrift"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: zandrift-screens DIR\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "zandrift-screens: cannot make %s\n", argv[1]);
        return 1;
    }
    // Boxes would wait for a click nobody gives: answer them and say what they were.
    MsgBox::setHandler([](const MsgBox::Request &r) {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(r.title), qPrintable(r.prompt));
        return r.buttons == MsgBox::Buttons::YesNo ? MsgBox::Answer::No : MsgBox::Answer::Ok;
    });

    practice::PracticeSite site;
    site.loadDemoScenario();
    if (!site.start()) {
        std::fprintf(stderr, "zandrift-screens: the practice site cannot start\n");
        return 1;
    }
    QTemporaryDir folder;
    QString error;
    DemoFolder::User user;
    user.siteName = QStringLiteral("snipetester");
    user.sitePassword = QStringLiteral("secret");
    if (!DemoFolder::create(folder.path(), site.urlFile(), &error) || !DemoFolder::addUser(user, &error) ||
        !DemoFolder::importAuctions({"3001000001", "3001000002", "3001000003", "3001000004", "3001000005"}, 30000,
                                    &error) ||
        !DemoFolder::scheduleSnipe(QStringLiteral("3001000001"), 20.0, 1, 5, &error)) {
        std::fprintf(stderr, "zandrift-screens: %s\n", qPrintable(error));
        return 1;
    }
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
    const QString home = QStringLiteral("http://127.0.0.1:%1/").arg(site.port());
    shortcut(QStringLiteral("Auction sites/Practice site.url"), home);
    shortcut(QStringLiteral("Auction sites/Brass ship's clock.url"), home + QStringLiteral("item?3001000001"));
    shortcut(QStringLiteral("Qt documentation.url"), QStringLiteral("https://doc.qt.io/"));
    qputenv("USERPROFILE", QFile::encodeName(profile.path()));

    SilentDialogs dialogs;
    {
        frmAuction window(dialogs);
        if (!window.Form_Load(QString())) {
            std::fprintf(stderr, "zandrift-screens: the window did not start\n");
            return 1;
        }
        window.setAllTimersEnabled(false);
        window.statusPane().tmrDateTime_Timer();
        window.show();
        window.resize(1200, 760);
        QCoreApplication::processEvents();
        save(window, out, QStringLiteral("window-auctions"));

        // The layout at a small size, without the shortcut bar, with the view window enlarged,
        // and with the favorites open.
        window.resize(800, 560);
        QCoreApplication::processEvents();
        save(window, out, QStringLiteral("window-small"));
        window.shortcutPane().OutlookOff();
        QCoreApplication::processEvents();
        save(window, out, QStringLiteral("window-small-no-shortcuts"));
        window.tbrViewTack_ButtonClick();
        QCoreApplication::processEvents();
        save(window, out, QStringLiteral("window-small-view-enlarged"));
        window.tbrViewTack_ButtonClick();
        window.shortcutPane().OutlookOn();
        window.resize(1200, 760);
        QCoreApplication::processEvents();
        if (auto *favorites = window.findChild<FavoritesPane *>(QStringLiteral("fraFavorites"))) {
            favorites->BuildFavoritesTree();
            QCoreApplication::processEvents();
            save(window, out, QStringLiteral("window-favorites"));
            favorites->hide();
        }
        auto *view = window.findChild<QComboBox *>(QStringLiteral("cboView"));
        view->setCurrentIndex(1);
        save(window, out, QStringLiteral("window-auction-log"));
        view->setCurrentIndex(2);
        save(window, out, QStringLiteral("window-error-log"));
        view->setCurrentIndex(0);
        gCurrentUser.reset();
        window.LoadAuctionScreen();
        save(window, out, QStringLiteral("window-nobody"));
        gClosing = true;
        window.closeForShutdown();
    }

    saveDialog(out, QStringLiteral("dialog-splash"), [] { return new frmSplash; });
    saveDialog(out, QStringLiteral("dialog-close"), [] { return new frmCloseZandrift; });
    saveDialog(out, QStringLiteral("dialog-signin"), [] { return new frmSignin; });
    gCurrentUser = gUsers->Users().front();
    const auto pages = [&](const QString &name, const std::function<QWidget *()> &make) {
        std::unique_ptr<QWidget> dialog(make());
        auto *tabs = dialog->findChild<QTabWidget *>(QStringLiteral("SSTab1"));
        for (int i = 0; tabs && i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            save(*dialog, out, QStringLiteral("%1-%2").arg(name).arg(i + 1));
        }
    };
    pages(QStringLiteral("dialog-settings"), [] { return new frmAppSettings; });
    gCurrentUser->Editing = true;
    pages(QStringLiteral("dialog-profile-edit"), [] { return new frmAucNewUser; });
    gCurrentUser->Editing = false;
    auto scheduled = gDB->openQuery(QStringLiteral("SELECT AUC_Primary FROM Auctions WHERE AUC_Status = 2"));
    ScheduleAuctionKey = scheduled->value(QStringLiteral("AUC_Primary")).toInt();
    saveDialog(out, QStringLiteral("dialog-schedule"), [] { return new frmSchedule; });
    saveDialog(out, QStringLiteral("dialog-comment"), [] {
        auto *d = new frmComment;
        d->setAuction(QStringLiteral("Brass ship's clock, working"), QStringLiteral("Ask about shipping <b>first</b>"));
        return d;
    });
    saveDialog(out, QStringLiteral("dialog-legend"), [] { return new frmLegend; });
    saveDialog(out, QStringLiteral("dialog-about"), [] { return new frmAbout; });
    saveDialog(out, QStringLiteral("dialog-compact"), [] { return new frmDBCompact; });
    saveDialog(out, QStringLiteral("dialog-delete-user"), [] { return new frmDeleteUser; });
    gCurrentUser.reset();
    pages(QStringLiteral("dialog-profile-new"), [] { return new frmAucNewUser; });

    ReleaseGlobals();
    site.stop();
    return gFailures ? 1 : 0;
}
