#include "TestProgramFolder.h"
#include "platform/Database.h"
#include "store/AuctionDatabase.h"
#include "store/Globals.h"
#include "store/UserRecords.h"

#include <QtTest>

using user_store::ProfileSave;
using user_store::SignInCheck;

Q_DECLARE_METATYPE(SignInCheck::Result)
Q_DECLARE_METATYPE(ProfileSave::Result)

namespace {
qint32 addUser(const QString &name, const QVariant &password = QStringLiteral(""), int autoLogOn = 0)
{
    gDB->execute(QStringLiteral("INSERT INTO Users (U_ZandroName, U_ZandroPassword, U_AutoLogOn) VALUES (?, ?, ?)"),
                 {name, password, autoLogOn});
    return gDB->openQuery(QStringLiteral("SELECT max(U_Primary) AS k FROM Users"))->value(QStringLiteral("k")).toInt();
}

int count(const QString &table, const QString &where = QStringLiteral("1 = 1"), const QVariantList &params = {})
{
    return gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM %1 WHERE %2").arg(table, where), params)
        ->value(QStringLiteral("n"))
        .toInt();
}

// Every row a user owns, in each of the tables that hold one.
QList<int> rowsOf(qint32 user)
{
    return {count(QStringLiteral("Users"), QStringLiteral("U_Primary = ?"), {user}),
            count(QStringLiteral("Auctions"), QStringLiteral("AUC_User = ?"), {user}),
            count(QStringLiteral("Folders"), QStringLiteral("FLD_User = ?"), {user}),
            count(QStringLiteral("Shortcuts"), QStringLiteral("SHT_User = ?"), {user}),
            count(QStringLiteral("Logs"), QStringLiteral("LOG_User = ?"), {user})};
}

void addRowsOf(qint32 user)
{
    gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_ItemNumber) VALUES (?, '1')"), {user});
    gDB->execute(QStringLiteral("INSERT INTO Folders (FLD_User, FLD_Name) VALUES (?, 'f')"), {user});
    gDB->execute(QStringLiteral("INSERT INTO Shortcuts (SHT_User, SHT_Folder) VALUES (?, 1)"), {user});
    gDB->execute(QStringLiteral("INSERT INTO Logs (LOG_User, LOG_Auction, LOG_Message) VALUES (?, 1, 'm')"), {user});
}

user_store::Profile profileOf(const QString &name, bool autoLogOn = false)
{
    user_store::Profile p;
    p.siteName = name + QStringLiteral("_site");
    p.name = name;
    p.password = QStringLiteral("pw");
    p.autoLogOn = autoLogOn;
    p.autoRefreshMins = 15;
    p.bidSeconds = 10;
    return p;
}
} // namespace

