#include "EngineFixture.h"
#include "MsgBoxRecorder.h"
#include "engine/DeferredWrites.h"
#include "engine/ebayURLS.h"
#include "platform/Database.h"
#include "platform/InetTransfer.h"
#include "store/AuctionDatabase.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <cstdio>

// What the engine meets when its database or its page addresses let it down: nothing is lost
// or fetched without the user being told.
class TestDatabaseTrouble : public QObject
{
    Q_OBJECT

    // Fills the open database up to the last page it may have, as a full disk would: no table
    // has room for one more row of its kind.
    static bool fillDatabase()
    {
        QSqlQuery own(gDB->connection());
        if (!own.exec(QStringLiteral("PRAGMA page_count")) || !own.next())
            return false;
        if (!own.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(own.value(0).toLongLong())))
            return false;
        for (const char *filler : {"INSERT INTO Auctions (AUC_User, AUC_ItemNumber) VALUES (0, 'f')",
                                   "INSERT INTO Logs (LOG_Auction, LOG_User, LOG_Message) VALUES (0, 0, 'f')"}) {
            for (int i = 0; i < 100000; ++i) {
                if (!own.exec(QLatin1String(filler)))
                    break;
            }
            if (!own.lastError().text().contains(QStringLiteral("full"), Qt::CaseInsensitive))
                return false;
        }
        return true;
    }

    static int auctionRows(const QString &item)
    {
        auto rs = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM Auctions WHERE AUC_ItemNumber = ?"), {item});
        return rs->value(QStringLiteral("n")).toInt();
    }

    static int rows(const QString &table)
    {
        auto rs = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM %1").arg(table));
        return rs->value(QStringLiteral("n")).toInt();
    }

private slots:
    // A full disk refuses the new row and the general log alike: the window says the auction
    // was not saved, and the status line counts what is left in the queue.
    void anImportTheDiskRefusesIsSaid()
    {
        EngineFixture f;
        QVERIFY(f.isValid());
        MsgBoxRecorder boxes;
        f.site.addAuction(f.siteAuction(QStringLiteral("1106"), 3600, 10.0));
        QVERIFY(fillDatabase());
        const int logRows = rows(QStringLiteral("Logs"));

        f.engine->cmdAuctionAddOK_Click(QStringLiteral("1106"));
        QVERIFY(f.runUntilIdle());

        QCOMPARE(auctionRows(QStringLiteral("1106")), 0);
        QCOMPARE(rows(QStringLiteral("Logs")), logRows);
        QCOMPARE(f.window->databaseTroubles.size(), 1);
        QVERIFY2(f.window->databaseTroubles.first().startsWith(QStringLiteral("Item #1106 could not be saved: ")),
                 qPrintable(f.window->databaseTroubles.first()));
        QCOMPARE(f.window->statusPanel(3), QStringLiteral("Items in Queue: 0"));
        QVERIFY(boxes.boxes.isEmpty());
    }

    // With room for the general log only, the row about the lost auction goes there.
    void anImportRefusedIsLoggedWhereTheLogCanBeWritten()
    {
        EngineFixture f;
        QVERIFY(f.isValid());
        f.site.addAuction(f.siteAuction(QStringLiteral("1106"), 3600, 10.0));
        // The auction's row is refused by a rule of the table, the log row is not.
        gDB->execute(QStringLiteral("CREATE TRIGGER no_auctions BEFORE INSERT ON Auctions BEGIN "
                                    "SELECT RAISE(ABORT, 'no room'); END"));

        f.engine->cmdAuctionAddOK_Click(QStringLiteral("1106"));
        QVERIFY(f.runUntilIdle());

        QCOMPARE(rows(QStringLiteral("Auctions")), 0);
        QVERIFY(f.window->databaseTroubles.isEmpty());
        const QStringList said = f.generalLog().filter(QStringLiteral("Item #1106 could not be saved: "));
        QCOMPARE(said.size(), 1);
        QVERIFY2(said.first().contains(QStringLiteral("no room")), qPrintable(said.first()));
    }

    // A restore from a backup puts another file at the database's path while the program runs:
    // what the old handle could no longer write goes into the new file, with one word of why.
    void aReplacedDatabaseFileIsOpenedAgain()
    {
        EngineFixture f;
        QVERIFY(f.isValid());
        const qint32 key = f.addAuctionRow(QStringLiteral("7001"), 2);
        const QString path = gDB->path();
        const QString backup = f.folder.file(QStringLiteral("backup.mdb"));
        QVERIFY(QFile::copy(path, backup));
        QVERIFY(!gDB->fileReplaced());
        QCOMPARE(std::rename(QFile::encodeName(backup).constData(), QFile::encodeName(path).constData()), 0);
        QVERIFY(gDB->fileReplaced());

        DeferredWrites &records = f.engine->records();
        records.log(key, f.userKey, QStringLiteral("Bid placement of $20.00 for item #7001 Confirmed."));
        records.updateAuction(key, {{"AUC_Status", 3}});
        QCOMPARE(records.held(), 0);
        QVERIFY(!gDB->fileReplaced());
        QCOMPARE(f.column(key, QStringLiteral("AUC_Status")).toInt(), 3);
        QCOMPARE(f.auctionLog(key).last(), QStringLiteral("Bid placement of $20.00 for item #7001 Confirmed."));
        QCOMPARE(f.generalLog().filter(QStringLiteral("was replaced while Zandrift was running")).size(), 1);
        QVERIFY(f.window->databaseTroubles.isEmpty());

        // Said once: the next write goes straight in.
        records.log(key, f.userKey, QStringLiteral("next"));
        QCOMPARE(f.generalLog().filter(QStringLiteral("was replaced while Zandrift was running")).size(), 1);
        QCOMPARE(f.auctionLog(key).last(), QStringLiteral("next"));
    }

    // eburl.zdx naming a file or data address: nothing is read from this machine, and the
    // general log names the key that holds the address.
    void onlyWebAddressesAreFetched_data()
    {
        QTest::addColumn<QByteArray>("address");
        QTest::newRow("file") << QByteArray("file:///etc/hostname?");
        QTest::newRow("data") << QByteArray("data:text/html,<b>x</b>?");
        QTest::newRow("ftp") << QByteArray("ftp://127.0.0.1/item?");
    }
    void onlyWebAddressesAreFetched()
    {
        QFETCH(QByteArray, address);
        EngineFixture f;
        QVERIFY(f.isValid());
        const QByteArray line = "EbayViewItemURL|" + f.site.commandUrl(QStringLiteral("ViewItem&item=")).toUtf8();
        QVERIFY(f.site.urlFile().contains(line));
        QVERIFY(f.setUrlFile("EbayViewItemURL", address));

        f.engine->cmdAuctionAddOK_Click(QStringLiteral("1106"));
        QVERIFY(f.runUntilIdle());

        QVERIFY(f.site.requests().empty());
        QCOMPARE(rows(QStringLiteral("Auctions")), 0);
        const QStringList said = f.generalLog().filter(QStringLiteral("EbayViewItemURL in eburl.zdx"));
        QCOMPARE(said.size(), 1);
        QVERIFY2(said.first().contains(QStringLiteral("not an http or https address")), qPrintable(said.first()));
        QVERIFY(!f.engine->Inet1().Execute(QString::fromUtf8(address) + QStringLiteral("1106"), QStringLiteral("Get")));
    }
};

QTEST_MAIN(TestDatabaseTrouble)
#include "TestDatabaseTrouble.moc"
