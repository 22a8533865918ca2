#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "mainwindow/ShortcutBarPane.h"
#include "platform/Database.h"
#include "platform_gui/ListBar.h"
#include "platform_gui/QtTreeGrid.h"
#include "store/BSN_Users.h"
#include "store/Globals.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

// The shortcut bar over a program folder of its own: user Ann with the fixed folders, "Sub"
// under Open Auctions with the auction "Lot 1", "Old" under Closed Auctions; user Bob with one
// shortcut row of his own that no operation of Ann's may touch.
class TestShortcutBarPane : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<ShortcutBarPane> m_pane;
    QHash<QString, qint32> m_keys;
    qint32 m_ann = 0;
    qint32 m_bob = 0;

    static qint32 insert(const QString &sql, const QVariantList &params)
    {
        gDB->execute(sql, params);
        auto rs = gDB->openQuery(QStringLiteral("SELECT last_insert_rowid() AS k"));
        return rs->value(QStringLiteral("k")).toInt();
    }
    qint32 addFolder(const QString &name, qint32 parent)
    {
        return m_keys[name] = insert(QStringLiteral("INSERT INTO Folders (FLD_User, FLD_Parent, FLD_Name) "
                                                    "VALUES (?, ?, ?)"),
                                     {m_ann, parent, name});
    }
    qint32 addAuction(const QString &title, const QString &folder)
    {
        return m_keys[title] = insert(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, "
                                                     "AUC_Title, AUC_Status) VALUES (?, ?, ?, ?, 1)"),
                                      {m_ann, m_keys.value(folder), title.right(1), title});
    }
    void addShortcutRow(const QString &text, qint32 folder, qint32 auction, qint32 user = 0)
    {
        gDB->execute(QStringLiteral("INSERT INTO Shortcuts (SHT_User, SHT_Text, SHT_Folder, SHT_Auction) "
                                    "VALUES (?, ?, ?, ?)"),
                     {user ? user : m_ann, text, folder, auction});
    }
    ListBar &bar() const { return m_pane->lbarOutlook(); }
    // "key text icon" of every item of a group.
    QStringList items(int group) const
    {
        QStringList out;
        for (int i = 1; i <= bar().itemCount(group); ++i)
            out << QStringLiteral("%1 %2 %3")
                       .arg(bar().itemKey(group, i), bar().itemText(group, i))
                       .arg(bar().itemIcon(group, i));
        return out;
    }
    // Ann's rows as "folder/auction text", in key order.
    static QStringList rows(qint32 user)
    {
        QStringList out;
        auto rs = gDB->openQuery(QStringLiteral("SELECT SHT_Folder, SHT_Auction, SHT_Text FROM Shortcuts "
                                                "WHERE SHT_User = ? ORDER BY SHT_Primary"),
                                 {user});
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            out << QStringLiteral("%1/%2 %3")
                       .arg(rs->value(QStringLiteral("SHT_Folder")).toInt())
                       .arg(rs->value(QStringLiteral("SHT_Auction")).toInt())
                       .arg(rs->value(QStringLiteral("SHT_Text")).toString());
        return out;
    }
    QString key(const QString &name) const
    {
        const QChar kind = name.startsWith(QLatin1String("Lot")) ? QLatin1Char('a') : QLatin1Char('f');
        return kind + QString::number(m_keys.value(name));
    }
    void drop(const QString &name, int position = 0)
    {
        if (name.startsWith(QLatin1String("Lot")))
            m_pane->AddAuctionShortcut(m_keys.value(name), position);
        else
            m_pane->AddFolderShortcut(m_keys.value(name), position);
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(m_folder->openStore());
        for (const char *name : {"Ann", "Bob"}) {
            const qint32 k = insert(QStringLiteral("INSERT INTO Users (U_ZandroName, U_EbayName, U_EbayPassword, "
                                                   "U_EbayEmail, U_BidSeconds, U_AutoRefreshMins, U_AutoLogOn) "
                                                   "VALUES (?, ?, 'pw', ?, 5, 0, 0)"),
                                    {QLatin1String(name), QLatin1String(name), QLatin1String(name) + "@example.com"});
            (name[0] == 'A' ? m_ann : m_bob) = k;
        }
        m_keys.clear();
        const qint32 open = addFolder(QStringLiteral("Open Auctions"), 0);
        const qint32 closed = addFolder(QStringLiteral("Closed Auctions"), 0);
        addFolder(QStringLiteral("Sub"), open);
        addFolder(QStringLiteral("Old"), closed);
        addAuction(QStringLiteral("Lot 1"), QStringLiteral("Sub"));
        addAuction(QStringLiteral("Lot 2"), QStringLiteral("Old"));
        addAuction(QStringLiteral("Lot 3"), QStringLiteral("Sub"));
        addShortcutRow(QStringLiteral("Bob's"), 999, 0, m_bob);
        gUsers->Init(*gDB);
        CurrentUser::instance().signIn(gUsers->GetUserByPrimary(m_ann));
        QVERIFY(gCurrentUser);
        m_pane = std::make_unique<ShortcutBarPane>();
        m_pane->BuildShortcutBar();
        m_pane->resize(120, 600);
        m_pane->show();
    }
    void cleanup()
    {
        m_pane.reset();
        CurrentUser::instance().signOut();
        m_folder.reset();
    }

    // Folder shortcuts take the folder's present name and the closed picture in the closed
    // branch; an auction shortcut keeps the title it was made with; the views stand in group 2.
    void keysTextsAndIconsPerGroup()
    {
        addShortcutRow(QStringLiteral("stale name"), m_keys.value(QStringLiteral("Sub")), 0);
        addShortcutRow(QStringLiteral("Closed Auctions"), m_keys.value(QStringLiteral("Closed Auctions")), 0);
        addShortcutRow(QStringLiteral("Old"), m_keys.value(QStringLiteral("Old")), 0);
        addShortcutRow(QStringLiteral("Lot 1 as it was"), 0, m_keys.value(QStringLiteral("Lot 1")));
        addShortcutRow(QStringLiteral("Open Auctions"), m_keys.value(QStringLiteral("Open Auctions")), 0);
        addShortcutRow(QStringLiteral("nothing"), 0, 0);
        m_pane->LoadShortcutBar();

        QCOMPARE(bar().groupCaption(1), QStringLiteral("Auctions"));
        QCOMPARE(bar().groupKey(2), QStringLiteral("views"));
        QCOMPARE(items(1), (QStringList{key("Sub") + " Sub 2", key("Closed Auctions") + " Closed Auctions 6",
                                        key("Old") + " Old 6", key("Lot 1") + " Lot 1 as it was 1",
                                        key("Open Auctions") + " Open Auctions 2"}));
        QCOMPARE(items(2), (QStringList{"viewauctions Auction Browser 3", "viewauctionlog Auction Log 4",
                                        "viewerrorlog General Error Log 5"}));
        QCOMPARE(bar().imageKey(1), QStringLiteral("open"));
        QCOMPARE(bar().imageKey(6), QStringLiteral("closedfolder"));

        CurrentUser::instance().signOut();
        m_pane->LoadShortcutBar();
        QCOMPARE(bar().itemCount(1), 0);
        QCOMPARE(bar().itemCount(2), 3);
    }

    void duplicateDropIsRefused_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("folder") << QStringLiteral("Old");
        QTest::newRow("auction") << QStringLiteral("Lot 1");
    }
    void duplicateDropIsRefused()
    {
        QFETCH(QString, target);
        MsgBoxRecorder boxes;
        drop(target);
        QVERIFY(boxes.boxes.isEmpty());
        drop(target);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("This Auction Shortcut has already been added to the list."));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Cannot Duplicate Auction Shortcut"));
        QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Information);
        QCOMPARE(bar().itemCount(1), 1);
        QCOMPARE(rows(m_ann).size(), 1);
    }

    // The real drop: the item under the point gives the place; below the last item appends; the
    // "Views" group takes nothing.
    void dropPlacesByPointAndGroup()
    {
        MsgBoxRecorder boxes;
        for (const char *name : {"Open Auctions", "Closed Auctions", "Sub"})
            drop(QLatin1String(name));
        m_pane->setDraggedAuction(m_keys.value(QStringLiteral("Lot 1")));
        m_pane->lbarOutlook_DragDrop(QStringLiteral("sftAuctions"), bar().itemRect(3).center());
        m_pane->setDraggedFolder(m_keys.value(QStringLiteral("Old")));
        m_pane->lbarOutlook_DragDrop(QStringLiteral("sftFolders"), bar().itemRect(5).bottomLeft() + QPoint(2, 40));
        QCOMPARE(items(1),
                 (QStringList{key("Open Auctions") + " Open Auctions 2", key("Closed Auctions") + " Closed Auctions 6",
                              key("Lot 1") + " Lot 1 1", key("Sub") + " Sub 2", key("Old") + " Old 6"}));
        QVERIFY(boxes.boxes.isEmpty());

        bar().setCurrentGroup(ShortcutBarPane::kViewsGroup);
        m_pane->setDraggedAuction(m_keys.value(QStringLiteral("Lot 3")));
        m_pane->lbarOutlook_DragDrop(QStringLiteral("sftAuctions"), QPoint(5, 5));
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("Shortcuts can only be added to the 'Auctions' Group."));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Unable to Create Shortcut"));
        QCOMPARE(bar().itemCount(1), 5);
        QCOMPARE(rows(m_ann).size(), 5);
    }

    void clickFollowsOrRemovesTheShortcut_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("folder") << QStringLiteral("Sub") << false;
        QTest::newRow("auction") << QStringLiteral("Lot 1") << false;
        QTest::newRow("deleted folder") << QStringLiteral("Sub") << true;
        QTest::newRow("deleted auction") << QStringLiteral("Lot 1") << true;
    }
    void clickFollowsOrRemovesTheShortcut()
    {
        QFETCH(QString, target);
        QFETCH(bool, deleted);
        drop(QStringLiteral("Open Auctions"));
        drop(target);
        const bool auction = target.startsWith(QLatin1String("Lot"));
        if (deleted)
            gDB->execute(auction ? QStringLiteral("DELETE FROM Auctions WHERE AUC_Primary = ?")
                                 : QStringLiteral("DELETE FROM Folders WHERE FLD_Primary = ?"),
                         {m_keys.value(target)});
        QSignalSpy folders(m_pane.get(), &ShortcutBarPane::folderShortcutClicked);
        QSignalSpy auctions(m_pane.get(), &ShortcutBarPane::auctionShortcutClicked);
        MsgBoxRecorder boxes;
        m_pane->lbarOutlook_ItemClick(1, 2);

        if (deleted) {
            QCOMPARE(boxes.boxes.size(), 1);
            QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("This Shortcut no longer points to a valid item.  Zandrift "
                                                           "will remove the shortcut now."));
            QCOMPARE(boxes.boxes[0].title, QStringLiteral("Invalid Shortcut"));
            QCOMPARE(items(1), QStringList{key("Open Auctions") + " Open Auctions 2"});
            QVERIFY(folders.isEmpty() && auctions.isEmpty());
            QVERIFY(m_pane->SaveShortcuts());
            QCOMPARE(rows(m_ann).size(), 1);
        } else {
            QVERIFY(boxes.boxes.isEmpty());
            QCOMPARE(bar().itemCount(1), 2);
            if (auction)
                QCOMPARE(auctions.value(0),
                         (QVariantList{m_keys.value(QStringLiteral("Sub")), m_keys.value(QStringLiteral("Lot 1"))}));
            else
                QCOMPARE(folders.value(0), QVariantList{m_keys.value(QStringLiteral("Sub"))});
        }
    }

    void viewsSwitchTheView()
    {
        QSignalSpy views(m_pane.get(), &ShortcutBarPane::viewChosen);
        bar().setCurrentGroup(ShortcutBarPane::kViewsGroup);
        for (int i = 3; i >= 1; --i)
            m_pane->lbarOutlook_ItemClick(2, i);
        QCOMPARE(views.size(), 3);
        QCOMPARE((QList<int>{views[0][0].toInt(), views[1][0].toInt(), views[2][0].toInt()}), (QList<int>{2, 1, 0}));
    }

    // The right-click picks the item under the mouse; "Remove ShortCut" deletes its row at once.
    void removeShortcutFromThePopUp()
    {
        drop(QStringLiteral("Sub"));
        drop(QStringLiteral("Lot 1"));
        m_pane->lbarOutlook_MouseUp(Qt::RightButton, bar().itemRect(2).center());
        QCOMPARE(m_pane->shortcutItemKey(), key("Lot 1"));
        m_pane->mnuOutlookPopUp()->hide();
        m_pane->mnuOutlookPopUpRemove_Click();
        QCOMPARE(items(1), QStringList{key("Sub") + " Sub 2"});
        QCOMPARE(rows(m_ann), QStringList{QStringLiteral("%1/0 Sub").arg(m_keys.value(QStringLiteral("Sub")))});
        QCOMPARE(rows(m_bob).size(), 1);
    }

    // The save writes the bar's order; the next sign-in shows that order.
    void saveKeepsTheBarsOrder()
    {
        drop(QStringLiteral("Sub"));
        drop(QStringLiteral("Lot 1"));
        drop(QStringLiteral("Old"), 1);
        drop(QStringLiteral("Lot 3"), 2);
        const QStringList shown = items(1);
        QVERIFY(m_pane->SaveShortcuts());
        QCOMPARE(rows(m_ann), (QStringList{QStringLiteral("%1/0 Old").arg(m_keys.value(QStringLiteral("Old"))),
                                           QStringLiteral("0/%1 Lot 3").arg(m_keys.value(QStringLiteral("Lot 3"))),
                                           QStringLiteral("%1/0 Sub").arg(m_keys.value(QStringLiteral("Sub"))),
                                           QStringLiteral("0/%1 Lot 1").arg(m_keys.value(QStringLiteral("Lot 1")))}));
        m_pane->LoadShortcutBar();
        QCOMPARE(items(1), shown);
        QCOMPARE(rows(m_bob).size(), 1);
    }

    // A failure midway through the save leaves every row of the last save.
    void failedSaveKeepsTheOldRows()
    {
        for (const char *name : {"Sub", "Lot 1", "Lot 3", "Old"})
            drop(QLatin1String(name));
        const QStringList before = rows(m_ann);
        QCOMPARE(before.size(), 4);
        gDB->execute(QStringLiteral("CREATE TRIGGER fail_save BEFORE INSERT ON Shortcuts WHEN NEW.SHT_Text = 'Lot 3' "
                                    "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        QVERIFY(!m_pane->SaveShortcuts());
        QCOMPARE(rows(m_ann), before);
        QCOMPARE(rows(m_bob).size(), 1);
        QCOMPARE(gDB->transactionDepth(), 0);
    }

    // The control's own events: a drop of a program control, a click and a right-click.
    void mouseAndDropReachTheHandlers()
    {
        drop(QStringLiteral("Open Auctions"));
        QListWidget *list = bar().groupList(ShortcutBarPane::kAuctionsGroup);
        QMimeData data;
        data.setData(QLatin1String(QtTreeGrid::kDragSourceMimeType), QByteArrayLiteral("sftFolders"));
        const QPoint below = list->visualItemRect(list->item(0)).bottomLeft() + QPoint(4, 60);
        QDragEnterEvent enter(below, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent dropped(QPointF(below), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        m_pane->setDraggedFolder(m_keys.value(QStringLiteral("Sub")));
        QApplication::sendEvent(list->viewport(), &dropped);
        QTRY_COMPARE(bar().itemCount(1), 2);
        QCOMPARE(bar().itemKey(1, 2), key("Sub"));

        QSignalSpy folders(m_pane.get(), &ShortcutBarPane::folderShortcutClicked);
        const QPoint second = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, second);
        QTRY_COMPARE(folders.size(), 1);
        QCOMPARE(folders[0][0].toInt(), m_keys.value(QStringLiteral("Sub")));
        QTest::mouseClick(list->viewport(), Qt::RightButton, Qt::NoModifier, second);
        QCOMPARE(m_pane->shortcutItemKey(), key("Sub"));
        QVERIFY(m_pane->mnuOutlookPopUp()->isVisible());
        m_pane->mnuOutlookPopUp()->hide();
    }

    void toolbarHidesAndShowsTheBar()
    {
        QSignalSpy visible(m_pane.get(), &ShortcutBarPane::barVisibilityChanged);
        QAction *button = m_pane->tbrOutlookButton();
        QCOMPARE(button->data().toString(), QStringLiteral("minus"));
        m_pane->tbrOutlook_ButtonClick();
        QVERIFY(bar().isHidden());
        QCOMPARE(button->data().toString(), QStringLiteral("plus"));
        QCOMPARE(button->toolTip(), QStringLiteral("Click to Open the Shortcut Bar"));
        m_pane->tbrOutlook_ButtonClick();
        QVERIFY(!bar().isHidden());
        QCOMPARE(button->data().toString(), QStringLiteral("minus"));
        QCOMPARE(button->toolTip(), QStringLiteral("Click to Close the Shortcut Bar"));
        QCOMPARE(visible.size(), 2);
        QCOMPARE(visible[0][0].toBool(), false);
        QCOMPARE(visible[1][0].toBool(), true);
    }
};

QTEST_MAIN(TestShortcutBarPane)
#include "TestShortcutBarPane.moc"
