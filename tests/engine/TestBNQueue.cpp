#include "BNQueue.h"
#include "BSN_User.h"

#include <QtTest>

// Queue contents are written as "label:item:action:priority:user[:bidKey:bidUser:maxBid]" items
// separated by ";". Actions are import, refresh, sync and snipe; priorities background, request,
// sync and snipe, or a number for one the queue does not know. A bid user of 0 means a bid without a user. The state
// read back lists the labels in collection order, bids as label[max/qty].
namespace {

QItemPtr makeItem(const QString &token)
{
    const QStringList f = token.split(QLatin1Char(':'));
    auto item = std::make_shared<BNQItem>();
    item->message = f.value(0).trimmed();
    item->ItemNumber = f.value(1);
    static const QHash<QString, qint32> actions{{QStringLiteral("import"), BNQItem::Import},
                                                {QStringLiteral("refresh"), BNQItem::Refresh},
                                                {QStringLiteral("sync"), BNQItem::TimeSync},
                                                {QStringLiteral("snipe"), BNQItem::Snipe}};
    static const QHash<QString, qint32> priorities{{QStringLiteral("background"), BNQItem::BackgroundPriority},
                                                   {QStringLiteral("request"), BNQItem::RequestPriority},
                                                   {QStringLiteral("sync"), BNQItem::TimeSyncPriority},
                                                   {QStringLiteral("snipe"), BNQItem::SnipePriority}};
    item->Action = actions.value(f.value(2), f.value(2).toInt());
    item->Priority = priorities.value(f.value(3), f.value(3).toInt());
    item->UserKey = f.value(4).toInt();
    if (f.size() >= 8) {
        item->Bid = std::make_shared<BNBidTalk>(QString());
        item->Bid->PrimaryKey = f.value(5).toInt();
        if (const int user = f.value(6).toInt()) {
            item->Bid->User = std::make_shared<BSN_User>();
            item->Bid->User->PrimaryKey = user;
        }
        item->Bid->MaxBid = f.value(7).toDouble();
        item->Bid->Quantity = 1;
    }
    return item;
}

QList<QItemPtr> makeItems(const QString &spec)
{
    QList<QItemPtr> out;
    for (const QString &token : spec.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        out << makeItem(token);
    return out;
}

QString describe(const QItemPtr &i)
{
    if (!i->Bid)
        return i->message;
    return QStringLiteral("%1[%2/%3]").arg(i->message).arg(i->Bid->MaxBid).arg(i->Bid->Quantity);
}

QString state(const BNQueue &q)
{
    QStringList out;
    for (const QItemPtr &i : q.items())
        out << describe(i);
    return out.join(QLatin1Char(','));
}

BSN_User userWithKey(qint32 key)
{
    BSN_User u;
    u.PrimaryKey = key;
    return u;
}

} // namespace

class TestBNQueue : public QObject
{
    Q_OBJECT
private slots:
    void operations_data();
    void operations();
};

void TestBNQueue::operations_data()
{
    QTest::addColumn<QString>("items");
    QTest::addColumn<QString>("current"); // the item in flight, not queued
    QTest::addColumn<QString>("op");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("state");     // "next" and "readd": the items served, then "|" and what is left
    QTest::addColumn<QString>("cancelled"); // labels whose bid was cancelled, the current item's included

    const QString snipe10u1 = QStringLiteral("s1::snipe:snipe:0:10:1:5");
    QTest::newRow("empty queue serves nothing") << ""
                                                << ""
                                                << "next" << false << "|"
                                                << "";
    QTest::newRow("priorities: snipe, sync, import, refresh")
        << "refresh:1:refresh:background:1;import:2:import:request:1;sync::sync:sync:0;snipe::snipe:snipe:0:10:1:5"
        << ""
        << "next" << true << "snipe,sync,import,refresh|"
        << "";
    QTest::newRow("first in first out within a priority")
        << "a:1:import:request:1;b:2:refresh:background:1;c:3:import:request:1;d::snipe:snipe:0:10:1:5;e::snipe:snipe:"
           "0:11:1:5;f:4:refresh:request:1"
        << ""
        << "next" << true << "d,e,a,c,f,b|"
        << "";
    QTest::newRow("other priorities are never served") << "x:1:import:4:1;y:2:import:-1:1;z:3:import:background:1"
                                                       << ""
                                                       << "next" << true << "z|x,y"
                                                       << "";
    QTest::newRow("a snipe put back comes after the other snipe")
        << "s1::snipe:snipe:0:10:1:5;r:9:refresh:background:1;s2::snipe:snipe:0:11:1:5"
        << ""
        << "readd" << true << "s1,s2,s1,r|"
        << "";

    QTest::newRow("isRefreshing empty") << ""
                                        << ""
                                        << "isRefreshing" << false << ""
                                        << "";
    QTest::newRow("isRefreshing with a refresh") << "a:1:import:request:1;b:2:refresh:background:1"
                                                 << ""
                                                 << "isRefreshing" << true << "a,b"
                                                 << "";
    QTest::newRow("isRefreshing without one") << "a:1:import:request:1;t::sync:sync:0"
                                              << ""
                                              << "isRefreshing" << false << "a,t"
                                              << "";

    QTest::newRow("itemIsQueued with blanks") << "a:123:import:request:1"
                                              << ""
                                              << "isQueued: 123 " << true << "a"
                                              << "";
    QTest::newRow("itemIsQueued of another user's refresh") << "a:77:refresh:background:2"
                                                            << ""
                                                            << "isQueued:77" << true << "a"
                                                            << "";
    QTest::newRow("itemIsQueued compares text") << "a:123:import:request:1"
                                                << ""
                                                << "isQueued:0123" << false << "a"
                                                << "";

    QTest::newRow("bidIsQueued any user") << "s::snipe:snipe:0:10:2:5"
                                          << ""
                                          << "bidQueued:10" << true << "s[5/1]"
                                          << "";
    QTest::newRow("bidIsQueued other key") << "s::snipe:snipe:0:10:2:5"
                                           << ""
                                           << "bidQueued:11" << false << "s[5/1]"
                                           << "";
    QTest::newRow("bidIsQueued ignores item numbers") << "r:10:refresh:background:1"
                                                      << ""
                                                      << "bidQueued:10" << false << "r"
                                                      << "";

    QTest::newRow("removeAllItemsExceptSnipes keeps snipes with a maximum, in order")
        << "r:1:refresh:background:1;i:2:import:request:1;s1::snipe:snipe:0:10:1:5;z::snipe:snipe:0:11:1:0;t::sync:"
           "sync:0;s2::snipe:snipe:0:12:1:7"
        << ""
        << "removeExceptSnipes" << false << "s1[5/1],s2[7/1]"
        << "";

    QTest::newRow("removeBid takes the first match only")
        << "s1::snipe:snipe:0:10:1:5;s2::snipe:snipe:0:10:2:5;s3::snipe:snipe:0:10:1:6"
        << ""
        << "removeBid:10:1" << true << "s2[5/1],s3[6/1]"
        << "s1";
    QTest::newRow("removeBid of another user's bid") << "s2::snipe:snipe:0:10:2:5"
                                                     << ""
                                                     << "removeBid:10:1" << false << "s2[5/1]"
                                                     << "";
    QTest::newRow("removeBid ignores a bid without user") << "s::snipe:snipe:0:10:0:5"
                                                          << ""
                                                          << "removeBid:10:1" << false << "s[5/1]"
                                                          << "";
    QTest::newRow("removeBid not queued still cancels the bid in flight")
        << "" << snipe10u1 << "removeBid:10:1" << false << ""
        << "s1";
    QTest::newRow("removeBid cancels the bid in flight of any user") << "r:5:refresh:background:1"
                                                                     << "c::snipe:snipe:0:10:2:5"
                                                                     << "removeBid:10:1" << false << "r"
                                                                     << "c";
    QTest::newRow("removeBid keeps a current item of another auction") << snipe10u1 << "c::snipe:snipe:0:11:1:5"
                                                                       << "removeBid:10:1" << true << ""
                                                                       << "s1";
    QTest::newRow("removeBid keeps a current refresh") << ""
                                                       << "c:10:refresh:background:1"
                                                       << "removeBid:10:1" << false << ""
                                                       << "";

    QTest::newRow("adjustBid changes the first match") << "s1::snipe:snipe:0:10:1:5;s2::snipe:snipe:0:10:1:6"
                                                       << ""
                                                       << "adjustBid:10:1:9.5:3" << true << "s1[9.5/3],s2[6/1]"
                                                       << "";
    QTest::newRow("adjustBid of another user's bid") << "s1::snipe:snipe:0:10:2:5"
                                                     << ""
                                                     << "adjustBid:10:1:9.5:3" << false << "s1[5/1]"
                                                     << "";

    QTest::newRow("removeAuctionItem takes the user's import and refresh")
        << "i:55:import:request:1;x:56:refresh:background:1;r: 55 "
           ":refresh:background:1;o:55:refresh:background:2;s::snipe:snipe:0:55:1:5"
        << ""
        << "removeAuction: 55:1" << false << "x,o,s[5/1]"
        << "";
}

void TestBNQueue::operations()
{
    QFETCH(QString, items);
    QFETCH(QString, current);
    QFETCH(QString, op);

    BNQueue queue;
    const QList<QItemPtr> all = makeItems(items);
    for (const QItemPtr &i : all)
        queue.Add(i);
    const QItemPtr currentItem = current.isEmpty() ? nullptr : makeItem(current);

    const QStringList args = op.split(QLatin1Char(':'));
    const QString name = args.value(0);
    bool result = false;
    QString got;
    if (name == QLatin1String("next") || name == QLatin1String("readd")) {
        QStringList served;
        QItemPtr next = queue.NextItem();
        result = next != nullptr;
        if (next && name == QLatin1String("readd")) {
            served << describe(next).section(QLatin1Char('['), 0, 0);
            queue.Add(next);
            next = queue.NextItem();
        }
        for (; next; next = queue.NextItem())
            served << describe(next).section(QLatin1Char('['), 0, 0);
        got = served.join(QLatin1Char(',')) + QLatin1Char('|') + state(queue);
    } else {
        if (name == QLatin1String("isRefreshing"))
            result = queue.IsRefreshing();
        else if (name == QLatin1String("isQueued"))
            result = queue.ItemIsQueued(args.value(1));
        else if (name == QLatin1String("bidQueued"))
            result = queue.BidIsQueued(args.value(1).toInt());
        else if (name == QLatin1String("removeExceptSnipes"))
            queue.RemoveAllItemsExceptSnipes();
        else if (name == QLatin1String("removeBid"))
            result = queue.RemoveBid(args.value(1).toInt(), userWithKey(args.value(2).toInt()), currentItem);
        else if (name == QLatin1String("adjustBid"))
            result = queue.AdjustBid(args.value(1).toInt(), userWithKey(args.value(2).toInt()),
                                     args.value(3).toDouble(), args.value(4).toInt());
        else if (name == QLatin1String("removeAuction"))
            queue.RemoveAuctionItem(args.value(1), userWithKey(args.value(2).toInt()));
        else
            QFAIL("unknown operation");
        got = state(queue);
    }

    QTEST(result, "result");
    QTEST(got, "state");
    QCOMPARE(queue.Count(), static_cast<qint32>(queue.items().size()));
    QStringList cancelled;
    for (const QItemPtr &i : all + QList<QItemPtr>{currentItem}) {
        if (i && i->Bid && i->Bid->CancelBid)
            cancelled << i->message;
    }
    QTEST(cancelled.join(QLatin1Char(',')), "cancelled");
}

QTEST_GUILESS_MAIN(TestBNQueue)
#include "TestBNQueue.moc"
