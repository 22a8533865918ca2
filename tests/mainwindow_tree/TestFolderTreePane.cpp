#include "MsgBoxRecorder.h"
#include "TreeFixture.h"
#include "platform/Database.h"
#include "platform_gui/FolderTreeWidget.h"
#include "store/Globals.h"

#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

// The folder tree pane: how the tree loads and selects, the pop-up menu, new folders, renaming,
// deleting a folder with everything under it, and the drops of folders and auctions.
namespace {
QString s(const char *text)
{
    return QLatin1String(text);
}
} // namespace

class TestFolderTreePane : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_fx = std::make_unique<TreeFixture>();
        QVERIFY(m_fx->isValid());
    }
    void init() { m_fx->reset(); }
    void cleanupTestCase() { m_fx.reset(); }

    void levelsAndOrder();
    void subfolderNamedOpenAuctions();
    void folderCycle();
    void folderMenu_data();
    void folderMenu();
    void newFolderIsFirstChildWithItsEditorOpen_data();
    void newFolderIsFirstChildWithItsEditorOpen();
    void editRequests_data();
    void editRequests();
    void endEdit_data();
    void endEdit();
    void deleteTwoLevels();
    void deleteAnsweredNo();
    void deleteFailingMidwayChangesNothing();
    void drops_data();
    void drops();
    void dropThroughTheHighlight();

private:
    QLineEdit *editor() const { return m_fx->pane->sftFolders()->findChild<QLineEdit *>(); }
    std::unique_ptr<TreeFixture> m_fx;
};

// Pre-order, siblings by name without regard to case, each level one below its parent; only the
// top-level fixed folders are bold and coloured; names stay as typed.
void TestFolderTreePane::levelsAndOrder()
{
    m_fx->addSampleFolders();
    m_fx->addFolder(s("<b>Bold</b> & co"), s("Gamma"));
    m_fx->load();
    QtFolderTree &t = m_fx->tree();
    QCOMPARE(m_fx->outline(), QStringList({"0:Closed Auctions", "1:Gamma", "2:<b>Bold</b> & co", "0:Open Auctions",
                                           "1:Alpha", "2:eta", "3:Theta", "2:zeta", "1:beta"}));
    for (qint32 i = 0; i < t.itemCount(); ++i) {
        const qint32 parent = t.Parent(i);
        QCOMPARE(t.itemLevel(i), parent == -1 ? 0 : t.itemLevel(parent) + 1);
        const bool fixed =
            t.itemKey(i) == m_fx->folder(s("Open Auctions")) || t.itemKey(i) == m_fx->folder(s("Closed Auctions"));
        QCOMPARE(t.itemBold(i), fixed);
        QCOMPARE(t.itemColor(i) != -1, fixed);
    }
    QCOMPARE(t.Parent(m_fx->item(s("Theta"))), m_fx->item(s("eta")));
    QCOMPARE(t.descendantCount(m_fx->item(s("Alpha"))), 3);
    QCOMPARE(m_fx->pane->FolderRootOf(m_fx->item(s("Theta"))), m_fx->item(s("Open Auctions")));
    QCOMPARE(m_fx->pane->FolderRootOf(m_fx->item(s("Open Auctions"))), m_fx->item(s("Open Auctions")));
    QCOMPARE(m_fx->pane->FolderRootOf(-1), -1);
    QVERIFY(m_fx->pane->IsFolderDescendant(m_fx->item(s("Alpha")), m_fx->item(s("Theta"))));
    QVERIFY(!m_fx->pane->IsFolderDescendant(m_fx->item(s("Theta")), m_fx->item(s("Alpha"))));

    // Sign-in selects the open folder, and the window is told its key.
    QCOMPARE(m_fx->pane->selectedFolderKey(), m_fx->folder(s("Open Auctions")));
    QCOMPARE(m_fx->pane->selectedFolderText(), s("Open Auctions"));
    QSignalSpy selected(m_fx->pane.get(), &FolderTreePane::folderSelected);
    m_fx->pane->SelectFolderInTree(m_fx->item(s("Theta")));
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected[0][0].toInt(), m_fx->folder(s("Theta")));
    QCOMPARE(m_fx->pane->selectedFolderRootKey(), m_fx->folder(s("Open Auctions")));
}

