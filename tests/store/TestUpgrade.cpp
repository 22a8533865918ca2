#include "AuctionDatabase.h"
#include "Database.h"
#include "Globals.h"
#include "Recordset.h"
#include "TestProgramFolder.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

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
    void oldLayoutGainsTheNineColumns()
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
        QCOMPARE(auctions.size(), auctionsBefore.size() + 8);
        QCOMPARE(app.size(), appBefore.size() + 1);
        for (const char *c : {"AUC_CityLocation", "AUC_CountryRegion", "AUC_Seller", "AUC_HighBidder", "AUC_Comments"}) {
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
        QVERIFY(adder.FieldAppend(QStringLiteral("Folders"), QStringLiteral("FLD_Note"), 10, QStringLiteral("50"), true));
        QVERIFY(!adder.FieldAppend(QStringLiteral("Folders"), QStringLiteral("FLD_Note"), 10, QStringLiteral("50"), true));
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

    void deliveredDatabaseHasOneApplicationRowAndUniqueNames()
    {
        TestProgramFolder folder;
        QVERIFY(OpenAuctionDatabase());
        QCOMPARE(gDB->openQuery(QStringLiteral("SELECT * FROM Application"))->recordCount(), 1);
        gDB->execute(QStringLiteral("INSERT INTO Users (U_ZandroName) VALUES (?)"), {QStringLiteral("Ann")});
        QVERIFY_THROWS_EXCEPTION(
            DbError, gDB->execute(QStringLiteral("INSERT INTO Users (U_ZandroName) VALUES (?)"), {QStringLiteral("Ann")}));
        QVERIFY_THROWS_EXCEPTION( // in any letter case
            DbError, gDB->execute(QStringLiteral("INSERT INTO Users (U_ZandroName) VALUES (?)"), {QStringLiteral("ann")}));
        gDB->execute(QStringLiteral("INSERT INTO Users (U_ZandroName) VALUES (?)"), {QStringLiteral("Bob")});
    }
};

QTEST_GUILESS_MAIN(TestUpgrade)
#include "TestUpgrade.moc"
