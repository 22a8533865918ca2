#include "Fifo.h"
#include "MsgBoxRecorder.h"
#include "mainwindow/FavoritesPane.h"
#include "platform/FormTimer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The favorites pane over a profile folder of its own, found through USERPROFILE.
class TestFavoritesPane : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_profile;
    std::unique_ptr<FormTimer> m_tmrFav;
    std::unique_ptr<FavoritesPane> m_pane;
    QString m_favorites;
    QByteArray m_home;

    void write(const QString &relative, const QByteArray &content)
    {
        const QString path = m_favorites + QLatin1Char('/') + relative;
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    static QByteArray shortcut(const char *url) { return QByteArray("[InternetShortcut]\r\nURL=") + url + "\r\n"; }
    QStringList outline() const
    {
        QStringList out;
        for (qint32 i = 0; i < m_pane->itemCount(); ++i)
            out << QStringLiteral("%1:%2").arg(m_pane->itemLevel(i)).arg(m_pane->itemText(i));
        return out;
    }
    qint32 find(const QString &text) const
    {
        for (qint32 i = 0; i < m_pane->itemCount(); ++i) {
            if (m_pane->itemText(i) == text)
                return i;
        }
        return -1;
    }

private slots:
    void initTestCase() { m_home = qgetenv("HOME"); }
    void init()
    {
        m_profile = std::make_unique<QTemporaryDir>();
        QVERIFY(m_profile->isValid());
        m_favorites = m_profile->filePath(QStringLiteral("FaVorites"));
        QVERIFY(QDir().mkpath(m_favorites));
        qputenv("USERPROFILE", m_profile->path().toLocal8Bit());
        m_tmrFav = std::make_unique<FormTimer>(0);
        m_pane = std::make_unique<FavoritesPane>(*m_tmrFav);
        m_pane->resize(300, 400);
    }
    void cleanup()
    {
        m_pane.reset();
        m_tmrFav.reset();
        m_profile.reset();
        qunsetenv("USERPROFILE");
        qputenv("HOME", m_home);
    }

    void folderLookup_data()
    {
        QTest::addColumn<bool>("profileSet");
        QTest::addColumn<bool>("profileHasOne");
        QTest::addColumn<QString>("expected");
        QTest::newRow("profile") << true << true << QStringLiteral("profile/FaVorites");
        QTest::newRow("home when no profile is set") << false << true << QStringLiteral("home/favorites");
        QTest::newRow("profile without one") << true << false << QString();
    }
    void folderLookup()
    {
        QFETCH(bool, profileSet);
        QFETCH(bool, profileHasOne);
        QFETCH(QString, expected);
        QTemporaryDir root;
        for (const char *path : {"home/favorites", "profile/notfavorites"})
            QVERIFY(QDir(root.path()).mkpath(QLatin1String(path)));
        if (profileHasOne)
            QVERIFY(QDir(root.path()).mkpath(QStringLiteral("profile/FaVorites")));
        qputenv("HOME", root.filePath(QStringLiteral("home")).toLocal8Bit());
        if (profileSet)
            qputenv("USERPROFILE", root.filePath(QStringLiteral("profile")).toLocal8Bit());
        else
            qunsetenv("USERPROFILE");
        QCOMPARE(FavoritesPane::FavoritesFolder(), expected.isEmpty() ? QString() : root.filePath(expected));
    }

    void noFavoritesFolderIsReported()
    {
        QVERIFY(QDir(m_favorites).removeRecursively());
        MsgBoxRecorder boxes;
        m_pane->BuildFavoritesTree();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("Unable to Locate Favorites Folder."));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Error Locating Favorites Folder"));
        QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::None);
        QCOMPARE(m_pane->lblFavorites()->text(), QStringLiteral("Building List of Favorites..."));
        QCOMPARE(m_pane->itemCount(), 0);
    }

    // Subfolders with their shortcuts one level below them, the favorites folder's own
    // shortcuts at the top, every level in order; only ".url" files in any case count.
    void treeShowsFoldersAndShortcuts()
    {
        write(QStringLiteral("a.url"), shortcut("http://example.com/a"));
        write(QStringLiteral("b.URL"), shortcut("http://example.com/b"));
        write(QStringLiteral("readme.txt"), shortcut("http://example.com/readme"));
        write(QStringLiteral("notes"), shortcut("http://example.com/notes"));
        write(QStringLiteral("Sub/y.url"), shortcut("http://example.com/y"));
        write(QStringLiteral("Sub/x.url"), shortcut("http://example.com/x"));
        write(QStringLiteral("A/p.url"), shortcut("http://example.com/p"));
        write(QStringLiteral("A/B/q.url"), shortcut("https://example.com/q"));
        MsgBoxRecorder boxes;
        m_pane->BuildFavoritesTree();
        QVERIFY(boxes.boxes.isEmpty());
        QVERIFY(!m_pane->isHidden());
        QCOMPARE(m_pane->lblFavorites()->text(), QStringLiteral("Favorites"));
        QCOMPARE(outline(), (QStringList{"0:A", "1:B", "2:q", "1:p", "0:a", "0:b", "0:Sub", "1:x", "1:y"}));
        QCOMPARE(m_pane->itemTag(find(QStringLiteral("Sub"))), QStringLiteral("fSub"));
        QCOMPARE(m_pane->itemTag(find(QStringLiteral("q"))), QStringLiteral("lq"));
        QCOMPARE(m_pane->ItemRelativePath(find(QStringLiteral("q"))), QStringLiteral("A/B/q"));
        QCOMPARE(m_pane->itemPicture(find(QStringLiteral("q"))), QStringLiteral("picFavFile"));

        QSignalSpy opened(m_pane.get(), &FavoritesPane::navigateRequested);
        m_pane->selectItem(find(QStringLiteral("q")));
        m_pane->selectItem(find(QStringLiteral("b")));
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened[0][0].toString(), QStringLiteral("https://example.com/q"));
        QCOMPARE(opened[1][0].toString(), QStringLiteral("http://example.com/b"));

        // A folder opens nothing and only refreshes the pictures.
        m_tmrFav->setEnabled(false);
        m_pane->selectItem(find(QStringLiteral("Sub")));
        QCOMPARE(opened.size(), 2);
        QVERIFY(m_tmrFav->isRunning());
        QCOMPARE(m_pane->sftFavorites_ToolTip(find(QStringLiteral("Sub"))), QString());

        m_pane->cmdCloseFavorites_Click();
        QVERIFY(m_pane->isHidden());
        QCOMPARE(m_pane->itemCount(), 9);
    }

    void shortcutOpensOnlyAWebAddress_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("opened");
        QTest::newRow("section, then the address") << shortcut("http://example.com/a") << "http://example.com/a"
                                                   << "http://example.com/a";
        QTest::newRow("BASEURL before URL counts")
            << QByteArray("[DEFAULT]\r\nBASEURL=http://base.example.com/\r\n[InternetShortcut]\r\n"
                          "URL=http://example.com/b\r\n")
            << "http://base.example.com/"
            << "http://base.example.com/";
        QTest::newRow("key in any case, address as written")
            << QByteArray("[InternetShortcut]\nurl=HTTPS://Example.com/Case?q=1&r=2\n")
            << "HTTPS://Example.com/Case?q=1&r=2"
            << "HTTPS://Example.com/Case?q=1&r=2";
        QTest::newRow("address on the fourth line")
            << QByteArray("[InternetShortcut]\nIconIndex=0\nHotKey=0\nURL=http://example.com/late\n") << ""
            << "";
        QTest::newRow("javascript") << shortcut("javascript:alert(document.cookie)")
                                    << "javascript:alert(document.cookie)"
                                    << "";
        QTest::newRow("file") << shortcut("file:///etc/passwd") << "file:///etc/passwd"
                              << "";
        QTest::newRow("no address") << QByteArray("[InternetShortcut]\r\n") << ""
                                    << "";
    }
    void shortcutOpensOnlyAWebAddress()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, address);
        QFETCH(QString, opened);
        write(QStringLiteral("Site.url"), content);
        m_pane->BuildFavoritesTree();
        QCOMPARE(outline(), QStringList{QStringLiteral("0:Site")});
        QCOMPARE(m_pane->sftFavorites_ToolTip(0), address);
        QSignalSpy spy(m_pane.get(), &FavoritesPane::navigateRequested);
        m_pane->selectItem(0);
        QCOMPARE(spy.size(), opened.isEmpty() ? 0 : 1);
        if (!opened.isEmpty())
            QCOMPARE(spy[0][0].toString(), opened);
    }

    // A shortcut file replaced by a FIFO since the tree was built: its tooltip and choosing it
    // give nothing, at once, instead of freezing the window in open().
    void aFifoIsNeverWaitedOn()
    {
        write(QStringLiteral("Site.url"), shortcut("http://example.com/a"));
        m_pane->BuildFavoritesTree();
        QCOMPARE(outline(), QStringList{QStringLiteral("0:Site")});
        QVERIFY(QFile::remove(m_favorites + QStringLiteral("/Site.url")));
        Fifo pipe(m_favorites + QStringLiteral("/Site.url"));
        QVERIFY(pipe.isValid());
        QSignalSpy spy(m_pane.get(), &FavoritesPane::navigateRequested);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(m_pane->sftFavorites_ToolTip(0), QString());
        m_pane->selectItem(0);
        QVERIFY2(clock.elapsed() < Fifo::kReleaseAfterMs / 2, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(spy.size(), 0);
    }

    // A link back up the tree is neither walked nor shown.
    void symbolicLinkLoopIsNotFollowed()
    {
        write(QStringLiteral("L/k.url"), shortcut("http://example.com/k"));
        QVERIFY(QFile::link(m_favorites, m_favorites + QStringLiteral("/L/back")));
        QVERIFY(QFile::link(m_favorites + QStringLiteral("/L"), m_favorites + QStringLiteral("/self")));
        m_pane->BuildFavoritesTree();
        QCOMPARE(outline(), (QStringList{"0:L", "1:k"}));
    }

    // The pass of pending events inside a build delivers a second press: it does nothing.
    void secondBuildWaitsForTheFirst()
    {
        write(QStringLiteral("Sub/x.url"), shortcut("http://example.com/x"));
        write(QStringLiteral("a.url"), shortcut("http://example.com/a"));
        bool nestedWhileBuilding = false;
        QMetaObject::invokeMethod(
            m_pane.get(),
            [&] {
                nestedWhileBuilding = m_pane->isBuilding();
                m_pane->BuildFavoritesTree();
            },
            Qt::QueuedConnection);
        m_pane->BuildFavoritesTree();
        QVERIFY(nestedWhileBuilding);
        QCOMPARE(outline(), (QStringList{"0:a", "0:Sub", "1:x"}));
        m_pane->BuildFavoritesTree();
        QCOMPARE(outline(), (QStringList{"0:a", "0:Sub", "1:x"}));
    }

    void picturesFollowTheBranches()
    {
        write(QStringLiteral("A/B/q.url"), shortcut("http://example.com/q"));
        write(QStringLiteral("Empty/.keep"), QByteArray());
        m_pane->BuildFavoritesTree();
        QVERIFY(m_tmrFav->isRunning());
        m_pane->tmrFav_Timer();
        QVERIFY(!m_tmrFav->enabled());
        QCOMPARE(m_tmrFav->interval(), 0);
        m_pane->setItemExpanded(find(QStringLiteral("A")), true);
        QVERIFY(m_tmrFav->isRunning());
        QTRY_VERIFY(!m_tmrFav->enabled());
        QCOMPARE(m_pane->itemPicture(find(QStringLiteral("A"))), QStringLiteral("picOpenFavFolder"));
        QCOMPARE(m_pane->itemPicture(find(QStringLiteral("B"))), QStringLiteral("picClosedFavFolder"));
        QCOMPARE(m_pane->itemPicture(find(QStringLiteral("Empty"))), QStringLiteral("picClosedFavFolder"));
    }
};

QTEST_MAIN(TestFavoritesPane)
#include "TestFavoritesPane.moc"
