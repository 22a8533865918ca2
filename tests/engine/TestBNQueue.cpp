#include "engine/BNQueue.h"
#include "store/BSN_User.h"

#include <QtTest>

// The queue's operations, one table each, over items built as the engine builds them. Each item
// carries a name the table uses to say which items are served, left or cancelled.
namespace {

struct Named
{
    QString name;
    QItemPtr item;
};
using Items = QList<Named>;

// A snipe of the auction with that key for that user (0: a bid without a user).
Named snipe(const QString &name, qint32 auctionKey, qint32 userKey, double maxBid)
{
    auto bid = std::make_shared<BNBidTalk>(QString());
    bid->PrimaryKey = auctionKey;
    bid->ItemNumber = QString::number(3000 + auctionKey);
    if (userKey != 0) {
        bid->User = std::make_shared<BSN_User>();
        bid->User->PrimaryKey = userKey;
    }
    bid->MaxBid = maxBid;
    bid->Quantity = 1;
    return {name, BNQItem::snipe(bid)};
}

Named refresh(const QString &name, const QString &itemNumber, qint32 userKey = 1,
              qint32 priority = BNQItem::BackgroundPriority)
{
    return {name, BNQItem::refresh(itemNumber, userKey, 1, priority)};
}

Named import(const QString &name, const QString &itemNumber, qint32 userKey = 1)
{
    return {name, BNQItem::import(itemNumber, userKey, 1)};
}

Named timeSync(const QString &name)
{
    return {name, BNQItem::timeSync(false)};
}

// An item with a priority the queue does not know.
Named withPriority(Named named, qint32 priority)
{
    named.item->Priority = priority;
    return named;
}

BSN_User userWithKey(qint32 key)
{
    BSN_User u;
    u.PrimaryKey = key;
    return u;
}

// The queue with those items, and the names to read it back by.
struct QueueFixture
{
    explicit QueueFixture(const Items &items, const Named &current = {})
    {
        for (const Named &n : items) {
            queue.Add(n.item);
            all << n;
        }
        if (current.item)
            all << current;
    }
    QString nameOf(const QItemPtr &item) const
    {
        for (const Named &n : all)
            if (n.item == item)
                return n.name;
        return QStringLiteral("?");
    }
    QStringList left() const
    {
        QStringList out;
        for (const QItemPtr &i : queue.items())
            out << nameOf(i);
        return out;
    }
    QStringList cancelled() const
    {
        QStringList out;
        for (const Named &n : all)
            if (n.item->Bid && n.item->Bid->CancelBid)
                out << n.name;
        return out;
    }

    BNQueue queue;
    Items all;
};

} // namespace

Q_DECLARE_METATYPE(Named)
Q_DECLARE_METATYPE(Items)

class TestBNQueue : public QObject
{
    Q_OBJECT
private slots:
    void nextItem_data();
    void nextItem();
    void isRefreshing_data();
    void isRefreshing();
    void itemIsQueued_data();
    void itemIsQueued();
    void bidIsQueued_data();
    void bidIsQueued();
    void removeAllItemsExceptSnipes_data();
    void removeAllItemsExceptSnipes();
    void removeBid_data();
    void removeBid();
    void adjustBid_data();
    void adjustBid();
    void removeAuctionItem_data();
    void removeAuctionItem();
};

void TestBNQueue::nextItem_data()
{
    QTest::addColumn<Items>("items");
    QTest::addColumn<bool>("putFirstBack"); // the first item served is added again
    QTest::addColumn<QStringList>("served");
    QTest::addColumn<QStringList>("left");

    QTest::newRow("empty queue serves nothing") << Items{} << false << QStringList{} << QStringList{};
    QTest::newRow("priorities: snipe, sync, import, refresh")
        << Items{refresh("refresh", "1"), import("import", "2"), timeSync("sync"), snipe("snipe", 10, 1, 5)} << false
        << QStringList{"snipe", "sync", "import", "refresh"} << QStringList{};
    QTest::newRow("first in first out within a priority")
        << Items{import("a", "1"),     refresh("b", "2"),    import("c", "3"),
                 snipe("d", 10, 1, 5), snipe("e", 11, 1, 5), refresh("f", "4", 1, BNQItem::RequestPriority)}
        << false << QStringList{"d", "e", "a", "c", "f", "b"} << QStringList{};
    QTest::newRow("other priorities are never served")
        << Items{withPriority(import("x", "1"), BNQItem::SnipePriority + 1),
                 withPriority(import("y", "2"), BNQItem::BackgroundPriority - 1), refresh("z", "3")}
        << false << QStringList{"z"} << QStringList{"x", "y"};
    QTest::newRow("a snipe put back comes after the other snipe")
        << Items{snipe("s1", 10, 1, 5), refresh("r", "9"), snipe("s2", 11, 1, 5)} << true
        << QStringList{"s1", "s2", "s1", "r"} << QStringList{};
}

