#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "mainwindow/LogRowsModel.h"
#include "mainwindow/LogViewsPane.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/ProgramFolder.h"
#include "platform/Recordset.h"
#include "platform/Transaction.h"
#include "platform_gui/DesktopServices.h"
#include "store/BSN_Log.h"
#include "store/BSN_User.h"
#include "store/Globals.h"

#include <QMenu>
#include <QTreeView>
#include <QtTest>

class TestLogViewsPane : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    QList<QUrl> m_opened;
    bool m_openResult = true;
    const QDateTime m_day{QDate(2026, 12, 10), QTime(9, 5, 3)};

    static qint32 addAuction(qint32 user, const QString &item)
    {
        auto rs = gDB->openTable(QStringLiteral("Auctions"));
        rs->addNew();
        rs->setValue(QStringLiteral("AUC_User"), user);
        rs->setValue(QStringLiteral("AUC_ItemNumber"), item);
        rs->update();
        return static_cast<qint32>(rs->lastInsertedKey());
    }
    void log(qint32 auction, qint32 user, const QString &message, int minutesLater)
    {
        Clock::freeze(m_day.addSecs(60 * minutesLater));
        BSN_Log(*gDB).MarkAuction(auction, user, message);
    }
    static void signIn(qint32 key, const QString &name)
    {
        CurrentUser::instance().signIn(std::make_shared<BSN_User>());
        gCurrentUser->PrimaryKey = key;
        gCurrentUser->ZandroName = name;
    }
    static QStringList rows(const LogRowsModel &log)
    {
        QStringList out;
        for (int r = 0; r < log.rowCount(); ++r)
            out << log.index(r, 0).data().toString() + QStringLiteral(" | ") + log.index(r, 1).data().toString();
        return out;
    }
    // Many rows of one log at once, a minute apart, the message numbering them from 1.
    void logMany(qint32 auction, qint32 user, int count)
    {
        Transaction rows(*gDB);
        for (int i = 1; i <= count; ++i)
            BSN_Log(*gDB).MarkAuction(auction, user, QStringLiteral("row %1").arg(i), m_day.addSecs(60 * i));
        rows.commit();
    }
    static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(m_folder->openStore());
        QDir(m_folder->path()).mkdir(QStringLiteral("logs"));
        signIn(1, QStringLiteral("ann"));
        m_opened.clear();
        m_openResult = true;
        DesktopServices::setOpener([this](const QUrl &url) {
            m_opened << url;
            return m_openResult;
        });
    }
    void cleanup()
    {
        DesktopServices::setOpener({});
        Clock::unfreeze();
        m_folder.reset();
    }

    void auctionLogShowsTheSignedInUsersRowsOfTheSelectedAuction()
    {
        const qint32 a = addAuction(1, QStringLiteral("100"));
        const qint32 b = addAuction(1, QStringLiteral("200"));
        // Written later but stamped earlier: the view keeps the order of writing, newest on top.
        log(a, 1, QStringLiteral("first"), 30);
        log(b, 1, QStringLiteral("other auction"), 31);
        log(a, 2, QStringLiteral("other user"), 32);
        log(0, 1, QStringLiteral("general"), 33);
        log(a, 1, QStringLiteral("second"), 10);

        LogViewsPane pane;
        pane.setSelectedAuction(a, true);
        QCOMPARE(rows(pane.auctionLogRows()),
                 (QStringList{"12/10/2026 9:15:03 AM | second", "12/10/2026 9:35:03 AM | first"}));

        signIn(2, QStringLiteral("bob"));
        pane.ShowAuctionLog();
        QCOMPARE(rows(pane.auctionLogRows()), QStringList{"12/10/2026 9:37:03 AM | other user"});

        CurrentUser::instance().signOut();
        pane.ShowAuctionLog();
        QCOMPARE(pane.auctionLogRows().rowCount(), 0);

        signIn(1, QStringLiteral("ann"));
        pane.setSelectedAuction(-1, true);
        QCOMPARE(pane.auctionLogRows().rowCount(), 0);

        // The rows of an auction no longer stored are not shown.
        gDB->execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_Primary = ?"), {a});
        pane.setSelectedAuction(a, true);
        QCOMPARE(pane.auctionLogRows().rowCount(), 0);
    }

    void errorLogShowsAllUsersNewestFirstAndKeepsTheAuctionLog()
    {
        const qint32 a = addAuction(1, QStringLiteral("100"));
        log(0, 2, QStringLiteral("bob's connection failed"), 20);
        log(a, 1, QStringLiteral("an auction row"), 5);
        log(0, 1, QStringLiteral("ann's time sync failed"), 10);
        log(0, 0, QStringLiteral("nobody signed in"), 20);

        LogViewsPane pane;
        pane.setSelectedAuction(a, true);
        QCOMPARE(pane.auctionLogRows().rowCount(), 1);
        pane.ShowErrorLog();
        QCOMPARE(rows(pane.errorLogRows()), (QStringList{"12/10/2026 9:25:03 AM | nobody signed in",
                                                         "12/10/2026 9:15:03 AM | ann's time sync failed",
                                                         "12/10/2026 9:25:03 AM | bob's connection failed"}));
        QCOMPARE(rows(pane.auctionLogRows()), QStringList{"12/10/2026 9:10:03 AM | an auction row"});
    }

    void aLongLogIsReadAsItIsScrolledTo_data()
    {
        QTest::addColumn<bool>("general");
        QTest::newRow("auction log") << false;
        QTest::newRow("error log") << true;
    }
    void aLongLogIsReadAsItIsScrolledTo()
    {
        QFETCH(bool, general);
        const qint32 a = addAuction(1, QStringLiteral("100"));
        const int count = 5 * LogRowsModel::kPageRows + 50;
        logMany(general ? 0 : a, 1, count);
        logMany(general ? a : 0, 1, 30); // the other log's rows are never shown

        LogViewsPane pane;
        pane.setSelectedAuction(a, true);
        pane.ShowErrorLog();
        LogRowsModel &log = general ? pane.errorLogRows() : pane.auctionLogRows();
        // The newest page only; each fetch reads the next older one.
        QCOMPARE(log.rowCount(), LogRowsModel::kPageRows);
        QCOMPARE(log.message(0), QStringLiteral("row %1").arg(count));
        for (int fetched = 1; fetched <= 5; ++fetched) {
            QVERIFY(log.canFetchMore(QModelIndex()));
            log.fetchMore(QModelIndex());
            QCOMPARE(log.rowCount(), std::min(count, (fetched + 1) * LogRowsModel::kPageRows));
        }
        QVERIFY(!log.canFetchMore(QModelIndex()));
        for (int r = 0; r < count; ++r)
            QCOMPARE(log.message(r), QStringLiteral("row %1").arg(count - r));

        // The view asks for more as it is scrolled to the end.
        pane.resize(600, 400);
        pane.show();
        QTreeView *view = general ? pane.sftErrorLog() : pane.sftAuctionLog();
        view->show();
        pane.ShowErrorLog();
        pane.ShowAuctionLog();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        QTest::qWait(50);
        const int read = log.rowCount();
        QVERIFY2(read < count, qPrintable(QString::number(read)));
        view->scrollToBottom();
        QTRY_VERIFY(log.rowCount() > read);
    }

    void newRowsGoOnTopWithoutAReload_data()
    {
        QTest::addColumn<bool>("general");
        QTest::newRow("auction log") << false;
        QTest::newRow("error log") << true;
    }
    void newRowsGoOnTopWithoutAReload()
    {
        QFETCH(bool, general);
        const qint32 a = addAuction(1, QStringLiteral("100"));
        const qint32 b = addAuction(1, QStringLiteral("200"));
        const qint32 shown = general ? 0 : a;
        logMany(shown, 1, LogRowsModel::kPageRows + 10);
        LogViewsPane pane;
        pane.setSelectedAuction(a, true);
        pane.ShowErrorLog();
        LogRowsModel &view = general ? pane.errorLogRows() : pane.auctionLogRows();
        QSignalSpy resets(&view, &QAbstractItemModel::modelReset);
        QSignalSpy inserted(&view, &QAbstractItemModel::rowsInserted);

        log(shown, 1, QStringLiteral("newer"), 500);
        log(b, 1, QStringLiteral("another auction's"), 501);
        log(shown, 2, QStringLiteral("another user's"), 502);
        log(shown, 1, QStringLiteral("newest"), 503);
        general ? pane.errorLogChanged() : pane.auctionLogChanged();
        QCOMPARE(resets.size(), 0);
        QCOMPARE(inserted.size(), 1);
        const QStringList expected =
            general ? QStringList{"newest", "another user's", "newer"} : QStringList{"newest", "newer"};
        QCOMPARE(inserted[0].at(1).toInt(), 0);
        QCOMPARE(inserted[0].at(2).toInt(), expected.size() - 1);
        QCOMPARE(view.rowCount(), LogRowsModel::kPageRows + expected.size());
        for (int r = 0; r < expected.size(); ++r)
            QCOMPARE(view.message(r), expected[r]);
        QCOMPARE(view.message(expected.size()), QStringLiteral("row %1").arg(LogRowsModel::kPageRows + 10));

        // Nothing new: nothing changes.
        general ? pane.errorLogChanged() : pane.auctionLogChanged();
        QCOMPARE(inserted.size(), 1);

        if (!general) {
            // Another user signed in: that user's rows of the auction are read.
            signIn(2, QStringLiteral("bob"));
            pane.auctionLogChanged();
            QCOMPARE(resets.size(), 1);
            QCOMPARE(rows(view).size(), 1);
            QCOMPARE(view.message(0), QStringLiteral("another user's"));
        }
    }

    void anUnreadableLogReachesTheCaller()
    {
        const qint32 a = addAuction(1, QStringLiteral("100"));
        LogViewsPane pane;
        gDB->execute(QStringLiteral("DROP TABLE Logs"));
        QVERIFY_THROWS_EXCEPTION(DbError, pane.ShowErrorLog());
        QVERIFY_THROWS_EXCEPTION(DbError, (pane.setSelectedAuction(a, true), pane.ShowAuctionLog()));
        QCOMPARE(pane.selectedAuction(), a);
        QCOMPARE(pane.auctionLogRows().rowCount(), 0);
    }

    void exportWritesTheLogAndOpensIt_data()
    {
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no rows") << QStringList() << QByteArray();
        QTest::newRow("two rows") << QStringList{QStringLiteral("Preparatory bid sent"),
                                                 QStringLiteral("Höchstbieter: <b>anna</b> €5")}
                                  << QByteArray("12/10/2026 9:05:03 AM - Preparatory bid sent\r\n"
                                                "12/10/2026 9:06:03 AM - H\xc3\xb6"
                                                "chstbieter: <b>anna</b> \xe2\x82\xac"
                                                "5\r\n");
    }
    void exportWritesTheLogAndOpensIt()
    {
        QFETCH(QStringList, messages);
        QFETCH(QByteArray, body);
        // A program folder whose path needs quoting anywhere a shell would see it.
        const QString program = m_folder->file(QStringLiteral("my \"programs\" & 'co'"));
        QVERIFY(QDir().mkpath(program + QStringLiteral("/logs")));
        ProgramFolder::setOverride(program);
        signIn(1, QStringLiteral("ann lee"));

        const qint32 a = addAuction(1, QStringLiteral(" 110012345678 "));
        for (int i = 0; i < messages.size(); ++i)
            log(a, 1, messages[i], i);
        LogViewsPane pane;
        pane.setSelectedAuction(a, true);
        MsgBoxRecorder boxes;
        pane.mnuLogPopUpExport_Click();
        QCOMPARE(boxes.boxes.size(), 0);

        const QString path = program + QStringLiteral("/logs/ann lee_110012345678.txt");
        const QByteArray expected = "NOTE: THIS LOG HAS BEEN SAVED AS " + path.toUtf8() +
                                    "\r\n----------------------------------------------------------\r\n"
                                    "Auction Log for Item Number: 110012345678\r\n" +
                                    body;
        QCOMPARE(readAll(path), expected);
        QCOMPARE(m_opened.size(), 1);
        QVERIFY(m_opened[0].isLocalFile());
        QCOMPARE(m_opened[0].toLocalFile(), path);
    }

    void aLongLogIsExportedASliceAtATime()
    {
        const qint32 a = addAuction(1, QStringLiteral("42"));
        const int count = 2 * LogViewsPane::kExportSliceRows + 7;
        logMany(a, 1, count);
        logMany(a, 2, 3); // another user's rows of the same auction stay out
        LogViewsPane pane;
        pane.setSelectedAuction(a, true);
        MsgBoxRecorder boxes;
        pane.mnuLogPopUpExport_Click();
        // The window goes on while the rest is written; the file appears whole at the end.
        QVERIFY(pane.exporting());
        const QString path = m_folder->file(QStringLiteral("logs/ann_42.txt"));
        QVERIFY(!QFile::exists(path));
        pane.mnuLogPopUpExport_Click(); // a second click meanwhile starts nothing
        QTRY_VERIFY(!pane.exporting());
        QCOMPARE(boxes.boxes.size(), 0);
        QCOMPARE(m_opened.size(), 1);
        const QList<QByteArray> lines = readAll(path).split('\n');
        QCOMPARE(lines.size(), count + 3 + 1); // the last line's end leaves an empty piece
        for (int i = 1; i <= count; ++i)
            QVERIFY2(lines.at(2 + i).endsWith(" - row " + QByteArray::number(i) + "\r"), lines.at(2 + i).constData());
    }

    void secondExportOverwrites()
    {
        const qint32 a = addAuction(1, QStringLiteral("42"));
        log(a, 1, QStringLiteral("only row"), 0);
        const QString path = m_folder->file(QStringLiteral("logs/ann_42.txt"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(4096, 'x'));
        }
        LogViewsPane pane;
        pane.setSelectedAuction(a, true);
        pane.mnuLogPopUpExport_Click();
        const QByteArray first = readAll(path);
        QVERIFY(first.startsWith("NOTE: "));
        QVERIFY(first.endsWith("9:05:03 AM - only row\r\n"));
        pane.mnuLogPopUpExport_Click();
        QCOMPARE(readAll(path), first);
        QCOMPARE(QDir(m_folder->file(QStringLiteral("logs"))).entryList(QDir::Files), QStringList{"ann_42.txt"});
    }

    void hostileNamesStayInTheLogsFolder_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("parent folders") << "../../evil"
                                        << "7"
                                        << ".._.._evil_7.txt";
        QTest::newRow("absolute") << "/tmp/evil"
                                  << "7"
                                  << "_tmp_evil_7.txt";
        QTest::newRow("dot dot alone") << ".."
                                       << "7"
                                       << ".._7.txt";
        QTest::newRow("backslashes") << "..\\..\\evil"
                                     << "7"
                                     << ".._.._evil_7.txt";
        QTest::newRow("item number") << "ann"
                                     << "../../7"
                                     << "ann_.._.._7.txt";
        QTest::newRow("line break") << "ann\nx"
                                    << "7"
                                    << "ann_x_7.txt";
        // A name that reverses what follows it would show as "ann_7.exe.txt"-like lies.
        QTest::newRow("right-to-left override") << "ann\u202Etxt.exe"
                                                << "1"
                                                << "ann_txt.exe_1.txt";
        QTest::newRow("isolate and mark") << "ann\u2067x\u2069\u200F"
                                          << "7\u202D"
                                          << "ann_x___7_.txt";
        QTest::newRow("C1 control") << QStringLiteral("ann\u0085x") << "7"
                                    << "ann_x_7.txt";
    }
    void hostileNamesStayInTheLogsFolder()
    {
        QFETCH(QString, user);
        QFETCH(QString, item);
        QFETCH(QString, fileName);
        // The program folder sits two levels down, so "../.." would land inside the test folder.
        const QString program = m_folder->file(QStringLiteral("a/b"));
        QVERIFY(QDir().mkpath(program + QStringLiteral("/logs")));
        ProgramFolder::setOverride(program);
        signIn(1, user);
        const qint32 a = addAuction(1, item);
        log(a, 1, QStringLiteral("row"), 0);

        LogViewsPane pane;
        pane.setSelectedAuction(a, true);
        MsgBoxRecorder boxes;
        pane.mnuLogPopUpExport_Click();
        QCOMPARE(boxes.boxes.size(), 0);
        QCOMPARE(QDir(program + QStringLiteral("/logs")).entryList(QDir::Files | QDir::Hidden), QStringList{fileName});
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened[0].toLocalFile(), program + QStringLiteral("/logs/") + fileName);
        // Nothing was written anywhere else.
        QDirIterator it(m_folder->path(), {QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        QStringList written;
        while (it.hasNext())
            written << it.next();
        QCOMPARE(written, QStringList{program + QStringLiteral("/logs/") + fileName});
    }

    void exportWithoutTheLogsFolderIsAnError()
    {
        QVERIFY(QDir(m_folder->file(QStringLiteral("logs"))).removeRecursively());
        const qint32 a = addAuction(1, QStringLiteral("42"));
        LogViewsPane pane;
        pane.setSelectedAuction(a, true);
        MsgBoxRecorder boxes;
        pane.mnuLogPopUpExport_Click();
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes[0].prompt.startsWith(QStringLiteral("Error exporting Auction Log.  Error Number: ")));
        QVERIFY(boxes.boxes[0].prompt.contains(QStringLiteral(", Error Description: ")));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Error During Export"));
        QCOMPARE(boxes.boxes[0].buttons, MsgBox::Buttons::Ok);
        QVERIFY(!QFile::exists(m_folder->file(QStringLiteral("logs/ann_42.txt"))));
        QVERIFY(m_opened.isEmpty());
    }

    void exportThatNoProgramOpensSaysWhereItWasSaved()
    {
        m_openResult = false;
        const qint32 a = addAuction(1, QStringLiteral("42"));
        LogViewsPane pane;
        pane.setSelectedAuction(a, true);
        MsgBoxRecorder boxes;
        pane.mnuLogPopUpExport_Click();
        const QString path = QDir::toNativeSeparators(m_folder->file(QStringLiteral("logs/ann_42.txt")));
        QVERIFY(QFile::exists(path));
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(
            boxes.boxes[0].prompt,
            QStringLiteral("The Auction Log was saved as %1, but no program could be started to open it.").arg(path));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Auction Log Saved"));
        QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Information);
    }

    void rightClickInTheAuctionLog_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<bool>("gridHasRows");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("menu");
        QTest::addColumn<bool>("message");
        QTest::newRow("auction selected") << true << true << true << int(Qt::RightButton) << true << false;
        QTest::newRow("rows, none selected") << true << true << false << int(Qt::RightButton) << false << true;
        QTest::newRow("empty grid") << true << false << false << int(Qt::RightButton) << false << false;
        QTest::newRow("nobody signed in") << false << true << true << int(Qt::RightButton) << false << false;
        QTest::newRow("left button") << true << true << true << int(Qt::LeftButton) << false << false;
    }
    void rightClickInTheAuctionLog()
    {
        QFETCH(bool, signedIn);
        QFETCH(bool, gridHasRows);
        QFETCH(bool, selected);
        QFETCH(int, button);
        QFETCH(bool, menu);
        QFETCH(bool, message);
        const qint32 a = addAuction(1, QStringLiteral("42"));
        if (!signedIn)
            CurrentUser::instance().signOut();
        LogViewsPane pane;
        pane.setSelectedAuction(selected ? a : 0, gridHasRows);
        MsgBoxRecorder boxes;
        pane.sftAuctionLog_MouseUp(Qt::MouseButton(button));
        QCOMPARE(pane.mnuLogPopUp()->isVisible(), menu);
        pane.mnuLogPopUp()->hide();
        QCOMPARE(boxes.boxes.size(), message ? 1 : 0);
        if (message) {
            QCOMPARE(
                boxes.boxes[0].prompt,
                QStringLiteral("You must select an Auction in the Auction grid before Exporting the Auction Log."));
            QCOMPARE(boxes.boxes[0].title, QStringLiteral("Select an Auction First"));
        }
        QCOMPARE(m_opened.size(), 0);
    }

    void ensureLogsFolder()
    {
        const QString logs = m_folder->file(QStringLiteral("logs"));
        QVERIFY(QDir(logs).removeRecursively());
        QVERIFY(!LogViewsPane::SubFolderExists(QStringLiteral("logs"), m_folder->path()));
        LogViewsPane::EnsureLogsFolder();
        QVERIFY(QFileInfo(logs).isDir());
        QFile kept(logs + QStringLiteral("/kept.txt"));
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.close();
        LogViewsPane::EnsureLogsFolder();
        QVERIFY(kept.exists());

        // A file in the way is left alone, silently.
        QVERIFY(QDir(logs).removeRecursively());
        QFile blocker(logs);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        LogViewsPane::EnsureLogsFolder();
        QVERIFY(QFileInfo(logs).isFile());
    }
};

QTEST_MAIN(TestLogViewsPane)
#include "TestLogViewsPane.moc"
