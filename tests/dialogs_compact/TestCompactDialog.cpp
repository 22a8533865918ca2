#include "EngineFixture.h"
#include "MsgBoxRecorder.h"
#include "dialogs/frmDBCompact.h"
#include "platform/Database.h"
#include "platform/Transaction.h"
#include "store/AppSettings.h"
#include "store/AuctionDatabase.h"
#include "store/BSN_Log.h"
#include "store/CompactAuctionDatabase.h"
#include "store/Globals.h"

#include <QCryptographicHash>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

// Compacting through the dialog: what the user is told, that every row survives, and that a
// failure or a busy engine leaves the original open and every global working.
class TestCompactDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<EngineFixture> f;

    static QList<qint64> rowCounts()
    {
        QList<qint64> out;
        for (const char *t : {"Users", "Auctions", "Folders", "Shortcuts", "Logs", "Application"}) {
            auto rs = gDB->openQuery(QStringLiteral("SELECT COUNT(*) AS n FROM ") + QLatin1String(t));
            out << rs->value(QStringLiteral("n")).toLongLong();
        }
        return out;
    }
    QByteArray databaseHash() const
    {
        QFile file(f->folder.databasePath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }
    QString copyPath() const { return f->folder.file(QLatin1String(kCompactedFileName)); }
    // Every global still does its work on the database.
    void globalsWork()
    {
        QVERIFY(gDB->isOpen());
        BSN_Log().MarkAuction(0, f->userKey, QStringLiteral("after compaction"));
        QCOMPARE(f->generalLog().last(), QStringLiteral("after compaction"));
        gSettings->ProxyServer = QStringLiteral("after");
        QVERIFY(gSettings->SaveSettings());
        gUsers->Init(*gDB);
        QVERIFY(gUsers->GetUserByPrimary(f->userKey));
    }

private slots:
    void initTestCase()
    {
        f = std::make_unique<EngineFixture>();
        QVERIFY(f->isValid());
        // Rows to keep, and the room of many deleted ones to win back.
        Transaction rows(*gDB);
        for (int i = 0; i < 40; ++i)
            f->addAuctionRow(QStringLiteral("77%1").arg(i), 1);
        for (int i = 0; i < 400; ++i)
            BSN_Log().MarkAuction(0, f->userKey, QString(200, QLatin1Char('x')));
        rows.commit();
        gDB->execute(QStringLiteral("DELETE FROM Logs WHERE LOG_Primary % 2 = 0"));
    }
    void cleanupTestCase() { f.reset(); }
    void init()
    {
        while (f->engine->queue().NextItem()) {
        }
        f->engine->queue().InetAvailable = true;
    }

    void compacts_data()
    {
        QTest::addColumn<bool>("leftover");
        QTest::newRow("plain") << false;
        QTest::newRow("a copy left by an earlier run") << true;
    }
    void compacts()
    {
        QFETCH(bool, leftover);
        if (leftover) {
            QFile stale(copyPath());
            QVERIFY(stale.open(QIODevice::WriteOnly));
            stale.write("half a database");
        }
        const QList<qint64> before = rowCounts();
        frmDBCompact d(nullptr, f->engine.get());
        d.show();
        MsgBoxRecorder boxes;
        d.findChild<QPushButton *>(QStringLiteral("cmdCompact"))->click();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("Operation Complete"));
        const QRegularExpression told(QStringLiteral("^Zandrift successfully compacted the database.\r\n"
                                                     "File Size Before Compacting - (\\d{1,3}(,\\d{3})*) Bytes\r\n"
                                                     "File Size After Compacting - (\\d{1,3}(,\\d{3})*) Bytes$"));
        const auto m = told.match(boxes.boxes.first().prompt);
        QVERIFY2(m.hasMatch(), qPrintable(boxes.boxes.first().prompt));
        const qint64 beforeBytes = m.captured(1).remove(QLatin1Char(',')).toLongLong();
        const qint64 afterBytes = m.captured(3).remove(QLatin1Char(',')).toLongLong();
        // The first run wins back the deleted rows' room; a second has none left to win.
        QVERIFY(leftover ? afterBytes <= beforeBytes : afterBytes < beforeBytes);
        QCOMPARE(afterBytes, QFileInfo(f->folder.databasePath()).size());
        QVERIFY(!d.isVisible());
        QVERIFY(!QFileInfo::exists(copyPath()));
        QCOMPARE(rowCounts(), before);
        globalsWork();
    }

    void failureAtTheSwapKeepsTheOriginal()
    {
        const QList<qint64> before = rowCounts();
        const QByteArray original = databaseHash();
        frmDBCompact d(nullptr, f->engine.get());
        d.show();
        bool copyWritten = false;
        d.beforeSwap = [&] {
            copyWritten = QFileInfo::exists(copyPath());
            return false;
        };
        MsgBoxRecorder boxes;
        d.findChild<QPushButton *>(QStringLiteral("cmdCompact"))->click();
        QVERIFY(copyWritten);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("Compact Operation Failure"));
        QCOMPARE(boxes.boxes.first().icon, MsgBox::Icon::Information);
        QVERIFY(boxes.boxes.first().prompt.startsWith(
            QStringLiteral("The compact database function failed, Error Returned Was: ")));
        QVERIFY(boxes.boxes.first().prompt.endsWith(
            QStringLiteral("Zandrift will restore the database to it's original form.")));
        QCOMPARE(databaseHash(), original);
        QVERIFY(!QFileInfo::exists(copyPath()));
        QVERIFY(d.isVisible());
        QCOMPARE(rowCounts(), before);
        globalsWork();
    }

    void refusedWhileTheEngineIsBusy_data()
    {
        QTest::addColumn<bool>("queued");
        QTest::newRow("a request queued") << true;
        QTest::newRow("a request in flight") << false;
    }
    void refusedWhileTheEngineIsBusy()
    {
        QFETCH(bool, queued);
        if (queued) {
            f->engine->queue().Add(BNQItem::refresh(QStringLiteral("770"), f->userKey, f->openFolder));
        } else {
            f->engine->queue().InetAvailable = false;
        }
        const QByteArray original = databaseHash();
        frmDBCompact d(nullptr, f->engine.get());
        d.show();
        MsgBoxRecorder boxes;
        d.findChild<QPushButton *>(QStringLiteral("cmdCompact"))->click();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("Compact Zandrift's Database"));
        QVERIFY(d.isVisible());
        QCOMPARE(databaseHash(), original);
        QVERIFY(gDB->isOpen());
    }

    void cancelLeavesTheDatabase()
    {
        const QByteArray original = databaseHash();
        frmDBCompact d(nullptr, f->engine.get());
        d.show();
        MsgBoxRecorder boxes;
        d.findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
        QVERIFY(!d.isVisible());
        QVERIFY(boxes.boxes.isEmpty());
        QCOMPARE(databaseHash(), original);
        QVERIFY(gDB->isOpen());
    }
};

QTEST_MAIN(TestCompactDialog)
#include "TestCompactDialog.moc"