// A subfolder with a fixed folder's name is an ordinary folder; sign-in still selects the
// top-level one, though the subfolder comes first in the tree.
void TestFolderTreePane::subfolderNamedOpenAuctions()
{
    const qint32 impostor = m_fx->addFolder(s("impostor"), s("Closed Auctions"));
    gDB->execute(s("UPDATE Folders SET FLD_Name = 'Open Auctions' WHERE FLD_Primary = ?"), {impostor});
    m_fx->load();
    QtFolderTree &t = m_fx->tree();
    const qint32 item = t.findItemByKey(impostor);
    QCOMPARE(item, 1);
    QVERIFY(!t.itemBold(item));
    QCOMPARE(m_fx->pane->selectedFolderKey(), m_fx->folder(s("Open Auctions")));
    QVERIFY(m_fx->pane->RenameFolder(impostor, s("Renamed")));
}

// A damaged file: a folder that is its own parent at the top (key 0), and two folders that are
// each other's parent. Loading ends, and shows every reachable folder once.
void TestFolderTreePane::folderCycle()
{
    m_fx->addFolderRow(s("Loop"), 0, 0);
    const qint32 a = m_fx->addFolderRow(s("A"), 0, 9001);
    m_fx->addFolderRow(s("B"), a, 9002);
    gDB->execute(s("UPDATE Folders SET FLD_Parent = 9002 WHERE FLD_Primary = 9001"));
    m_fx->addFolder(s("Alpha"), s("Open Auctions"));
    m_fx->load();
    QCOMPARE(m_fx->outline(), QStringList({"0:Closed Auctions", "0:Open Auctions", "1:Alpha"}));
}

void TestFolderTreePane::folderMenu_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("serving");
    QTest::addColumn<bool>("deleteEnabled");
    QTest::newRow("ordinary") << "Alpha" << false << true;
    QTest::newRow("open fixed") << "Open Auctions" << false << false;
    QTest::newRow("closed fixed") << "Closed Auctions" << false << false;
    QTest::newRow("while serving") << "Alpha" << true << false;
}

void TestFolderTreePane::folderMenu()
{
    QFETCH(QString, folder);
    QFETCH(bool, serving);
    QFETCH(bool, deleteEnabled);
    m_fx->addSampleFolders();
    m_fx->load();
    m_fx->engine->mblnServingItem = serving;
    m_fx->tree().selectItem(m_fx->item(folder));
    m_fx->pane->sftFolders_Click(m_fx->item(folder), Qt::RightButton);
    QMenu *menu = m_fx->pane->mnuFolderPop();
    QCOMPARE(menu->objectName(), s("mnuFolderPop"));
    auto *newFolder = menu->findChild<QAction *>(s("mnuFolderPopNewFolder"));
    auto *deleteFolder = menu->findChild<QAction *>(s("mnuFolderPopDeleteFolder"));
    QVERIFY(newFolder && deleteFolder);
    QCOMPARE(newFolder->text(), s("New Folder"));
    QCOMPARE(deleteFolder->text(), s("Delete Folder"));
    QVERIFY(newFolder->isEnabled());
    QCOMPARE(deleteFolder->isEnabled(), deleteEnabled);
    menu->hide();
}