void TestBNQueue::nextItem()
{
    QFETCH(Items, items);
    QFETCH(bool, putFirstBack);
    QueueFixture f(items);
    QStringList served;
    QItemPtr next = f.queue.NextItem();
    if (next && putFirstBack) {
        served << f.nameOf(next);
        f.queue.Add(next);
        next = f.queue.NextItem();
    }
    for (; next; next = f.queue.NextItem())
        served << f.nameOf(next);
    QTEST(served, "served");
    QTEST(f.left(), "left");
    QCOMPARE(f.queue.Count(), f.left().size());
}

void TestBNQueue::isRefreshing_data()
{
    QTest::addColumn<Items>("items");
    QTest::addColumn<bool>("refreshing");
    QTest::newRow("empty") << Items{} << false;
    QTest::newRow("with a refresh") << Items{import("a", "1"), refresh("b", "2")} << true;
    QTest::newRow("without one") << Items{import("a", "1"), timeSync("t"), snipe("s", 10, 1, 5)} << false;
}

void TestBNQueue::isRefreshing()
{
    QFETCH(Items, items);
    QueueFixture f(items);
    QTEST(f.queue.IsRefreshing(), "refreshing");
}

void TestBNQueue::itemIsQueued_data()
{
    QTest::addColumn<Items>("items");
    QTest::addColumn<QString>("itemNumber");
    QTest::addColumn<bool>("queued");
    QTest::newRow("with blanks") << Items{import("a", "123")} << " 123 " << true;
    QTest::newRow("another user's refresh") << Items{refresh("a", "77", 2)} << "77" << true;
    QTest::newRow("compares text") << Items{import("a", "123")} << "0123" << false;
}

void TestBNQueue::itemIsQueued()
{
    QFETCH(Items, items);
    QFETCH(QString, itemNumber);
    QueueFixture f(items);
    QTEST(f.queue.ItemIsQueued(itemNumber), "queued");
}

void TestBNQueue::bidIsQueued_data()
{
    QTest::addColumn<Items>("items");
    QTest::addColumn<qint32>("auctionKey");
    QTest::addColumn<bool>("queued");
    QTest::newRow("any user") << Items{snipe("s", 10, 2, 5)} << 10 << true;
    QTest::newRow("another auction") << Items{snipe("s", 10, 2, 5)} << 11 << false;
    // A refresh's item number is no auction key.
    QTest::newRow("item numbers are not keys") << Items{refresh("r", "10")} << 10 << false;
}

void TestBNQueue::bidIsQueued()
{
    QFETCH(Items, items);
    QFETCH(qint32, auctionKey);
    QueueFixture f(items);
    QTEST(f.queue.BidIsQueued(auctionKey), "queued");
}

void TestBNQueue::removeAllItemsExceptSnipes_data()
{
    QTest::addColumn<Items>("items");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("keeps snipes with a maximum, in order")
        << Items{refresh("r", "1"),       import("i", "2"), snipe("s1", 10, 1, 5),
                 snipe("zero", 11, 1, 0), timeSync("t"),    snipe("s2", 12, 1, 7)}
        << QStringList{"s1", "s2"};
    QTest::newRow("nothing but snipes without a maximum")
        << Items{snipe("zero", 11, 1, 0), import("i", "2")} << QStringList{};
}

void TestBNQueue::removeAllItemsExceptSnipes()
{
    QFETCH(Items, items);
    QueueFixture f(items);
    f.queue.RemoveAllItemsExceptSnipes();
    QTEST(f.left(), "left");
    QCOMPARE(f.cancelled(), QStringList{});
}

