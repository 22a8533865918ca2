#include "engine/clsEbayAuction.h"
#include "platform/ProgramFolder.h"
#include "platform/TextCodec.h"
#include "store/BSN_User.h"
#include "store/Globals.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The auction page parser over the practice site's pages, its fall-backs and its rule that a
// failed step leaves the field alone.
class TestParseAuction : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void sitePages_data();
    void sitePages();
    void editedPages_data();
    void editedPages();
    void failedStepsKeepFields();
    void overlongTitleIsCut();
    void withoutScript();
    void longScriptReadOncePerChange();
    void stripTags_data();
    void stripTags();
    void stripTagsOfAHugeLocation();
    void nobodySignedIn();
    void realPagesDoNotBreakIt();

private:
    QTemporaryDir m_dir;
    QString m_script;
};

namespace {

QString readPage(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return TextCodec::decodePage(f.readAll());
}

QString sitePage(const QString &name)
{
    return readPage(QStringLiteral(ZANDRIFT_TEST_DATA "/site/") + name);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray shippedScript()
{
    QFile f(QStringLiteral(ZANDRIFT_SOURCE_DATA "/ebparse.zdx"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("no shipped ebparse.zdx");
    return f.readAll();
}

} // namespace

void TestParseAuction::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_script = m_dir.filePath("ebparse.zdx");
    writeFile(m_script, shippedScript());
    ProgramFolder::setOverride(m_dir.path());
    CurrentUser::instance().signIn(std::make_shared<BSN_User>());
    gCurrentUser->EbayName = QStringLiteral("snipetester");
}

void TestParseAuction::cleanupTestCase()
{
    CurrentUser::instance().signOut();
    ProgramFolder::setOverride(QString());
}

void TestParseAuction::sitePages_data()
{
    // title, CurrentBid, MinimumBid, Quantity, AuctionType, TimeLeft, TimeEnds, NumberOfBids, Location,
    // Country, Seller, HighBidder, MeHighBidder
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected");

    // clang-format off
    QTest::newRow("active") << "item_active.html"
                            << QStringList{"Brass ship's clock, working", "$12.50", "$13.00", "1", "REG",
                                           "2 days, 3 hours +", "Dec-14-26 18:04:37 PST", "7",
                                           "Springfield, Illinois", "USA/Chicago", "clockworks", "tickfan", "FALSE"};
    QTest::newRow("private") << "item_private.html"
                             << QStringList{"Sealed letter collection, 1920s", "$40.00", "$41.00", "1", "REG",
                                            "5 hours, 12 mins", "Dec-16-26 09:30:00 PST", "3", "Portland, Oregon",
                                            "USA/Portland", "papertrail", "", "Unknown"};
    QTest::newRow("multiple items") << "item_dutch.html"
                                    << QStringList{"Glass marbles, bag of 50 (10 bags)", "$3.25", "$3.25", "10",
                                                   "DUTCH", "1 day, 6 hours +", "Dec-17-26 12:00:00 PST", "4",
                                                   "Hamilton, Ontario", "Canada", "marblemania", "", "Unknown"};
    QTest::newRow("ended, won") << "item_ended_won.html"
                                << QStringList{"Tin toy robot, boxed", "$87.00", "0", "1", "REG", "Auction has Ended",
                                               "Dec-08-26 20:15:00 PST", "18", "Austin, Texas", "USA/Austin",
                                               "robotroom", "snipetester", "TRUE"};
    QTest::newRow("ended, lost") << "item_ended_lost.html"
                                 << QStringList{QString::fromUtf8("Fountain pen, gold nib \xe2\x80\x93 14ct"), "$55.00",
                                                "0", "1", "REG", "Auction has Ended", "Jun-27-26 07:45:10 PDT", "9",
                                                "Leeds", "United Kingdom", "inkwell", "penpal77", "FALSE"};
    // clang-format on
}

void TestParseAuction::sitePages()
{
    QFETCH(QString, file);
    QFETCH(QStringList, expected);

    clsEbayAuction a;
    a.Parse(sitePage(file), QStringLiteral("3001000001"));
    const QStringList got = {a.title,    a.CurrentBid, a.MinimumBid,   a.Quantity, a.AuctionType,
                             a.TimeLeft, a.TimeEnds,   a.NumberOfBids, a.Location, a.Country,
                             a.Seller,   a.HighBidder, a.MeHighBidder};
    QCOMPARE(got, expected);
    QCOMPARE(a.ItemNumber, QStringLiteral("3001000001"));
    QVERIFY(a.TimeStarted.isEmpty() && a.Category.isEmpty() && a.FirstBid.isEmpty() && a.BidIncrement.isEmpty());
}

void TestParseAuction::editedPages_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");

    const QString current = QStringLiteral("Currently</font></td><td width=\"35%\"><b>$12.50</b>");
    const QString seller = QStringLiteral("colspan=\"3\"><a href=\"http://127.0.0.1:8088/aw-cgi/eBayISAPI.dll?"
                                          "ViewFeedback&amp;userid=clockworks\">clockworks</a>");
    const QString high = QStringLiteral("colspan=\"3\"><a href=\"http://127.0.0.1:8088/aw-cgi/eBayISAPI.dll?"
                                        "ViewFeedback&amp;userid=tickfan\">tickfan</a>");
    const QString quantity = QStringLiteral("Quantity</font></td><td><b>1</b>");

    QTest::newRow("current bid from the second try")
        << current << "Currently</font></td><td><b>n/a</b> Winning bid <b>$9.00</b>"
        << "CurrentBid"
        << "$9.00";
    QTest::newRow("second try whatever it gives") << current << "Currently <b>n/a</b>"
                                                  << "CurrentBid"
                                                  << "";
    QTest::newRow("minimum bid no number takes current bid") << "<b>$13.00</b>"
                                                             << "<b>see above</b>"
                                                             << "MinimumBid"
                                                             << "$12.50";
    QTest::newRow("minimum bid only after MakeBid") << "value=\"MakeBid\""
                                                    << "value=\"makebid\""
                                                    << "MinimumBid"
                                                    << "$13.00";
    QTest::newRow("no MakeBid anywhere") << "MakeBid"
                                         << "Bid"
                                         << "MinimumBid"
                                         << "0";
    QTest::newRow("quantity five is multiple") << quantity << "Quantity</font></td><td><b>5</b>"
                                               << "AuctionType"
                                               << "DUTCH";
    QTest::newRow("quantity five not judged") << quantity << "Quantity</font></td><td><b>5</b>"
                                              << "MeHighBidder"
                                              << "Unknown";
    QTest::newRow("empty quantity no type") << quantity << "Quantity</font></td><td><b></b>"
                                            << "AuctionType"
                                            << "";
    QTest::newRow("empty quantity not judged") << quantity << "Quantity</font></td><td><b></b>"
                                               << "MeHighBidder"
                                               << "Unknown";
    QTest::newRow("huge quantity no type") << quantity << "Quantity</font></td><td><b>99999999999</b>"
                                           << "AuctionType"
                                           << "";
    QTest::newRow("ended in any case") << "<b>2 days, 3 hours +</b>"
                                       << "<b>bidding eNdEd</b>"
                                       << "TimeLeft"
                                       << "Auction has Ended";
    QTest::newRow("private in any case") << high << "colspan=\"3\">PRIVATE listing"
                                         << "MeHighBidder"
                                         << "Unknown";
    QTest::newRow("user as whole link text") << ">tickfan<"
                                             << ">SnipeTester<"
                                             << "MeHighBidder"
                                             << "TRUE";
    QTest::newRow("user name inside longer name") << ">tickfan<"
                                                  << ">snipetester2<"
                                                  << "MeHighBidder"
                                                  << "FALSE";
    QTest::newRow("seller as plain text") << seller << "colspan=\"3\">clockworks"
                                          << "Seller"
                                          << "";
    QTest::newRow("seller link in capitals") << seller << "colspan=\"3\"><A HREF=x>Clock Works</A>"
                                             << "Seller"
                                             << "Clock Works";
    QTest::newRow("high bidder link without </A") << high << "colspan=\"3\"><a href=x>tickfan"
                                                  << "HighBidder"
                                                  << "";
    QTest::newRow("high bidder link within a link") << high << "colspan=\"3\"><a href=x><a href=y>tickfan</a>"
                                                    << "HighBidder"
                                                    << "Unknown";
    QTest::newRow("location tags stripped") << "<font size=\"2\">Springfield, Illinois</font>"
                                            << "<i>Springfield</i>, <i>IL</i>"
                                            << "Location"
                                            << "Springfield, IL";
    QTest::newRow("country second try") << "Country/Region</font></td><td><b>USA/Chicago</b>"
                                        << "Country/Region</font></td><td><b></b> Country</font><b>USA</b>"
                                        << "Country"
                                        << "USA";
    // The page writes "&" as "&amp;": a person reads the character, once decoded.
    QTest::newRow("title with character references")
        << "<b>Brass ship's clock, working</b>"
        << "<b>Tom &amp; Jerry &lt;b&gt; &#169;&#x263A; &amp;lt; &bogus; &</b>"
        << "title"
        << "Tom & Jerry <b> \u00A9\u263A &lt; &bogus; &";
    QTest::newRow("location with a reference") << "<font size=\"2\">Springfield, Illinois</font>"
                                               << "<i>Barnes &amp; Noble</i>, IL"
                                               << "Location"
                                               << "Barnes & Noble, IL";
    QTest::newRow("title trimmed of blanks only") << "<b>Brass ship's clock, working</b>"
                                                  << "<b>  \tClock  </b>"
                                                  << "title"
                                                  << "\tClock";
    // Neither a control character nor a mark that turns the text around is kept, written as
    // a reference or as the character itself.
    QTest::newRow("title with control and override references")
        << "<b>Brass ship's clock, working</b>"
        << "<b>Clock&#1;&#x7f;&#x85; \u202Egnikrow&#x202c; &#x2066;x&#x2069;&#x200F;</b>"
        << "title"
        << "Clock gnikrow x";
    QTest::newRow("location with an override") << "<font size=\"2\">Springfield, Illinois</font>"
                                               << "<i>Spring&#x202E;field</i>, IL"
                                               << "Location"
                                               << "Springfield, IL";
    QTest::newRow("seller with a control character") << seller << "colspan=\"3\"><a href=x>clock\x01works</a>"
                                                     << "Seller"
                                                     << "clockworks";
}

void TestParseAuction::editedPages()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, field);
    QFETCH(QString, expected);

    QString page = sitePage("item_active.html");
    QVERIFY2(page.contains(from), qPrintable(from));
    page.replace(from, to);
    clsEbayAuction a;
    a.Parse(page, QStringLiteral("1"));
    const QHash<QString, QString> fields = {
        {"title", a.title},       {"CurrentBid", a.CurrentBid},   {"MinimumBid", a.MinimumBid},
        {"TimeLeft", a.TimeLeft}, {"AuctionType", a.AuctionType}, {"MeHighBidder", a.MeHighBidder},
        {"Seller", a.Seller},     {"HighBidder", a.HighBidder},   {"Location", a.Location},
        {"Country", a.Country}};
    QVERIFY(fields.contains(field));
    QCOMPARE(fields.value(field), expected);
}

