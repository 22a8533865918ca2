#include "EngineFixture.h"
#include "FakeBrowser.h"
#include "MsgBoxRecorder.h"
#include "engine/ebayURLS.h"
#include "mainwindow/BrowserPane.h"
#include "store/BSN_User.h"
#include "store/Globals.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolBar>
#include <QtTest>

// The browser pane over a fake browser: the add-auction button against the engine's queue and
// database, the address box, the news page and the site sign-in's decisions.
class TestBrowserPane : public QObject
{
    Q_OBJECT

    std::unique_ptr<EngineFixture> m_fx;
    FakeBrowser *m_wb = nullptr;
    std::unique_ptr<BrowserPane> m_pane;
    bool m_online = true;

    // The browser shows a page; the window reports the same address to the engine.
    void show(const QString &url, const QString &title = QStringLiteral("Page"))
    {
        m_fx->window->address = url;
        m_wb->finishLoad(QUrl(url), title);
    }
    QString itemPage(const QString &item) const
    {
        return m_fx->site.commandUrl(QStringLiteral("ViewItem&item=") + item);
    }
    QString signInPage() const { return m_fx->site.commandUrl(QStringLiteral("SignIn")); }
    // The first of the sign-in's two scripts asks where the form goes and carries no password.
    static bool isTargetQuery(const QString &script) { return script.contains(QLatin1String("[\"\",\"\",null]")); }
    void setSignInAddress(const QString &address)
    {
        QByteArray text = m_fx->site.urlFile();
        text.replace(signInPage().toUtf8(), address.toUtf8());
        QFile urls(m_fx->folder.file(QStringLiteral("eburl.zdx")));
        QVERIFY(urls.open(QIODevice::WriteOnly | QIODevice::Truncate));
        urls.write(text);
        urls.close();
        gURLs.reset();
    }
    static QString failureText()
    {
        return QStringLiteral("A non-critical error occurred:  web browser encountered an error while navigating to: ");
    }

private slots:
    void init()
    {
        m_fx = std::make_unique<EngineFixture>();
        QVERIFY(m_fx->isValid());
        m_online = true;
        m_wb = new FakeBrowser;
        m_pane = std::make_unique<BrowserPane>(m_wb, *m_fx->engine, nullptr, [this] { return m_online; });
        m_pane->show(); // a failure of a page in sight is a box
    }
    void cleanup()
    {
        m_pane.reset();
        m_fx.reset();
    }

    void addAuction_data()
    {
        QTest::addColumn<QString>("folder"); // none, open, closed, closedChild
        QTest::addColumn<bool>("alreadyAdded");
        QTest::addColumn<QString>("title"); // of the one message; empty when queued
        QTest::newRow("no folder") << "none" << false << "Select a Folder First";
        QTest::newRow("closed folder") << "closed" << false << "Cannot Add Auctions to Closed Folders";
        QTest::newRow("below closed folder") << "closedChild" << false << "Cannot Add Auctions to Closed Folders";
        QTest::newRow("already added") << "open" << true << "Auction Already Added";
        QTest::newRow("accepted") << "open" << false << "";
    }
    void addAuction()
    {
        QFETCH(QString, folder);
        QFETCH(bool, alreadyAdded);
        QFETCH(QString, title);
        MsgBoxRecorder boxes;
        FakeMainWindow &window = *m_fx->window;
        if (folder == QLatin1String("none")) {
            window.selectedFolder = window.selectedFolderRoot = -1;
        } else if (folder == QLatin1String("closed")) {
            window.selectedFolder = window.selectedFolderRoot = m_fx->closedFolder;
        } else if (folder == QLatin1String("closedChild")) {
            window.selectedFolder = m_fx->closedFolder + 100;
            window.selectedFolderRoot = m_fx->closedFolder;
        }
        if (alreadyAdded)
            m_fx->addAuctionRow(QStringLiteral("4242"));
        QAction *add = m_pane->button(QStringLiteral("addauction"));

        show(itemPage(QStringLiteral("0004242&rd=1")));
        QCOMPARE(add->isEnabled(), !alreadyAdded);
        add->setEnabled(true);
        m_pane->tbrBrowser_ButtonClick(QStringLiteral("addauction"));

        BNQueue &queue = m_fx->engine->queue();
        if (!title.isEmpty()) {
            QCOMPARE(boxes.boxes.size(), 1);
            QCOMPARE(boxes.boxes.first().title, title);
            QCOMPARE(queue.Count(), 0);
            return;
        }
        QVERIFY(boxes.boxes.isEmpty());
        QCOMPARE(queue.Count(), 1);
        QItemPtr item = queue.NextItem();
        QCOMPARE(item->Action, qint32(BNQItem::Import));
        QCOMPARE(item->ItemNumber, QStringLiteral("4242"));
        QCOMPARE(item->Priority, 1);
        QCOMPARE(item->UserKey, m_fx->userKey);
        QCOMPARE(item->Folder, m_fx->openFolder);
        QCOMPARE(item->message, QStringLiteral("Adding Auction #4242"));
        QCOMPARE(window.statusPanel(3), QStringLiteral("Items in Queue: 1"));
        QVERIFY(!add->isEnabled());
    }