// The new folder stands first among its siblings with its editor open; what the user types
// becomes its name.
void TestFolderTreePane::newFolderIsFirstChildWithItsEditorOpen_data()
{
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QStringList>("outline");
    QTest::newRow("parent with children") << "Alpha"
                                          << QStringList({"0:Closed Auctions", "1:Gamma", "0:Open Auctions", "1:Alpha",
                                                          "2:Stamps", "2:eta", "3:Theta", "2:zeta", "1:beta"});
    QTest::newRow("leaf") << "beta"
                          << QStringList({"0:Closed Auctions", "1:Gamma", "0:Open Auctions", "1:Alpha", "2:eta",
                                          "3:Theta", "2:zeta", "1:beta", "2:Stamps"});
    QTest::newRow("fixed folder") << "Closed Auctions"
                                  << QStringList({"0:Closed Auctions", "1:Stamps", "1:Gamma", "0:Open Auctions",
                                                  "1:Alpha", "2:eta", "3:Theta", "2:zeta", "1:beta"});
}

void TestFolderTreePane::newFolderIsFirstChildWithItsEditorOpen()
{
    QFETCH(QString, parent);
    QFETCH(QStringList, outline);
    m_fx->addSampleFolders();
    m_fx->load();
    m_fx->pane->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_fx->pane.get()));
    const qint32 parentItem = m_fx->item(parent);
    m_fx->tree().selectItem(parentItem);
    m_fx->pane->mnuFolderPop()->findChild<QAction *>(s("mnuFolderPopNewFolder"))->trigger();

    const qint32 item = parentItem + 1;
    QCOMPARE(m_fx->tree().cellText(item), s("New Folder"));
    QCOMPARE(m_fx->tree().Parent(item), parentItem);
    const qint32 key = m_fx->tree().itemKey(item);
    QCOMPARE(m_fx->count(s("Folders WHERE FLD_Primary = ? AND FLD_Parent = ? AND FLD_User = ? AND "
                           "FLD_Name = 'New Folder'"),
                         {key, m_fx->folder(parent), m_fx->userKey}),
             1);
    QLineEdit *line = editor();
    QVERIFY(line && line->isVisible());
    line->setText(s("Stamps"));
    QTest::keyClick(line, Qt::Key_Return);
    QTRY_COMPARE(m_fx->count(s("Folders WHERE FLD_Primary = ? AND FLD_Name = 'Stamps'"), {key}), 1);
    QCOMPARE(m_fx->outline(), outline);
}

// F2 or a click on the selected item asks for an edit; the fixed folders refuse it.
void TestFolderTreePane::editRequests_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("opens");
    QTest::newRow("ordinary") << "Alpha" << true;
    QTest::newRow("open fixed") << "Open Auctions" << false;
    QTest::newRow("closed fixed") << "Closed Auctions" << false;
}

void TestFolderTreePane::editRequests()
{
    QFETCH(QString, folder);
    QFETCH(bool, opens);
    m_fx->addSampleFolders();
    m_fx->load();
    m_fx->pane->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_fx->pane.get()));
    m_fx->tree().selectItem(m_fx->item(folder));
    m_fx->pane->sftFolders()->setFocus();
    QTest::keyClick(m_fx->pane->sftFolders(), Qt::Key_F2);
    QCOMPARE(editor() != nullptr && editor()->isVisible(), opens);
}

// An empty name, or any name for a fixed folder, writes nothing and leaves the old text.
void TestFolderTreePane::endEdit_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("renamed") << "Alpha"
                             << "Coins"
                             << "Coins";
    QTest::newRow("markup kept as typed") << "Alpha"
                                          << "<i>Coins</i>"
                                          << "<i>Coins</i>";
    QTest::newRow("emptied") << "Alpha"
                             << ""
                             << "Alpha";
    QTest::newRow("closed fixed") << "Closed Auctions"
                                  << "Mine"
                                  << "Closed Auctions";
    QTest::newRow("open fixed") << "Open Auctions"
                                << "Mine"
                                << "Open Auctions";
}

void TestFolderTreePane::endEdit()
{
    QFETCH(QString, folder);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    m_fx->addSampleFolders();
    m_fx->load();
    QString text = typed;
    m_fx->pane->sftFolders_EndEdit(m_fx->item(folder), text);
    QCOMPARE(text, kept);
    QCOMPARE(m_fx->count(s("Folders WHERE FLD_Primary = ? AND FLD_Name = ?"), {m_fx->folder(folder), kept}), 1);
}

