// What the program asks of the system at its start: no core dump that would hold a password,
// and a file-size limit that makes a write fail instead of killing the program.
#include "platform/Database.h"
#include "platform/ProcessGuards.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>

class TestProcessGuards : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(process_guards::apply()); }

    void noCoreDumps()
    {
        rlimit core{};
        QCOMPARE(::getrlimit(RLIMIT_CORE, &core), 0);
        QCOMPARE(core.rlim_cur, rlim_t(0));
        QCOMPARE(core.rlim_max, rlim_t(0));
        QCOMPARE(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
    }

    // Under a file-size limit (ulimit -f) a write past it fails with an error the program
    // reports, the file and the database alike, and the program goes on.
    void aFileSizeLimitFailsTheWrite()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // A database with room for a few rows more.
        const QString path = dir.filePath(QStringLiteral("limited.mdb"));
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
            raw.setDatabaseName(path);
            QVERIFY(raw.open());
            QSqlQuery q(raw);
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE Logs (LOG_Primary INTEGER PRIMARY KEY, LOG_Message TEXT)")));
            raw.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("make"));
        auto db = Database::open(path);
        QVERIFY(db);

        struct sigaction current = {};
        QCOMPARE(::sigaction(SIGXFSZ, nullptr, &current), 0);
        QVERIFY(current.sa_handler == SIG_IGN);

        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const rlimit limited{64 * 1024, saved.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        bool refused = false;
        QString why;
        try {
            for (int i = 0; i < 200; ++i)
                db->execute(QStringLiteral("INSERT INTO Logs (LOG_Message) VALUES (?)"),
                            {QString(1000, QLatin1Char('x'))});
        } catch (const DbError &e) {
            refused = true;
            why = e.message();
        }
        QFile big(dir.filePath(QStringLiteral("big")));
        QVERIFY(big.open(QIODevice::WriteOnly));
        const qint64 written = big.write(QByteArray(128 * 1024, 'y'));
        const bool flushed = big.flush();
        big.close();
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &saved), 0);

        QVERIFY2(refused, "the database took every row");
        QVERIFY(!why.isEmpty());
        QVERIFY(written < 128 * 1024 || !flushed);
        // Still a sound database once the limit is gone.
        QCOMPARE(db->integrityCheck(), QStringLiteral("ok"));
        db->execute(QStringLiteral("INSERT INTO Logs (LOG_Message) VALUES ('after')"));
    }
};

QTEST_GUILESS_MAIN(TestProcessGuards)
#include "TestProcessGuards.moc"
