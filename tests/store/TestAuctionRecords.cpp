#include "TestProgramFolder.h"
#include "platform/Database.h"
#include "store/AuctionDatabase.h"
#include "store/AuctionRecords.h"
#include "store/AuctionStatus.h"
#include "store/Globals.h"

#include <QtTest>

using auction_store::CheckFlags;
using auction_store::SnipeWrite;
using Flag = std::optional<bool>;

Q_DECLARE_METATYPE(std::optional<qint32>)
Q_DECLARE_METATYPE(Flag)
Q_DECLARE_METATYPE(SnipeWrite)

namespace {
qint32 addAuction(qint32 user, const QString &item, qint32 status = AuctionStatus::NotScheduled, qint32 folder = 1,
                  const QString &title = QString())
{
    gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, AUC_Status) "
                                "VALUES (?, ?, ?, ?, ?)"),
                 {user, folder, item, title.isNull() ? item : title, status});
    return static_cast<qint32>(gDB->openQuery(QStringLiteral("SELECT max(AUC_Primary) AS k FROM Auctions"))
                                   ->value(QStringLiteral("k"))
                                   .toInt());
}

QStringList itemNumbers(const QString &where = QStringLiteral("1 = 1"), const QVariantList &params = {})
{
    QStringList out;
    auto rs = gDB->openQuery(
        QStringLiteral("SELECT AUC_ItemNumber FROM Auctions WHERE %1 ORDER BY AUC_Primary").arg(where), params);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        out << rs->value(QStringLiteral("AUC_ItemNumber")).toString();
    return out;
}

