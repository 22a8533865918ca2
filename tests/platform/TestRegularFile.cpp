// What the window thread reads from files others can put there (the site's data files, the
// favorites' shortcut files) is read only from regular files: a FIFO in its place is refused at
// once instead of freezing the program in open().
#include "Fifo.h"
#include "engine/BNParseScript.h"
#include "engine/ebayURLS.h"
#include "platform/RegularFile.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestRegularFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QFile file(path("plain"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("EbayViewItemURL|http://127.0.0.1/item?\n");
        file.close();
        QVERIFY(QDir().mkdir(path("folder")));
        QVERIFY(QFile::link(path("plain"), path("link to plain")));
    }

    void onlyARegularFileOpens_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fifo");
        QTest::addColumn<bool>("opens");
        QTest::newRow("regular file") << "plain" << false << true;
        QTest::newRow("link to a regular file") << "link to plain" << false << true;
        QTest::newRow("FIFO") << "fifo" << true << false;
        QTest::newRow("link to a FIFO") << "link to fifo" << true << false;
        QTest::newRow("folder") << "folder" << false << false;
        QTest::newRow("missing") << "missing" << false << false;
    }
    void onlyARegularFileOpens()
    {
        QFETCH(QString, name);
        QFETCH(bool, fifo);
        QFETCH(bool, opens);
        std::unique_ptr<Fifo> pipe;
        QString target = m_dir.filePath(name);
        if (fifo) {
            const bool linked = name.startsWith(QLatin1String("link to "));
            const QString real = linked ? m_dir.filePath(QStringLiteral("linked fifo")) : target;
            pipe = std::make_unique<Fifo>(real);
            QVERIFY(pipe->isValid());
            if (linked)
                QVERIFY(QFile::link(real, target));
        }
        QElapsedTimer clock;
        clock.start();
        QFile file;
        QString error;
        QCOMPARE(openRegularFile(file, target, &error), opens);
        QVERIFY2(clock.elapsed() < Fifo::kReleaseAfterMs / 2, qPrintable(QString::number(clock.elapsed())));
        if (opens) {
            QCOMPARE(file.readAll(), QByteArray("EbayViewItemURL|http://127.0.0.1/item?\n"));
        } else {
            QVERIFY(!file.isOpen());
            QVERIFY2(error.startsWith(QStringLiteral("Cannot open %1: ").arg(target)), qPrintable(error));
        }
    }

    // Both site data files, each replaced by a FIFO: the load fails at once and says why.
    void aDataFileThatIsAFifoFailsToLoad_data()
    {
        QTest::addColumn<bool>("script");
        QTest::newRow("eburl.zdx") << false;
        QTest::newRow("ebparse.zdx") << true;
    }
    void aDataFileThatIsAFifoFailsToLoad()
    {
        QFETCH(bool, script);
        const QString name = script ? QStringLiteral("ebparse.zdx") : QStringLiteral("eburl.zdx");
        Fifo pipe(m_dir.filePath(name));
        QVERIFY(pipe.isValid());
        QElapsedTimer clock;
        clock.start();
        QString error;
        if (script) {
            BNParseScript s;
            QVERIFY(!s.ImportScript(m_dir.filePath(name), &error));
        } else {
            ebayURLS urls;
            QVERIFY(!urls.Load(m_dir.filePath(name), &error));
        }
        QVERIFY2(clock.elapsed() < Fifo::kReleaseAfterMs / 2, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(error.contains(QStringLiteral("not a regular file")), qPrintable(error));
    }

    // The settings file and the lock file, each replaced by a FIFO: neither is opened. The
    // settings keep what is set for the run and say they cannot be saved; the lock proves no
    // other copy runs, as a folder where no lock can be made does.
    void programFilesThatAreFifosAreNotOpened_data()
    {
        QTest::addColumn<bool>("settings");
        QTest::newRow("settings file") << true;
        QTest::newRow("lock file") << false;
    }
    void programFilesThatAreFifosAreNotOpened()
    {
        QFETCH(bool, settings);
        const QString name = settings ? QStringLiteral("settings.ini") : QStringLiteral("zandrift.lock");
        Fifo pipe(m_dir.filePath(name));
        QVERIFY(pipe.isValid());
        QElapsedTimer clock;
        clock.start();
        if (settings) {
            SettingsStore store(m_dir.filePath(name));
            QCOMPARE(store.get(QStringLiteral("appsettings"), QStringLiteral("duser"), QStringLiteral("none")),
                     QStringLiteral("none"));
            store.set(QStringLiteral("appsettings"), QStringLiteral("duser"), QStringLiteral("ann"));
            QCOMPARE(store.get(QStringLiteral("appsettings"), QStringLiteral("duser")), QStringLiteral("ann"));
            QVERIFY(!store.sync());
            QVERIFY2(store.refusal().contains(QStringLiteral("is not a regular file")), qPrintable(store.refusal()));
        } else {
            SingleInstance lock(m_dir.filePath(name));
            QVERIFY(lock.acquire());
            QVERIFY(!lock.held());
        }
        QVERIFY2(clock.elapsed() < Fifo::kReleaseAfterMs / 2, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(existsButIsNotRegular(m_dir.filePath(name)));
        QVERIFY(!existsButIsNotRegular(path("plain")));
        QVERIFY(!existsButIsNotRegular(path("missing")));
    }
};

QTEST_GUILESS_MAIN(TestRegularFile)
#include "TestRegularFile.moc"
