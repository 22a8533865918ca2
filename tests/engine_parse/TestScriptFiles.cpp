#include "engine/BNParseScripElem.h"
#include "engine/BNParseScript.h"
#include "engine/CommandLine.h"
#include "engine/ebayURLS.h"
#include "platform/ProgramFolder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The record format shared by eburl.zdx and ebparse.zdx, the element builder, and the
// page-address list of the run.
class TestScriptFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void scriptRecords_data();
    void scriptRecords();
    void scriptFileErrors_data();
    void scriptFileErrors();
    void fileOverThe16BitLimit();
    void emptyKeySeparatorKeepsAllUnkeyed();

    void element_data();
    void element();
    void shippedScriptHasEveryKey();

    void urlFile_data();
    void urlFile();
    void urlsCreatedOnFirstUse();

private:
    QString write(const QString &name, const QByteArray &bytes);
    std::unique_ptr<QTemporaryDir> m_dir;
};

QString TestScriptFiles::write(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir->filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestScriptFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    ProgramFolder::setOverride(m_dir->path());
    gURLs.reset();
}

void TestScriptFiles::cleanup()
{
    gURLs.reset();
    ProgramFolder::setOverride(QString());
}

void TestScriptFiles::scriptRecords_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("keyed");

    QTest::newRow("lf") << QByteArray("A = 1\nB = 2\n") << "B"
                        << "2" << 2;
    QTest::newRow("cr lf") << QByteArray("A = 1\r\nB = 2\r\n") << "B"
                           << "2" << 2;
    QTest::newRow("cr lf first") << QByteArray("A = 1\r\nB = 2\r\n") << "A"
                                 << "1" << 2;
    QTest::newRow("last line without lf") << QByteArray("A = 1\nB = 2") << "B"
                                          << "2" << 2;
    QTest::newRow("value holds =") << QByteArray("TIMEENDS = <font size=\"2\">,</font>,Ends,1,0,FORWARD\n")
                                   << "TIMEENDS"
                                   << "<font size=\"2\">,</font>,Ends,1,0,FORWARD" << 1;
    QTest::newRow("key without regard to case") << QByteArray("Seller = v\n") << "SELLER"
                                                << "v" << 1;
    QTest::newRow("lines without separator") << QByteArray("a comment\n\n  \nA = 1\n") << "A"
                                             << "1" << 1;
    QTest::newRow("only blanks trimmed") << QByteArray("A =\t1 \n") << "A"
                                         << "\t1" << 1;
    QTest::newRow("empty value") << QByteArray("A =\n") << "A"
                                 << "" << 1;
    QTest::newRow("one byte per character") << QByteArray("A = caf\xe9\x96\x81\n") << "A"
                                            << QString::fromUtf8("caf\xc3\xa9\xe2\x80\x93") + QChar(0x81) << 1;
}

void TestScriptFiles::scriptRecords()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(int, keyed);

    BNParseScript script;
    QString error;
    QVERIFY2(script.ImportScript(write("ebparse.zdx", file), &error), qPrintable(error));
    QString got;
    QVERIFY(script.ScriptElements.lookup(key, &got));
    QCOMPARE(got, value);
    QCOMPARE(script.ScriptElements.keyedCount(), qsizetype(keyed));
}

void TestScriptFiles::scriptFileErrors_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("message"); // null: any

    QTest::newRow("duplicate key") << QByteArray("A = 1\nB = 2\nA = 3\n") << true
                                   << QStringLiteral("Duplicate key \"A\" in line 3.");
    QTest::newRow("duplicate key in other case") << QByteArray("Seller = 1\nSELLER = 2\n") << true << QString();
    QTest::newRow("duplicate key with blanks") << QByteArray("A = 1\r\n A=2\n") << true << QString();
    // A key that looks like a place holder is said as written.
    QTest::newRow("duplicate key %1") << QByteArray("%1 = a\n%1 = b\n") << true
                                      << QStringLiteral("Duplicate key \"%1\" in line 2.");
    QTest::newRow("duplicate key %2%1") << QByteArray("x\n%2%1 = a\n%2%1 = b\n") << true
                                        << QStringLiteral("Duplicate key \"%2%1\" in line 3.");
    QTest::newRow("missing file") << QByteArray() << false << QString();
}

