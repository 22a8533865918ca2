#include "ModalDriver.h"
#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "UsersFixture.h"
#include "dialogs/ColumnChooserPage.h"
#include "dialogs/Dialogs.h"
#include "dialogs/frmAucNewUser.h"
#include "store/BSN_Users.h"
#include "store/Globals.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

using namespace UsersFixture;

namespace {
const QStringList kDefaultView = {"Auctions",   "Item #",     "Current Bid", "# of Bids", "Qty for Sale",
                                  "My Max Bid", "My Bid Qty", "Time Ends",   "Time Left"};
const QStringList kDefaultHidden = {"High Bidder", "Seller",   "Location",      "Country/Region",
                                    "Paid",        "Received", "Left Feedback", "Comments"};

QListWidget *list(QWidget *w, const char *name)
{
    return w->findChild<QListWidget *>(QLatin1String(name));
}
QToolButton *tool(QWidget *w, const char *name)
{
    return w->findChild<QToolButton *>(QLatin1String(name));
}

// "add delete up down", each 1 or 0.
QString buttonStates(QWidget *w)
{
    QString s;
    for (const char *name : {"cmdAddCol", "cmdDeleteCol", "cmdUp", "cmdDown"})
        s += tool(w, name)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

void clickRow(QListWidget *l, int row)
{
    l->scrollToItem(l->item(row));
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
}

void doubleClickRow(QListWidget *l, int row)
{
    const QPoint at = l->visualItemRect(l->item(row)).center();
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
}
} // namespace

class TestColumnChooser : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(m_folder->openStore());
        CurrentUser::instance().signOut();
    }
    void cleanup() { m_folder.reset(); }

    void buttonsFollowTheSelection_data()
    {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("states"); // add delete up down

        QTest::newRow("Auctions") << "sftView" << 0 << "0000";
        QTest::newRow("Item #, just below Auctions") << "sftView" << 1 << "0001";
        QTest::newRow("middle") << "sftView" << 4 << "0111";
        QTest::newRow("bottom") << "sftView" << 8 << "0110";
        QTest::newRow("an available column") << "sftAvailable" << 3 << "1000";
    }
    void buttonsFollowTheSelection()
    {
        QFETCH(QString, listName);
        QFETCH(int, row);
        QFETCH(QString, states);
        ColumnChooserPage page;
        AucColumns defaults;
        defaults.RestoreDefaults();
        page.FillColumnLists(defaults);
        page.show();
        QCOMPARE(page.viewColumns(), kDefaultView);
        QCOMPARE(page.availableColumns(), kDefaultHidden);
        QCOMPARE(buttonStates(&page), QStringLiteral("0000"));
        clickRow(list(&page, listName.toLatin1().constData()), row);
        QCOMPARE(buttonStates(&page), states);
    }

    void movesBetweenAndWithinTheLists()
    {
        ColumnChooserPage page;
        AucColumns defaults;
        defaults.RestoreDefaults();
        page.FillColumnLists(defaults);
        page.show();
        QListWidget *view = list(&page, "sftView");
        QListWidget *available = list(&page, "sftAvailable");

        // Double-clicking "Item #" or "Auctions" removes nothing.
        doubleClickRow(view, 1);
        doubleClickRow(view, 0);
        QCOMPARE(page.viewColumns(), kDefaultView);

        // Removing the bottom entry selects the new bottom one.
        clickRow(view, 8);
        QTest::mouseClick(tool(&page, "cmdDeleteCol"), Qt::LeftButton);
        QCOMPARE(page.viewColumns(), kDefaultView.mid(0, 8));
        QCOMPARE(page.availableColumns().last(), QStringLiteral("Time Left"));
        QCOMPARE(view->currentRow(), 7);
        QCOMPARE(available->currentRow(), 8);

        // Adding from the middle selects the entry that moved into the gap.
        clickRow(available, 2);
        QTest::mouseClick(tool(&page, "cmdAddCol"), Qt::LeftButton);
        QCOMPARE(page.viewColumns().last(), QStringLiteral("Location"));
        QCOMPARE(view->currentRow(), 8);
        QCOMPARE(available->currentItem()->text(), QStringLiteral("Country/Region"));

        // Up and down swap with the neighbour and keep the entry selected.
        clickRow(view, 3);
        QTest::mouseClick(tool(&page, "cmdUp"), Qt::LeftButton);
        QCOMPARE(page.viewColumns().mid(2, 2), QStringList({"# of Bids", "Current Bid"}));
        QCOMPARE(view->currentRow(), 2);
        QTest::mouseClick(tool(&page, "cmdDown"), Qt::LeftButton);
        QTest::mouseClick(tool(&page, "cmdDown"), Qt::LeftButton);
        QCOMPARE(page.viewColumns().mid(2, 3), QStringList({"Current Bid", "Qty for Sale", "# of Bids"}));
        QCOMPARE(view->currentRow(), 4);

        // Adding the last available one (by double-click) empties the list and disables Add.
        while (available->count() > 0)
            doubleClickRow(available, 0);
        QCOMPARE(page.viewColumns().size(), 17);
        QVERIFY(!tool(&page, "cmdAddCol")->isEnabled());
    }

    // The chosen columns are stored for every caption, read back by the user list, and shown
    // again when the profile is edited.
    void roundTripThroughTheUserList()
    {
        MsgBoxRecorder boxes;
        {
            frmAucNewUser w(nullptr);
            for (const char *name : {"txtEbayUserName", "txtEbayUserPassword", "txtEmail", "txtZandroUser"})
                w.findChild<QLineEdit *>(QLatin1String(name))->setText(QStringLiteral("Ann"));
            auto *page = w.findChild<ColumnChooserPage *>();
            QListWidget *view = list(page, "sftView");
            QListWidget *available = list(page, "sftAvailable");
            w.showPage(frmAucNewUser::ColumnsPage);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            clickRow(view, 7); // Time Ends
            QTest::mouseClick(tool(page, "cmdDeleteCol"), Qt::LeftButton);

            clickRow(available, page->availableColumns().indexOf(QStringLiteral("Comments")));
            QTest::mouseClick(tool(page, "cmdAddCol"), Qt::LeftButton);
            QTest::mouseClick(tool(page, "cmdUp"), Qt::LeftButton);
            QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        }
        QVERIFY(boxes.boxes.isEmpty());
        const QStringList expectedView = {"Auctions",   "Item #",     "Current Bid", "# of Bids", "Qty for Sale",
                                          "My Max Bid", "My Bid Qty", "Comments",    "Time Left"};

        SettingsStore &store = SettingsStore::instance();
        AucColumns all;
        for (int i = 0; i < AucColumns::kCount; ++i) {
            const QString caption = *all.column(i).caption;
            const QString stored = store.get(QStringLiteral("user Ann"), QStringLiteral("col") + caption);
            QCOMPARE(caption + '=' + stored, caption + '=' + QString::number(expectedView.indexOf(caption)));
        }

        QVERIFY(gCurrentUser);
        AucColumns loaded = gCurrentUser->Columns;
        loaded.CreateViewNonViewColumns();
        QCOMPARE(loaded.ViewColumns, expectedView);

        // The column command opens the same page of the profile, as an edit of this user.
        Dialogs dialogs;
        bool acted = false;
        whenModal<frmAucNewUser>(
            [&expectedView](frmAucNewUser &wRef) {
                frmAucNewUser *w = &wRef;
                QVERIFY(w->isEditing());
                QCOMPARE(w->findChild<QTabWidget *>(QStringLiteral("SSTab1"))->currentIndex(), 2);
                QCOMPARE(w->findChild<ColumnChooserPage *>()->viewColumns(), expectedView);
                w->reject();
            },
            &acted);
        dialogs.columnChooser(nullptr);
        QVERIFY(acted);
        QVERIFY(!gCurrentUser->Editing);
    }
};

QTEST_MAIN(TestColumnChooser)
#include "TestColumnChooser.moc"
