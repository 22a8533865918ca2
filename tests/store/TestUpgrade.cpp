#include "TestProgramFolder.h"
#include "platform/Database.h"
#include "platform/Recordset.h"
#include "store/AuctionDatabase.h"
#include "store/Globals.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>
#include <unistd.h>

namespace {
// Column name -> (declared type, default) of a table, straight from SQLite.
QMap<QString, QPair<QString, QString>> layout(Database &db, const QString &table)
{
    QMap<QString, QPair<QString, QString>> cols;
    QSqlQuery q(db.connection());
    q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table));
    while (q.next())
        cols.insert(q.value(1).toString(), {q.value(2).toString(), q.value(4).toString()});
    return cols;
}
} // namespace

class TestUpgrade : public QObject
{
    Q_OBJECT

private slots:
    void oldLayoutGainsTheTenColumns()
    {
        TestProgramFolder folder;
        QVERIFY(folder.buildDatabase(QStringLiteral(ZANDRIFT_TEST_DATA "/old-layout.sql")));
        QVERIFY(OpenAuctionDatabase());
        // An auction stored before the upgrade.
        gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_ItemNumber, AUC_Title) VALUES ('1', 'old')"));
        const auto auctionsBefore = layout(*gDB, QStringLiteral("Auctions"));
        const auto appBefore = layout(*gDB, QStringLiteral("Application"));

        UpgradeDatabase();

        const auto auctions = layout(*gDB, QStringLiteral("Auctions"));
        const auto app = layout(*gDB, QStringLiteral("Application"));
        QCOMPARE(auctions.size(), auctionsBefore.size() + 9);
        QCOMPARE(app.size(), appBefore.size() + 1);
        for (const char *c : {"AUC_CityLocation", "AUC_CountryRegion", "AUC_Seller", "AUC_HighBidder", "AUC_Comments",
                              "AUC_EndedZone"}) {
            QVERIFY2(auctions.contains(QLatin1String(c)), c);
            QCOMPARE(gDB->kindOf(QLatin1String(c)), ColumnKind::Text);
            QCOMPARE(auctions.value(QLatin1String(c)).second, QStringLiteral("''"));
        }
        for (const char *c : {"AUC_Paid", "AUC_Received", "AUC_LeftFeedback"}) {
            QVERIFY2(auctions.contains(QLatin1String(c)), c);
            QCOMPARE(gDB->kindOf(QLatin1String(c)), ColumnKind::Long);
            QCOMPARE(auctions.value(QLatin1String(c)).second, QStringLiteral("0"));
        }
        QCOMPARE(gDB->kindOf(QStringLiteral("APP_SnipesTemp")), ColumnKind::Long);
        QCOMPARE(app.value(QStringLiteral("APP_SnipesTemp")).second, QStringLiteral("0"));

