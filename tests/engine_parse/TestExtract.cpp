#include "engine/BNHTMLExtract.h"

#include <QTest>

// The extraction commands and their windows, at the edges where positions matter.
class TestExtract : public QObject
{
    Q_OBJECT

private slots:
    void extract_data();
    void extract();
    void windowStopsShortOfPageEnd();
    void pageIsNotChanged();
    void caseBlindSearch_data();
    void caseBlindSearch();
};

namespace {

QString pad(qsizetype n, char c = 'x')
{
    return QString(n, QLatin1Char(c));
}

} // namespace

void TestExtract::extract_data()
{
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("close");
    QTest::addColumn<QString>("catchText");
    QTest::addColumn<int>("caseNumber");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("ok");

    const QString b = QStringLiteral("<b>"), eb = QStringLiteral("</b>");
    const QString F = QStringLiteral("FORWARD"), B = QStringLiteral("BACKSLIP"), T = QStringLiteral("TRUEFALSE");

    // TRUEFALSE answers from the stretch between the anchors, not from the Catch position.
    QTest::newRow("tf catch between anchors")
        << b << eb << "kept private" << 1 << "x<b>User kept private</b>" << T << "TRUE" << true;
    QTest::newRow("tf catch outside anchors")
        << b << eb << "private" << 1 << "private <b>tickfan</b> private" << T << "False" << true;
    QTest::newRow("tf any case") << b << eb << "private" << 1 << "<B>PRIVATE</B>"
                                 << "truefalse"
                                 << "TRUE" << true;
    QTest::newRow("tf stretch begins after open's first char")
        << b << eb << "<b" << 1 << "<b>abc</b>" << T << "False" << true;
    QTest::newRow("tf stretch ends with close's first char")
        << b << eb << "c<" << 1 << "<b>abc</b>" << T << "TRUE" << true;
    QTest::newRow("tf no open") << b << eb << "a" << 1 << "abc</b>" << T << "" << true;
    QTest::newRow("tf no close") << b << eb << "a" << 1 << "<b>abc" << T << "" << true;
    QTest::newRow("tf case number ignored") << b << eb << "abc" << 7 << "<b>abc</b>" << T << "TRUE" << true;

    QTest::newRow("fw plain") << b << eb << "Currently" << 1 << "x Currently <b>$12.50</b> y" << F << "$12.50" << true;
    QTest::newRow("fw command any case") << b << eb << "currently" << 1 << "CURRENTLY <B>1</b>."
                                         << "Forward"
                                         << "1" << true;
    QTest::newRow("fw close tag case exact")
        << b << eb << "Currently" << 1 << "Currently <B>$1</B>." << F << "" << false;
    QTest::newRow("fw no close") << b << eb << "Currently" << 1 << "Currently <b>$1" << F << "" << false;
    QTest::newRow("fw no catch") << b << eb << "Currently" << 1 << "<b>$1</b>" << F << "" << true;
    QTest::newRow("fw no open in window") << b << eb << "Currently" << 1 << "Currently $1</b>" << F << "" << true;
    QTest::newRow("fw open before catch not seen")
        << b << eb << "Currently" << 1 << "<b>1</b> Currently 2</b>" << F << "" << true;
    QTest::newRow("fw anchors end on window's last char")
        << b << eb << "C" << 1 << "C" + pad(491) + "<b>1</b>" + pad(10) << F << "1" << true;
    QTest::newRow("fw close crosses window end")
        << b << eb << "C" << 1 << "C" + pad(492) + "<b>1</b>" + pad(10) << F << "" << false;
    QTest::newRow("fw open crosses window end")
        << b << eb << "C" << 1 << "C" + pad(497) + "<b>1</b>" + pad(10) << F << "" << true;
    QTest::newRow("fw close at page end is cut off") << b << eb << "C" << 1 << "C<b>1</b>" << F << "" << false;
    QTest::newRow("fw close one before page end") << b << eb << "C" << 1 << "C<b>1</b>." << F << "1" << true;
    QTest::newRow("fw catch is last char") << b << eb << "C" << 1 << "<b>1</b>C" << F << "" << true;
    QTest::newRow("fw empty page") << b << eb << "C" << 1 << "" << F << "" << true;
    QTest::newRow("fw empty close takes nothing") << b << ""
                                                  << "C" << 1 << "C<b>1</b>." << F << "" << true;
    QTest::newRow("fw negative case number is first occurrence")
        << b << eb << "item" << -3 << "item<b>1</b> item<b>2</b>." << F << "1" << true;

    const QString three = QStringLiteral("item<b>one</b> item<b>two</b> item<b>three</b>.");
    QTest::newRow("nth 2") << b << eb << "item" << 2 << three << F << "two" << true;
    QTest::newRow("nth 3") << b << eb << "item" << 3 << three << F << "three" << true;
    QTest::newRow("nth 5 of 3 stays at last") << b << eb << "item" << 5 << three << F << "three" << true;
    QTest::newRow("nth 3 of 2 stays at second")
        << b << eb << "item" << 3 << "item<b>one</b> item<b>two</b>." << F << "two" << true;
    QTest::newRow("nth skips open-tag length") << b << eb << "ab" << 2 << "abab<b>1</b>ab<b>2</b>." << F << "2" << true;
    QTest::newRow("nth empty open never moves") << "" << eb << "ab" << 2 << "ab1</b> ab2</b>." << F << "ab1" << true;
    QTest::newRow("nth window has no 500 limit")
        << b << eb << "item" << 2 << "item item" + pad(800) + "<b>far</b>" << F << "far" << true;
    QTest::newRow("nth window runs to page end") << b << eb << "item" << 2 << "item item<b>1</b>" << F << "1" << true;

    const QString head = QStringLiteral("Seller");
    QTest::newRow("bs close 100 in") << ">" << eb << head << 1 << head + pad(94) + ">name</b>" << B << "" << false;
    QTest::newRow("bs close 300 in takes last open")
        << ">" << eb << head << 1 << head + pad(250) + ">a>name</b>" + pad(5) << B << "name" << true;
    QTest::newRow("bs close 300 in without open")
        << ">" << eb << head << 1 << head + pad(294) + "</b>" + pad(5) << B << pad(250) << true;
    QTest::newRow("bs close after 250 chars")
        << "#" << eb << head << 1 << head + pad(244) + "</b>." << B << "Seller" + pad(244) << true;
    QTest::newRow("bs close after 249 chars")
        << "#" << eb << head << 1 << head + pad(243) + "</b>." << B << "" << false;
    QTest::newRow("bs close any case") << ">" << eb << head << 1 << head + pad(300) + ">x</B>." << B << "x" << true;
    QTest::newRow("bs no close") << ">" << eb << head << 1 << head + pad(300) << B << "" << false;
    QTest::newRow("bs close outside 500 window")
        << ">" << eb << head << 1 << head + pad(600) + ">x</b>." << B << "" << false;
    QTest::newRow("bs no catch") << ">" << eb << head << 1 << pad(300) + ">x</b>." << B << "" << true;

    QTest::newRow("other command") << b << eb << "C" << 1 << "C<b>1</b>."
                                   << "GRAB"
                                   << "" << true;
    QTest::newRow("empty command") << b << eb << "C" << 1 << "C<b>1</b>."
                                   << ""
                                   << "" << true;
}