// A title far longer than the extraction's window: still found to its end, and cut to the
// column's width, with its length kept to say so.
void TestParseAuction::overlongTitleIsCut()
{
    QString page = sitePage("item_active.html");
    const QString title = QStringLiteral("Brass ship's clock, working");
    QVERIFY(page.contains(title));
    const QString huge = QStringLiteral("A").repeated(100 * 1024);
    page.replace(QStringLiteral("<b>") + title, QStringLiteral("<b>") + huge);
    clsEbayAuction a;
    a.Parse(page, QStringLiteral("1106"));
    QCOMPARE(a.title, huge.left(clsEbayAuction::kTitleWidth));
    QCOMPARE(a.TitleLength, huge.size());
    QCOMPARE(a.CurrentBid, QStringLiteral("$12.50")); // the rest of the page is read as before

    a.Parse(sitePage("item_active.html"), QStringLiteral("1"));
    QCOMPARE(a.title, title);
    QCOMPARE(a.TitleLength, title.size());
}

void TestParseAuction::failedStepsKeepFields()
{
    clsEbayAuction a;
    a.Parse(sitePage("item_active.html"), QStringLiteral("1"));
    // The title's closing tag is missing: that extraction fails and the old title stays, while
    // the current bid's Catch is simply absent, which is an empty answer, not a failure.
    a.Parse(QStringLiteral("<font size=\"4\" face=\"Arial\"><b>Other title"), QStringLiteral("2"));
    QCOMPARE(a.title, QStringLiteral("Brass ship's clock, working"));
    QCOMPARE(a.CurrentBid, QString());
    QCOMPARE(a.ItemNumber, QStringLiteral("2"));

    // A key the script lacks: the extraction runs with the element of the last lookup that worked
    // (here the high-bidder test, a TRUEFALSE of the bidder row).
    QTemporaryDir dir;
    const QString script = dir.filePath("ebparse.zdx");
    QByteArray text = shippedScript();
    text.replace("\nTIMEENDS =", "\nNOT_TIMEENDS =");
    writeFile(script, text);
    clsEbayAuction b;
    b.Parse(sitePage("item_active.html"), QStringLiteral("1"), script);
    QCOMPARE(b.TimeEnds, QStringLiteral("False"));
    QCOMPARE(b.NumberOfBids, QStringLiteral("7"));
}