// A write to the auction with this item number fails as a locked or full file would, midway
// through an operation.
void failWritesOf(const QString &item)
{
    for (const char *event : {"UPDATE", "DELETE"})
        gDB->execute(QStringLiteral("CREATE TRIGGER refuse_%1 BEFORE %1 ON Auctions WHEN OLD.AUC_ItemNumber = '%2' "
                                    "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                         .arg(QLatin1String(event), item));
}
} // namespace

class TestAuctionRecords : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    QHash<QString, qint32> m_keys;

    QList<qint32> keysOf(const QStringList &items) const
    {
        QList<qint32> keys;
        for (const QString &item : items)
            keys << m_keys.value(item, 9999);
        return keys;
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(OpenAuctionDatabase());
        // Ann (1) has three auctions, Bob (2) two; "a1" and "a2" are scheduled, as is "b1".
        m_keys.clear();
        m_keys[QStringLiteral("a1")] = addAuction(1, QStringLiteral("a1"), AuctionStatus::Scheduled);
        m_keys[QStringLiteral("a2")] = addAuction(1, QStringLiteral("a2"), AuctionStatus::Scheduled);
        m_keys[QStringLiteral("a3")] = addAuction(1, QStringLiteral("a3"));
        m_keys[QStringLiteral("b1")] = addAuction(2, QStringLiteral("b1"), AuctionStatus::Scheduled, 3);
        m_keys[QStringLiteral("b2")] = addAuction(2, QStringLiteral("b2"), AuctionStatus::Won, 3);
    }
    void cleanup() { m_folder.reset(); }

    void countScheduledSnipes_data()
    {
        QTest::addColumn<std::optional<qint32>>("user");
        QTest::addColumn<qint64>("count");
        QTest::newRow("one user's") << std::optional<qint32>(1) << qint64(2);
        QTest::newRow("another user's") << std::optional<qint32>(2) << qint64(1);
        QTest::newRow("a user without auctions") << std::optional<qint32>(7) << qint64(0);
        QTest::newRow("every user's") << std::optional<qint32>() << qint64(3);
    }
    void countScheduledSnipes()
    {
        QFETCH(std::optional<qint32>, user);
        QFETCH(qint64, count);
        QCOMPARE(auction_store::countScheduledSnipes(*gDB, user), count);
    }

    // Deleting and moving take the user's own auctions only, all of them or, when one write
    // fails, none.
    void deleteAndMove_data()
    {
        QTest::addColumn<bool>("move");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<int>("changed");
        QTest::addColumn<QStringList>("affected"); // gone, or in folder 5
        const QStringList none;
        for (bool move : {false, true}) {
            const char *op = move ? "move" : "delete";
            QTest::addRow("%s: own auctions", op)
                << move << QStringList{"a1", "a3"} << QString() << 2 << QStringList{"a1", "a3"};
            QTest::addRow("%s: another user's stays", op)
                << move << QStringList{"a2", "b1"} << QString() << 1 << QStringList{"a2"};
            QTest::addRow("%s: a key no longer there", op)
                << move << QStringList{"gone", "a2"} << QString() << 1 << QStringList{"a2"};
            QTest::addRow("%s: nothing", op) << move << none << QString() << 0 << none;
            QTest::addRow("%s: the last write fails", op)
                << move << QStringList{"a1", "a2", "a3"} << QStringLiteral("a3") << -1 << none;
        }
    }
    void deleteAndMove()
    {
        QFETCH(bool, move);
        QFETCH(QStringList, items);
        QFETCH(QString, failing);
        QFETCH(int, changed);
        QFETCH(QStringList, affected);
        if (!failing.isEmpty())
            failWritesOf(failing);
        const QStringList before = itemNumbers();
        const auto run = [&] {
            return move ? auction_store::moveAuctions(*gDB, 1, keysOf(items), 5)
                        : auction_store::deleteAuctions(*gDB, 1, keysOf(items));
        };
        if (changed < 0) {
            QVERIFY_THROWS_EXCEPTION(DbError, run());
        } else {
            QCOMPARE(run(), changed);
        }
        QCOMPARE(gDB->transactionDepth(), 0);
        if (move) {
            QCOMPARE(itemNumbers(QStringLiteral("AUC_Folder = 5")), affected);
            QCOMPARE(itemNumbers(), before);
        } else {
            QStringList left = before;
            for (const QString &item : affected)
                left.removeAll(item);
            QCOMPARE(itemNumbers(), left);
        }
    }

    void checkFlags_data()
    {
        QTest::addColumn<Flag>("paid");
        QTest::addColumn<Flag>("received");
        QTest::addColumn<Flag>("leftFeedback");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("stored"); // paid, received, left feedback, from 1, 1, 0
        QTest::newRow("one shown column") << Flag(false) << Flag() << Flag() << true << "0 1 0";
        QTest::newRow("every column") << Flag(false) << Flag(false) << Flag(true) << true << "0 0 1";
        QTest::newRow("unchanged values") << Flag(true) << Flag(true) << Flag(false) << true << "1 1 0";
        QTest::newRow("no column shown") << Flag() << Flag() << Flag() << false << "1 1 0";
    }
    void checkFlags()
    {
        QFETCH(Flag, paid);
        QFETCH(Flag, received);
        QFETCH(Flag, leftFeedback);
        QFETCH(bool, written);
        QFETCH(QString, stored);
        const qint32 key = m_keys.value(QStringLiteral("a1"));
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Paid = 1, AUC_Received = 1, AUC_LeftFeedback = 0"));
        QCOMPARE(auction_store::saveCheckFlags(*gDB, key, {paid, received, leftFeedback}), written);
        auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_Paid || ' ' || AUC_Received || ' ' || AUC_LeftFeedback AS "
                                                "f FROM Auctions WHERE AUC_Primary = ?"),
                                 {key});
        QCOMPARE(rs->value(QStringLiteral("f")).toString(), stored);
        // The other rows keep theirs.
        QCOMPARE(gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM Auctions WHERE AUC_Paid = 1 AND "
                                               "AUC_Received = 1 AND AUC_LeftFeedback = 0 AND AUC_Primary <> ?"),
                                {key})
                     ->value(QStringLiteral("n"))
                     .toInt(),
                 4);
        QVERIFY(!auction_store::saveCheckFlags(*gDB, 9999, {Flag(true), Flag(), Flag()}));
    }

    void comment_data()
    {
        QTest::addColumn<QString>("comment");
        QTest::addColumn<bool>("storedNull");
        QTest::newRow("text") << QStringLiteral("ask for shipping") << false;
        QTest::newRow("null text is stored as empty text") << QString() << false;
        QTest::newRow("empty text") << QStringLiteral("") << false;
    }
    void comment()
    {
        QFETCH(QString, comment);
        QFETCH(bool, storedNull);
        const qint32 key = m_keys.value(QStringLiteral("a2"));
        QVERIFY(auction_store::saveComment(*gDB, key, comment));
        auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_Comments FROM Auctions WHERE AUC_Primary = ?"), {key});
        QCOMPARE(rs->value(QStringLiteral("AUC_Comments")).isNull(), storedNull);
        QCOMPARE(auction_store::comment(*gDB, key), comment.isNull() ? QStringLiteral("") : comment);
        QVERIFY(!auction_store::saveComment(*gDB, 9999, comment));
        QVERIFY(auction_store::comment(*gDB, 9999).isEmpty());
    }

    void folderRows_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("title") << QStringLiteral("Auctions (3 Items)") << false
                               << QStringList{"apple", "Banana", "cherry"};
        QTest::newRow("title, descending")
            << QStringLiteral("Auctions") << true << QStringList{"cherry", "Banana", "apple"};
        QTest::newRow("seller without regard to case")
            << QStringLiteral("Seller") << false << QStringList{"Banana", "cherry", "apple"};
        QTest::newRow("a number column") << QStringLiteral("Current Bid") << false
                                         << QStringList{"cherry", "apple", "Banana"};
        QTest::newRow("an unknown caption sorts by title")
            << QStringLiteral("Whatever; DROP TABLE Auctions") << true << QStringList{"cherry", "Banana", "apple"};
        QTest::newRow("no caption sorts by title") << QString() << false << QStringList{"apple", "Banana", "cherry"};
    }
    void folderRows()
    {
        QFETCH(QString, caption);
        QFETCH(bool, descending);
        QFETCH(QStringList, titles);
        const struct
        {
            const char *title, *seller;
            double bid;
        } rows[] = {{"Banana", "ann", 20.5}, {"apple", "Zed", 3}, {"cherry", "Bob", 1.25}};
        for (const auto &r : rows) {
            const qint32 key =
                addAuction(1, QStringLiteral("f"), AuctionStatus::NotScheduled, 7, QLatin1String(r.title));
            gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Seller = ?, AUC_CurrentBid = ? WHERE AUC_Primary = ?"),
                         {QLatin1String(r.seller), r.bid, key});
        }
        QStringList got;
        for (const AuctionRow &row : auction_store::folderRows(*gDB, 7, caption, descending))
            got << row.title;
        QCOMPARE(got, titles);
        QVERIFY(gDB->hasTable(QStringLiteral("Auctions")));
    }

    // The scheduler writes unless the row went or a bid or the end was recorded meanwhile.
    void snipeWrites_data()
    {
        QTest::addColumn<bool>("unschedule");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("loaded");
        QTest::addColumn<bool>("missing");
        QTest::addColumn<SnipeWrite>("result");
        for (bool unschedule : {false, true}) {
            const char *op = unschedule ? "unschedule" : "schedule";
            QTest::addRow("%s: as loaded", op) << unschedule << int(AuctionStatus::NotScheduled)
                                               << int(AuctionStatus::NotScheduled) << false << SnipeWrite::Written;
            QTest::addRow("%s: scheduled meanwhile", op)
                << unschedule << int(AuctionStatus::Scheduled) << int(AuctionStatus::NotScheduled) << false
                << SnipeWrite::Written;
            QTest::addRow("%s: bid placed meanwhile", op)
                << unschedule << int(AuctionStatus::BidSubmitted) << int(AuctionStatus::Scheduled) << false
                << SnipeWrite::StatusChanged;
            QTest::addRow("%s: ended meanwhile", op)
                << unschedule << int(AuctionStatus::Closed) << int(AuctionStatus::NotScheduled) << false
                << SnipeWrite::StatusChanged;
            QTest::addRow("%s: opened on an ended one", op)
                << unschedule << int(AuctionStatus::Error) << int(AuctionStatus::Error) << false << SnipeWrite::Written;
            QTest::addRow("%s: deleted meanwhile", op)
                << unschedule << int(AuctionStatus::NotScheduled) << int(AuctionStatus::NotScheduled) << true
                << SnipeWrite::Missing;
        }
    }
    void snipeWrites()
    {
        QFETCH(bool, unschedule);
        QFETCH(int, stored);
        QFETCH(int, loaded);
        QFETCH(bool, missing);
        QFETCH(SnipeWrite, result);
        const qint32 key = m_keys.value(QStringLiteral("a3"));
        gDB->execute(QStringLiteral("UPDATE Auctions SET AUC_Status = ?, AUC_MaxBid = 7.5, AUC_BidSecs = 8, "
                                    "AUC_BidQuantity = 2 WHERE AUC_Primary = ?"),
                     {stored, key});
        if (missing)
            gDB->execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_Primary = ?"), {key});
        const SnipeWrite got = unschedule ? auction_store::unscheduleSnipe(*gDB, key, loaded)
                                          : auction_store::scheduleSnipe(*gDB, key, loaded, 12.34, 6, 1);
        QCOMPARE(got, result);
        QCOMPARE(gDB->transactionDepth(), 0);
        if (missing)
            return;
        const auto terms = auction_store::loadSnipeTerms(*gDB, key);
        QVERIFY(terms);
        if (result != SnipeWrite::Written) {
            QCOMPARE(terms->status, stored);
            QCOMPARE(terms->maxBid, 7.5);
        } else if (unschedule) {
            QCOMPARE(terms->status, int(AuctionStatus::NotScheduled));
            QCOMPARE(terms->maxBid, 0.0);
            QCOMPARE(terms->bidQuantity, qint64(0));
            QCOMPARE(terms->bidSeconds, qint64(8)); // the seconds stay for the next snipe
        } else {
            QCOMPARE(terms->status, int(AuctionStatus::Scheduled));
            QCOMPARE(terms->maxBid, 12.34);
            QCOMPARE(terms->bidSeconds, qint64(6));
            QCOMPARE(terms->bidQuantity, qint64(1));
        }
        QVERIFY(!auction_store::loadSnipeTerms(*gDB, 9999));
    }
};

QTEST_GUILESS_MAIN(TestAuctionRecords)
#include "TestAuctionRecords.moc"