class TestUserRecords : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(OpenAuctionDatabase());
    }
    void cleanup() { m_folder.reset(); }

    void checkSignIn_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<SignInCheck::Result>("result");
        QTest::newRow("same text") << QVariant(QStringLiteral("Secret")) << "Secret" << SignInCheck::Result::Accepted;
        QTest::newRow("other case") << QVariant(QStringLiteral("Secret")) << "sECRET" << SignInCheck::Result::Accepted;
        QTest::newRow("wrong") << QVariant(QStringLiteral("Secret")) << "Secre" << SignInCheck::Result::WrongPassword;
        QTest::newRow("empty matches empty") << QVariant(QStringLiteral("")) << "" << SignInCheck::Result::Accepted;
        QTest::newRow("none never matches") << QVariant() << "" << SignInCheck::Result::WrongPassword;
    }
    void checkSignIn()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, typed);
        QFETCH(SignInCheck::Result, result);
        addUser(QStringLiteral("ann"), QStringLiteral("other"));
        const qint32 bob = addUser(QStringLiteral("Bob"), stored);
        const SignInCheck check = user_store::checkSignIn(*gDB, QStringLiteral("Bob"), typed);
        QCOMPARE(check.result, result);
        QCOMPARE(check.userKey, result == SignInCheck::Result::Accepted ? bob : 0);
        QCOMPARE(user_store::checkSignIn(*gDB, QStringLiteral("Carl"), typed).result, SignInCheck::Result::NoSuchUser);
    }

    void userNames()
    {
        QVERIFY(user_store::userNames(*gDB).isEmpty());
        addUser(QStringLiteral("Zed"));
        addUser(QStringLiteral("ann"));
        QStringList names = user_store::userNames(*gDB);
        names.sort();
        QCOMPARE(names, (QStringList{"Zed", "ann"}));
    }

    // A new user comes with the fixed folders and their shortcuts; every refusal and failure
    // leaves all rows as they were.
    void saveProfile_data()
    {
        QTest::addColumn<int>("existing");
        QTest::addColumn<bool>("edit");
        QTest::addColumn<QString>("name");
        QTest::addColumn<ProfileSave::Result>("result");
        QTest::addColumn<bool>("throws");
        QTest::newRow("the first user") << 0 << false << "ann" << ProfileSave::Result::Saved << false;
        QTest::newRow("the sixth user") << 5 << false << "ann" << ProfileSave::Result::Saved << false;
        QTest::newRow("a seventh user") << 6 << false << "ann" << ProfileSave::Result::TooManyUsers << false;
        QTest::newRow("a name that is taken") << 2 << false << "USER1" << ProfileSave::Result::Saved << true;
        QTest::newRow("an edit") << 2 << true << "renamed" << ProfileSave::Result::Saved << false;
        QTest::newRow("an edit of a user gone meanwhile")
            << 2 << true << "ann" << ProfileSave::Result::UserMissing << false;
    }
    void saveProfile()
    {
        QFETCH(int, existing);
        QFETCH(bool, edit);
        QFETCH(QString, name);
        QFETCH(ProfileSave::Result, result);
        QFETCH(bool, throws);
        for (int i = 1; i <= existing; ++i)
            addUser(QStringLiteral("user%1").arg(i), QStringLiteral(""), i == 1 ? 1 : 0);
        const qint32 editKey = !edit ? 0 : result == ProfileSave::Result::UserMissing ? 99 : 2;
        const QList<int> before{count(QStringLiteral("Users")), count(QStringLiteral("Folders")),
                                count(QStringLiteral("Shortcuts"))};
        // Signing in by itself passes from user1 to this one.
        const user_store::Profile profile = profileOf(name, true);
        if (throws) {
            QVERIFY_THROWS_EXCEPTION(DbDuplicateKey, user_store::saveProfile(*gDB, editKey, profile));
            QCOMPARE(gDB->transactionDepth(), 0);
            QCOMPARE((QList<int>{count(QStringLiteral("Users")), count(QStringLiteral("Folders")),
                                 count(QStringLiteral("Shortcuts"))}),
                     before);
            QCOMPARE(count(QStringLiteral("Users"), QStringLiteral("U_AutoLogOn = 1")), 1);
            return;
        }
        const ProfileSave saved = user_store::saveProfile(*gDB, editKey, profile);
        QCOMPARE(saved.result, result);
        QCOMPARE(gDB->transactionDepth(), 0);
        if (result != ProfileSave::Result::Saved) {
            QCOMPARE(saved.userKey, 0);
            QCOMPARE((QList<int>{count(QStringLiteral("Users")), count(QStringLiteral("Folders")),
                                 count(QStringLiteral("Shortcuts"))}),
                     before);
            return;
        }
        QCOMPARE(saved.userKey, edit ? editKey : existing + 1);
        auto rs = gDB->openQuery(QStringLiteral("SELECT U_ZandroName, U_EbayName, U_AutoLogOn, U_AutoRefreshMins, "
                                                "U_BidSeconds FROM Users WHERE U_Primary = ?"),
                                 {saved.userKey});
        QCOMPARE(rs->value(QStringLiteral("U_ZandroName")).toString(), name);
        QCOMPARE(rs->value(QStringLiteral("U_EbayName")).toString(), name + QStringLiteral("_site"));
        QCOMPARE(rs->value(QStringLiteral("U_AutoRefreshMins")).toInt(), 15);
        QCOMPARE(rs->value(QStringLiteral("U_BidSeconds")).toInt(), 10);
        QCOMPARE(count(QStringLiteral("Users"), QStringLiteral("U_AutoLogOn = 1")), 1);
        QCOMPARE(rs->value(QStringLiteral("U_AutoLogOn")).toInt(), 1);
        // The fixed folders and a shortcut to each, for a new user only.
        const int fixed = edit ? 0 : 2;
        QCOMPARE(count(QStringLiteral("Folders"),
                       QStringLiteral("FLD_User = ? AND FLD_Parent = 0 AND FLD_Name IN "
                                      "('Open Auctions', 'Closed Auctions')"),
                       {saved.userKey}),
                 fixed);
        QCOMPARE(count(QStringLiteral("Shortcuts"),
                       QStringLiteral("SHT_User = ? AND SHT_Folder IN (SELECT FLD_Primary "
                                      "FROM Folders WHERE FLD_User = ?)"),
                       {saved.userKey, saved.userKey}),
                 fixed);
    }

    void negativeBidSecondsAreStoredAsNone()
    {
        user_store::Profile p = profileOf(QStringLiteral("ann"));
        p.bidSeconds = -4;
        const ProfileSave saved = user_store::saveProfile(*gDB, 0, p);
        QCOMPARE(gDB->openQuery(QStringLiteral("SELECT U_BidSeconds FROM Users WHERE U_Primary = ?"), {saved.userKey})
                     ->value(QStringLiteral("U_BidSeconds"))
                     .toInt(),
                 0);
    }

    void deleteUserRows_data()
    {
        QTest::addColumn<QString>("failingTable"); // a table whose rows of the user refuse to go
        QTest::newRow("every row of the user") << QString();
        QTest::newRow("the last write fails") << QStringLiteral("Users");
        QTest::newRow("a middle write fails") << QStringLiteral("Shortcuts");
    }
    void deleteUserRows()
    {
        QFETCH(QString, failingTable);
        const qint32 ann = addUser(QStringLiteral("ann"));
        const qint32 bob = addUser(QStringLiteral("bob"));
        addRowsOf(ann);
        addRowsOf(bob);
        if (!failingTable.isEmpty())
            gDB->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON %1 "
                                        "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                             .arg(failingTable));
        const QList<int> all{1, 1, 1, 1, 1};
        if (failingTable.isEmpty()) {
            user_store::deleteUserRows(*gDB, ann);
            QCOMPARE(rowsOf(ann), (QList<int>{0, 0, 0, 0, 0}));
        } else {
            QVERIFY_THROWS_EXCEPTION(DbError, user_store::deleteUserRows(*gDB, ann));
            QCOMPARE(rowsOf(ann), all);
        }
        QCOMPARE(gDB->transactionDepth(), 0);
        QCOMPARE(rowsOf(bob), all);
    }
};

QTEST_GUILESS_MAIN(TestUserRecords)
#include "TestUserRecords.moc"
