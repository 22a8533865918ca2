#include "TestProgramFolder.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "store/AucColumns.h"
#include "store/AuctionDatabase.h"
#include "store/BSN_Users.h"
#include "store/Globals.h"

#include <QtTest>

namespace {
const QStringList kDefaultView = {"Auctions",   "Item #",     "Current Bid", "# of Bids", "Qty for Sale",
                                  "My Max Bid", "My Bid Qty", "Time Ends",   "Time Left"};
const QStringList kDefaultHidden = {"High Bidder", "Seller",   "Location",      "Country/Region",
                                    "Paid",        "Received", "Left Feedback", "Comments"};

qint64 addUser(const QString &name, int autoLogOn = 0, const QVariant &password = QVariant())
{
    gDB->execute(QStringLiteral("INSERT INTO Users (U_ZandroName, U_EbayName, U_ZandroPassword, U_AutoLogOn, "
                                "U_BidSeconds, U_AutoRefreshMins) VALUES (?, ?, ?, ?, 10, 15)"),
                 {name, name + QStringLiteral("_site"), password, autoLogOn});
    return gDB->openQuery(QStringLiteral("SELECT max(U_Primary) AS k FROM Users"))
        ->value(QStringLiteral("k"))
        .toLongLong();
}
} // namespace

class TestUsers : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(OpenAuctionDatabase());
        gUsers = std::make_unique<BSN_Users>();
    }
    void cleanup() { m_folder.reset(); }

    void emptyTable()
    {
        gUsers->Init(*gDB);
        QCOMPARE(gUsers->Count(), 0);
        QVERIFY(!LogInDefaultUser());
        QVERIFY(!gCurrentUser);
    }

    void loadsInTableOrderWithDefaults()
    {
        addUser(QStringLiteral("Zed"));
        const qint64 ann = addUser(QStringLiteral("O'Hara"), 0, QStringLiteral("pw"));
        addUser(QStringLiteral("Bob"));
        gUsers->Init(*gDB);
        QCOMPARE(gUsers->Count(), 3);
        QCOMPARE(gUsers->Users()[0]->ZandroName, QStringLiteral("Zed"));
        QCOMPARE(gUsers->Users()[1]->ZandroName, QStringLiteral("O'Hara"));
        QCOMPARE(gUsers->Users()[2]->ZandroName, QStringLiteral("Bob"));

        const UserPtr u = gUsers->GetUserByPrimary(static_cast<qint32>(ann));
        QVERIFY(u);
        QCOMPARE(u->EbayName, QStringLiteral("O'Hara_site"));
        QCOMPARE(u->ZandroPassword, QStringLiteral("pw"));
        QVERIFY(gUsers->Users()[0]->ZandroPassword.isEmpty()); // Null reads as none
        QCOMPARE(u->BidSeconds, 10);
        QCOMPARE(u->AutoRefeshMins, 15);
        // No settings-store section: the defaults.
        QCOMPARE(u->AutoDeleteAuctions, true);
        QCOMPARE(u->DeleteAuctionDays, qint16(30));
        AucColumns cols = u->Columns;
        cols.CreateViewNonViewColumns();
        QCOMPARE(cols.ViewColumns, kDefaultView);
    }

    void perUserSettingsAreRead()
    {
        addUser(QStringLiteral("Ann"));
        SettingsStore &store = SettingsStore::instance();
        store.set(QStringLiteral("user Ann"), QStringLiteral("AutoDeleteAuctions"), QStringLiteral("0"));
        store.set(QStringLiteral("user Ann"), QStringLiteral("DeleteAuctionDays"), QStringLiteral("12"));
        store.set(QStringLiteral("user Ann"), QStringLiteral("colSeller"), QStringLiteral("1"));
        store.set(QStringLiteral("user Ann"), QStringLiteral("colCountry/Region"), QStringLiteral("2"));
        gUsers->Init(*gDB);
        const UserPtr u = gUsers->GetUserByZandroName(QStringLiteral("Ann"));
        QVERIFY(u);
        QCOMPARE(u->AutoDeleteAuctions, false);
        QCOMPARE(u->DeleteAuctionDays, qint16(12));
        AucColumns cols = u->Columns;
        cols.CreateViewNonViewColumns();
        QCOMPARE(cols.ViewColumns, QStringList({"Auctions", "Seller", "Country/Region"}));
    }

    // A count that would put the purge into running auctions is taken as the default; one above
    // the dialog's range keeps auctions as long as it can, never shorter than asked.
    void auctionDaysOutOfRange_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<qint16>("days");
        QTest::newRow("negative") << "-5" << qint16(30);
        QTest::newRow("negative in parentheses") << "(30)" << qint16(30);
        QTest::newRow("1000") << "1000" << qint16(999);
        QTest::newRow("ten years") << "3650" << qint16(999);
        QTest::newRow("beyond 16 bits") << "100000" << qint16(999);
        QTest::newRow("not a number") << "many" << qint16(30);
        QTest::newRow("zero") << "0" << qint16(30);
        QTest::newRow("one") << "1" << qint16(1);
        QTest::newRow("999") << "999" << qint16(999);
    }
    void auctionDaysOutOfRange()
    {
        QFETCH(QString, stored);
        QFETCH(qint16, days);
        addUser(QStringLiteral("Ann"));
        SettingsStore::instance().set(QStringLiteral("user Ann"), QStringLiteral("DeleteAuctionDays"), stored);
        gUsers->Init(*gDB);
        QCOMPARE(gUsers->Users()[0]->DeleteAuctionDays, days);
    }

    void onlyAuctionsStoredGivesTheDefaults()
    {
        addUser(QStringLiteral("Ann"));
        SettingsStore &store = SettingsStore::instance();
        AucColumns c;
        for (int i = 0; i < AucColumns::kCount; ++i)
            store.set(QStringLiteral("user Ann"), QStringLiteral("col") + *c.column(i).caption,
                      i == 0 ? QStringLiteral("0") : QStringLiteral("-1"));
        gUsers->Init(*gDB);
        AucColumns cols = gUsers->Users()[0]->Columns;
        cols.CreateViewNonViewColumns();
        QCOMPARE(cols.ViewColumns, kDefaultView);
    }

    void lookupByNameIsCaseExact()
    {
        addUser(QStringLiteral("Ann"));
        gUsers->Init(*gDB);
        QVERIFY(gUsers->GetUserByZandroName(QStringLiteral("Ann")));
        QVERIFY(!gUsers->GetUserByZandroName(QStringLiteral("ann")));
        QVERIFY(!gUsers->GetUserByZandroName(QStringLiteral("Ann ")));
        QVERIFY(!gUsers->GetUserByPrimary(9999));
    }

    void autoLogOnSignsInAndSurvivesReload()
    {
        addUser(QStringLiteral("Ann"));
        const qint64 bob = addUser(QStringLiteral("Bob"), 1);
        gUsers->Init(*gDB);
        QVERIFY(LogInDefaultUser());
        QVERIFY(gCurrentUser);
        QCOMPARE(gCurrentUser->PrimaryKey, bob);
        const UserPtr held = gCurrentUser;
        gUsers->Init(*gDB); // replaces every object; the held one stays usable
        QCOMPARE(held->ZandroName, QStringLiteral("Bob"));
        QVERIFY(gUsers->GetUserByPrimary(static_cast<qint32>(bob)) != held);
    }

    void autoLogOnRowNotYetLoaded()
    {
        gUsers->Init(*gDB);
        addUser(QStringLiteral("Late"), 1);
        QVERIFY(!LogInDefaultUser());
        QVERIFY(!gCurrentUser);
    }

    void cookieKeepsUpToTheFirstSemicolon()
    {
        BSN_User u;
        u.setCookie(QStringLiteral("a=1; path=/; x"));
        QCOMPARE(u.Cookie(), QStringLiteral("a=1;"));
        u.setCookie(QString());
        QCOMPARE(u.Cookie(), QStringLiteral("a=1;"));
        u.setCookie(QStringLiteral("b=2"));
        QCOMPARE(u.Cookie(), QStringLiteral("b=2"));
    }

    void columnLists_data()
    {
        QTest::addColumn<QList<int>>("positions"); // in declaration order
        QTest::addColumn<QStringList>("view");
        QTest::addColumn<QStringList>("hidden");
        QList<int> gap(17, -1);
        gap[0] = 0;  // Auctions
        gap[1] = 5;  // Item #
        gap[11] = 1; // Seller
        QTest::newRow("gap in positions")
            << gap << QStringList({"Auctions", "Seller", "Item #"})
            << QStringList({"Current Bid", "My Bid Qty", "My Max Bid", "# of Bids", "Qty for Sale", "Time Ends",
                            "Time Left", "High Bidder", "Location", "Country/Region", "Paid", "Received",
                            "Left Feedback", "Comments"});
        QList<int> odd(17, -1);
        odd[0] = 17; // beyond the last position
        odd[1] = -2; // below hidden
        odd[2] = 0;
        odd[10] = 0; // Country/Region shares position 0 with Current Bid
        QTest::newRow("out of range and shared")
            << odd << QStringList({"Country/Region", "Current Bid"})
            << QStringList({"My Bid Qty", "My Max Bid", "# of Bids", "Qty for Sale", "Time Ends", "Time Left",
                            "High Bidder", "Seller", "Location", "Paid", "Received", "Left Feedback", "Comments"});
    }
    void columnLists()
    {
        QFETCH(QList<int>, positions);
        QFETCH(QStringList, view);
        QFETCH(QStringList, hidden);
        AucColumns c;
        for (int i = 0; i < AucColumns::kCount; ++i)
            *c.column(i).position = static_cast<qint16>(positions[i]);
        c.CreateViewNonViewColumns();
        c.CreateViewNonViewColumns(); // rebuilt, not doubled
        QCOMPARE(c.ViewColumns, view);
        QCOMPARE(c.NonViewColumns, hidden);
    }

    void freshColumnSet()
    {
        AucColumns c;
        c.CreateViewNonViewColumns();
        QCOMPARE(c.ViewColumns, kDefaultView);
        QCOMPARE(c.NonViewColumns, kDefaultHidden);
        c.Seller = 3;
        c.RestoreDefaults();
        c.CreateViewNonViewColumns();
        QCOMPARE(c.ViewColumns, kDefaultView);
        QCOMPARE(c.CountryRegionTxt, QStringLiteral("Country/Region"));
    }
};

QTEST_GUILESS_MAIN(TestUsers)
#include "TestUsers.moc"
