// The cells of an auction's grid row, from its stored row: the one rule the grid pane and the
// page processing both write by. No widget: the engine's library alone.
#include "TestProgramFolder.h"
#include "engine/GridRowCells.h"
#include "platform/Database.h"
#include "store/AppSettings.h"
#include "store/AuctionRow.h"
#include "store/BSN_Users.h"
#include "store/Globals.h"

#include <QVariantMap>
#include <QtTest>

namespace {

constexpr qint32 kNone = -1;
constexpr qint32 kBlack = 0;
constexpr qint32 kRed = 255;
constexpr qint32 kGreen = TreeGrid::rgb(31, 116, 21);
constexpr qint32 kBlue = TreeGrid::rgb(16, 16, 255);

const QString kChecked = QStringLiteral("imgChecked");
const QString kUnchecked = QStringLiteral("imgUnchecked");

// 09:00 on the site.
const QDateTime kSiteNow(QDate(2026, 3, 10), QTime(9, 0, 0));

QString f(const char *name)
{
    return QLatin1String(name);
}

} // namespace

class TestGridRowCells : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { ReleaseGlobals(); }
    void init() { gDB->execute(QStringLiteral("DELETE FROM Auctions")); }
    void cells_data();
    void cells();
    void hiddenColumnsGetNothing();

private:
    // An auction row in the open folder with the defaults below; fields override them, a null
    // QVariant writes Null.
    AuctionRow stored(const QVariantMap &fields);
    // The grid column whose caption starts with the text.
    static qint16 position(const QString &captionStart);

    std::unique_ptr<TestProgramFolder> m_folder;
    qint32 m_userKey = 0;
    qint32 m_openFolder = 0;
};

void TestGridRowCells::initTestCase()
{
    m_folder = std::make_unique<TestProgramFolder>();
    QVERIFY(m_folder->isValid() && m_folder->openStore());
    gDB->execute(
        QStringLiteral("INSERT INTO Users (U_ZandroName, U_EbayName, U_EbayPassword, U_EbayEmail, "
                       "U_BidSeconds, U_AutoRefreshMins, U_AutoLogOn) VALUES (?, ?, ?, ?, 5, 0, 1)"),
        {QStringLiteral("Ann"), QStringLiteral("annbids"), QStringLiteral("pw"), QStringLiteral("ann@example.com")});
    m_userKey = gDB->openQuery(QStringLiteral("SELECT max(U_Primary) AS k FROM Users"))->value(f("k")).toInt();
    gDB->execute(QStringLiteral("INSERT INTO Folders (FLD_User, FLD_Parent, FLD_Name) VALUES (?, 0, 'Open Auctions')"),
                 {m_userKey});
    m_openFolder = gDB->openQuery(QStringLiteral("SELECT max(FLD_Primary) AS k FROM Folders"))->value(f("k")).toInt();
    gUsers->Init(*gDB);
    CurrentUser::instance().signIn(gUsers->GetUserByPrimary(m_userKey));
    QVERIFY(gCurrentUser);
    // Every column shown, in the order of the column set's declaration.
    AucColumns &c = gCurrentUser->Columns;
    for (int i = 0; i < AucColumns::kCount; ++i)
        *c.column(i).position = static_cast<qint16>(i);
}

AuctionRow TestGridRowCells::stored(const QVariantMap &fields)
{
    QVariantMap row{
        {f("AUC_User"), m_userKey},
        {f("AUC_Folder"), m_openFolder},
        {f("AUC_ItemNumber"), f("4001000001")},
        {f("AUC_Title"), f("Lot 1")},
        {f("AUC_Status"), 1},
        {f("AUC_Refreshed"), 1},
        {f("AUC_CurrentBid"), 5.0},
        {f("AUC_MaxBid"), 0.0},
        {f("AUC_BidQuantity"), 0},
        {f("AUC_NumberOfBids"), 0},
        {f("AUC_Quantity"), 1},
        {f("AUC_TimeLeft"), f("3 days 0 hours")},
        {f("AUC_Ended"), kSiteNow.addDays(3)},
    };
    for (auto it = fields.begin(); it != fields.end(); ++it)
        row.insert(it.key(), it.value());
    QStringList marks;
    for (int i = 0; i < row.size(); ++i)
        marks << QStringLiteral("?");
    gDB->execute(QStringLiteral("INSERT INTO Auctions (%1) VALUES (%2)").arg(row.keys().join(','), marks.join(',')),
                 row.values());
    const qint32 key =
        gDB->openQuery(QStringLiteral("SELECT max(AUC_Primary) AS k FROM Auctions"))->value(f("k")).toInt();
    const std::optional<AuctionRow> r = AuctionRow::load(*gDB, key);
    return r ? *r : AuctionRow();
}

