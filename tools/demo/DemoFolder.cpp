#include "DemoFolder.h"

#include "HeadlessWindow.h"
#include "engine/AuctionEngine.h"
#include "engine/ebayURLS.h"
#include "platform/Database.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "store/AppSettings.h"
#include "store/AuctionDatabase.h"
#include "store/Folders.h"
#include "store/Globals.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTimeZone>
#include <unistd.h>

namespace DemoFolder {

namespace {

// The database holds passwords: only its owner may read it. The other files are for anyone.
bool copyFile(const QString &from, const QString &to, QString *error, bool ownerOnly = false)
{
    QFile::remove(to);
    const QFile::Permissions permissions =
        ownerOnly ? QFile::ReadOwner | QFile::WriteOwner
                  : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    if (QFile::copy(from, to) && QFile::setPermissions(to, permissions))
        return true;
    *error = QStringLiteral("Cannot copy %1 to %2").arg(from, to);
    return false;
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

bool create(const QString &folder, const QByteArray &urlFile, QString *error)
{
    const QDir source(QStringLiteral(ZANDRIFT_PROGRAM_DIR));
    QDir target(folder);
    if (!target.mkpath(QStringLiteral(".")) || !target.mkpath(QStringLiteral("html")) ||
        !target.mkpath(QStringLiteral("logs")))
        return fail(error, QStringLiteral("Cannot make the folder %1").arg(folder));
    for (const char *name : {"auction.mdb", "ebparse.zdx"}) {
        const bool database = QLatin1String(name) == QLatin1String("auction.mdb");
        if (!copyFile(source.filePath(QLatin1String(name)), target.filePath(QLatin1String(name)), error, database))
            return false;
    }
    QDirIterator html(source.filePath(QStringLiteral("html")), QDir::Files);
    while (html.hasNext()) {
        html.next();
        if (!copyFile(html.filePath(), target.filePath(QStringLiteral("html/") + html.fileName()), error))
            return false;
    }
    QFile urls(target.filePath(QStringLiteral("eburl.zdx")));
    if (!urls.open(QIODevice::WriteOnly | QIODevice::Truncate) || urls.write(urlFile) != urlFile.size())
        return fail(error, QStringLiteral("Cannot write %1").arg(urls.fileName()));
    urls.close();
    // The settings live where the program finds them when XDG_CONFIG_HOME is folder/config.
    const QString settings = target.filePath(QStringLiteral("config/Zandrift/") +
                                             QLatin1String(SettingsStore::kAppName) + QStringLiteral(".ini"));
    QFile::remove(settings);
    ProgramFolder::setOverride(target.absolutePath());
    SettingsStore::redirect(settings);
    gURLs.reset();
    return true;
}

void useHeadlessPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
}

qint16 siteOffsetHours()
{
    const QDateTime instant = QDateTime::currentDateTime();
    const QDateTime pacific = instant.toTimeZone(QTimeZone("America/Los_Angeles"));
    const QDateTime siteWall(pacific.date(), pacific.time(), QTimeZone::utc());
    const QDateTime localWall(instant.date(), instant.time(), QTimeZone::utc());
    return static_cast<qint16>(qRound(double(siteWall.secsTo(localWall)) / 3600.0));
}

bool addUser(const User &user, QString *error)
{
    try {
        if (!gDB) {
            QString openError;
            if (!OpenAuctionDatabase(&openError))
                return fail(error, openError);
            UpgradeDatabase();
            gSettings = std::make_unique<AppSettings>(*gDB, SettingsStore::instance());
            gUsers = std::make_unique<BSN_Users>();
        }
        gSettings->ConnectionType = 2;
        gSettings->TimeZone = QStringLiteral("Pacific");
        gSettings->TimeOffset = siteOffsetHours();
        gSettings->AutoTimeSync = 1;
        gSettings->ConnectXPriortoBid = 1;
        gSettings->ShowClosingWarning = 1;
        if (!gSettings->SaveSettings())
            return fail(error, QStringLiteral("Cannot save the system settings"));
        gSettings->NotSetup = false;

        gDB->execute(QStringLiteral("INSERT INTO Users (U_ZandroName, U_ZandroPassword, U_EbayName, U_EbayPassword, "
                                    "U_EbayEmail, U_BidSeconds, U_AutoRefreshMins, U_AutoLogOn) "
                                    "VALUES (?, '', ?, ?, '', ?, 0, 1)"),
                     {user.programName, user.siteName, user.sitePassword, user.bidSeconds});
        auto key =
            gDB->openQuery(QStringLiteral("SELECT U_Primary FROM Users WHERE U_ZandroName = ?"), {user.programName});
        const qint32 userKey = key->value(QStringLiteral("U_Primary")).toInt();
        for (const char *name : {kOpenAuctionsFolder, kClosedAuctionsFolder}) {
            gDB->execute(QStringLiteral("INSERT INTO Folders (FLD_User, FLD_Parent, FLD_Name) VALUES (?, 0, ?)"),
                         {userKey, QLatin1String(name)});
            const qint32 folder = QLatin1String(name) == QLatin1String(kOpenAuctionsFolder)
                                      ? GetOpenAuctionsFolder(*gDB, userKey)
                                      : GetClosedAuctionsFolder(*gDB, userKey);
            gDB->execute(QStringLiteral("INSERT INTO Shortcuts (SHT_User, SHT_Folder, SHT_Auction, SHT_Text) "
                                        "VALUES (?, ?, 0, ?)"),
                         {userKey, folder, QLatin1String(name)});
        }
        gUsers->Init(*gDB);
        CurrentUser::instance().signIn(gUsers->GetUserByPrimary(userKey));
    } catch (const DbError &e) {
        return fail(error, e.message());
    }
    return gCurrentUser ? true : fail(error, QStringLiteral("The new user did not load"));
}

bool importAuctions(const QStringList &items, int timeoutMs, QString *error)
{
    if (!gCurrentUser)
        return fail(error, QStringLiteral("Nobody is signed in"));
    HeadlessWindow window(GetOpenAuctionsFolder(*gDB, gCurrentUser->PrimaryKey));
    AuctionEngine engine(window);
    for (const QString &item : items)
        engine.cmdAuctionAddOK_Click(item);
    engine.setTimersEnabled(true);
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && (engine.queue().Count() > 0 || engine.mblnServingItem))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    engine.setTimersEnabled(false);
    auto rs = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM Auctions WHERE AUC_User = ?"),
                             {gCurrentUser->PrimaryKey});
    if (rs->value(QStringLiteral("n")).toInt() < items.size())
        return fail(error, QStringLiteral("Only %1 of %2 auctions were imported")
                               .arg(rs->value(QStringLiteral("n")).toInt())
                               .arg(items.size()));
    return true;
}

bool scheduleSnipe(const QString &item, double maxBid, qint32 quantity, qint32 bidSeconds, QString *error)
{
    try {
        const int changed = gDB->execute(
            QStringLiteral("UPDATE Auctions SET AUC_Status = 2, AUC_MaxBid = ?, AUC_BidQuantity = ?, AUC_BidSecs = ? "
                           "WHERE AUC_ItemNumber = ? AND AUC_User = ?"),
            {maxBid, quantity, bidSeconds, item, gCurrentUser ? gCurrentUser->PrimaryKey : 0});
        if (changed != 1)
            return fail(error, QStringLiteral("No imported auction %1 to schedule").arg(item));
    } catch (const DbError &e) {
        return fail(error, e.message());
    }
    return true;
}

} // namespace DemoFolder
