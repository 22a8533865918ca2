// Every way the window deletes an auction (its grid row, the menu, its folder, its program user)
// ends the auction's work in the engine: nothing queued for it or in flight reaches the site
// afterwards, while the work of other auctions goes on.
#include "EngineFixture.h"
#include "FakeBrowser.h"
#include "FakeDialogs.h"
#include "MsgBoxRecorder.h"
#include "PracticeSite.h"
#include "TestProgramFolder.h"
#include "dialogs/frmDeleteUser.h"
#include "engine/AuctionEngine.h"
#include "engine/ebayURLS.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/FolderTreePane.h"
#include "mainwindow/frmAuction.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/InetTransfer.h"
#include "platform_gui/QtFolderTree.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeZone>
#include <QtTest>

namespace {

const QString kItem = QStringLiteral("9001");      // the auction deleted
const QString kHeld = QStringLiteral("9002");      // a page in flight that holds the queue back
const QString kBystander = QStringLiteral("9003"); // another auction's work, queued behind

qint32 lastKey(const char *table, const char *column)
{
    auto rs =
        gDB->openQuery(QStringLiteral("SELECT max(%1) AS k FROM %2").arg(QLatin1String(column), QLatin1String(table)));
    return static_cast<qint32>(rs->value(QStringLiteral("k")).toLongLong());
}

QString dllTarget(const QString &command)
{
    return QLatin1String(practice::PracticeSite::kDllPath) + QLatin1Char('?') + command;
}

// What the engine holds of the deleted auction and of the other one queued behind it: queued
// items and the one in flight, by action and item (other work comes and goes with the timing).
QString engineState(AuctionEngine &engine)
{
    const auto describe = [](const QItemPtr &i) {
        const QString item = i->Bid ? i->Bid->ItemNumber : i->ItemNumber;
        if (item != kItem && item != kBystander)
            return QString();
        return QStringLiteral("%1:%2%3").arg(i->Action).arg(
            item, i->Bid && i->Bid->CancelBid ? QStringLiteral("(cancelled)") : QString());
    };
    QStringList queued;
    for (const QItemPtr &i : engine.queue().items())
        if (!describe(i).isEmpty())
            queued << describe(i);
    const QItemPtr inFlight = engine.mLastQueueItem;
    return QStringLiteral("queued [%1] in flight [%2]")
        .arg(queued.join(QLatin1Char(' ')),
             inFlight && engine.Inet1().StillExecuting() ? describe(inFlight) : QString());
}

} // namespace

class TestDeletePaths : public QObject
{
    Q_OBJECT

    // What each kind of work leaves in the engine when the engine's own operation forgets the
    // auction; every path must leave the same.
    QHash<QString, QString> m_forgotten;

    void runFor(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }
    bool runUntil(const std::function<bool()> &done, int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        while (!done()) {
            if (t.elapsed() > timeoutMs)
                return false;
            runFor(10);
        }
        return true;
    }

private slots:
    void init()
    {
        gClosing = false;
        Clock::unfreeze(); // no synchronisation of an earlier row counts
    }
    void cleanup()
    {
        ReleaseGlobals();
        Clock::unfreeze();
    }

