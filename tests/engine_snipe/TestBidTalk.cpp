#include "engine/BNBidTalk.h"
#include "engine/ebayURLS.h"
#include "platform/Values.h"

#include <QFile>
#include <QUrlQuery>
#include <QtTest>

namespace {
QString fixture(const char *name)
{
    QFile f(QStringLiteral(ZANDRIFT_TEST_DATA "/site/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(f.readAll());
}

// What a form decoder on the site reads back from a body.
QMap<QString, QString> decoded(const QString &body)
{
    QMap<QString, QString> out;
    for (const QString &pair : body.split(QLatin1Char('&'))) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        QString value = pair.mid(eq + 1);
        value.replace(QLatin1Char('+'), QLatin1Char(' '));
        out.insert(pair.left(eq), QUrl::fromPercentEncoding(value.toUtf8()));
    }
    return out;
}
} // namespace

class TestBidTalk : public QObject
{
    Q_OBJECT

    std::unique_ptr<BNBidTalk> talk()
    {
        auto t = std::make_unique<BNBidTalk>(QStringLiteral(ZANDRIFT_SOURCE_DATA "/ebparse.zdx"));
        t->ItemNumber = QStringLiteral(" 3001000001 ");
        t->MaxBid = 12.5;
        t->Quantity = 2;
        t->User = std::make_shared<BSN_User>();
        t->User->EbayName = QStringLiteral("snipe tester");
        t->User->EbayPassword = QStringLiteral("p&ss=w+rd %x");
        return t;
    }

private slots:
    void actionsShiftLastAndNext()
    {
        BNBidTalk t(QStringLiteral("/nonexistent"));
        QCOMPARE(t.GetNextAction(), 0);
        t.SetNextAction(3);
        t.SetNextAction(4);
        QCOMPARE(t.GetNextAction(), 4);
        QCOMPARE(t.GetLastAction(), 3);
    }

    void makeBidBody()
    {
        auto t = talk();
        QString error;
        QCOMPARE(t->MakeBidFormData(error),
                 QStringLiteral("MfcISAPICommand=MakeBid&item=3001000001&quant=2&maxbid=12.5"));
        QVERIFY(error.isEmpty());
        t->MaxBid = 0;
        t->MakeBidFormData(error);
        QCOMPARE(error, QStringLiteral(
                            "Unable to process bid.  There may have been an error extracing important information."));
    }

    void amountsPostedAndLoggedToTheCent_data()
    {
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("posted");
        QTest::addColumn<QString>("logged");
        QTest::newRow("half") << 12.5 << "12.5"
                              << "$12.50";
        QTest::newRow("cents") << 1234.56 << "1234.56"
                               << "$1,234.56";
        QTest::newRow("whole") << 20.0 << "20"
                               << "$20.00";
        QTest::newRow("dime") << 0.1 << "0.1"
                              << "$0.10";
        QTest::newRow("a million") << 1000000.0 << "1000000"
                                   << "$1,000,000.00";
        QTest::newRow("beyond single precision") << 131072.01 << "131072.01"
                                                 << "$131,072.01";
        QTest::newRow("millions and cents") << 1234567.89 << "1234567.89"
                                            << "$1,234,567.89";
        QTest::newRow("a fraction of a cent is dropped, never rounded up") << 10.0099 << "10"
                                                                           << "$10.00";
        QTest::newRow("nines") << 99999.99 << "99999.99"
                               << "$99,999.99";
    }
    void amountsPostedAndLoggedToTheCent()
    {
        QFETCH(double, stored);
        auto t = talk();
        t->MaxBid = BNBidTalk::bidAmount(stored);
        QString error;
        QTEST(decoded(t->MakeBidFormData(error)).value(QStringLiteral("maxbid")), "posted");
        t->PrepareFinalFormData(fixture("makebid_key.html"), error);
        QTEST(decoded(t->FinalFormData).value(QStringLiteral("maxbid")), "posted");
        QTEST(Values::formatMoney(t->MaxBid), "logged");
    }

