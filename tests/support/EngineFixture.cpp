#include "EngineFixture.h"

#include "engine/ebayURLS.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/InetTransfer.h"
#include "platform/SettingsStore.h"
#include "store/AppSettings.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimeZone>
#include <QTimer>

EngineFixture::EngineFixture()
{
    if (!folder.isValid() || !site.start(0) || !setUrlFile())
        return;
    gClosing = false;
    if (!folder.openStore())
        return;
    gDB->execute(QStringLiteral("INSERT INTO Users (U_ZandroName, U_EbayName, U_EbayPassword, U_EbayEmail, "
                                "U_BidSeconds, U_AutoRefreshMins, U_AutoLogOn) VALUES (?, ?, ?, ?, 5, 0, 1)"),
                 {QStringLiteral("Ann"), QLatin1String(kSiteUser), QLatin1String(kSitePassword),
                  QStringLiteral("ann@example.com")});
    auto key = gDB->openQuery(QStringLiteral("SELECT max(U_Primary) AS k FROM Users"));
    userKey = static_cast<qint32>(key->value(QStringLiteral("k")).toLongLong());
    for (const char *name : {"Open Auctions", "Closed Auctions"})
        gDB->execute(QStringLiteral("INSERT INTO Folders (FLD_User, FLD_Parent, FLD_Name) VALUES (?, 0, ?)"),
                     {userKey, QLatin1String(name)});
    auto folders =
        gDB->openQuery(QStringLiteral("SELECT FLD_Primary, FLD_Name FROM Folders WHERE FLD_User = ?"), {userKey});
    for (folders->moveFirst(); !folders->eof(); folders->moveNext()) {
        const qint32 k = static_cast<qint32>(folders->value(QStringLiteral("FLD_Primary")).toLongLong());
        if (folders->value(QStringLiteral("FLD_Name")).toString() == QLatin1String("Open Auctions"))
            openFolder = k;
        else
            closedFolder = k;
    }
    gUsers->Init(*gDB);
    CurrentUser::instance().signIn(gUsers->GetUserByPrimary(userKey));
    // The program's offset is whole hours between this machine's wall clock and the site's zone.
    const QDateTime instant = QDateTime::currentDateTime();
    const QDateTime pacific = instant.toTimeZone(QTimeZone("America/Los_Angeles"));
    const QDateTime siteWall(pacific.date(), pacific.time(), QTimeZone::utc());
    const QDateTime localWall(instant.date(), instant.time(), QTimeZone::utc());
    gSettings->TimeOffset = static_cast<qint16>(qRound(double(siteWall.secsTo(localWall)) / 3600.0));
    gSettings->ConnectionType = 2;
    gSettings->ConnectXPriortoBid = 1;
    gSettings->PeriodicTimeSync = 0;
    gSettings->AutoDeleteErrorLogs = false;
    if (!gSettings->SaveSettings())
        return;
    gSettings->NotSetup = false;
    site.addUser(QLatin1String(kSiteUser), QLatin1String(kSitePassword));

    window = std::make_unique<FakeMainWindow>();
    window->setUpColumns();
    window->selectedFolder = openFolder;
    window->selectedFolderRoot = openFolder;
    engine = std::make_unique<AuctionEngine>(*window);
    engine->Inet1().setRequestTimeoutMs(3000);
    window->queueCount = [this] { return engine->queue().Count(); };
    ConnectionLogChanged = AuctionLogChanged = false;
    m_ok = gCurrentUser != nullptr;
}

EngineFixture::~EngineFixture()
{
    engine.reset();
    window.reset();
    site.stop();
    gURLs.reset();
}

