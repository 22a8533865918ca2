// The files that hold passwords (the database, its compacted copy, the settings file) are
// readable by their owner alone, from the file the build delivers through every step that
// writes one anew.
#include "TestProgramFolder.h"
#include "platform/Database.h"
#include "platform/FileModes.h"
#include "platform/SettingsStore.h"
#include "store/AppSettings.h"
#include "store/AuctionDatabase.h"
#include "store/CompactAuctionDatabase.h"
#include "store/Globals.h"
#include "store/PrivateFiles.h"

#include <QFile>
#include <QtTest>
#include <sys/stat.h>

class TestFileModes : public QObject
{
    Q_OBJECT

    static bool setMode(const QString &path, int mode)
    {
        return ::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode)) == 0;
    }

private slots:
    void databaseModes_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("before"); // the database's mode before the step; -1: as made
        QTest::addColumn<int>("after");
        QTest::newRow("delivered by the build") << "delivered" << -1 << 0600;
        QTest::newRow("built from a schema") << "built" << -1 << 0600;
        QTest::newRow("compaction of an owner-only file") << "compaction" << 0600 << 0600;
        QTest::newRow("compaction keeps the owner's access") << "compaction" << 0700 << 0700;
        QTest::newRow("compaction takes others' access away") << "compaction" << 0644 << 0600;
        QTest::newRow("upgrade of an older file") << "upgrade" << 0600 << 0600;
        QTest::newRow("start with a file all can read") << "start" << 0644 << 0600;
        QTest::newRow("start with a file the group can write") << "start" << 0660 << 0600;
        QTest::newRow("start with an owner-only file") << "start" << 0600 << 0600;
    }
    void databaseModes()
    {
        QFETCH(QString, step);
        QFETCH(int, before);
        QFETCH(int, after);
        if (step == QLatin1String("delivered")) {
            QCOMPARE(file_modes::permissions(QStringLiteral(ZANDRIFT_PROGRAM_DIR "/auction.mdb")), after);
            return;
        }
        TestProgramFolder folder;
        QVERIFY(folder.isValid());
        if (step == QLatin1String("built") || step == QLatin1String("upgrade"))
            QVERIFY(folder.buildDatabase(QStringLiteral(ZANDRIFT_TEST_DATA "/old-layout.sql")));
        const QString db = folder.databasePath();
        if (before >= 0)
            QVERIFY(setMode(db, before));

        if (step == QLatin1String("compaction")) {
            QVERIFY(folder.openStore());
            QString error;
            QVERIFY2(CompactAuctionDatabase(&error), qPrintable(error));
            QVERIFY(!QFile::exists(folder.file(QLatin1String(kCompactedFileName))));
        } else if (step == QLatin1String("upgrade")) {
            QVERIFY(folder.openStore()); // opens and upgrades
            QVERIFY(gDB->hasColumn(QStringLiteral("Auctions"), QStringLiteral("AUC_Comments")));
        } else if (step == QLatin1String("start")) {
            const Tightened tightened = TightenPrivateFiles();
            QCOMPARE(tightened.files, before == after ? QStringList() : QStringList{QStringLiteral("auction.mdb")});
        }
        QCOMPARE(file_modes::permissions(db), after);
    }

    // The compacted copy is owner-only while SQLite writes it, not only once it is renamed.
    void compactedCopyIsNeverReadableByOthers()
    {
        TestProgramFolder folder;
        QVERIFY(folder.isValid());
        QVERIFY(setMode(folder.databasePath(), 0644));
        QVERIFY(folder.openStore());
        int copyMode = -1;
        QString error;
        QVERIFY2(CompactAuctionDatabase(&error, nullptr,
                                        [&] {
                                            copyMode =
                                                file_modes::permissions(folder.file(QLatin1String(kCompactedFileName)));
                                            return true;
                                        }),
                 qPrintable(error));
        QCOMPARE(copyMode, 0600);
        QCOMPARE(file_modes::permissions(folder.databasePath()), 0600);
    }

    // The settings file holds the dial-up password: owner-only when it is made, kept so by
    // later saves, tightened at the start when others could read it.
    void settingsFileModes()
    {
        TestProgramFolder folder;
        QVERIFY(folder.isValid());
        QVERIFY(!QFile::exists(folder.settingsPath()));
        QVERIFY(folder.openStore());
        gSettings->DialupPassword = QStringLiteral("secret");
        QVERIFY(gSettings->SaveSettings());
        QCOMPARE(file_modes::permissions(folder.settingsPath()), 0600);
        QVERIFY(gSettings->SaveSettings());
        QCOMPARE(file_modes::permissions(folder.settingsPath()), 0600);

        QVERIFY(setMode(folder.settingsPath(), 0644));
        const Tightened tightened = TightenPrivateFiles();
        QCOMPARE(tightened.files, QStringList{QStringLiteral("settings.ini")});
        QCOMPARE(tightened.message(), QStringLiteral("Other accounts on this computer could read settings.ini, which "
                                                     "holds passwords; Zandrift made it readable by you alone."));
        QCOMPARE(file_modes::permissions(folder.settingsPath()), 0600);
        // Said once: the next start finds nothing to do.
        QVERIFY(TightenPrivateFiles().files.isEmpty());
        QVERIFY(TightenPrivateFiles().message().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFileModes)
#include "TestFileModes.moc"