// Alpha > {eta > Theta, zeta}: every folder and auction under it goes, with every queued request
// of those auctions (snipes too, the one in flight cancelled), imports on their way into them,
// and the shortcuts to any of them. The rest stays, and Open Auctions becomes the selection.
void TestFolderTreePane::deleteTwoLevels()
{
    m_fx->addSampleFolders();
    const qint32 inAlpha = m_fx->addAuction(s("Alpha"), s("1001"));
    const qint32 inEta = m_fx->addAuction(s("eta"), s("1002"));
    const qint32 inTheta = m_fx->addAuction(s("Theta"), s("1003"));
    const qint32 inBeta = m_fx->addAuction(s("beta"), s("2001"));
    // Another user's auction of the same item number, in a folder with a key of its own.
    gDB->execute(
        s("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Status) VALUES (?, 999, '1002', 1)"),
        {m_fx->otherUserKey});
    m_fx->addShortcut(m_fx->folder(s("Alpha")), 0);
    m_fx->addShortcut(m_fx->folder(s("Theta")), 0);
    m_fx->addShortcut(0, inEta);
    m_fx->addShortcut(0, inTheta);
    m_fx->addShortcut(0, inBeta);
    m_fx->addShortcut(m_fx->folder(s("beta")), 0);

    const QItemPtr inFlight = m_fx->queueSnipe(inAlpha);
    m_fx->queue().Take(inFlight);
    m_fx->engine->mLastQueueItem = inFlight;
    const QItemPtr snipeEta = m_fx->queueSnipe(inEta);
    m_fx->queueRefresh(s("1003"), s("Theta"));
    m_fx->queueImport(s("3001"), s("Theta"));
    const QItemPtr keptSnipe = m_fx->queueSnipe(inBeta);
    const QItemPtr keptImport = m_fx->queueImport(s("3002"), s("Open Auctions"));
    const QItemPtr keptRefresh = m_fx->queueRefresh(s("2001"), s("beta"));

    m_fx->load();
    m_fx->tree().selectItem(m_fx->item(s("Alpha")));
    QSignalSpy selected(m_fx->pane.get(), &FolderTreePane::folderSelected);
    QSignalSpy pruned(m_fx->pane.get(), &FolderTreePane::shortcutsPruned);
    MsgBoxRecorder boxes(MsgBox::Answer::Yes);
    m_fx->pane->mnuFolderPop()->findChild<QAction *>(s("mnuFolderPopDeleteFolder"))->trigger();

    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].prompt, s("Deleting this Folder (Alpha) will also delete all subfolders and auctions "
                                      "under it.  Are you sure you want to Delete this folder?"));
    QCOMPARE(boxes.boxes[0].title, s("Delete Folder: Alpha?"));
    QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Question);
    QCOMPARE(boxes.boxes[0].buttons, MsgBox::Buttons::YesNo);

    const qint32 u = m_fx->userKey;
    QCOMPARE(m_fx->count(s("Folders WHERE FLD_User = ?"), {u}), 4); // the fixed two, beta, Gamma
    QCOMPARE(m_fx->count(s("Auctions WHERE AUC_User = ?"), {u}), 1);
    QCOMPARE(m_fx->count(s("Auctions WHERE AUC_Primary = ?"), {inBeta}), 1);
    QCOMPARE(m_fx->count(s("Auctions WHERE AUC_User = ?"), {m_fx->otherUserKey}), 1);
    QCOMPARE(m_fx->count(s("Shortcuts")), 2);
    QCOMPARE(m_fx->count(s("Shortcuts WHERE SHT_Auction = ? OR SHT_Folder = ?"), {inBeta, m_fx->folder(s("beta"))}), 2);
    QCOMPARE(pruned.size(), 1);

    QCOMPARE(m_fx->queue().items(), QList<QItemPtr>({keptSnipe, keptImport, keptRefresh}));
    QVERIFY(snipeEta->Bid->CancelBid);
    QVERIFY(inFlight->Bid->CancelBid);
    QVERIFY(!keptSnipe->Bid->CancelBid);

    QCOMPARE(m_fx->outline(), QStringList({"0:Closed Auctions", "1:Gamma", "0:Open Auctions", "1:beta"}));
    QCOMPARE(m_fx->pane->selectedFolderKey(), m_fx->folder(s("Open Auctions")));
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected[0][0].toInt(), m_fx->folder(s("Open Auctions")));
}

