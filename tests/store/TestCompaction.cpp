#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "platform/Database.h"
#include "platform/Recordset.h"
#include "platform/Transaction.h"
#include "store/AppSettings.h"
#include "store/AuctionDatabase.h"
#include "store/BSN_Log.h"
#include "store/CompactAuctionDatabase.h"
#include "store/Globals.h"

#include <QFile>
#include <QtTest>

class TestCompaction : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;

    QString copyPath() const { return m_folder->file(QLatin1String(kCompactedFileName)); }

    static QByteArray bytesOf(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static QList<int> rowCounts()
    {
        QList<int> counts;
        for (const char *t : {"Users", "Auctions", "Folders", "Shortcuts", "Logs", "Application"})
            counts << gDB->openQuery(QStringLiteral("SELECT * FROM %1").arg(QLatin1String(t)))->recordCount();
        return counts;
    }

    // Rows in every table, with holes for the compaction to close.
    static void fill()
    {
        Transaction tx(*gDB);
        gDB->execute(QStringLiteral("INSERT INTO Users (U_ZandroName) VALUES (?)"), {QStringLiteral("Ann")});
        BSN_Log log;
        for (int i = 0; i < 300; ++i) {
            gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_ItemNumber, AUC_Title) VALUES (1, ?, ?)"),
                         {QString::number(i), QString(200, QLatin1Char('x'))});
            gDB->execute(QStringLiteral("INSERT INTO Folders (FLD_User, FLD_Name) VALUES (1, ?)"),
                         {QString::number(i)});
            gDB->execute(QStringLiteral("INSERT INTO Shortcuts (SHT_User, SHT_Text) VALUES (1, ?)"),
                         {QString::number(i)});
            log.MarkAuction(i, 1, QString(100, QLatin1Char('y')));
        }
        tx.commit();
        gDB->execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_Primary % 3 = 0"));
        gDB->execute(QStringLiteral("DELETE FROM Logs WHERE LOG_Primary % 2 = 0"));
    }

    // The settings are saved through the reopened database and read back from the file.
    static void settingsStillSave(const QString &timeZone)
    {
        gSettings->TimeZone = timeZone;
        QVERIFY(gSettings->SaveSettings());
        auto other = Database::open(AuctionDatabasePath());
        QVERIFY(other);
        QCOMPARE(other->openQuery(QStringLiteral("SELECT APP_TimeZone FROM Application"))
                     ->value(QStringLiteral("APP_TimeZone"))
                     .toString(),
                 timeZone);
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(m_folder->isValid());
        QVERIFY(m_folder->openStore());
    }
    void cleanup() { m_folder.reset(); }

    void reopenKeepsEveryHolderValid()
    {
        BSN_Log log; // holds the database from before the reopen
        gDB->close();
        QVERIFY_THROWS_EXCEPTION(DbError, gDB->execute(QStringLiteral("DELETE FROM Logs")));
        QString error;
        QVERIFY2(ReopenAuctionDatabase(&error), qPrintable(error));
        QVERIFY2(OpenAuctionDatabase(&error), qPrintable(error)); // a second open reopens in place too
        settingsStillSave(QStringLiteral("Reopened"));
        log.MarkAuction(0, 1, QStringLiteral("after the reopen"));
        QCOMPARE(gDB->openQuery(QStringLiteral("SELECT * FROM Logs"))->recordCount(), 1);
    }

    void compactionKeepsEveryRow()
    {
        fill();
        const QList<int> counts = rowCounts();
        BSN_Log log;
        CompactionSizes sizes;
        QString error;
        QVERIFY2(CompactAuctionDatabase(&error, &sizes), qPrintable(error));
        QCOMPARE(rowCounts(), counts);
        QVERIFY2(sizes.after < sizes.before, qPrintable(QStringLiteral("%1 -> %2").arg(sizes.before).arg(sizes.after)));
        QCOMPARE(sizes.after, QFileInfo(m_folder->databasePath()).size());
        QVERIFY(!QFile::exists(copyPath()));
        QCOMPARE(gDB->integrityCheck(), QStringLiteral("ok"));
        settingsStillSave(QStringLiteral("Compacted"));
        log.MarkAuction(0, 1, QStringLiteral("after the compaction"));
    }

    void staleCopy_data()
    {
        QTest::addColumn<QString>("copy");     // what auctionc.mdb holds before the run
        QTest::addColumn<QString>("original"); // what happened to auction.mdb
        QTest::addColumn<bool>("compacted");
        QTest::addColumn<bool>("copyKept");
        QTest::newRow("garbage copy, sound original") << "garbage"
                                                      << "sound" << true << false;
        QTest::newRow("older database, sound original") << "database"
                                                        << "sound" << true << false;
        QTest::newRow("sound copy, original missing") << "database"
                                                      << "missing" << false << true;
        QTest::newRow("sound copy, original damaged") << "database"
                                                      << "damaged" << false << true;
        QTest::newRow("garbage copy, original missing") << "garbage"
                                                        << "missing" << false << true;
    }
    void staleCopy()
    {
        QFETCH(QString, copy);
        QFETCH(QString, original);
        QFETCH(bool, compacted);
        QFETCH(bool, copyKept);
        fill();
        const QList<int> counts = rowCounts();
        if (copy == QLatin1String("database"))
            QVERIFY(QFile::copy(QStringLiteral(ZANDRIFT_PROGRAM_DIR "/auction.mdb"), copyPath()));
        else {
            QFile f(copyPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("half a file");
        }
        const QByteArray staleBytes = bytesOf(copyPath());
        if (original == QLatin1String("missing")) {
            QVERIFY(QFile::remove(m_folder->databasePath()));
        } else if (original == QLatin1String("damaged")) {
            QFile f(m_folder->databasePath());
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.write(QByteArray(4096, 'z')); // the header and the first page
        }

        QString error;
        QCOMPARE(CompactAuctionDatabase(&error), compacted);
        if (compacted) {
            QCOMPARE(rowCounts(), counts);
        } else {
            QVERIFY2(error.contains(m_folder->databasePath()), qPrintable(error));
            if (copy == QLatin1String("database"))
                QVERIFY2(error.contains(copyPath()), qPrintable(error));
            // Every global still answers: with errors, not crashes.
            MsgBoxRecorder boxes;
            QVERIFY(!gSettings->SaveSettings());
            QCOMPARE(boxes.boxes.size(), 1);
            QVERIFY_THROWS_EXCEPTION(DbError, rowCounts());
        }
        QCOMPARE(QFile::exists(copyPath()), copyKept);
        if (copyKept)
            QCOMPARE(bytesOf(copyPath()), staleBytes);
    }

    void failedSwapLeavesTheOriginalOpen()
    {
        fill();
        const QList<int> counts = rowCounts();
        const QString dbPath = m_folder->databasePath();
        const QByteArray before = bytesOf(dbPath);
        bool copyReadyBesideOriginal = false;
        QString error;
        QVERIFY(!CompactAuctionDatabase(&error, nullptr, [&] {
            copyReadyBesideOriginal = QFile::exists(copyPath()) && bytesOf(dbPath) == before;
            return false;
        }));
        QVERIFY(copyReadyBesideOriginal);
        QVERIFY(!error.isEmpty());
        QCOMPARE(bytesOf(dbPath), before);
        QVERIFY(!QFile::exists(copyPath()));
        QVERIFY(gDB->isOpen());
        QCOMPARE(rowCounts(), counts);
        settingsStillSave(QStringLiteral("After a failed swap"));

        // Never inside a transaction: refused before anything is closed.
        Transaction tx(*gDB);
        QVERIFY(!CompactAuctionDatabase(&error));
        QVERIFY(gDB->isOpen());
    }
};

QTEST_GUILESS_MAIN(TestCompaction)
#include "TestCompaction.moc"