void TestParseAuction::longScriptReadOncePerChange()
{
    // The shipped script behind a million comment lines, last written an hour ago: read once,
    // it serves page after page; reading it for each of them would take many minutes.
    QTemporaryDir dir;
    const QString script = dir.filePath("ebparse.zdx");
    QByteArray text;
    text.reserve(20 * 1000 * 1000);
    for (int i = 0; i < 1000000; ++i)
        text += "' a note the reader skips\n";
    text += shippedScript();
    writeFile(script, text);
    QFile file(script);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    file.close();
    const QString page = sitePage("item_active.html");
    for (int i = 0; i < 200; ++i) {
        clsEbayAuction a;
        a.Parse(page, QStringLiteral("1"), script);
        QCOMPARE(a.title, QStringLiteral("Brass ship's clock, working"));
    }

    // An edit of the same length, a moment later, that the title no longer matches: the next
    // page reads the new script.
    text.replace("\nTITLE = <b>,</b>,", "\nTITLE = <b>,</B>,");
    writeFile(script, text);
    clsEbayAuction edited;
    edited.Parse(page, QStringLiteral("1"), script);
    QCOMPARE(edited.title, QString());
}

void TestParseAuction::withoutScript()
{
    QTemporaryDir dir;
    clsEbayAuction a;
    a.Parse(sitePage("item_ended_won.html"), QStringLiteral("4"), dir.filePath("missing.zdx"));
    QCOMPARE(a.ItemNumber, QStringLiteral("4"));
    QCOMPARE(a.MinimumBid, QStringLiteral("0"));
    QCOMPARE(a.MeHighBidder, QStringLiteral("Unknown"));
    QVERIFY(a.title.isEmpty() && a.CurrentBid.isEmpty() && a.TimeLeft.isEmpty() && a.Seller.isEmpty());

    clsEbayAuction b;
    b.Parse(sitePage("item_active.html"), QStringLiteral("1"), dir.filePath("missing.zdx"));
    QCOMPARE(b.MinimumBid, QString()); // copied from the empty current bid
}