qint16 TestGridRowCells::position(const QString &captionStart)
{
    AucColumns &c = gCurrentUser->Columns;
    for (int i = 0; i < AucColumns::kCount; ++i) {
        if (c.column(i).caption->startsWith(captionStart))
            return *c.column(i).position;
    }
    return -1;
}

// Every cell of a row with every column shown, at 09:00 site time. The "Auctions" column shows
// the row's own text, its title; the time left is the stored text until the grid rewrites it.
void TestGridRowCells::cells_data()
{
    QTest::addColumn<QVariantMap>("fields");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<qint32>("color");

    const QDateTime site = kSiteNow;
    QTest::newRow("title refreshed") << QVariantMap{{f("AUC_Title"), f("Brass lamp <b>old</b>")}} << "Auctions"
                                     << "Brass lamp <b>old</b>"
                                     << "picNotScheduled" << kBlack;
    QTest::newRow("title being refreshed") << QVariantMap{{f("AUC_Refreshed"), 0}} << "Auctions"
                                           << "Lot 1"
                                           << "picNotScheduled" << kBlue;
    QTest::newRow("title refreshed Null") << QVariantMap{{f("AUC_Refreshed"), QVariant()}} << "Auctions"
                                          << "Lot 1"
                                          << "picNotScheduled" << kBlue;
    const char *statusPictures[] = {"",
                                    "picNotScheduled",
                                    "picScheduled",
                                    "picBidSubmitted",
                                    "picSnipedWon",
                                    "picSnipedLost",
                                    "picClosed",
                                    "picError",
                                    ""};
    for (int s = 0; s <= 8; ++s)
        QTest::addRow("status %d", s) << QVariantMap{{f("AUC_Status"), s}} << "Auctions"
                                      << "Lot 1" << statusPictures[s] << kBlack;
    QTest::newRow("item number trimmed") << QVariantMap{{f("AUC_ItemNumber"), f("  4001 ")}} << "Item #"
                                         << "4001"
                                         << "" << kNone;
    QTest::newRow("current bid") << QVariantMap{{f("AUC_CurrentBid"), 1234.5}} << "Current Bid"
                                 << "$1,234.50"
                                 << "" << kNone;
    QTest::newRow("current bid Null") << QVariantMap{{f("AUC_CurrentBid"), QVariant()}} << "Current Bid"
                                      << ""
                                      << "" << kNone;
    QTest::newRow("no max bid") << QVariantMap{} << "My Max Bid"
                                << "--"
                                << "" << kGreen;
    QTest::newRow("max bid Null") << QVariantMap{{f("AUC_MaxBid"), QVariant()}} << "My Max Bid"
                                  << "--"
                                  << "" << kGreen;
    const QVariantMap losing{{f("AUC_MaxBid"), 10.0},
                             {f("AUC_CurrentBid"), 12.5},
                             {f("AUC_Quantity"), 1},
                             {f("AUC_HighBidder"), f("someone")}};
    QTest::newRow("max bid below current") << losing << "My Max Bid"
                                           << "$10.00"
                                           << "" << kRed;
    QVariantMap v = losing;
    v[f("AUC_MaxBid")] = 12.5;
    QTest::newRow("max bid equal to current") << v << "My Max Bid"
                                              << "$12.50"
                                              << "" << kRed;
    v[f("AUC_MaxBid")] = 12.51;
    QTest::newRow("max bid above current") << v << "My Max Bid"
                                           << "$12.51"
                                           << "" << kGreen;
    v = losing;
    v[f("AUC_Quantity")] = 2;
    QTest::newRow("max bid below, two offered") << v << "My Max Bid"
                                                << "$10.00"
                                                << "" << kGreen;
    v = losing;
    v[f("AUC_HighBidder")] = f("annbids");
    QTest::newRow("max bid below, user is high bidder") << v << "My Max Bid"
                                                        << "$10.00"
                                                        << "" << kGreen;
    v[f("AUC_HighBidder")] = f("ann@example.com");
    QTest::newRow("max bid below, user's e-mail is high bidder") << v << "My Max Bid"
                                                                 << "$10.00"
                                                                 << "" << kGreen;
    v[f("AUC_HighBidder")] = f("AnnBids");
    QTest::newRow("max bid below, name differs in case") << v << "My Max Bid"
                                                         << "$10.00"
                                                         << "" << kRed;
    v[f("AUC_HighBidder")] = QVariant();
    QTest::newRow("max bid below, no high bidder") << v << "My Max Bid"
                                                   << "$10.00"
                                                   << "" << kRed;
    QTest::newRow("max bid negative") << QVariantMap{{f("AUC_MaxBid"), -5.0}} << "My Max Bid"
                                      << "--"
                                      << "" << kGreen;
    QTest::newRow("max bid in thousands")
        << QVariantMap{{f("AUC_MaxBid"), 1234.5}, {f("AUC_CurrentBid"), 1500.0}, {f("AUC_HighBidder"), f("bob")}}
        << "My Max Bid"
        << "$1,234.50"
        << "" << kRed;
    QTest::newRow("bid quantity negative") << QVariantMap{{f("AUC_BidQuantity"), -1}} << "My Bid Qty"
                                           << "--"
                                           << "" << kNone;
    QTest::newRow("no bid quantity") << QVariantMap{} << "My Bid Qty"
                                     << "--"
                                     << "" << kNone;
    QTest::newRow("bid quantity Null") << QVariantMap{{f("AUC_BidQuantity"), QVariant()}} << "My Bid Qty"
                                       << "--"
                                       << "" << kNone;
    QTest::newRow("bid quantity") << QVariantMap{{f("AUC_BidQuantity"), 3}} << "My Bid Qty"
                                  << "3"
                                  << "" << kGreen;
    QTest::newRow("bids") << QVariantMap{{f("AUC_NumberOfBids"), 1200}} << "# of Bids"
                          << "1200"
                          << "" << kNone;
    QTest::newRow("bids Null") << QVariantMap{{f("AUC_NumberOfBids"), QVariant()}} << "# of Bids"
                               << ""
                               << "" << kNone;
    QTest::newRow("quantity") << QVariantMap{{f("AUC_Quantity"), 4}} << "Qty for Sale"
                              << "4"
                              << "" << kNone;

    const QVariantMap in60{{f("AUC_Ended"), site.addSecs(60 * 60)}};
    const QVariantMap in61{{f("AUC_Ended"), site.addSecs(61 * 60)}};
    QTest::newRow("ends in 60 minutes") << in60 << "Time Ends"
                                        << "3/10/2026 10:00:00 AM"
                                        << "" << kRed;
    QTest::newRow("ends in 60 minutes, time left") << in60 << "Time Left"
                                                   << "3 days 0 hours"
                                                   << "" << kRed;
    QTest::newRow("ends in 61 minutes") << in61 << "Time Ends"
                                        << "3/10/2026 10:01:00 AM"
                                        << "" << kNone;
    QTest::newRow("ends in 61 minutes, time left") << in61 << "Time Left"
                                                   << "3 days 0 hours"
                                                   << "" << kNone;
    QTest::newRow("end passed, not marked ended") << QVariantMap{{f("AUC_Ended"), site.addSecs(-300)}} << "Time Left"
                                                  << "3 days 0 hours"
                                                  << "" << kRed;
    QTest::newRow("ended, any case") << QVariantMap{{f("AUC_Ended"), site.addSecs(-300)},
                                                    {f("AUC_TimeLeft"), f("AUCTION HAS ENDED")}}
                                     << "Time Left"
                                     << "AUCTION HAS ENDED"
                                     << "" << kNone;
    QTest::newRow("ended, time ends not red")
        << QVariantMap{{f("AUC_Ended"), site.addSecs(60)}, {f("AUC_TimeLeft"), f("Auction has Ended")}} << "Time Ends"
        << "3/10/2026 9:01:00 AM"
        << "" << kNone;
    QTest::newRow("end Null") << QVariantMap{{f("AUC_Ended"), QVariant()}} << "Time Ends"
                              << ""
                              << "" << kNone;
    QTest::newRow("end Null, time left") << QVariantMap{{f("AUC_Ended"), QVariant()}} << "Time Left"
                                         << "3 days 0 hours"
                                         << "" << kNone;
    QTest::newRow("end not a date") << QVariantMap{{f("AUC_Ended"), f("soon")}} << "Time Ends"
                                    << ""
                                    << "" << kNone;
    QTest::newRow("end not a date, time left") << QVariantMap{{f("AUC_Ended"), f("soon")}} << "Time Left"
                                               << "3 days 0 hours"
                                               << "" << kNone;

    QTest::newRow("location") << QVariantMap{{f("AUC_CityLocation"), f("Ghent")}} << "Location"
                              << "Ghent"
                              << "" << kNone;
    QTest::newRow("location Null") << QVariantMap{} << "Location"
                                   << ""
                                   << "" << kNone;
    QTest::newRow("country") << QVariantMap{{f("AUC_CountryRegion"), f("Belgium")}} << "Country/Region"
                             << "Belgium"
                             << "" << kNone;
    QTest::newRow("seller Null") << QVariantMap{} << "Seller"
                                 << ""
                                 << "" << kNone;
    QTest::newRow("seller") << QVariantMap{{f("AUC_Seller"), f("<i>shop</i>")}} << "Seller"
                            << "<i>shop</i>"
                            << "" << kNone;
    QTest::newRow("high bidder") << QVariantMap{{f("AUC_HighBidder"), f("bob")}} << "High Bidder"
                                 << "bob"
                                 << "" << kNone;
    QTest::newRow("paid") << QVariantMap{{f("AUC_Paid"), 1}} << "Paid"
                          << "" << kChecked << kNone;
    QTest::newRow("not paid") << QVariantMap{{f("AUC_Paid"), 0}} << "Paid"
                              << "" << kUnchecked << kNone;
    QTest::newRow("paid Null") << QVariantMap{{f("AUC_Paid"), QVariant()}} << "Paid"
                               << "" << kUnchecked << kNone;
    QTest::newRow("paid -1") << QVariantMap{{f("AUC_Paid"), -1}} << "Paid"
                             << "" << kUnchecked << kNone;
    QTest::newRow("received") << QVariantMap{{f("AUC_Received"), 1}} << "Received"
                              << "" << kChecked << kNone;
    QTest::newRow("left feedback Null") << QVariantMap{{f("AUC_LeftFeedback"), QVariant()}} << "Left Feedback"
                                        << "" << kUnchecked << kNone;
    QTest::newRow("left feedback") << QVariantMap{{f("AUC_LeftFeedback"), 1}} << "Left Feedback"
                                   << "" << kChecked << kNone;
    QTest::newRow("comments") << QVariantMap{{f("AUC_Comments"), f("ask & pay")}} << "Comments"
                              << "ask & pay"
                              << "imgPencil" << kNone;
    QTest::newRow("comments Null") << QVariantMap{} << "Comments"
                                   << ""
                                   << "imgPencil" << kNone;
}

