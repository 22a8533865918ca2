#pragma once

#include <QString>
#include <QStringList>

class Database;

// The operations on Users rows that the sign-in, the profile wizard and the deletion of a user
// ask for. Each throws DbError when the database cannot do it (DbDuplicateKey for a name that
// is taken); a refusal that is no error comes back as a value.
namespace user_store {

// The program supports this many users.
constexpr int kMaxUsers = 6;

// Every user's name, in no particular order.
QStringList userNames(Database &db);

struct SignInCheck
{
    enum class Result
    {
        NoSuchUser,
        WrongPassword,
        Accepted,
    };
    Result result = Result::NoSuchUser;
    qint32 userKey = 0;
};
// Passwords compare without regard to case; a password with no value never matches, not
// even an empty entry.
SignInCheck checkSignIn(Database &db, const QString &name, const QString &password);

// What the profile wizard writes of a user.
struct Profile
{
    QString siteName;
    QString sitePassword;
    QString email;
    QString name;
    QString password;
    QString passwordHint;
    bool autoLogOn = false;
    qint32 autoRefreshMins = 0;
    qint32 bidSeconds = 0;
};

struct ProfileSave
{
    enum class Result
    {
        Saved,
        UserMissing, // the user being edited is no longer there
        TooManyUsers,
    };
    Result result = Result::Saved;
    qint32 userKey = 0;
};
// Edits the user with editKey, or adds a new user (with the fixed folders) when editKey is 0;
// at most one user then signs in automatically. All or nothing.
ProfileSave saveProfile(Database &db, qint32 editKey, const Profile &profile);

// The user's row and every row of the user's (auctions, folders, shortcuts, logs), or none.
void deleteUserRows(Database &db, qint32 userKey);

} // namespace user_store