void TestParseAuction::stripTags_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("no tags") << "Leeds"
                             << "Leeds";
    QTest::newRow("tags") << "<font size=2><b>Leeds</b></font>"
                          << "Leeds";
    QTest::newRow("same tag twice in one pass") << "<i>a<i>b"
                                                << "ab";
    QTest::newRow("lone > first stops") << "a > b <i>c</i>"
                                        << "a > b <i>c</i>";
    QTest::newRow("lone > after tags") << "<b>x</b> > y"
                                       << "x > y";
    QTest::newRow("tag formed by removal") << "<i>a<<i>b>"
                                           << "a";
    QTest::newRow("from first < to first >") << "<<b>>x"
                                             << ">x";
    QTest::newRow("lone > between copies") << "<b>x>y<b>z<i>"
                                           << "x>yz<i>";
    QTest::newRow("unclosed <") << "a <b"
                                << "a <b";
    QTest::newRow("removal is case exact") << "<B>x<b>"
                                           << "x";
}

void TestParseAuction::stripTags()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QString inPlace = text;
    QCOMPARE(clsEbayAuction::StripTags(inPlace), expected);
    QCOMPARE(inPlace, expected);
}

void TestParseAuction::stripTagsOfAHugeLocation()
{
    // Four hundred thousand different tags, each around one letter: removing them one by one,
    // each over the whole text, would take many minutes.
    QString text;
    QString expected;
    for (int i = 0; i < 400000; ++i) {
        text += QStringLiteral("<span id=%1>").arg(i) + QLatin1Char('a' + i % 26) + QStringLiteral("</span>");
        expected += QLatin1Char('a' + i % 26);
    }
    text += QStringLiteral(" > <i>kept</i><span id=7>");
    expected += QStringLiteral(" > <i>kept</i>");
    QCOMPARE(clsEbayAuction::StripTags(text), expected);
}