void TestFolderTreePane::deleteAnsweredNo()
{
    m_fx->addSampleFolders();
    const qint32 auction = m_fx->addAuction(s("eta"), s("1002"));
    m_fx->queueSnipe(auction);
    m_fx->load();
    MsgBoxRecorder boxes(MsgBox::Answer::No);
    m_fx->pane->DeleteFolder(m_fx->item(s("Alpha")));
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(m_fx->count(s("Folders")), 8);
    QCOMPARE(m_fx->count(s("Auctions")), 1);
    QCOMPARE(m_fx->queue().Count(), 1);
    QCOMPARE(m_fx->outline().size(), 8);
}

// The folder rows go after the auction rows: a refusal there must leave the auctions too, and
// their queued requests.
void TestFolderTreePane::deleteFailingMidwayChangesNothing()
{
    m_fx->addSampleFolders();
    const qint32 auction = m_fx->addAuction(s("eta"), s("1002"));
    m_fx->queueSnipe(auction);
    m_fx->load();
    gDB->execute(s("CREATE TEMP TRIGGER refuseTheta BEFORE DELETE ON Folders WHEN OLD.FLD_Name = 'Theta' "
                   "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    QSignalSpy pruned(m_fx->pane.get(), &FolderTreePane::shortcutsPruned);
    MsgBoxRecorder boxes(MsgBox::Answer::Yes);
    m_fx->pane->DeleteFolder(m_fx->item(s("Alpha")));
    gDB->execute(s("DROP TRIGGER refuseTheta"));
    QCOMPARE(m_fx->count(s("Folders")), 8);
    QCOMPARE(m_fx->count(s("Auctions")), 1);
    QCOMPARE(m_fx->queue().Count(), 1);
    QVERIFY(!m_fx->queue().items().first()->Bid->CancelBid);
    QCOMPARE(m_fx->outline().size(), 8);
    QCOMPARE(pruned.size(), 0);
}

// Dropped by keys, as the tree's drop hands them on. "moved" names the folder the dragged
// folder or the auctions then lie in.
void TestFolderTreePane::drops_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("dragged");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("endsIn");

    const QString none;
    const QString ownSubfolder = s("Cannot Move Selected Folder");
    const QString wrongBranch = s("Auction Cannot be Moved to this Folder");
    QTest::newRow("folder up to the fixed folder") << "folder"
                                                   << "eta"
                                                   << "Open Auctions" << none << "Open Auctions";
    QTest::newRow("folder to a sibling") << "folder"
                                         << "zeta"
                                         << "beta" << none << "beta";
    QTest::newRow("folder across branches") << "folder"
                                            << "eta"
                                            << "Gamma" << none << "Alpha";
    QTest::newRow("folder onto itself") << "folder"
                                        << "eta"
                                        << "eta" << none << "Alpha";
    QTest::newRow("folder into its grandchild") << "folder"
                                                << "Alpha"
                                                << "Theta" << ownSubfolder << "Open Auctions";
    QTest::newRow("fixed folder") << "folder"
                                  << "Closed Auctions"
                                  << "Gamma" << none << "";
    QTest::newRow("auctions within the branch") << "auctions"
                                                << "Alpha"
                                                << "beta" << none << "beta";
    QTest::newRow("closed auctions to open") << "auctions"
                                             << "Gamma"
                                             << "Open Auctions" << wrongBranch << "Gamma";
    QTest::newRow("open auctions to closed") << "auctions"
                                             << "Alpha"
                                             << "Gamma" << wrongBranch << "Alpha";
}

void TestFolderTreePane::drops()
{
    QFETCH(QString, kind);
    QFETCH(QString, dragged);
    QFETCH(QString, target);
    QFETCH(QString, message);
    QFETCH(QString, endsIn);
    m_fx->addSampleFolders();
    QList<qint32> auctions;
    for (const char *item : {"501", "502", "503"})
        auctions << m_fx->addAuction(dragged, QLatin1String(item));
    m_fx->load();
    const qint32 selectedBefore = m_fx->pane->selectedFolderKey();
    QSignalSpy selected(m_fx->pane.get(), &FolderTreePane::folderSelected);
    MsgBoxRecorder boxes;

    const bool moved = kind == s("folder") ? m_fx->pane->DropFolderOn(m_fx->folder(dragged), m_fx->folder(target))
                                           : m_fx->pane->DropAuctionsOn(auctions, m_fx->folder(target));

    const bool expectMoved = endsIn == target;
    QCOMPARE(moved, expectMoved);
    QCOMPARE(boxes.boxes.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(boxes.boxes[0].title, message);
        QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Information);
        QCOMPARE(boxes.boxes[0].buttons, MsgBox::Buttons::Ok);
    }
    const qint32 endsInKey = endsIn.isEmpty() ? 0 : m_fx->folder(endsIn);
    if (kind == s("folder")) {
        QCOMPARE(m_fx->folderParent(dragged), endsInKey);
        // Moved: reloaded, the moved folder among its new siblings and selected.
        QCOMPARE(m_fx->tree().Parent(m_fx->item(dragged)), endsIn.isEmpty() ? -1 : m_fx->item(endsIn));
        QCOMPARE(m_fx->pane->selectedFolderKey(), moved ? m_fx->folder(dragged) : selectedBefore);
    } else {
        QCOMPARE(m_fx->count(s("Auctions WHERE AUC_Folder = ?"), {endsInKey}), 3);
    }
    QCOMPARE(selected.size(), moved ? 1 : 0);
}

