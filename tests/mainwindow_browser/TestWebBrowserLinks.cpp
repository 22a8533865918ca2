// Where a page in the real browser can send the user: web pages and the program's own local
// pages only. A click on a link of any other scheme does nothing and never reaches the desktop.
#include "TestProgramFolder.h"
#include "platform_gui/WebBrowser.h"

#include <QDesktopServices>
#include <QFile>
#include <QSignalSpy>
#include <QWebEngineView>
#include <QtTest>

namespace {

// Stands for the desktop's handler of a scheme: what QDesktopServices would have opened.
class DesktopHandler : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

} // namespace

class TestWebBrowserLinks : public QObject
{
    Q_OBJECT

    static constexpr int kPageMs = 30000;

    std::unique_ptr<TestProgramFolder> m_folder;
    DesktopHandler m_desktop;

    static bool writePage(const QString &path, const QByteArray &body)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) &&
               file.write("<!DOCTYPE html><html><head><title>t</title></head><body>" + body + "</body></html>") > 0;
    }

    // The middle of an element of the page shown, in the view's pixels.
    static QPoint centreOf(WebBrowser &browser, const QString &id)
    {
        QVariant answer;
        bool done = false;
        browser.runScript(QStringLiteral("(function(){var r=document.getElementById('%1').getBoundingClientRect();"
                                         "return [r.left + r.width / 2, r.top + r.height / 2];})()")
                              .arg(id),
                          [&](const QVariant &v) {
                              answer = v;
                              done = true;
                          });
        if (!QTest::qWaitFor([&] { return done; }, kPageMs))
            return QPoint(-1, -1);
        const QVariantList xy = answer.toList();
        return xy.size() == 2 ? QPoint(qRound(xy[0].toDouble()), qRound(xy[1].toDouble())) : QPoint(-1, -1);
    }

public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private slots:
    void initTestCase()
    {
        for (const char *scheme : {"zzevil", "mailto", "file", "ftp"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), &m_desktop, "open");
    }
    void cleanupTestCase()
    {
        for (const char *scheme : {"zzevil", "mailto", "file", "ftp"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(m_folder->isValid());
        m_desktop.opened.clear();
    }
    void cleanup() { m_folder.reset(); }

    void mayNavigate_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<bool>("mainFrame");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("http") << QUrl("http://127.0.0.1:8080/item?1") << true << true;
        QTest::newRow("https") << QUrl("HTTPS://example.com/") << true << true;
        QTest::newRow("http without a host") << QUrl("http:///x") << true << false;
        QTest::newRow("unknown scheme") << QUrl("zzevil://steal?all") << true << false;
        QTest::newRow("mail") << QUrl("mailto:someone@example.com") << true << false;
        QTest::newRow("ftp") << QUrl("ftp://example.com/f") << true << false;
        QTest::newRow("script") << QUrl("javascript:alert(1)") << true << false;
        QTest::newRow("data") << QUrl("data:text/html,<b>x</b>") << true << false;
        QTest::newRow("other file") << QUrl::fromLocalFile("/etc/passwd") << true << false;
        QTest::newRow("blank page") << QUrl("about:blank") << true << false;
        QTest::newRow("blank frame") << QUrl("about:blank") << false << true;
        QTest::newRow("other about frame") << QUrl("about:settings") << false << false;
        QTest::newRow("mail in a frame") << QUrl("mailto:someone@example.com") << false << false;
    }
    void mayNavigate()
    {
        QFETCH(QUrl, url);
        QFETCH(bool, mainFrame);
        QFETCH(bool, allowed);
        QCOMPARE(WebBrowser::mayNavigate(url, mainFrame), allowed);
    }

    void localPagesAreAllowedAndNothingBesideThem()
    {
        const QString html = m_folder->file(QStringLiteral("html"));
        QVERIFY(WebBrowser::mayNavigate(QUrl::fromLocalFile(html + QStringLiteral("/index.html")), true));
        QVERIFY(!WebBrowser::mayNavigate(QUrl::fromLocalFile(html + QStringLiteral("/../auction.mdb")), true));
        QVERIFY(QFile::link(m_folder->databasePath(), html + QStringLiteral("/db.html")));
        QVERIFY(!WebBrowser::mayNavigate(QUrl::fromLocalFile(html + QStringLiteral("/db.html")), true));
    }

    // The user clicks each link as a person would; the last one goes to another local page, and
    // once it is shown every earlier click has been dealt with.
    void clickedLinksOfOtherSchemesGoNowhere()
    {
        const QString html = m_folder->file(QStringLiteral("html"));
        QVERIFY(writePage(html + QStringLiteral("/next.html"), "<p>next</p>"));
        QVERIFY(writePage(html + QStringLiteral("/links.html"),
                          "<p><a id='evil' href='zzevil://steal?all' style='font-size:40px'>evil</a></p>"
                          "<p><a id='mail' href='mailto:someone@example.com' style='font-size:40px'>mail</a></p>"
                          "<p><a id='ftp' href='ftp://example.com/f' style='font-size:40px'>ftp</a></p>"
                          "<p><a id='next' href='next.html' style='font-size:40px'>next</a></p>"));
        WebBrowser browser;
        browser.resize(600, 500);
        browser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&browser));
        QSignalSpy finished(&browser, &IBrowser::loadFinished);
        const QUrl links = QUrl::fromLocalFile(html + QStringLiteral("/links.html"));
        QVERIFY(browser.navigate(links));
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), kPageMs);
        QCOMPARE(finished.last().at(1).value<IBrowser::LoadResult>(), IBrowser::LoadResult::Succeeded);

        QWidget *surface = browser.view()->focusProxy();
        QVERIFY(surface);
        for (const char *id : {"evil", "mail", "ftp", "next"}) {
            const QPoint at = centreOf(browser, QLatin1String(id));
            QVERIFY2(at.x() > 0 && at.y() > 0, id);
            QTest::mouseClick(surface, Qt::LeftButton, {}, at);
        }
        const QUrl next = QUrl::fromLocalFile(html + QStringLiteral("/next.html"));
        QTRY_COMPARE_WITH_TIMEOUT(browser.address(), next, kPageMs);
        QTRY_VERIFY_WITH_TIMEOUT(!browser.isBusy(), kPageMs);
        QCOMPARE(m_desktop.opened, QList<QUrl>());

        // Typed into the address box, such an address is refused at once.
        QVERIFY(!browser.navigate(QUrl("zzevil://steal")));
        QVERIFY(!browser.navigate(QUrl("mailto:someone@example.com")));
    }
};

QTEST_MAIN(TestWebBrowserLinks)
#include "TestWebBrowserLinks.moc"