bool EngineFixture::setUrlFile(const QByteArray &key, const QByteArray &address)
{
    QByteArray lines;
    for (const QByteArray &line : site.urlFile().split('\n')) {
        if (line.isEmpty())
            continue;
        if (key.isEmpty() || !line.startsWith(key + '|'))
            lines += line + '\n';
        else if (!address.isEmpty())
            lines += key + '|' + address + '\n';
    }
    QFile urls(folder.file(QStringLiteral("eburl.zdx")));
    if (!urls.open(QIODevice::WriteOnly | QIODevice::Truncate) || urls.write(lines) != lines.size())
        return false;
    urls.close();
    gURLs.reset();
    return true;
}

practice::Auction EngineFixture::siteAuction(const QString &item, qint64 secondsFromNow, double price)
{
    practice::Auction a;
    a.item = item;
    a.title = QStringLiteral("Lot ") + item;
    a.startPrice = price;
    // The site's end times are whole seconds, as its pages show them.
    a.end = QDateTime::fromSecsSinceEpoch(site.now().toSecsSinceEpoch() + secondsFromNow, QTimeZone::utc());
    return a;
}

QDateTime EngineFixture::siteWall(const QDateTime &instant)
{
    const QDateTime pacific = instant.toTimeZone(QTimeZone("America/Los_Angeles"));
    return QDateTime(pacific.date(), pacific.time());
}

qint32 EngineFixture::addAuctionRow(const QString &item, int status, const QDateTime &ended, double maxBid,
                                    int bidQuantity, int bidSecs)
{
    gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, AUC_Status, "
                                "AUC_Ended, AUC_MaxBid, AUC_BidQuantity, AUC_BidSecs, AUC_Quantity) "
                                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 1)"),
                 {userKey, openFolder, item, QStringLiteral("Lot ") + item, status,
                  ended.isValid() ? QVariant(ended) : QVariant(), maxBid, bidQuantity, bidSecs});
    auto rs = gDB->openQuery(QStringLiteral("SELECT max(AUC_Primary) AS k FROM Auctions"));
    return static_cast<qint32>(rs->value(QStringLiteral("k")).toLongLong());
}

bool EngineFixture::runUntil(const std::function<bool()> &done, int timeoutMs)
{
    const bool wasOn = engine->timersEnabled();
    engine->setTimersEnabled(true);
    QElapsedTimer t;
    t.start();
    bool ok = done();
    while (!ok && t.elapsed() < timeoutMs) {
        QEventLoop slice;
        QTimer::singleShot(10, &slice, &QEventLoop::quit);
        slice.exec();
        ok = done();
    }
    engine->setTimersEnabled(wasOn);
    return ok;
}

bool EngineFixture::runUntilIdle(int timeoutMs)
{
    return runUntil(
        [this] {
            return engine->queue().Count() == 0 && engine->queue().InetAvailable && !engine->Inet1().StillExecuting();
        },
        timeoutMs);
}

namespace {
QStringList logRows(const QString &where, const QVariantList &params)
{
    QStringList out;
    auto rs =
        gDB->openQuery(QStringLiteral("SELECT LOG_Message FROM Logs WHERE %1 ORDER BY LOG_Primary").arg(where), params);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        out << rs->value(QStringLiteral("LOG_Message")).toString();
    return out;
}
} // namespace

QStringList EngineFixture::generalLog() const
{
    return logRows(QStringLiteral("LOG_Auction = 0"), {});
}

QStringList EngineFixture::auctionLog(qint32 auctionKey) const
{
    return logRows(QStringLiteral("LOG_Auction = ?"), {auctionKey});
}

QVariant EngineFixture::column(qint32 auctionKey, const QString &column) const
{
    auto rs = gDB->openQuery(QStringLiteral("SELECT * FROM Auctions WHERE AUC_Primary = ?"), {auctionKey});
    if (rs->recordCount() == 0)
        return QVariant();
    return rs->value(column);
}

ClockRunner::ClockRunner()
{
    m_timer.setInterval(1);
    QObject::connect(&m_timer, &QTimer::timeout, [] { Clock::advance(1000); });
    m_timer.start();
}
