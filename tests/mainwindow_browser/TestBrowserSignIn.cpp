#include "EngineFixture.h"
#include "FormData.h"
#include "MsgBoxRecorder.h"
#include "engine/ebayURLS.h"
#include "mainwindow/BrowserPane.h"
#include "platform/Database.h"
#include "platform_gui/WebBrowser.h"
#include "store/BSN_User.h"
#include "store/Globals.h"

#include <QLabel>
#include <QTcpServer>
#include <QUrl>
#include <QtTest>

// The site sign-in in a real browser against the practice site: the form is sent with the
// user's site name and password as stored, whatever characters the password holds, and a
// sign-in page without its submit button is reported.
class TestBrowserSignIn : public QObject
{
    Q_OBJECT

    static constexpr int kPageMs = 30000;

    static std::vector<practice::RecordedRequest> signInPosts(const practice::PracticeSite &site)
    {
        std::vector<practice::RecordedRequest> posts;
        for (const auto &r : site.requests()) {
            if (r.command == QLatin1String("SignInWelcome"))
                posts.push_back(r);
        }
        return posts;
    }

public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private slots:
    void signIn_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("submitType"); // as the page writes its button; "none": no button
        QTest::addColumn<QString>("posted");     // the password the site receives; null: no post
        const QString hostile = QStringLiteral("q\"uo'te \\back\\\\ </script><b>&amp; %41+=;`${x}`");
        QTest::newRow("hostile password") << hostile << "" << hostile;
        // A password field drops line breaks by HTML's rules; the rest still arrives intact.
        QTest::newRow("line break") << QStringLiteral("first\r\nsecond\\n") << "" << QStringLiteral("firstsecond\\n");
        QTest::newRow("no submit element") << hostile << "none" << QString();
        QTest::newRow("button typed Submit") << hostile << "Submit" << QString();
    }
    void signIn()
    {
        QFETCH(QString, password);
        QFETCH(QString, submitType);
        QFETCH(QString, posted);
        EngineFixture fx;
        QVERIFY(fx.isValid());
        MsgBoxRecorder boxes;

        gDB->execute(QStringLiteral("UPDATE Users SET U_EbayPassword = ? WHERE U_Primary = ?"), {password, fx.userKey});
        gUsers->Init(*gDB);
        CurrentUser::instance().signIn(gUsers->GetUserByPrimary(fx.userKey));
        QCOMPARE(gCurrentUser->EbayPassword, password);
        fx.site.addUser(QLatin1String(EngineFixture::kSiteUser), password);
        if (!submitType.isEmpty()) {
            QByteArray text = fx.site.urlFile();
            text.replace("?SignIn\n", "?SignIn&submit=" + submitType.toUtf8() + "\n");
            QFile urls(fx.folder.file(QStringLiteral("eburl.zdx")));
            QVERIFY(urls.open(QIODevice::WriteOnly | QIODevice::Truncate));
            urls.write(text);
            urls.close();
            gURLs.reset();
        }

        BrowserPane pane(new WebBrowser, *fx.engine);
        pane.resize(800, 600);
        pane.show();
        pane.signInToSite();

        if (posted.isNull()) {
            QTRY_COMPARE_WITH_TIMEOUT(boxes.boxes.size(), 1, kPageMs);
            QCOMPARE(boxes.boxes.first().title, QStringLiteral("eBay Sign In Failed"));
            QVERIFY(signInPosts(fx.site).empty());
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(!signInPosts(fx.site).empty(), kPageMs);
        const auto posts = signInPosts(fx.site);
        QCOMPARE(posts.size(), size_t(1));
        QCOMPARE(posts.front().method, QStringLiteral("POST"));
        const FormData form(posts.front().body);
        QCOMPARE(form.value(QStringLiteral("userid")), QLatin1String(EngineFixture::kSiteUser));
        QCOMPARE(form.value(QStringLiteral("pass")), posted);
        if (posted == password)
            QTRY_COMPARE_WITH_TIMEOUT(pane.lblAuctionView()->text(), QStringLiteral("Welcome"), kPageMs);
        QVERIFY(boxes.boxes.isEmpty());
        QVERIFY(!gCurrentUser->SignInUserNow);
    }

    // A sign-in page whose form, or whose button, sends elsewhere than the site: nothing is
    // filled in, nothing is sent, and the user is told. ("localhost" is another name, on
    // loopback too, so a form sent there anyway is seen by the site.)
    void signInFormToAnotherHost_data()
    {
        QTest::addColumn<QString>("parameter");
        QTest::newRow("form action") << "action";
        QTest::newRow("button formaction") << "formaction";
    }
    void signInFormToAnotherHost()
    {
        QFETCH(QString, parameter);
        EngineFixture fx;
        QVERIFY(fx.isValid());
        MsgBoxRecorder boxes;
        const QString elsewhere =
            QStringLiteral("http://localhost:%1%2?SignInWelcome")
                .arg(QString::number(fx.site.port()), QLatin1String(practice::PracticeSite::kDllPath));
        QByteArray text = fx.site.urlFile();
        QVERIFY(text.contains("?SignIn\n"));
        text.replace("?SignIn\n", "?SignIn&" + parameter.toUtf8() + "=" + QUrl::toPercentEncoding(elsewhere) + "\n");
        QFile urls(fx.folder.file(QStringLiteral("eburl.zdx")));
        QVERIFY(urls.open(QIODevice::WriteOnly | QIODevice::Truncate));
        urls.write(text);
        urls.close();
        gURLs.reset();

        BrowserPane pane(new WebBrowser, *fx.engine);
        pane.resize(800, 600);
        pane.show();
        pane.signInToSite();
        QTRY_COMPARE_WITH_TIMEOUT(boxes.boxes.size(), 1, kPageMs);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("eBay Sign In Not Sent"));
        QVERIFY2(boxes.boxes.first().prompt.contains(QStringLiteral("to localhost, not to 127.0.0.1")),
                 qPrintable(boxes.boxes.first().prompt));
        QTest::qWait(500);
        QVERIFY(signInPosts(fx.site).empty());
    }

    // A page still loading when the sign-in is asked for is abandoned, not taken for the
    // completed page that would use up the request.
    void signInWhileAnotherPageLoads()
    {
        EngineFixture fx;
        QVERIFY(fx.isValid());
        MsgBoxRecorder boxes;
        fx.site.addAuction(fx.siteAuction(QStringLiteral("31"), 3600));
        fx.site.setFault(QLatin1String(practice::PracticeSite::kDllPath) + QStringLiteral("?ViewItem"),
                         practice::Fault{practice::FaultKind::Delay, 1500, 1});
        BrowserPane pane(new WebBrowser, *fx.engine);
        pane.resize(800, 600);
        pane.show();
        pane.NavigateSafe(fx.site.commandUrl(QStringLiteral("ViewItem&item=31")));
        QTRY_VERIFY_WITH_TIMEOUT(fx.site.requestCount() > 0, kPageMs);
        pane.signInToSite();
        QTRY_VERIFY_WITH_TIMEOUT(!signInPosts(fx.site).empty(), kPageMs);
        QVERIFY(boxes.boxes.isEmpty());
    }

    // A page that cannot be fetched is reported once, and the program goes on.
    void unreachablePageIsReported()
    {
        EngineFixture fx;
        QVERIFY(fx.isValid());
        MsgBoxRecorder boxes;
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString url = QStringLiteral("http://127.0.0.1:%1/news.html").arg(closed.serverPort());
        closed.close();
        BrowserPane pane(new WebBrowser, *fx.engine);
        pane.resize(800, 600);
        pane.show();
        pane.NavigateSafe(url);
        QTRY_COMPARE_WITH_TIMEOUT(boxes.boxes.size(), 1, kPageMs);
        QVERIFY(boxes.boxes.first().prompt.endsWith(QStringLiteral("navigating to: ") + url));
        QTRY_VERIFY_WITH_TIMEOUT(!pane.isBusy(), kPageMs);
        QCOMPARE(boxes.boxes.size(), 1);
    }
};

QTEST_MAIN(TestBrowserSignIn)
#include "TestBrowserSignIn.moc"