void TestExtract::extract()
{
    QFETCH(QString, open);
    QFETCH(QString, close);
    QFETCH(QString, catchText);
    QFETCH(int, caseNumber);
    QFETCH(QString, page);
    QFETCH(QString, command);
    QFETCH(QString, expected);
    QFETCH(bool, ok);

    BNHTMLExtract extract;
    bool succeeded = !ok;
    const QString result = extract.Extract(open, close, catchText, qint16(caseNumber), page, command, &succeeded);
    QCOMPARE(succeeded, ok);
    QCOMPARE(result, expected);
}

void TestExtract::windowStopsShortOfPageEnd()
{
    // Ten characters from the Catch match to the end, both included: a window of nine.
    const QString page = QStringLiteral("abcCatch12");
    QCOMPARE(BNHTMLExtract::Window(page, {}, QStringLiteral("CATCH"), 1).toString(), QStringLiteral("Catch1"));
    const QString ten = QStringLiteral("..Catch123X");
    QCOMPARE(BNHTMLExtract::Window(ten, {}, QStringLiteral("catch"), 0).size(), 8);
    const QString longPage = QStringLiteral("Catch") + pad(1000);
    QCOMPARE(BNHTMLExtract::Window(longPage, {}, QStringLiteral("catch"), 1).size(), 500);
    QVERIFY(BNHTMLExtract::Window(longPage, {}, QStringLiteral("absent"), 1).isNull());
}

void TestExtract::pageIsNotChanged()
{
    const QString page = QStringLiteral("Currently <b>$1</b>.");
    const QString copy = page;
    const QString open = QStringLiteral("<b>"), close = QStringLiteral("</b>"), c = QStringLiteral("currently");
    BNHTMLExtract().Extract(open, close, c, 1, page, QStringLiteral("FORWARD"));
    QCOMPARE(page, copy);
    QCOMPARE(open, QStringLiteral("<b>"));
}

void TestExtract::caseBlindSearch_data()
{
    QTest::addColumn<QString>("hay");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<int>("from");

    QTest::newRow("other case first") << "xx current CURRENTLY"
                                      << "Currently" << 0;
    QTest::newRow("near misses") << "Curr cURRENTL currentlY"
                                 << "CURRENTLY" << 0;
    QTest::newRow("from past a match") << "<b>1</b><B>2</B>"
                                       << "<b>" << 1;
    QTest::newRow("match at the very end") << "....<B>"
                                           << "<b>" << 0;
    QTest::newRow("needle longer than rest") << "abc<b"
                                             << "<b>" << 0;
    QTest::newRow("long s folds to s") << QString::fromUtf8("Å¿"
                                                            "eller")
                                       << "Seller" << 0;
    QTest::newRow("kelvin sign folds to k") << QString::fromUtf8("âª"
                                                                 "EY")
                                            << "key" << 0;
    QTest::newRow("accented first letter")
        << QString::fromUtf8("ÃtÃ© Ã©TÃ") << QString::fromUtf8("Ã©tÃ©") << 1;
    QTest::newRow("no letter first") << "# OF BIDS"
                                     << "# of bids" << 0;
    QTest::newRow("absent") << "nothing here"
                            << "Quantity" << 0;
}

void TestExtract::caseBlindSearch()
{
    QFETCH(QString, hay);
    QFETCH(QString, needle);
    QFETCH(int, from);
    QCOMPARE(BNHTMLExtract::IndexOf(hay, needle, from, Qt::CaseInsensitive),
             QStringView(hay).indexOf(needle, from, Qt::CaseInsensitive));
}

QTEST_GUILESS_MAIN(TestExtract)
#include "TestExtract.moc"
