#include "platform/TextCodec.h"

#include <QSet>
#include <QTest>

// Pages reach the parser as text whatever their bytes: Windows-1252 or UTF-8, declared or not.
class TestParseTextCodec : public QObject
{
    Q_OBJECT

private slots:
    void decodePage_data();
    void decodePage();
    void everyByteKept();
};

void TestParseTextCodec::decodePage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QString>("expected");

    const QString cafe = QString::fromUtf8("caf\xc3\xa9 \xe2\x80\x93");
    QTest::newRow("meta 1252") << QByteArray("<meta charset=windows-1252>caf\xe9 \x96") << QByteArray()
                               << "<meta charset=windows-1252>" + cafe;
    QTest::newRow("header beats meta") << QByteArray("<meta charset=windows-1252>caf\xc3\xa9 \xe2\x80\x93")
                                       << QByteArray("text/html; charset=UTF-8")
                                       << "<meta charset=windows-1252>" + cafe;
    QTest::newRow("latin-1 read as 1252")
        << QByteArray("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=ISO-8859-1\">\x80")
        << QByteArray()
        << QString::fromUtf8("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
                             "charset=ISO-8859-1\">\xe2\x82\xac");
    QTest::newRow("says utf-8, holds 1252") << QByteArray("<meta charset=utf-8>caf\xe9 \x96") << QByteArray()
                                            << QStringLiteral("<meta charset=utf-8>") + cafe;
    QTest::newRow("undeclared utf-8") << QByteArray("caf\xc3\xa9 \xe2\x80\x93") << QByteArray() << cafe;
    QTest::newRow("undeclared, not utf-8") << QByteArray("caf\xe9 \x96") << QByteArray() << cafe;
    QTest::newRow("utf-8 byte order mark") << QByteArray("\xef\xbb\xbf"
                                                         "caf\xc3\xa9 \xe2\x80\x93")
                                           << QByteArray() << cafe;
    QTest::newRow("unknown charset falls back")
        << QByteArray("caf\xe9 \x96") << QByteArray("text/html; charset=x-no") << cafe;
    QTest::newRow("empty") << QByteArray() << QByteArray() << QString();
}

void TestParseTextCodec::decodePage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, contentType);
    QFETCH(QString, expected);
    QCOMPARE(TextCodec::decodePage(bytes, contentType), expected);
}

void TestParseTextCodec::everyByteKept()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = TextCodec::fromWindows1252(all);
    QCOMPARE(text.size(), qsizetype(256));
    QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), 256);
    QCOMPARE(text.at(0x80), QChar(0x20AC));
    QCOMPARE(text.at(0x81), QChar(0x81));
    QCOMPARE(text.at(0xE9), QChar(0xE9));
}

QTEST_GUILESS_MAIN(TestParseTextCodec)
#include "TestParseTextCodec.moc"