void TestGridRowCells::cells()
{
    QFETCH(QVariantMap, fields);
    QFETCH(QString, column);
    const AuctionRow row = stored(fields);
    const qint16 pos = position(column);
    QVERIFY(pos >= 0);
    // What the grid shows in the column once every cell is written, as the grid keeps the last.
    QString text = pos == 0 ? row.title : QString();
    QString picture;
    qint32 color = kNone;
    for (const grid_row::Cell &cell : grid_row::cells(row, *gCurrentUser, kSiteNow)) {
        if (cell.column != pos)
            continue;
        text = cell.text.value_or(text);
        picture = cell.picture.value_or(picture);
        if (cell.picture)
            QCOMPARE(cell.checkBox, *cell.picture == kChecked || *cell.picture == kUnchecked);
        color = cell.color.value_or(color);
    }
    QTEST(text, "text");
    QTEST(picture, "picture");
    QTEST(color, "color");
}

void TestGridRowCells::hiddenColumnsGetNothing()
{
    AucColumns &c = gCurrentUser->Columns;
    const AucColumns all = c;
    c.TimeEnds = -1;
    c.Paid = -1;
    c.TimeLeft = 7;
    const AuctionRow row = stored({{f("AUC_Ended"), kSiteNow.addSecs(600)}, {f("AUC_TimeLeft"), f("10 mins")}});
    const QList<grid_row::Cell> cells = grid_row::cells(row, *gCurrentUser, kSiteNow);
    c = all;
    QList<qint32> columns;
    for (const grid_row::Cell &cell : cells) {
        columns << cell.column;
        // Without the end time shown, the last hour paints nothing red.
        if (cell.column == 7) {
            QCOMPARE(cell.text, std::optional<QString>(QStringLiteral("10 mins")));
            QVERIFY(!cell.color);
        }
    }
    QVERIFY(!columns.contains(-1));
    QVERIFY(!columns.contains(13)); // where Paid stood
    QCOMPARE(columns.count(7), 1);
}

QTEST_GUILESS_MAIN(TestGridRowCells)
#include "TestGridRowCells.moc"