    void aDeletedAuctionSendsNothingMore_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("work");
        // The engine's operation called directly comes first: the rows after it compare with it.
        for (const char *path : {"engine", "grid", "menu", "folder", "user"})
            for (const char *work : {"queued snipe", "snipe in flight", "queued import", "queued refresh"})
                QTest::addRow("%s, %s", path, work) << QString::fromLatin1(path) << QString::fromLatin1(work);
    }
    void aDeletedAuctionSendsNothingMore()
    {
        QFETCH(QString, path);
        QFETCH(QString, work);
        const bool snipe = work.contains(QLatin1String("snipe"));
        const bool ofBob = path == QLatin1String("user"); // only another user can be deleted

        TestProgramFolder folder;
        practice::PracticeSite site;
        QVERIFY(site.start(0));
        {
            QFile urls(folder.file(QStringLiteral("eburl.zdx")));
            QVERIFY(urls.open(QIODevice::WriteOnly | QIODevice::Truncate));
            urls.write(site.urlFile());
        }
        gURLs.reset();
        QVERIFY(folder.openStore());
        // The program's offset: whole hours between this machine's wall clock and the site's zone.
        const QDateTime instant = QDateTime::currentDateTime();
        const QDateTime pacific = instant.toTimeZone(QTimeZone("America/Los_Angeles"));
        gSettings->TimeOffset = static_cast<qint16>(
            qRound(double(QDateTime(pacific.date(), pacific.time(), QTimeZone::utc())
                              .secsTo(QDateTime(instant.date(), instant.time(), QTimeZone::utc()))) /
                   3600.0));
        gSettings->ConnectionType = 2;
        gSettings->AutoConnect = 0;
        gSettings->AutoTimeSync = 0;
        gSettings->ConnectXPriortoBid = 1;
        gSettings->PeriodicTimeSync = 0;
        gSettings->AutoDeleteErrorLogs = false;
        QVERIFY(gSettings->SaveSettings());

        // Ann signs in by herself; Bob has a password and his own site account.
        const char *addUser = "INSERT INTO Users (U_ZandroName, U_ZandroPassword, U_EbayName, U_EbayPassword, "
                              "U_EbayEmail, U_BidSeconds, U_AutoRefreshMins, U_AutoLogOn) VALUES (?, ?, ?, ?, "
                              "'x@example.com', 5, 0, ?)";
        gDB->execute(QLatin1String(addUser),
                     {QStringLiteral("Ann"), QStringLiteral(""), QLatin1String(EngineFixture::kSiteUser),
                      QLatin1String(EngineFixture::kSitePassword), 1});
        const qint32 ann = lastKey("Users", "U_Primary");
        gDB->execute(QLatin1String(addUser),
                     {QStringLiteral("Bob"), QStringLiteral("Secret"), QStringLiteral("bob"), QStringLiteral("pw"), 0});
        const qint32 bob = lastKey("Users", "U_Primary");
        site.addUser(QLatin1String(EngineFixture::kSiteUser), QLatin1String(EngineFixture::kSitePassword));
        site.addUser(QStringLiteral("bob"), QStringLiteral("pw"));
        const auto addFolder = [](qint32 user, qint32 parent, const QString &name) {
            gDB->execute(QStringLiteral("INSERT INTO Folders (FLD_User, FLD_Parent, FLD_Name) VALUES (?, ?, ?)"),
                         {user, parent, name});
            return lastKey("Folders", "FLD_Primary");
        };
        const qint32 annOpen = addFolder(ann, 0, QStringLiteral("Open Auctions"));
        addFolder(ann, 0, QStringLiteral("Closed Auctions"));
        const qint32 lamps = addFolder(ann, annOpen, QStringLiteral("Lamps"));
        const qint32 bobOpen = addFolder(bob, 0, QStringLiteral("Open Auctions"));
        addFolder(bob, 0, QStringLiteral("Closed Auctions"));
        const qint32 owner = ofBob ? bob : ann;
        const qint32 home = ofBob ? bobOpen : lamps;

        // The auction ends soon: a snipe not stopped would send its bids within the test.
        practice::Auction a;
        a.item = kItem;
        a.title = QStringLiteral("Lamp");
        a.startPrice = 10.0;
        a.end = QDateTime::fromSecsSinceEpoch(site.now().toSecsSinceEpoch() + 5, QTimeZone::utc());
        site.addAuction(a);
        for (const QString &other : {kHeld, kBystander}) {
            practice::Auction b = a;
            b.item = other;
            b.end = a.end.addSecs(3600);
            site.addAuction(b);
        }
        gDB->execute(
            QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, AUC_Status, "
                           "AUC_Ended, AUC_MaxBid, AUC_BidQuantity, AUC_BidSecs, AUC_Quantity) "
                           "VALUES (?, ?, ?, 'Lamp', ?, ?, 20, 1, 2, 1)"),
            {owner, home, kItem, snipe ? 2 : 1, EngineFixture::siteWall(a.end)});
        const qint32 key = lastKey("Auctions", "AUC_Primary");
        ReleaseGlobals();

        FakeDialogs dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        QVERIFY(w.Form_Load(QString())); // queues the snipe
        QVERIFY(gCurrentUser && gCurrentUser->PrimaryKey == ann);
        AuctionEngine &engine = w.engine();
        engine.Inet1().setRequestTimeoutMs(3000);
        const auto refresh = [&](const QString &item, qint32 user, qint32 into) {
            auto r = std::make_shared<BNQItem>();
            r->Action = BNQItem::Refresh;
            r->Priority = BNQItem::RequestPriority;
            r->ItemNumber = item;
            r->UserKey = user;
            r->Folder = into;
            return r;
        };
        // The request in flight has reached the site, which holds back its answer.
        const auto heldAtSite = [&] {
            for (const auto &r : site.requests())
                if (r.processedMs == 0)
                    return true;
            return false;
        };
        if (work == QLatin1String("snipe in flight")) {
            site.setFault(dllTarget(QStringLiteral("TimeShow")), {practice::FaultKind::Delay, 1500, -1});
            QVERIFY(runUntil(
                [&] {
                    const QItemPtr i = engine.mLastQueueItem;
                    return i && i->Bid && i->Bid->PrimaryKey == key && engine.Inet1().StillExecuting() && heldAtSite();
                },
                5000));
        } else if (!snipe) {
            // Held back behind a page in flight, so it is still queued when the delete comes.
            site.setFault(dllTarget(QStringLiteral("ViewItem&item=") + kHeld), {practice::FaultKind::Delay, 800, 1});
            engine.queue().Add(refresh(kHeld, ann, annOpen));
            QItemPtr request = refresh(kItem, owner, home);
            if (work == QLatin1String("queued import"))
                request->Action = BNQItem::Import;
            engine.queue().Add(request);
            QVERIFY(runUntil([&] { return engine.Inet1().StillExecuting() && heldAtSite(); }, 5000));
        }
        engine.queue().Add(refresh(kBystander, ann, annOpen));
        QVERIFY(engineState(engine).contains(kItem));
        const size_t sentBefore = site.requests().size();

        MsgBoxRecorder boxes(MsgBox::Answer::Yes);
        if (path == QLatin1String("engine")) {
            gDB->execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_Primary = ?"), {key});
            AuctionEngine::Forget gone;
            gone.userKey = owner;
            gone.auctions = {key};
            gone.itemNumbers = {kItem};
            engine.ForgetAuctions(gone);
        } else if (path == QLatin1String("grid") || path == QLatin1String("menu")) {
            w.showFolderByKey(lamps);
            TreeGrid &grid = w.gridPane().auctionGrid();
            const qint32 row = grid.findRowByKey(key, 0);
            QVERIFY(row >= 0);
            if (path == QLatin1String("grid")) {
                w.gridPane().DeleteAuction(row);
            } else {
                grid.selectRow(row);
                QCOMPARE(grid.selectedRows(), QList<qint32>{row});
                w.menuItem(QStringLiteral("mnuActionsDelete"))->trigger();
                QCOMPARE(boxes.boxes.size(), 1);
            }
        } else if (path == QLatin1String("folder")) {
            const qint32 item = w.folderPane().folderTree().findItemByKey(lamps, 0);
            QVERIFY(item >= 0);
            w.folderPane().DeleteFolder(item);
            QCOMPARE(boxes.boxes.size(), 1);
        } else {
            // The dialog as the user fills it in; the window opens it from its menu.
            dialogs.onOpen = [&](const QString &name) {
                if (name != QLatin1String("deleteUser"))
                    return;
                frmDeleteUser d(&w, &engine);
                auto *list = d.findChild<QComboBox *>(QStringLiteral("cboDeleteUser"));
                list->setCurrentIndex(list->findText(QStringLiteral("Bob")));
                d.findChild<QLineEdit *>(QStringLiteral("txtDeletePassword"))->setText(QStringLiteral("Secret"));
                d.findChild<QPushButton *>(QStringLiteral("cmdDeleteUser"))->click();
            };
            w.menuItem(QStringLiteral("mnuToolsUserRemove"))->trigger();
            QCOMPARE(boxes.boxes.size(), 1);
        }
        site.clearFaults();
        auto rows = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM Auctions WHERE AUC_Primary = ?"), {key});
        QCOMPARE(rows->value(QStringLiteral("n")).toInt(), 0);

        const QString left = engineState(engine);
        if (path == QLatin1String("engine"))
            m_forgotten.insert(work, left);
        else if (m_forgotten.contains(work))
            QCOMPARE(left, m_forgotten.value(work));

        // Past the end, where a snipe left alone would have sent its bids, and until the
        // other auction's refresh has gone.
        const auto bystanderSent = [&] {
            const auto requests = site.requests();
            for (size_t i = sentBefore; i < requests.size(); ++i)
                if (requests[i].query.contains(kBystander) && requests[i].processedMs != 0)
                    return true;
            return false;
        };
        QVERIFY(runUntil(
            [&] {
                return bystanderSent() && (!snipe || site.now() > a.end.addSecs(1)) && engine.queue().Count() == 0 &&
                       !engine.Inet1().StillExecuting();
            },
            15000));
        const auto requests = site.requests();
        for (size_t i = sentBefore; i < requests.size(); ++i) {
            const auto &r = requests[i];
            QVERIFY2(!r.body.contains(kItem.toUtf8()) && !r.query.contains(kItem),
                     qPrintable(r.command + QLatin1Char(' ') + r.query));
        }
        QVERIFY(engine.liveSnipes().mayStart(key));
    }
};

QTEST_MAIN(TestDeletePaths)
#include "TestDeletePaths.moc"
