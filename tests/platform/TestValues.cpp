#include "platform/Values.h"

#include <QtTest>
#include <limits>

class TestValues : public QObject
{
    Q_OBJECT

    // Also run under German and French desktops (see CMakeLists): the site's texts and what
    // the program shows keep the site's separators whatever the desktop's language.
private slots:
    void isNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "12" << true << 12.0;
        QTest::newRow("money") << "$1,234.50" << true << 1234.5;
        QTest::newRow("blanks around") << "  7  " << true << 7.0;
        QTest::newRow("negative") << "-3.25" << true << -3.25;
        QTest::newRow("trailing sign") << "3-" << true << -3.0;
        QTest::newRow("sign before currency") << "-$5.00" << true << -5.0;
        QTest::newRow("parentheses") << "($5.00)" << true << -5.0;
        QTest::newRow("leading point") << ".5" << true << 0.5;
        QTest::newRow("exponent") << "1e3" << true << 1000.0;
        QTest::newRow("millions") << "1,234,567" << true << 1234567.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blanks only") << "   " << false << 0.0;
        QTest::newRow("currency only") << "$" << false << 0.0;
        QTest::newRow("site's US dollars") << "US $1,234.50" << true << 1234.5;
        QTest::newRow("cents") << "$12.50" << true << 12.5;
        QTest::newRow("words") << "twelve dollars" << false << 0.0;
        QTest::newRow("other currency") << "EUR 12.00" << false << 0.0;
        QTest::newRow("German form") << "1.234,50" << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << 0.0;
        QTest::newRow("separator at end") << "12," << false << 0.0;
        QTest::newRow("separator first") << ",12" << false << 0.0;
        QTest::newRow("two signs") << "--5" << false << 0.0;
        QTest::newRow("bare exponent") << "1e" << false << 0.0;
        QTest::newRow("tag") << "<b>5</b>" << false << 0.0;
        QTest::newRow("beyond double") << "1e400" << false << 0.0;
    }
    void isNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, number);
        QFETCH(double, value);
        QCOMPARE(Values::isNumber(text), number);
        bool ok = false;
        QCOMPARE(Values::toNumber(text, &ok), value);
        QCOMPARE(ok, number);
    }

    // What a person types: the same digits, but a comma only between groups of three.
    void isTypedNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "12" << true << 12.0;
        QTest::newRow("cents") << "12.50" << true << 12.5;
        QTest::newRow("thousands") << "1,234.50" << true << 1234.5;
        QTest::newRow("millions") << "1,234,567" << true << 1234567.0;
        QTest::newRow("blanks around") << " 7 " << true << 7.0;
        QTest::newRow("signs") << "-3" << true << -3.0;
        QTest::newRow("plus") << "+3" << true << 3.0;
        QTest::newRow("leading point") << ".5" << true << 0.5;
        QTest::newRow("trailing point") << "5." << true << 5.0;
        QTest::newRow("decimal comma") << "12,50" << false << 0.0;
        QTest::newRow("short group") << "12,5" << false << 0.0;
        QTest::newRow("one digit group") << "1,2" << false << 0.0;
        QTest::newRow("long group") << "1,2345" << false << 0.0;
        QTest::newRow("Indian grouping") << "1,23,456" << false << 0.0;
        QTest::newRow("group after the point") << "1.234,5" << false << 0.0;
        QTest::newRow("exponent") << "1e3" << false << 0.0;
        QTest::newRow("hexadecimal") << "0x10" << false << 0.0;
        QTest::newRow("dollar sign") << "$1,234.50" << true << 1234.5;
        QTest::newRow("sign before the dollar") << "-$5" << true << -5.0;
        QTest::newRow("other currency") << "EUR 12" << false << 0.0;
        QTest::newRow("dollar sign after") << "12$" << false << 0.0;
        QTest::newRow("trailing sign") << "3-" << false << 0.0;
        QTest::newRow("parentheses") << "(5)" << false << 0.0;
        QTest::newRow("point only") << "." << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("other digits") << QString::fromUtf8("\u0661\u0662") << false << 0.0;
        QTest::newRow("blank inside") << "1 000" << false << 0.0;
    }
    void isTypedNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, number);
        QFETCH(double, value);
        QCOMPARE(Values::isTypedNumber(text), number);
        bool ok = false;
        QCOMPARE(Values::toTypedNumber(text, &ok), value);
        QCOMPARE(ok, number);
    }

    void dates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        const auto dt = [](int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
        };
        QTest::newRow("site short") << "Dec-14-01 18:04:37" << dt(2001, 12, 14, 18, 4, 37);
        QTest::newRow("site short 2026") << "Dec-14-26 18:04:37" << dt(2026, 12, 14, 18, 4, 37);
        QTest::newRow("site short 1999") << "Jan-02-99 00:00:01" << dt(1999, 1, 2, 0, 0, 1);
        QTest::newRow("site long") << "December 10, 2001 08:39:37" << dt(2001, 12, 10, 8, 39, 37);
        QTest::newRow("general") << "12/10/2026 9:05:03 AM" << dt(2026, 12, 10, 9, 5, 3);
        QTest::newRow("general pm") << "12/10/2026 12:30:00 PM" << dt(2026, 12, 10, 12, 30);
        QTest::newRow("general midnight am") << "12/10/2026 12:30:00 AM" << dt(2026, 12, 10, 0, 30);
        QTest::newRow("general date only") << "2/29/2024" << dt(2024, 2, 29);
        QTest::newRow("iso") << "2026-12-10 09:05:03" << dt(2026, 12, 10, 9, 5, 3);
        QTest::newRow("no such day") << "Feb-30-26 10:00:00" << QDateTime();
        QTest::newRow("no such month") << "Foo-10-26 10:00:00" << QDateTime();
        QTest::newRow("bad hour") << "Dec-10-26 25:00:00" << QDateTime();
        QTest::newRow("zone word left on") << "Dec-14-26 18:04:37 PST" << QDateTime();
        QTest::newRow("words") << "Auction has Ended" << QDateTime();
        QTest::newRow("empty") << "" << QDateTime();
    }
    void dates()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        QCOMPARE(Values::toDate(text), expected);
        QCOMPARE(Values::isDate(text), expected.isValid());
    }

    void generalDateRoundTrips()
    {
        const QDateTime t(QDate(2026, 3, 5), QTime(17, 4, 9));
        QCOMPARE(Values::formatGeneralDate(t), QStringLiteral("3/5/2026 5:04:09 PM"));
        QCOMPARE(Values::toDate(Values::formatGeneralDate(t)), t);
        const QDateTime midnight(QDate(2026, 3, 5), QTime(0, 0));
        QCOMPARE(Values::formatGeneralDate(midnight), QStringLiteral("3/5/2026"));
        QCOMPARE(Values::toDate(Values::formatGeneralDate(midnight)), midnight);
    }

    void money_data()
    {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "$0.00";
        QTest::newRow("cents") << 0.5 << "$0.50";
        QTest::newRow("thousands") << 1234.5 << "$1,234.50";
        QTest::newRow("millions") << 1234567.891 << "$1,234,567.89";
        QTest::newRow("a fraction of a cent is dropped") << 2.996 << "$2.99";
        QTest::newRow("negative") << -12.5 << "-$12.50";
        QTest::newRow("exact hundred") << 100.0 << "$100.00";
        QTest::newRow("half a cent is dropped") << 1.005 << "$1.00";
        QTest::newRow("as the decimal text reads") << 0.285 << "$0.28";
        QTest::newRow("no carry into thousands") << 999.995 << "$999.99";
        QTest::newRow("negative rounds to zero") << -0.001 << "$0.00";
        QTest::newRow("beyond 64-bit cents") << 1e17 << "$100,000,000,000,000,000.00";
        QTest::newRow("negative huge") << -123456789012345678901.0 << "-$123,456,789,012,345,680,000.00";
        QTest::newRow("largest double") << 1.7976931348623157e308
                                        << "$179,769,313,486,231,570," + QStringLiteral("000,").repeated(96) +
                                               QStringLiteral("000.00");
        QTest::newRow("smallest double") << 5e-324 << "$0.00";
        QTest::newRow("infinity refused") << std::numeric_limits<double>::infinity() << "";
        QTest::newRow("NaN refused") << std::numeric_limits<double>::quiet_NaN() << "";
    }
    void money()
    {
        QFETCH(double, amount);
        QFETCH(QString, text);
        QCOMPARE(Values::formatMoney(amount), text);
    }

    void cents_data()
    {
        QTest::addColumn<double>("amount");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("cents");
        QTest::newRow("zero") << 0.0 << true << qint64(0);
        QTest::newRow("whole dollars") << 10.0 << true << qint64(1000);
        QTest::newRow("cents") << 9.99 << true << qint64(999);
        QTest::newRow("below a whole minimum stays below") << 9.996 << true << qint64(999);
        QTest::newRow("above a whole minimum is the minimum") << 10.004 << true << qint64(1000);
        QTest::newRow("half a cent") << 1.005 << true << qint64(100);
        QTest::newRow("binary value under its decimal") << 1234567.89 << true << qint64(123456789);
        QTest::newRow("beyond single precision") << 131072.01 << true << qint64(13107201);
        QTest::newRow("negative") << -12.5 << true << qint64(-1250);
        QTest::newRow("negative fraction of a cent") << -0.001 << true << qint64(0);
        QTest::newRow("largest held") << 8.9e16 << true << qint64(8900000000000000000);
        QTest::newRow("too large") << 9e16 << false << qint64(0);
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << false << qint64(0);
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << false << qint64(0);
    }
    void cents()
    {
        QFETCH(double, amount);
        QFETCH(bool, valid);
        const std::optional<qint64> c = Values::toCents(amount);
        QCOMPARE(c.has_value(), valid);
        if (!valid)
            return;
        QTEST(*c, "cents");
        // Shown as counted, and a whole-cent amount counts back to the same cents.
        const qint64 magnitude = *c < 0 ? -*c : *c;
        QString expected = QStringLiteral("%1.%2").arg(magnitude / 100).arg(magnitude % 100, 2, 10, QLatin1Char('0'));
        QCOMPARE(Values::formatMoney(amount).remove(QLatin1Char(',')),
                 (*c < 0 ? QStringLiteral("-$") : QStringLiteral("$")) + expected);
        if (magnitude < (qint64(1) << 50))
            QCOMPARE(Values::toCents(double(*c) / 100.0), c);
    }

    void boundariesCrossed_data()
    {
        QTest::addColumn<QDateTime>("a");
        QTest::addColumn<QDateTime>("b");
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<qint64>("minutes");
        const QDate d(2026, 12, 10);
        QTest::newRow("across a minute by 2 s")
            << QDateTime(d, QTime(10, 0, 59)) << QDateTime(d, QTime(10, 1, 1)) << qint64(2) << qint64(1);
        QTest::newRow("59 s inside a minute")
            << QDateTime(d, QTime(10, 0, 0)) << QDateTime(d, QTime(10, 0, 59)) << qint64(59) << qint64(0);
        QTest::newRow("ms ignored") << QDateTime(d, QTime(10, 0, 0, 900)) << QDateTime(d, QTime(10, 0, 1, 100))
                                    << qint64(1) << qint64(0);
        QTest::newRow("backwards") << QDateTime(d, QTime(10, 5, 0)) << QDateTime(d, QTime(10, 0, 30)) << qint64(-270)
                                   << qint64(-5);
        QTest::newRow("across midnight") << QDateTime(d, QTime(23, 59, 30)) << QDateTime(d.addDays(1), QTime(0, 0, 10))
                                         << qint64(40) << qint64(1);
    }
    void boundariesCrossed()
    {
        QFETCH(QDateTime, a);
        QFETCH(QDateTime, b);
        QFETCH(qint64, seconds);
        QFETCH(qint64, minutes);
        QCOMPARE(Values::secondsCrossed(a, b), seconds);
        QCOMPARE(Values::minutesCrossed(a, b), minutes);
    }

    // Run again under a zone with daylight saving (see CMakeLists): a wall time this machine's
    // clock skips is still the site's time and must survive.
    void wallTimeInASkippedHour()
    {
        const QDateTime t = Values::toDate(QStringLiteral("Mar-08-26 02:30:00"));
        QVERIFY(t.isValid());
        QCOMPARE(t.date(), QDate(2026, 3, 8));
        QCOMPARE(t.time(), QTime(2, 30));
        const QDateTime before = Values::toDate(QStringLiteral("Mar-08-26 01:59:00"));
        QCOMPARE(Values::secondsCrossed(before, t), qint64(31 * 60));
    }

    void trimRemovesBlanksOnly()
    {
        QCOMPARE(Values::trimBlanks(QStringLiteral("  a b  ")), QStringLiteral("a b"));
        QCOMPARE(Values::trimBlanks(QStringLiteral("\ta\n")), QStringLiteral("\ta\n"));
        QCOMPARE(Values::trimBlanks(QStringLiteral(" \t ")), QStringLiteral("\t"));
        QCOMPARE(Values::trimBlanks(QStringLiteral("    ")), QString());
    }
};

QTEST_GUILESS_MAIN(TestValues)
#include "TestValues.moc"