void TestScriptFiles::scriptFileErrors()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, exists);

    const QString path = exists ? write("ebparse.zdx", file) : m_dir->filePath("absent.zdx");
    BNParseScript script;
    QString error;
    QVERIFY(!script.ImportScript(path, &error));
    QVERIFY(!error.isEmpty());
    QFETCH(QString, message);
    if (!message.isNull())
        QCOMPARE(error, message);
    QCOMPARE(script.ScriptElements.count(), qsizetype(0));
    QVERIFY(!GetScriptElem("B", script));
}

void TestScriptFiles::fileOverThe16BitLimit()
{
    // The old 16-bit position limit is gone: records far past character 32,767 still load.
    QByteArray file = "FIRST = a,b,c,1,0,FORWARD\n";
    for (int i = 0; i < 2000; ++i)
        file += "a comment line padding the file well past the old limit\n";
    file += "LAST = x,y,z,2,0,BACKSLIP";
    QVERIFY(file.size() > 100000);

    BNParseScript script;
    QString error;
    QVERIFY2(script.ImportScript(write("ebparse.zdx", file), &error), qPrintable(error));
    const auto last = GetScriptElem("last", script);
    QVERIFY(last);
    QCOMPARE(last->CaseNumber, qint16(2));
    QCOMPARE(last->xType, QStringLiteral("BACKSLIP"));
}

void TestScriptFiles::emptyKeySeparatorKeepsAllUnkeyed()
{
    CommandLine cl;
    QVERIFY(cl.SplitArgs(1, QStringLiteral("A=1\r\nA=1\n"), QStringLiteral("\n"), QString()));
    QCOMPARE(cl.colParams->count(), qsizetype(3));
    QCOMPARE(cl.colParams->keyedCount(), qsizetype(0));
    cl.ClearArgs();
    QVERIFY(!cl.colParams);
    QCOMPARE(CommandLine::DeNullify(QStringLiteral("a\r\rb"), 13, 32), QStringLiteral("a  b"));
}

void TestScriptFiles::element_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("built");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("close");
    QTest::addColumn<QString>("catchText");
    QTest::addColumn<int>("caseNumber");
    QTest::addColumn<QString>("command");

    QTest::newRow("six fields") << "<b>,</b>,Currently,1,anything,FORWARD" << true << "<b>"
                                << "</b>"
                                << "Currently" << 1 << "FORWARD";
    QTest::newRow("seventh field ignored") << "a,b,c,3,e,BACKSLIP,extra" << true << "a"
                                           << "b"
                                           << "c" << 3 << "BACKSLIP";
    QTest::newRow("VBLF is a line feed") << "VBLF,VBLF,c,1,e,FORWARD" << true << "\n"
                                         << "\n"
                                         << "c" << 1 << "FORWARD";
    QTest::newRow("VBLF after a blank stays") << "a, VBLF,c,1,e,FORWARD" << true << "a"
                                              << " VBLF"
                                              << "c" << 1 << "FORWARD";
    QTest::newRow("vblf in lower case stays") << "vblf,b,c,1,e,FORWARD" << true << "vblf"
                                              << "b"
                                              << "c" << 1 << "FORWARD";
    QTest::newRow("blank after comma kept") << "<b>, </b>, x,1,e,TRUEFALSE" << true << "<b>"
                                            << " </b>"
                                            << " x" << 1 << "TRUEFALSE";
    QTest::newRow("case number rounded") << "a,b,c, 2.5 ,e,FORWARD" << true << "a"
                                         << "b"
                                         << "c" << 2 << "FORWARD";
    QTest::newRow("five fields") << "a,b,c,1,FORWARD" << false << ""
                                 << ""
                                 << "" << 0 << "";
    QTest::newRow("case number not a number") << "a,b,c,one,e,FORWARD" << false << ""
                                              << ""
                                              << "" << 0 << "";
    QTest::newRow("case number out of range") << "a,b,c,40000,e,FORWARD" << false << ""
                                              << ""
                                              << "" << 0 << "";
}

void TestScriptFiles::element()
{
    QFETCH(QString, line);
    QFETCH(bool, built);

    BNParseScript script;
    QVERIFY(script.ImportScript(write("ebparse.zdx", "KEY = " + line.toLatin1() + "\n")));
    QString error;
    const auto elem = GetScriptElem("Key", script, &error);
    QCOMPARE(bool(elem), built);
    if (!built) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QTEST(elem->OpenTag, "open");
    QTEST(elem->CloseTag, "close");
    QTEST(elem->Catch, "catchText");
    QTEST(int(elem->CaseNumber), "caseNumber");
    QTEST(elem->xType, "command");
    QVERIFY(!GetScriptElem("MISSING", script, &error));
}

