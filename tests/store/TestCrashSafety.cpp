#include "TestProgramFolder.h"
#include "platform/Database.h"
#include "platform/Recordset.h"
#include "store/BSN_Log.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSet>
#include <QtTest>
#include <cstdio>
#include <signal.h>

// Run as a child with "--burst <db>": writes log rows until killed, printing the number of
// each row after its write returned.
static int runBurst(const QString &path)
{
    auto db = Database::open(path);
    if (!db)
        return 2;
    BSN_Log log(*db);
    for (int i = 0; i < 1000000; ++i) {
        log.MarkAuction(i % 7, 1, QStringLiteral("burst %1").arg(i));
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
    return 0;
}

class TestCrashSafety : public QObject
{
    Q_OBJECT

private slots:
    void killedDuringLogBurst()
    {
        TestProgramFolder folder;
        QVERIFY(folder.isValid());
        for (int round = 0; round < 3; ++round) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--burst"), folder.databasePath()});
            QVERIFY(child.waitForStarted());
            // Kill at a different depth each round, in the middle of the writes.
            const int killAfter = 150 + round * 97;
            QByteArray out;
            int lastReturned = -1;
            QElapsedTimer t;
            t.start();
            while (lastReturned < killAfter && t.elapsed() < 60000) {
                child.waitForReadyRead(1000);
                out += child.readAllStandardOutput();
                const QList<QByteArray> lines = out.split('\n');
                for (int i = lines.size() - 2; i >= 0; --i) {
                    if (!lines[i].isEmpty()) {
                        lastReturned = lines[i].toInt();
                        break;
                    }
                }
            }
            ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
            child.waitForFinished();
            out += child.readAllStandardOutput();
            QVERIFY2(lastReturned >= killAfter, "the writer never got going");

            QString error;
            auto db = Database::open(folder.databasePath(), &error);
            QVERIFY2(db, qPrintable(error));
            QCOMPARE(db->integrityCheck(), QStringLiteral("ok"));
            QSet<QString> stored;
            auto rs = db->openQuery(QStringLiteral("SELECT LOG_Message FROM Logs"));
            for (rs->moveFirst(); !rs->eof(); rs->moveNext())
                stored.insert(rs->value(QStringLiteral("LOG_Message")).toString());
            // Every row whose write returned is there.
            for (const QByteArray &line : out.split('\n')) {
                if (line.isEmpty())
                    continue;
                const QString msg = QStringLiteral("burst %1").arg(line.toInt());
                QVERIFY2(stored.contains(msg), qPrintable(msg));
            }
            // The next round starts from an empty log, so its rows are told apart.
            db->execute(QStringLiteral("DELETE FROM Logs"));
        }
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--burst") == 0) {
        QCoreApplication app(argc, argv);
        return runBurst(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestCrashSafety tc;
    return QTest::qExec(&tc, argc, argv);
}

#include "TestCrashSafety.moc"
