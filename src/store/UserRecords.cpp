#include "store/UserRecords.h"

#include "platform/Database.h"
#include "platform/Recordset.h"
#include "platform/Transaction.h"
#include "store/Folders.h"

namespace user_store {

QStringList userNames(Database &db)
{
    auto rs = db.openQuery(QStringLiteral("SELECT U_ZandroName FROM Users"));
    QStringList names;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        names << rs->value(QStringLiteral("U_ZandroName")).toString();
    return names;
}

SignInCheck checkSignIn(Database &db, const QString &name, const QString &password)
{
    auto rs =
        db.openQuery(QStringLiteral("SELECT U_Primary, U_ZandroPassword FROM Users WHERE U_ZandroName = ?"), {name});
    if (rs->recordCount() < 1)
        return {};
    rs->moveFirst();
    const QVariant stored = rs->value(QStringLiteral("U_ZandroPassword"));
    if (stored.isNull() || stored.toString().toUpper() != password.toUpper())
        return {SignInCheck::Result::WrongPassword, 0};
    return {SignInCheck::Result::Accepted, static_cast<qint32>(rs->value(QStringLiteral("U_Primary")).toLongLong())};
}

ProfileSave saveProfile(Database &db, qint32 editKey, const Profile &profile)
{
    Transaction t(db);
    auto users = db.openTable(QStringLiteral("Users"));
    if (editKey != 0) {
        users->setIndex(QStringLiteral("PrimaryKey"));
        if (!users->seek(QStringLiteral("="), editKey))
            return {ProfileSave::Result::UserMissing, 0};
    } else {
        const qint64 count =
            db.openQuery(QStringLiteral("SELECT count(*) AS n FROM Users"))->value(QStringLiteral("n")).toLongLong();
        if (count >= kMaxUsers)
            return {ProfileSave::Result::TooManyUsers, 0};
    }
    if (profile.autoLogOn)
        db.execute(QStringLiteral("UPDATE Users SET U_AutoLogOn = 0 WHERE U_AutoLogOn <> 0"));

    if (editKey != 0)
        users->edit();
    else
        users->addNew();
    users->setValue(QStringLiteral("U_EbayName"), profile.siteName);
    users->setValue(QStringLiteral("U_EbayPassword"), profile.sitePassword);
    users->setValue(QStringLiteral("U_EbayEmail"), profile.email);
    users->setValue(QStringLiteral("U_ZandroName"), profile.name);
    users->setValue(QStringLiteral("U_ZandroPassword"), profile.password);
    users->setValue(QStringLiteral("U_ReminderQuestion"), profile.passwordHint);
    users->setValue(QStringLiteral("U_AutoLogOn"), profile.autoLogOn ? 1 : 0);
    users->setValue(QStringLiteral("U_AutoRefreshMins"), profile.autoRefreshMins);
    users->setValue(QStringLiteral("U_BidSeconds"), profile.bidSeconds > 0 ? profile.bidSeconds : 0);
    users->update();

    const qint32 key = editKey != 0 ? editKey : static_cast<qint32>(users->lastInsertedKey());
    if (editKey == 0)
        folder_store::addFixedFolders(db, key);
    t.commit();
    return {ProfileSave::Result::Saved, key};
}

void deleteUserRows(Database &db, qint32 userKey)
{
    // A failure midway must not leave a user without folders.
    Transaction t(db);
    db.execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_User = ?"), {userKey});
    db.execute(QStringLiteral("DELETE FROM Folders WHERE FLD_User = ?"), {userKey});
    db.execute(QStringLiteral("DELETE FROM Shortcuts WHERE SHT_User = ?"), {userKey});
    db.execute(QStringLiteral("DELETE FROM Logs WHERE LOG_User = ?"), {userKey});
    db.execute(QStringLiteral("DELETE FROM Users WHERE U_Primary = ?"), {userKey});
    t.commit();
}

} // namespace user_store