void TestScriptFiles::shippedScriptHasEveryKey()
{
    BNParseScript script;
    QString error;
    QVERIFY2(script.ImportScript(ZANDRIFT_SOURCE_DATA "/ebparse.zdx", &error), qPrintable(error));
    for (const char *key : {"CURRENTBID", "CURRENTBID2", "MINBID", "QUANTITY", "TIMELEFT", "BIDDERSEARCH", "TIMEENDS",
                            "NUMBEROFBIDS", "LOCATION", "COUNTRY", "COUNTRY2", "Seller", "HIGHBID", "TITLE", "KEY"}) {
        const auto elem = GetScriptElem(QLatin1String(key), script, &error);
        QVERIFY2(elem, qPrintable(error));
        QVERIFY2(elem->xType == "FORWARD" || elem->xType == "TRUEFALSE" || elem->xType == "BACKSLIP", key);
    }

    ebayURLS urls;
    QVERIFY2(urls.Load(ZANDRIFT_SOURCE_DATA "/eburl.zdx", &error), qPrintable(error));
    for (const QString *url : {&urls.EbayViewItemURL, &urls.EbayBiddingURL, &urls.EbayTimeSyncURL, &urls.EbayLogInURL,
                               &urls.EbayMakeBidURL, &urls.EbayConfirmBidURL, &urls.EbayUserSignInURL})
        QVERIFY(url->startsWith("http://127.0.0.1:8088/"));
}

void TestScriptFiles::urlFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("loads");
    QTest::addColumn<QString>("viewItem");
    QTest::addColumn<QString>("signIn");
    QTest::addColumn<QString>("confirm");

    QTest::newRow("all keys") << QByteArray("EbayViewItemURL|http://h/v?item=\r\nEbaySignInURL | http://h/s\r\n"
                                            "EbayConfirmBidURL|http://h/c\r\n")
                              << true << "http://h/v?item="
                              << "http://h/s"
                              << "http://h/c";
    QTest::newRow("without confirm-bid key") << QByteArray("EbayViewItemURL|http://h/v\n") << true << "http://h/v"
                                             << ""
                                             << "";
    QTest::newRow("sign-in field has its own key only") << QByteArray("EbayUserSignInURL|http://h/x\n") << true << ""
                                                        << ""
                                                        << "";
    QTest::newRow("value holds the separator")
        << QByteArray("ebayviewitemurl|http://h/v?a|b\n") << true << "http://h/v?a|b"
        << ""
        << "";
    QTest::newRow("view-item key twice") << QByteArray("EbayViewItemURL|http://h/1\nEbaySignInURL|http://h/s\n"
                                                       "EbayViewItemURL|http://h/2\n")
                                         << false << ""
                                         << ""
                                         << "";
}

void TestScriptFiles::urlFile()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, loads);

    ebayURLS urls;
    QString error;
    QCOMPARE(urls.Load(write("eburl.zdx", file), &error), loads);
    QCOMPARE(error.isEmpty(), loads);
    QTEST(urls.EbayViewItemURL, "viewItem");
    QTEST(urls.EbayUserSignInURL, "signIn");
    QTEST(urls.EbayConfirmBidURL, "confirm");
}

void TestScriptFiles::urlsCreatedOnFirstUse()
{
    QString error;
    QVERIFY(!UseURLs(&error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!gURLs);

    write("eburl.zdx", "EbayTimeSyncURL|http://h/t\nEbayTimeSyncURL|http://h/u\n");
    QVERIFY(!UseURLs(&error));
    QVERIFY(!gURLs);

    write("eburl.zdx", "EbayTimeSyncURL|http://h/t\n");
    ebayURLS *urls = UseURLs(&error);
    QVERIFY(urls);
    QCOMPARE(urls, gURLs.get());
    QCOMPARE(urls->EbayTimeSyncURL, QStringLiteral("http://h/t"));

    // Read once per run: later edits do not show.
    write("eburl.zdx", "EbayTimeSyncURL|http://h/changed\n");
    QCOMPARE(UseURLs()->EbayTimeSyncURL, QStringLiteral("http://h/t"));
}

QTEST_GUILESS_MAIN(TestScriptFiles)
#include "TestScriptFiles.moc"