    void finalBodyCarriesTheKeyAndEncodesEveryValue()
    {
        auto t = talk();
        QString error;
        t->PrepareFinalFormData(fixture("makebid_key.html"), error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(t->Key, QStringLiteral("K7f3Qa91xZ"));
        QVERIFY(t->FinalFormData.startsWith(
            QStringLiteral("MfcISAPICommand=AcceptBid&item=3001000001&maxbid=12.5&quant=2&")));
        const auto fields = decoded(t->FinalFormData);
        QCOMPARE(fields.value(QStringLiteral("userid")), QStringLiteral("snipe tester"));
        QCOMPARE(fields.value(QStringLiteral("pass")), QStringLiteral("p&ss=w+rd %x"));
        QCOMPARE(fields.value(QStringLiteral("key")), QStringLiteral("K7f3Qa91xZ"));
        QCOMPARE(fields.size(), 7);
    }

    void noKey_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("error");
        QTest::newRow("below minimum") << fixture("makebid_below_minimum.html") << "Outbid";
        QTest::newRow("below minimum, other case") << "<p>Your bid is LESS THAN THE MINIMUM BID.</p>"
                                                   << "Outbid";
        QTest::newRow("other page") << fixture("acceptbid_error.html") << "Unable to Extract Key Information.";
        QTest::newRow("key field without its closing quote") << "<input name=\"key\" value=\"abc"
                                                             << "Unable to Extract Key Information.";
        QTest::newRow("empty") << ""
                               << "Unable to Extract Key Information.";
    }
    void noKey()
    {
        QFETCH(QString, page);
        QFETCH(QString, error);
        auto t = talk();
        QString got;
        t->PrepareFinalFormData(page, got);
        QCOMPARE(got, error);
        QVERIFY(t->FinalFormData.isEmpty());
    }

    void dutchHighBidderIsExactCase()
    {
        auto t = talk();
        QVERIFY(t->IsUserDutchHighBidder(QStringLiteral("<a href=x>snipe tester</a>")));
        QVERIFY(!t->IsUserDutchHighBidder(QStringLiteral("<a href=x>Snipe Tester</a>")));
    }

    void signInBodyNamesTheSiteOfThePageAddresses_data()
    {
        QTest::addColumn<QString>("logIn");
        QTest::addColumn<QString>("viewItem");
        QTest::addColumn<QString>("referrer");
        QTest::newRow("the sign-in address") << "http://auctions.example:8123/aw-cgi/eBayISAPI.dll?SignInWelcome"
                                             << "http://other.example/x?ViewItem&item="
                                             << "http://auctions.example:8123/";
        QTest::newRow("no sign-in address") << ""
                                            << "https://user:pw@cgi.example.com/aw-cgi/eBayISAPI.dll?ViewItem&item="
                                            << "https://cgi.example.com/";
        QTest::newRow("no address at all") << ""
                                           << ""
                                           << "";
    }
    void signInBodyNamesTheSiteOfThePageAddresses()
    {
        QFETCH(QString, logIn);
        QFETCH(QString, viewItem);
        gURLs = std::make_unique<ebayURLS>();
        gURLs->EbayLogInURL = logIn;
        gURLs->EbayViewItemURL = viewItem;
        auto t = talk();
        const auto login = decoded(t->LoginFormData());
        gURLs.reset();
        QCOMPARE(login.value(QStringLiteral("MfcISAPICommand")), QStringLiteral("SignInWelcome"));
        QCOMPARE(login.value(QStringLiteral("pass")), QStringLiteral("p&ss=w+rd %x"));
        QCOMPARE(login.value(QStringLiteral("UsingSSL")), QStringLiteral("0"));
        QTEST(login.value(QStringLiteral("referrer")), "referrer");
    }
};

QTEST_GUILESS_MAIN(TestBidTalk)
#include "TestBidTalk.moc"
