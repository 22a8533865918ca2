#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A ready program folder: the delivered files, the site's addresses, saved system settings
// for a direct connection, and one program user signed in automatically with the site account.
namespace DemoFolder {

struct User
{
    QString programName = QStringLiteral("demo");
    QString siteName;
    QString sitePassword;
    qint32 bidSeconds = 5;
};

// Copies auction.mdb, ebparse.zdx and html/ from the build's program folder into folder (made
// when missing, emptied of an older database) and writes eburl.zdx. Points the program folder
// and the settings store (folder/config/Zandrift/...) at it for this process.
bool create(const QString &folder, const QByteArray &urlFile, QString *error);
// Opens the store into the globals, saves the system settings (direct connection, the site's
// Pacific offset), adds the user with its two fixed folders and their shortcuts and signs it in.
bool addUser(const User &user, QString *error);
// Imports items into the user's Open Auctions through the engine; true when every one arrived.
bool importAuctions(const QStringList &items, int timeoutMs, QString *error);
// Schedules a snipe on an imported auction.
bool scheduleSnipe(const QString &item, double maxBid, qint32 quantity, qint32 bidSeconds, QString *error);
// Before the application exists: the offscreen platform where none is chosen, and the browser's
// own processes set up for root (no sandbox) and for a machine without a display (no GPU).
void useHeadlessPlatform();
// Hours between this machine's wall clock and the site's (Pacific) wall clock now.
qint16 siteOffsetHours();

} // namespace DemoFolder