        // Zero length allowed: an empty comment is accepted; the old row reads the defaults.
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Comments = ''"));
        auto rs = gDB->openQuery(QStringLiteral("SELECT * FROM Auctions"));
        QCOMPARE(rs->value(QStringLiteral("AUC_Title")).toString(), QStringLiteral("old"));
        QCOMPARE(rs->value(QStringLiteral("AUC_Seller")).toString(), QString());
        QCOMPARE(rs->value(QStringLiteral("AUC_Paid")).toLongLong(), 0);
        auto appRow = gDB->openQuery(QStringLiteral("SELECT APP_SnipesTemp FROM Application"));
        QCOMPARE(appRow->value(QStringLiteral("APP_SnipesTemp")).toLongLong(), 0);
    }

    void upToDateFilePassesUnchanged()
    {
        TestProgramFolder folder;
        QVERIFY(OpenAuctionDatabase());
        gDB->execute(QStringLiteral("UPDATE Application SET APP_SnipesTemp = 5"));
        const auto before = layout(*gDB, QStringLiteral("Auctions"));
        const auto appBefore = layout(*gDB, QStringLiteral("Application"));
        UpgradeDatabase();
        UpgradeDatabase();
        QCOMPARE(layout(*gDB, QStringLiteral("Auctions")), before);
        QCOMPARE(layout(*gDB, QStringLiteral("Application")), appBefore);
        auto app = gDB->openQuery(QStringLiteral("SELECT APP_SnipesTemp FROM Application"));
        QCOMPARE(app->value(QStringLiteral("APP_SnipesTemp")).toLongLong(), 5); // a value is kept
    }

    void snipesTempWithoutValueBecomesZero()
    {
        TestProgramFolder folder;
        QVERIFY(OpenAuctionDatabase());
        gDB->execute(QStringLiteral("UPDATE Application SET APP_SnipesTemp = NULL"));
        UpgradeDatabase();
        auto app = gDB->openQuery(QStringLiteral("SELECT APP_SnipesTemp FROM Application"));
        QVERIFY(!app->isNull(QStringLiteral("APP_SnipesTemp")));
        QCOMPARE(app->value(QStringLiteral("APP_SnipesTemp")).toLongLong(), 0);
    }

    void fieldAppendReportsWhatItDid()
    {
        TestProgramFolder folder;
        QVERIFY(OpenAuctionDatabase());
        BNTableAdd adder;
        adder.Databse = gDB.get();
        QVERIFY(
            adder.FieldAppend(QStringLiteral("Folders"), QStringLiteral("FLD_Note"), 10, QStringLiteral("50"), true));
        QVERIFY(
            !adder.FieldAppend(QStringLiteral("Folders"), QStringLiteral("FLD_Note"), 10, QStringLiteral("50"), true));
        QVERIFY(!adder.FieldAppend(QStringLiteral("NoTable"), QStringLiteral("X"), 4, QStringLiteral("0"), true));
        QVERIFY(!adder.FieldAppend(QStringLiteral("Folders"), QStringLiteral("Y"), 99, QStringLiteral("0"), true));
    }

    void missingOrBrokenDatabaseStopsWithThePath()
    {
        TestProgramFolder folder;
        QFile::remove(folder.databasePath());
        QString error;
        QVERIFY(!OpenAuctionDatabase(&error));
        QVERIFY2(error.contains(folder.databasePath()), qPrintable(error));
        QVERIFY(!QFile::exists(folder.databasePath()));
        QVERIFY(!gDB);

        QFile f(folder.databasePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        QVERIFY(!OpenAuctionDatabase(&error));
        QVERIFY2(error.contains(folder.databasePath()), qPrintable(error));
    }

    // What the program cannot use is refused at the open, naming the file and the cause, and
    // left as it was; nothing fails later in the middle of work.
    void openRefusesWhatItCannotUse_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("cause");
        QTest::newRow("empty file") << "empty"
                                    << "no table \"Users\"";
        QTest::newRow("another program's database") << "foreign"
                                                    << "no table \"Users\"";
        QTest::newRow("a table missing") << "no shortcuts"
                                         << "no table \"Shortcuts\"";
        QTest::newRow("journal cannot be made") << "journal"
                                                << "cannot be written";
        QTest::newRow("folder cannot be written") << "folder"
                                                  << "cannot be written";
    }
    void openRefusesWhatItCannotUse()
    {
        QFETCH(QString, damage);
        QFETCH(QString, cause);
        TestProgramFolder folder;
        const QString path = folder.databasePath();
        if (damage == QLatin1String("empty")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        } else if (damage == QLatin1String("foreign") || damage == QLatin1String("no shortcuts")) {
            if (damage == QLatin1String("foreign"))
                QVERIFY(QFile::remove(path));
            QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            raw.setDatabaseName(path);
            QVERIFY(raw.open());
            QSqlQuery q(raw);
            QVERIFY(q.exec(damage == QLatin1String("foreign") ? QStringLiteral("CREATE TABLE Notes (x TEXT)")
                                                              : QStringLiteral("DROP TABLE Shortcuts")));
            q.finish();
            raw.close();
        } else if (damage == QLatin1String("journal")) {
            QVERIFY(QFile::link(folder.file(QStringLiteral("nowhere/journal")), path + QStringLiteral("-journal")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
        QFile before(path);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray content = before.readAll();
        before.close();

        // A folder not even root can write to: made immutable when running as root.
        bool locked = false;
        const auto lockFolder = [&](bool lock) {
            if (::geteuid() != 0)
                return QFile::setPermissions(folder.path(),
                                             lock ? QFile::ReadOwner | QFile::ExeOwner
                                                  : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            return QProcess::execute(QStringLiteral("chattr"),
                                     {lock ? QStringLiteral("+i") : QStringLiteral("-i"), folder.path()}) == 0;
        };
        auto unlock = qScopeGuard([&] {
            if (locked)
                lockFolder(false);
        });
        if (damage == QLatin1String("folder")) {
            locked = lockFolder(true);
            if (!locked)
                QSKIP("This file system cannot make a folder that root cannot write to.");
        }

        QString error;
        QVERIFY(!OpenAuctionDatabase(&error));
        QVERIFY(!gDB);
        QVERIFY2(error.contains(path), qPrintable(error));
        QVERIFY2(error.contains(cause), qPrintable(error));
        QFile after(path);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), content);
    }

    void noUsersExist()
    {
        TestProgramFolder folder;
        QVERIFY(OpenAuctionDatabase());
        QVERIFY(NoUsersExist());
        gDB->execute(QStringLiteral("INSERT INTO Users (U_ZandroName) VALUES (?)"), {QStringLiteral("Ann")});
        QVERIFY(!NoUsersExist());
    }

    void versionText()
    {
        const QStringList parts = GetAppVersion().split(QLatin1Char('.'));
        QCOMPARE(parts.size(), 3);
        for (const QString &p : parts) {
            bool ok = false;
            p.toInt(&ok);
            QVERIFY(ok);
            QVERIFY(p == QLatin1String("0") || !p.startsWith(QLatin1Char('0')));
        }
        QVERIFY(GetAppVersion().startsWith(QStringLiteral("2.0.")));
    }

    void deliveredDatabaseHasOneApplicationRow()
    {
        TestProgramFolder folder;
        QVERIFY(OpenAuctionDatabase());
        QCOMPARE(gDB->openQuery(QStringLiteral("SELECT * FROM Application"))->recordCount(), 1);
    }

    // The same rule in the delivered file and in an upgraded older one.
    void namesAreUniqueInAnyLetterCase_data()
    {
        QTest::addColumn<bool>("older");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("refused");
        for (const bool older : {false, true}) {
            const char *file = older ? "upgraded" : "delivered";
            const auto row = [&](const char *name) -> QTestData & {
                return QTest::addRow("%s: %s", file, name) << older;
            };
            row("same name") << "Ann"
                             << "Ann" << true;
            row("ASCII case") << "Ann"
                              << "aNN" << true;
            row("accented") << "Zoë"
                            << "ZOË" << true;
            row("ligature letter") << "Ærin"
                                   << "ærin" << true;
            row("sharp s") << "Straße"
                           << "STRASSE" << true;
            row("composed or not") << "Zoë"
                                   << "Zoe\u0308" << true;
            row("accent differs") << "Zoe"
                                  << "Zoë" << false;
            row("other name") << "Ann"
                              << "Bob" << false;
        }
    }
    void namesAreUniqueInAnyLetterCase()
    {
        QFETCH(bool, older);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, refused);
        TestProgramFolder folder;
        if (older)
            QVERIFY(folder.buildDatabase(QStringLiteral(ZANDRIFT_TEST_DATA "/old-layout.sql")));
        QVERIFY(OpenAuctionDatabase());
        UpgradeDatabase();
        const QString insert = QStringLiteral("INSERT INTO Users (U_ZandroName) VALUES (?)");
        gDB->execute(insert, {first});
        if (refused)
            QVERIFY_THROWS_EXCEPTION(DbDuplicateKey, gDB->execute(insert, {second}));
        else
            gDB->execute(insert, {second});
        // The rule holds after the file is opened again, as at the next start.
        gDB.reset();
        QVERIFY(OpenAuctionDatabase());
        UpgradeDatabase();
        QCOMPARE(gDB->openQuery(QStringLiteral("SELECT * FROM Users"))->recordCount(), refused ? 1 : 2);
        QVERIFY_THROWS_EXCEPTION(DbDuplicateKey, gDB->execute(insert, {first.toUpper()}));
    }

    // An older file may already hold two names that only the new rule calls the same: both
    // users stay, and the file still opens and upgrades.
    void upgradeKeepsUsersTheNewRuleWouldMerge()
    {
        TestProgramFolder folder;
        QVERIFY(folder.buildDatabase(QStringLiteral(ZANDRIFT_TEST_DATA "/old-layout.sql")));
        QVERIFY(OpenAuctionDatabase());
        const QString insert = QStringLiteral("INSERT INTO Users (U_ZandroName) VALUES (?)");
        gDB->execute(insert, {QStringLiteral("Zoë")});
        gDB->execute(insert, {QStringLiteral("ZOË")});
        UpgradeDatabase();
        UpgradeDatabase();
        QCOMPARE(gDB->openQuery(QStringLiteral("SELECT * FROM Users"))->recordCount(), 2);
        QVERIFY_THROWS_EXCEPTION(DbDuplicateKey, gDB->execute(insert, {QStringLiteral("zoË")}));
        QVERIFY(gDB->hasColumn(QStringLiteral("Auctions"), QStringLiteral("AUC_Comments")));
    }
};

QTEST_GUILESS_MAIN(TestUpgrade)
#include "TestUpgrade.moc"