void TestBNQueue::removeBid_data()
{
    QTest::addColumn<Items>("items");
    QTest::addColumn<Named>("current"); // the item in flight, not queued
    QTest::addColumn<qint32>("auctionKey");
    QTest::addColumn<qint32>("userKey");
    QTest::addColumn<bool>("removed");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QStringList>("cancelled"); // the current item's included

    QTest::newRow("the first match only") << Items{snipe("s1", 10, 1, 5), snipe("s2", 10, 2, 5), snipe("s3", 10, 1, 6)}
                                          << Named{} << 10 << 1 << true << QStringList{"s2", "s3"} << QStringList{"s1"};
    QTest::newRow("another user's bid") << Items{snipe("s2", 10, 2, 5)} << Named{} << 10 << 1 << false
                                        << QStringList{"s2"} << QStringList{};
    QTest::newRow("a bid without a user is left")
        << Items{snipe("s", 10, 0, 5)} << Named{} << 10 << 1 << false << QStringList{"s"} << QStringList{};
    QTest::newRow("not queued, the bid in flight is still cancelled")
        << Items{} << snipe("c", 10, 1, 5) << 10 << 1 << false << QStringList{} << QStringList{"c"};
    QTest::newRow("the bid in flight of any user")
        << Items{refresh("r", "5")} << snipe("c", 10, 2, 5) << 10 << 1 << false << QStringList{"r"} << QStringList{"c"};
    QTest::newRow("a current item of another auction is kept") << Items{snipe("s1", 10, 1, 5)} << snipe("c", 11, 1, 5)
                                                               << 10 << 1 << true << QStringList{} << QStringList{"s1"};
    QTest::newRow("a current refresh is kept")
        << Items{} << refresh("c", "10") << 10 << 1 << false << QStringList{} << QStringList{};
}

void TestBNQueue::removeBid()
{
    QFETCH(Items, items);
    QFETCH(Named, current);
    QFETCH(qint32, auctionKey);
    QFETCH(qint32, userKey);
    QueueFixture f(items, current);
    QTEST(f.queue.RemoveBid(auctionKey, userWithKey(userKey), current.item), "removed");
    QTEST(f.left(), "left");
    QTEST(f.cancelled(), "cancelled");
}

void TestBNQueue::adjustBid_data()
{
    QTest::addColumn<Items>("items");
    QTest::addColumn<qint32>("userKey");
    QTest::addColumn<bool>("adjusted");
    QTest::addColumn<QStringList>("bids"); // name[maximum/quantity] of each queued snipe
    QTest::newRow("the first match") << Items{snipe("s1", 10, 1, 5), snipe("s2", 10, 1, 6)} << 1 << true
                                     << QStringList{"s1[9.5/3]", "s2[6/1]"};
    QTest::newRow("another user's bid") << Items{snipe("s1", 10, 2, 5)} << 1 << false << QStringList{"s1[5/1]"};
}

void TestBNQueue::adjustBid()
{
    QFETCH(Items, items);
    QFETCH(qint32, userKey);
    QueueFixture f(items);
    QTEST(f.queue.AdjustBid(10, userWithKey(userKey), 9.5, 3), "adjusted");
    QStringList bids;
    for (const QItemPtr &i : f.queue.items())
        bids << QStringLiteral("%1[%2/%3]").arg(f.nameOf(i)).arg(i->Bid->MaxBid).arg(i->Bid->Quantity);
    QTEST(bids, "bids");
    QCOMPARE(f.cancelled(), QStringList{});
}

void TestBNQueue::removeAuctionItem_data()
{
    QTest::addColumn<Items>("items");
    QTest::addColumn<QString>("itemNumber");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("the user's imports and refreshes")
        << Items{import("i", "55"), refresh("x", "56"), import("typed", " 55 "), refresh("other user", "55", 2),
                 snipe("s", 55, 1, 5)}
        << " 55" << QStringList{"x", "other user", "s"};
}

void TestBNQueue::removeAuctionItem()
{
    QFETCH(Items, items);
    QFETCH(QString, itemNumber);
    QueueFixture f(items);
    f.queue.RemoveAuctionItem(itemNumber, userWithKey(1));
    QTEST(f.left(), "left");
}

QTEST_GUILESS_MAIN(TestBNQueue)
#include "TestBNQueue.moc"