// The tree's own drop: the highlighted item is the target, and the grid's auctions come by key.
void TestFolderTreePane::dropThroughTheHighlight()
{
    m_fx->addSampleFolders();
    const qint32 auction = m_fx->addAuction(s("Alpha"), s("601"));
    m_fx->load();
    m_fx->pane->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_fx->pane.get()));
    FolderTreeWidget *w = m_fx->pane->sftFolders();
    const QPoint overBeta = w->visualItemRect(w->topLevelItem(1)->child(1)).center();
    QCOMPARE(m_fx->tree().itemAt(overBeta), m_fx->item(s("beta")));

    m_fx->pane->setDraggedAuctions({auction});
    m_fx->pane->sftFolders_DragOver(s("sftAuctions"), overBeta, 0);
    QCOMPARE(m_fx->tree().dropHighlight(), m_fx->item(s("beta")));
    m_fx->pane->sftFolders_DragOver(QString(), QPoint(), 1);
    QCOMPARE(m_fx->tree().dropHighlight(), -1);
    m_fx->pane->sftFolders_DragOver(s("sftAuctions"), overBeta, 0);
    m_fx->pane->sftFolders_DragDrop(s("sftAuctions"), overBeta);
    QCOMPARE(m_fx->tree().dropHighlight(), -1);
    QCOMPARE(m_fx->count(s("Auctions WHERE AUC_Primary = ? AND AUC_Folder = ?"), {auction, m_fx->folder(s("beta"))}),
             1);
}

QTEST_MAIN(TestFolderTreePane)
#include "TestFolderTreePane.moc"