void TestParseAuction::nobodySignedIn()
{
    // Without a site name to look for, "><" would match any row: the answer stays unknown.
    const UserPtr signedIn = gCurrentUser;
    for (const QString &name : {QString(), QStringLiteral("none")}) {
        CurrentUser::instance().signOut();
        if (!name.isEmpty()) {
            CurrentUser::instance().signIn(std::make_shared<BSN_User>());
            gCurrentUser->EbayName = QString();
        }
        clsEbayAuction a;
        a.Parse(sitePage(QStringLiteral("item_active.html")), QStringLiteral("3001000001"));
        QCOMPARE(a.MeHighBidder, QStringLiteral("Unknown"));
    }
    CurrentUser::instance().signIn(signedIn);
}

void TestParseAuction::realPagesDoNotBreakIt()
{
    const QDir dir(QStringLiteral(ZANDRIFT_TEST_DATA "/../../../shared/realpages"));
    const QStringList pages = dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    if (pages.isEmpty())
        QSKIP("shared/realpages is not beside the clone");
    for (const QString &name : pages) {
        const QString page = readPage(dir.filePath(name));
        QVERIFY2(page.size() > 1000, qPrintable(name));
        clsEbayAuction a;
        a.Parse(page, QStringLiteral("1"));
        // Whatever the fields hold, the fixed rules hold.
        QVERIFY2(a.MeHighBidder == "TRUE" || a.MeHighBidder == "FALSE" || a.MeHighBidder == "Unknown",
                 qPrintable(name));
        QVERIFY2(a.AuctionType.isEmpty() || a.AuctionType == "REG" || a.AuctionType == "DUTCH", qPrintable(name));
        // Cut pages end anywhere: at each tenth of the page.
        for (int cut = 1; cut < 10; ++cut) {
            clsEbayAuction b;
            b.Parse(page.left(page.size() * cut / 10), QStringLiteral("1"));
        }
    }
}

QTEST_GUILESS_MAIN(TestParseAuction)
#include "TestParseAuction.moc"