    void addButtonFollowsThePage()
    {
        QAction *add = m_pane->button(QStringLiteral("addauction"));
        QVERIFY(!add->isEnabled());
        show(itemPage(QStringLiteral("77")));
        QVERIFY(add->isEnabled());
        show(m_fx->site.commandUrl(QStringLiteral("TimeShow")));
        QVERIFY(!add->isEnabled());
        // Signed out, nothing can be added.
        show(itemPage(QStringLiteral("78")));
        CurrentUser::instance().signOut();
        m_pane->UpdateAddAuctionButton();
        QVERIFY(!add->isEnabled());
    }

    // Every way of going to the typed address goes through NavigateSafe: a bad address is a
    // message, not a crash, and the address box keeps the text.
    void addressBoxNavigatesSafely_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("go button") << "cmdWBGo";
        QTest::newRow("go toolbar") << "tbrGo";
        QTest::newRow("enter") << "enter";
        QTest::newRow("list") << "list";
    }
    void addressBoxNavigatesSafely()
    {
        QFETCH(QString, how);
        MsgBoxRecorder boxes;
        QComboBox *box = m_pane->cboURL();
        const auto go = [&](const QString &text) {
            if (how == QLatin1String("list")) {
                box->addItem(text);
                box->setCurrentIndex(box->count() - 1);
                emit box->activated(box->count() - 1);
                return;
            }
            box->setEditText(text);
            if (how == QLatin1String("cmdWBGo")) {
                m_pane->cmdWBGo()->click();
            } else if (how == QLatin1String("tbrGo")) {
                m_pane->tbrGo()->actions().first()->trigger();
            } else {
                // The box holds the focus for its line edit: keys reach it first.
                QTest::keyClick(box, Qt::Key_Return);
            }
        };
        go(QStringLiteral("http://bad host name/"));
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().prompt, failureText() + QStringLiteral("http://bad host name/"));
        QCOMPARE(box->currentText(), QStringLiteral("http://bad host name/"));
        QVERIFY(m_wb->navigations.isEmpty());

        go(itemPage(QStringLiteral("5")));
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(m_wb->navigations, QList<QUrl>{QUrl(itemPage(QStringLiteral("5")))});
    }

    void keyInAddressBoxMakesGoTheDefault()
    {
        QSignalSpy dropped(m_pane.get(), &BrowserPane::goBecameDefault);
        QTest::keyClick(m_pane->cboURL()->lineEdit(), Qt::Key_A);
        QCOMPARE(dropped.size(), 1);
        QVERIFY(m_pane->cmdWBGo()->isDefault());
        m_pane->cmdWBGo_Click();
        QVERIFY(!m_pane->cmdWBGo()->isDefault());
    }

    void failedPageIsReported()
    {
        MsgBoxRecorder boxes;
        const QString url = QStringLiteral("http://nowhere.invalid/page.html");
        m_pane->NavigateSafe(url);
        QVERIFY(boxes.boxes.isEmpty());
        m_wb->failLoad(QUrl(url));
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().prompt, failureText() + url);
        // A page the user reached by a link fails without a message.
        m_wb->failLoad(QUrl(QStringLiteral("http://elsewhere.invalid/")));
        QCOMPARE(boxes.boxes.size(), 1);
    }

    // A page nobody sees (the log view is chosen, the window is in the tray) interrupts nobody.
    void hiddenPageFailsInTheStatusLine()
    {
        MsgBoxRecorder boxes;
        m_pane->hide();
        const QString url = QStringLiteral("http://nowhere.invalid/news.html");
        m_pane->NavigateSafe(url);
        m_wb->failLoad(QUrl(url));
        QVERIFY(boxes.boxes.isEmpty());
        QCOMPARE(m_pane->findChild<QLabel *>(QStringLiteral("stsbarWBPanel1"))->text(), failureText() + url);
        QCOMPARE(m_fx->generalLog(), QStringList{failureText() + url});
    }

    void completedPagesFillTheAddressListOnceAndTheTitleAsText()
    {
        const QString hostile = QStringLiteral("<b>Bold</b> <img src=x onerror=alert(1)> & more");
        show(itemPage(QStringLiteral("1")), hostile);
        show(itemPage(QStringLiteral("2")));
        show(itemPage(QStringLiteral("1")), hostile);
        QComboBox *box = m_pane->cboURL();
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->itemText(0), itemPage(QStringLiteral("1")));
        QCOMPARE(box->itemText(1), itemPage(QStringLiteral("2")));
        QCOMPARE(box->currentText(), itemPage(QStringLiteral("1")));
        QCOMPARE(m_pane->lblAuctionView()->textFormat(), Qt::PlainText);
        QCOMPARE(m_pane->lblAuctionView()->text(), hostile);
        QCOMPARE(m_pane->documentTitle(), hostile);
        QCOMPARE(m_pane->address(), itemPage(QStringLiteral("1")));
        auto *status = m_pane->stsbarWB()->findChild<QLabel *>(QStringLiteral("stsbarWBPanel1"));
        QCOMPARE(status->textFormat(), Qt::PlainText);
        emit m_wb->statusTextChanged(QStringLiteral("<a href=x>link</a>"));
        QCOMPARE(m_pane->statusText(), QStringLiteral("<a href=x>link</a>"));
    }

    void progress()
    {
        QProgressBar *bar = m_pane->prgWB();
        emit m_wb->progressChanged(30, 100);
        QCOMPARE(bar->maximum(), 101);
        QCOMPARE(bar->value(), 30);
        emit m_wb->progressChanged(-1, 200);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 201);
        QCOMPARE(bar->value(), 30);
        emit m_wb->progressChanged(150, 100);
        QCOMPARE(bar->value(), 100);
    }

    void newsPage()
    {
        MsgBoxRecorder boxes;
        const QUrl news(QLatin1String(BrowserPane::kNewsPage));
        m_online = false;
        m_pane->ShowNewsPage();
        QCOMPARE(m_wb->navigations, QList<QUrl>{BrowserPane::localPage()});
        QVERIFY(QFile::exists(BrowserPane::localPage().toLocalFile()));

        m_online = true;
        m_wb->navigations.clear();
        m_pane->ShowNewsPage();
        QCOMPARE(m_wb->navigations, QList<QUrl>{news});
        // No maker site answers: the local page follows, without a word.
        m_wb->failLoad(news);
        QCOMPARE(m_wb->navigations, (QList<QUrl>{news, BrowserPane::localPage()}));
        QVERIFY(boxes.boxes.isEmpty());

        // The toolbar's news button reports the failure, then shows the local page too.
        m_wb->navigations.clear();
        m_pane->tbrNews_Click();
        m_wb->failLoad(news);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(m_wb->navigations, (QList<QUrl>{news, BrowserPane::localPage()}));
    }

    void siteButtonGoesToTheSiteHost()
    {
        QAction *site = m_pane->button(QStringLiteral("ebay"));
        QCOMPARE(site->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(site->toolTip(), QStringLiteral("Take Me to eBay"));
        site->trigger();
        QCOMPARE(m_wb->navigations, QList<QUrl>{QUrl(m_fx->site.baseUrl() + QStringLiteral("/"))});
    }

    void engageButton()
    {
        QAction *engage = m_pane->button(QStringLiteral("engage"));
        QVERIFY(m_pane->isEngaged());
        QSignalSpy changed(m_pane.get(), &BrowserPane::engageChanged);
        engage->trigger();
        QVERIFY(!m_pane->isEngaged());
        QCOMPARE(engage->toolTip(), QStringLiteral("Click to Link Browser to Auction List"));
        engage->trigger();
        QCOMPARE(engage->toolTip(), QStringLiteral("Click to UnLink Browser from Auction List"));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.at(0).at(0).toBool(), false);
        QCOMPARE(changed.at(1).at(0).toBool(), true);
    }

    // Which completed page gets the form filled, and what a failure tells.
    void signIn_data()
    {
        QTest::addColumn<QStringList>("completed"); // pages completing after the request, in order
        QTest::addColumn<QString>("scriptAnswer");
        QTest::addColumn<int>("scripts");
        QTest::addColumn<bool>("failureShown");
        const QString page = QStringLiteral("http://127.0.0.1:%1/aw-cgi/eBayISAPI.dll?SignIn");
        // Two scripts fill a form: where it goes, then the filling.
        QTest::newRow("sign-in page") << QStringList{page} << "sent" << 2 << false;
        QTest::newRow("address differs in case")
            << QStringList{QStringLiteral("http://127.0.0.1:%1/AW-CGI/ebayisapi.DLL?signin")} << "sent" << 2 << false;
        QTest::newRow("another page first")
            << QStringList{QStringLiteral("http://127.0.0.1:%1/other"), page} << "sent" << 0 << false;
        QTest::newRow("second completion fills nothing") << QStringList{page, page} << "sent" << 2 << false;
        QTest::newRow("no submit element") << QStringList{page} << "no submit element" << 2 << true;
        QTest::newRow("script failed") << QStringList{page} << "" << 1 << true;
    }
    void signIn()
    {
        QFETCH(QStringList, completed);
        QFETCH(QString, scriptAnswer);
        QFETCH(int, scripts);
        QFETCH(bool, failureShown);
        MsgBoxRecorder boxes;
        m_wb->scriptResult = [&](const QString &script) {
            if (scriptAnswer.isEmpty())
                return QVariant();
            return isTargetQuery(script) ? QVariant(QStringLiteral("target:") + signInPage()) : QVariant(scriptAnswer);
        };
        m_pane->setSignInEnabled(true);
        m_pane->buttonMenuItem(QStringLiteral("ebaysignin"))->trigger();
        QVERIFY(gCurrentUser->SignInUserNow);
        QCOMPARE(m_wb->navigations, QList<QUrl>{QUrl(signInPage())});
        for (const QString &page : completed)
            m_wb->finishLoad(QUrl(page.arg(m_fx->site.port())));
        QVERIFY(!gCurrentUser->SignInUserNow);
        QCOMPARE(m_wb->scripts.size(), scripts);
        QCOMPARE(boxes.boxes.size(), failureShown ? 1 : 0);
        if (failureShown) {
            QCOMPARE(boxes.boxes.first().title, QStringLiteral("eBay Sign In Failed"));
            QCOMPARE(boxes.boxes.first().icon, MsgBox::Icon::Information);
        }
    }

    // The password goes only where the sign-in page came from, and never from https to http.
    void signInFormTargets_data()
    {
        QTest::addColumn<QString>("page");    // the sign-in address (%1: the site's port)
        QTest::addColumn<QString>("target");  // where the page's form would send it
        QTest::addColumn<QString>("refusal"); // empty: filled and sent
        const QString http = QStringLiteral("http://127.0.0.1:%1/aw-cgi/eBayISAPI.dll?SignIn");
        const QString https = QStringLiteral("https://127.0.0.1:%1/aw-cgi/eBayISAPI.dll?SignIn");
        QTest::newRow("same host") << http << "http://127.0.0.1:%1/aw-cgi/eBayISAPI.dll?SignInWelcome"
                                   << "";
        QTest::newRow("same host, other port") << http << "http://127.0.0.1:1/welcome"
                                               << "";
        QTest::newRow("other host") << http << "http://collector.invalid:%1/aw-cgi/eBayISAPI.dll?SignInWelcome"
                                    << "its form would send your password to collector.invalid, not to 127.0.0.1.";
        QTest::newRow("https to http") << https << "http://127.0.0.1:%1/aw-cgi/eBayISAPI.dll?SignInWelcome"
                                       << "it is a secure (https) page, but its form would send your password "
                                          "unencrypted (http).";
        QTest::newRow("https to https") << https << "https://127.0.0.1:%1/aw-cgi/eBayISAPI.dll?SignInWelcome"
                                        << "";
        QTest::newRow("http to https") << http << "https://127.0.0.1:%1/aw-cgi/eBayISAPI.dll?SignInWelcome"
                                       << "";
        QTest::newRow("script target") << http << "javascript:alert(1)"
                                       << "its form does not send to a web address.";
    }
    void signInFormTargets()
    {
        QFETCH(QString, page);
        QFETCH(QString, target);
        QFETCH(QString, refusal);
        const QString port = QString::number(m_fx->site.port());
        page = page.arg(port);
        target = target.arg(port);
        setSignInAddress(page);
        MsgBoxRecorder boxes;
        m_wb->scriptResult = [&](const QString &script) {
            return isTargetQuery(script) ? QVariant(QStringLiteral("target:") + target) : QVariant("sent");
        };
        m_pane->signInToSite();
        QCOMPARE(m_wb->navigations, QList<QUrl>{QUrl(page)});
        m_wb->finishLoad(QUrl(page));

        if (refusal.isEmpty()) {
            QCOMPARE(m_wb->scripts.size(), 2);
            QVERIFY(m_wb->scripts.last().contains(target));
            QVERIFY(m_wb->scripts.last().contains(gCurrentUser->EbayPassword));
            QVERIFY(boxes.boxes.isEmpty());
        } else {
            QCOMPARE(m_wb->scripts.size(), 1);
            QCOMPARE(boxes.boxes.size(), 1);
            QCOMPARE(boxes.boxes.first().title, QStringLiteral("eBay Sign In Not Sent"));
            QCOMPARE(boxes.boxes.first().icon, MsgBox::Icon::Information);
            QCOMPARE(boxes.boxes.first().prompt, QStringLiteral("Zandrift did not fill in the eBay Sign In page: ") +
                                                     refusal + QStringLiteral("  Please Sign In to eBay Manually."));
        }
        // The question where the form goes carries no password.
        QVERIFY(!m_wb->scripts.first().contains(gCurrentUser->EbayPassword));
    }

    void signInNeedsASignedInUser()
    {
        MsgBoxRecorder boxes;
        QVERIFY(!m_pane->buttonMenuItem(QStringLiteral("ebaysignin"))->isEnabled());
        CurrentUser::instance().signOut();
        m_pane->signInToSite();
        QVERIFY(m_wb->navigations.isEmpty());
        m_wb->finishLoad(QUrl(signInPage()));
        QVERIFY(m_wb->scripts.isEmpty());
        QVERIFY(boxes.boxes.isEmpty());
    }

    void signInWithoutAnAddressIsReported()
    {
        MsgBoxRecorder boxes;
        QFile urls(m_fx->folder.file(QStringLiteral("eburl.zdx")));
        QVERIFY(urls.open(QIODevice::WriteOnly | QIODevice::Truncate));
        urls.write("EbayViewItemURL|" + m_fx->site.commandUrl(QStringLiteral("ViewItem&item=")).toUtf8() + "\n");
        urls.close();
        gURLs.reset();
        m_pane->signInToSite();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().prompt, failureText());
        QVERIFY(!gCurrentUser->SignInUserNow);
    }
};

QTEST_MAIN(TestBrowserPane)
#include "TestBrowserPane.moc"
