#include "ModalDriver.h"
#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "UsersFixture.h"
#include "dialogs/frmAucNewUser.h"
#include "store/BSN_Users.h"
#include "store/Globals.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

using namespace UsersFixture;

namespace {
QLineEdit *box(QWidget *w, const char *name)
{
    return w->findChild<QLineEdit *>(QLatin1String(name));
}
QCheckBox *check(QWidget *w, const char *name)
{
    return w->findChild<QCheckBox *>(QLatin1String(name));
}
QPushButton *button(QWidget *w, const char *name)
{
    return w->findChild<QPushButton *>(QLatin1String(name));
}

void fillRequired(QWidget *w, const QString &name)
{
    box(w, "txtEbayUserName")->setText(name + QStringLiteral("_site"));
    box(w, "txtEbayUserPassword")->setText(QStringLiteral("sitepw"));
    box(w, "txtEmail")->setText(name + QStringLiteral("@example.com"));
    box(w, "txtZandroUser")->setText(name);
}

void finish(QWidget *w)
{
    QTest::mouseClick(button(w, "cmdOK"), Qt::LeftButton);
}

// The other user's own settings, so a refused save can be shown not to touch them.
void writeSection(const QString &name)
{
    SettingsStore &s = SettingsStore::instance();
    s.set(BSN_User::sectionFor(name), QStringLiteral("AutoDeleteAuctions"), QStringLiteral("0"));
    s.set(BSN_User::sectionFor(name), QStringLiteral("DeleteAuctionDays"), QStringLiteral("7"));
    s.set(BSN_User::sectionFor(name), QStringLiteral("colSeller"), QStringLiteral("3"));
    QVERIFY(s.sync());
}
} // namespace

class TestProfileWizard : public QObject
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

    void newProfileDefaults()
    {
        frmAucNewUser w(nullptr);
        QCOMPARE(w.windowTitle(), QStringLiteral("Add New User"));
        QCOMPARE(box(&w, "txtBidSecs")->text(), QStringLiteral("30"));
        QVERIFY(check(&w, "chkAutoRefresh")->isChecked());
        QCOMPARE(box(&w, "txtRefreshMins")->text(), QStringLiteral("60"));
        QVERIFY(box(&w, "txtRefreshMins")->isEnabled());
        QVERIFY(!check(&w, "chkAutoDeleteAuctions")->isChecked());
        QCOMPARE(box(&w, "txtDeleteAuctionDays")->text(), QStringLiteral("30"));
        QVERIFY(!box(&w, "txtDeleteAuctionDays")->isEnabled());
        QVERIFY(check(&w, "chkAutoLogIn")->isChecked());
        QVERIFY(check(&w, "chkSignIn")->isChecked());
        QVERIFY(check(&w, "chkSignIn")->isEnabled());
        QVERIFY(!button(&w, "cmdOK")->isEnabled());
        QVERIFY(!button(&w, "cmdPrevious")->isEnabled());
        QVERIFY(button(&w, "cmdNext")->isEnabled());
        QCOMPARE(box(&w, "txtZandroUserPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(box(&w, "txtEbayUserPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(box(&w, "txtEmail")->maxLength(), 100);
        QCOMPARE(box(&w, "txtPasswordHint")->maxLength(), 255);

        // Next and Previous walk the three pages.
        auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("SSTab1"));
        QTest::mouseClick(button(&w, "cmdNext"), Qt::LeftButton);
        QCOMPARE(tabs->currentIndex(), 1);
        QVERIFY(button(&w, "cmdPrevious")->isEnabled() && button(&w, "cmdNext")->isEnabled());
        QTest::mouseClick(button(&w, "cmdNext"), Qt::LeftButton);
        QCOMPARE(tabs->currentIndex(), 2);
        QVERIFY(button(&w, "cmdPrevious")->isEnabled() && !button(&w, "cmdNext")->isEnabled());
        QTest::mouseClick(button(&w, "cmdPrevious"), Qt::LeftButton);
        QCOMPARE(tabs->currentIndex(), 1);

        // Four characters cannot be typed into the number boxes.
        box(&w, "txtBidSecs")->clear();
        QTest::keyClicks(box(&w, "txtBidSecs"), QStringLiteral("1234"));
        QCOMPARE(box(&w, "txtBidSecs")->text(), QStringLiteral("123"));
    }

    void finishNeedsTheFourRequiredFields_data()
    {
        QTest::addColumn<QString>("leftEmpty");
        QTest::newRow("site name") << "txtEbayUserName";
        QTest::newRow("site password") << "txtEbayUserPassword";
        QTest::newRow("e-mail") << "txtEmail";
        QTest::newRow("program name") << "txtZandroUser";
        QTest::newRow("none") << "";
    }
    void finishNeedsTheFourRequiredFields()
    {
        QFETCH(QString, leftEmpty);
        frmAucNewUser w(nullptr);
        for (const char *name : {"txtEbayUserName", "txtEbayUserPassword", "txtEmail", "txtZandroUser"}) {
            if (leftEmpty != QLatin1String(name))
                QTest::keyClicks(box(&w, name), QStringLiteral("x"));
        }
        QCOMPARE(button(&w, "cmdOK")->isEnabled(), leftEmpty.isEmpty());
    }

    void autoSignInFollowsThePassword()
    {
        frmAucNewUser w(nullptr);
        QLineEdit *password = box(&w, "txtZandroUserPassword");
        QCheckBox *autoLogIn = check(&w, "chkAutoLogIn");
        QTest::keyClicks(password, QStringLiteral("p"));
        QVERIFY(!autoLogIn->isChecked());
        QVERIFY(!autoLogIn->isEnabled());
        QTest::keyClick(password, Qt::Key_Backspace);
        QVERIFY(autoLogIn->isChecked());
        QVERIFY(autoLogIn->isEnabled());
    }

    void validation_data()
    {
        QTest::addColumn<bool>("refresh");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<bool>("autoDelete");
        QTest::addColumn<QString>("days");
        QTest::addColumn<int>("answer"); // to a question, when one is asked
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("prompt"); // of the one box shown; empty: none
        QTest::addColumn<QString>("title");

        const QString mins = "Invalid Number of Minutes", secs = "Invalid Number of Seconds",
                      days = "Invalid Number of Days Entered";
        const int yes = int(MsgBox::Answer::Yes), no = int(MsgBox::Answer::No);
        const QString often = "Refreshing your auctions too frequently can negatively impact the performance ot "
                              "Zandrift, depending on the number of auctions you choose to watch.  It is recommended "
                              "that you do not refresh more often than every 10 minutes. ";

        QTest::newRow("all fine") << true << "60"
                                  << "30" << true << "30" << yes << true << ""
                                  << "";
        QTest::newRow("minutes not a number")
            << true << "ab"
            << "30" << false << "30" << yes << false << "ab is not a valid number of minutes." << mins;
        QTest::newRow("minutes checked first")
            << true << "ab"
            << "x" << false << "30" << yes << false << "ab is not a valid number of minutes." << mins;
        QTest::newRow("minutes unticked are not checked") << false << "ab"
                                                          << "30" << false << "30" << yes << true << ""
                                                          << "";
        QTest::newRow("seconds not a number")
            << true << "60"
            << "x" << false << "30" << yes << false << "x is not a valid number of seconds." << secs;
        QTest::newRow("seconds 600") << true << "60"
                                     << "600" << false << "30" << yes << true << ""
                                     << "";
        QTest::newRow("seconds 601") << true << "60"
                                     << "601" << false << "30" << yes << false
                                     << "601 seconds is greater than 10 minutes.  It is recommended that you place "
                                        "your bids less than 1 minute from the close of the auction."
                                     << secs;
        QTest::newRow("seconds negative") << true << "60"
                                          << "-5" << false << "30" << yes << true << ""
                                          << "";
        QTest::newRow("minutes 0") << true << "0"
                                   << "30" << false << "30" << yes << false
                                   << "The Number of Minutes you have Chosen to Refresh your Auctions is invalid.  "
                                      "Please choose a Valid Number of Minutes (under Options Tab)."
                                   << mins;
        QTest::newRow("minutes 4, yes") << true << "4"
                                        << "30" << false << "30" << yes << true << often << "Refresh Every 4?";
        QTest::newRow("minutes 4, no") << true << "4"
                                       << "30" << false << "30" << no << false << often << "Refresh Every 4?";
        QTest::newRow("minutes 5") << true << "5"
                                   << "30" << false << "30" << yes << true << ""
                                   << "";
        QTest::newRow("minutes 999") << true << "999"
                                     << "30" << false << "30" << yes << true << ""
                                     << "";
        QTest::newRow("minutes 1441 as loaded") << true << "1441"
                                                << "30" << false << "30" << yes << false
                                                << "You have chosen to refresh your auctions less than once per day.  "
                                                   "Please choose a number of minutes equal to less than 1 day (1 "
                                                   "day = 1440 minutes)"
                                                << mins;
        QTest::newRow("days not a number") << true << "60"
                                           << "30" << true << "x" << yes << false
                                           << "You have selected to Automatically Delete Closed Auctions, but have not "
                                              "provided a valid Number of Days.  Please enter a Valid Number of Days "
                                              "(under Options Tab)."
                                           << days;
        QTest::newRow("days 0") << true << "60"
                                << "30" << true << "0" << yes << false
                                << "The Number of Days you have Selected to Delete Closed Auctions is Invalid.  Please "
                                   "enter a valid Number of Days After Auction Close to Delete Auctions (under "
                                   "Options Tab)."
                                << days;
        QTest::newRow("days unticked are not checked") << true << "60"
                                                       << "30" << false << "x" << yes << true << ""
                                                       << "";
    }
    void validation()
    {
        QFETCH(bool, refresh);
        QFETCH(QString, minutes);
        QFETCH(QString, seconds);
        QFETCH(bool, autoDelete);
        QFETCH(QString, days);
        QFETCH(int, answer);
        QFETCH(bool, valid);
        QFETCH(QString, prompt);
        QFETCH(QString, title);

        frmAucNewUser w(nullptr);
        check(&w, "chkAutoRefresh")->setChecked(refresh);
        box(&w, "txtRefreshMins")->setText(minutes);
        box(&w, "txtBidSecs")->setText(seconds);
        check(&w, "chkAutoDeleteAuctions")->setChecked(autoDelete);
        box(&w, "txtDeleteAuctionDays")->setText(days);
        MsgBoxRecorder boxes(static_cast<MsgBox::Answer>(answer));
        QCOMPARE(w.ValidateUserOptions(), valid);
        if (prompt.isEmpty()) {
            QVERIFY(boxes.boxes.isEmpty());
            return;
        }
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, prompt);
        QCOMPARE(boxes.boxes[0].title, title);
        const bool question = title.startsWith(QLatin1String("Refresh Every"));
        QCOMPARE(boxes.boxes[0].buttons, question ? MsgBox::Buttons::YesNo : MsgBox::Buttons::Ok);
        QCOMPARE(boxes.boxes[0].icon, question ? MsgBox::Icon::Information : MsgBox::Icon::Exclamation);
    }

    void savesANewUserWithFoldersAndShortcuts()
    {
        const qint32 other = addUser(QStringLiteral("Ann"), QVariant(), QString(), 1);
        gUsers->Init(*gDB);
        MsgBoxRecorder boxes;
        frmAucNewUser w(nullptr);
        fillRequired(&w, QStringLiteral("O'Brien"));
        box(&w, "txtPasswordHint")->setText(QStringLiteral("dog"));
        box(&w, "txtBidSecs")->setText(QStringLiteral("-5"));
        check(&w, "chkAutoRefresh")->setChecked(false);
        box(&w, "txtRefreshMins")->setText(QStringLiteral("45"));
        check(&w, "chkAutoDeleteAuctions")->setChecked(true);
        box(&w, "txtDeleteAuctionDays")->setText(QStringLiteral("14"));
        finish(&w);
        QVERIFY(boxes.boxes.isEmpty());
        QCOMPARE(w.result(), int(QDialog::Accepted));

        auto row =
            gDB->openQuery(QStringLiteral("SELECT * FROM Users WHERE U_ZandroName = ?"), {QStringLiteral("O'Brien")});
        QCOMPARE(row->recordCount(), 1);
        const qint32 key = static_cast<qint32>(row->value(QStringLiteral("U_Primary")).toLongLong());
        QCOMPARE(row->value(QStringLiteral("U_EbayName")).toString(), QStringLiteral("O'Brien_site"));
        QCOMPARE(row->value(QStringLiteral("U_EbayEmail")).toString(), QStringLiteral("O'Brien@example.com"));
        QCOMPARE(row->value(QStringLiteral("U_ReminderQuestion")).toString(), QStringLiteral("dog"));
        QCOMPARE(row->value(QStringLiteral("U_BidSeconds")).toInt(), 0);
        QCOMPARE(row->value(QStringLiteral("U_AutoRefreshMins")).toInt(), 0);
        QCOMPARE(row->value(QStringLiteral("U_AutoLogOn")).toInt(), 1);
        // Only one user signs in automatically.
        QCOMPARE(count(QStringLiteral("SELECT U_AutoLogOn AS n FROM Users WHERE U_Primary = ?"), {other}), 0);

        auto folders = gDB->openQuery(
            QStringLiteral("SELECT FLD_Primary, FLD_Name, FLD_Parent FROM Folders WHERE FLD_User = ? ORDER BY 1"),
            {key});
        QStringList folderNames;
        QList<qint64> folderKeys;
        for (folders->moveFirst(); !folders->eof(); folders->moveNext()) {
            folderNames << folders->value(QStringLiteral("FLD_Name")).toString();
            folderKeys << folders->value(QStringLiteral("FLD_Primary")).toLongLong();
            QCOMPARE(folders->value(QStringLiteral("FLD_Parent")).toInt(), 0);
        }
        QCOMPARE(folderNames, QStringList({"Open Auctions", "Closed Auctions"}));
        auto shortcuts = gDB->openQuery(
            QStringLiteral("SELECT SHT_Text, SHT_Folder FROM Shortcuts WHERE SHT_User = ? ORDER BY SHT_Primary"),
            {key});
        QCOMPARE(shortcuts->recordCount(), 2);
        shortcuts->moveFirst();
        for (int i = 0; i < 2; ++i, shortcuts->moveNext()) {
            QCOMPARE(shortcuts->value(QStringLiteral("SHT_Text")).toString(), folderNames[i]);
            QCOMPARE(shortcuts->value(QStringLiteral("SHT_Folder")).toLongLong(), folderKeys[i]);
        }

        const QString section = BSN_User::sectionFor(QStringLiteral("O'Brien"));
        QCOMPARE(SettingsStore::instance().get(section, QStringLiteral("AutoDeleteAuctions")), QStringLiteral("1"));
        QCOMPARE(SettingsStore::instance().get(section, QStringLiteral("DeleteAuctionDays")), QStringLiteral("14"));

        QVERIFY(gCurrentUser);
        QCOMPARE(gCurrentUser->PrimaryKey, key);
        QCOMPARE(gUsers->Count(), 2);
        QCOMPARE(gCurrentUser.get(), gUsers->GetUserByPrimary(key).get());
    }

    // A refused save leaves every row and the settings file as they were.
    void refusalWritesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("existing");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("title");

        QTest::newRow("seventh user") << "Greta" << 6 << true
                                      << "Zandrift supports a maximum of 6 users, which you currently have.  To add a "
                                         "new user, please remove an existing one first."
                                      << "Cannot Add Another User...";
        QTest::newRow("same name") << "User1" << 2 << false
                                   << "User: 'User1' already exists, please choose another name."
                                   << "Zandro Alert";
        QTest::newRow("same name, other case")
            << "uSER1" << 2 << false << "User: 'uSER1' already exists, please choose another name."
            << "Zandro Alert";
    }
    void refusalWritesNothing()
    {
        QFETCH(QString, name);
        QFETCH(int, existing);
        QFETCH(bool, closes);
        QFETCH(QString, prompt);
        QFETCH(QString, title);

        for (int i = 1; i <= existing; ++i) {
            addUser(QStringLiteral("User%1").arg(i), QVariant(), QString(), i == 1 ? 1 : 0);
            writeSection(QStringLiteral("User%1").arg(i));
        }
        gUsers->Init(*gDB);
        const QString before = snapshot();

        MsgBoxRecorder boxes;
        frmAucNewUser w(nullptr);
        fillRequired(&w, name);
        check(&w, "chkAutoDeleteAuctions")->setChecked(true);
        QVERIFY(check(&w, "chkAutoLogIn")->isChecked());
        QSignalSpy finished(&w, &QDialog::finished);
        finish(&w);

        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, prompt);
        QCOMPARE(boxes.boxes[0].title, title);
        QCOMPARE(snapshot(), before);
        QCOMPARE(finished.size(), closes ? 1 : 0);
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QVERIFY(!gCurrentUser);
    }

    // A failure part-way through a new user's rows takes back all of them.
    void failureWhileStoringShortcutsLeavesNoUser()
    {
        addUser(QStringLiteral("Ann"), QVariant(), QString(), 1);
        gUsers->Init(*gDB);
        gDB->execute(QStringLiteral("CREATE TRIGGER refuse_shortcuts BEFORE INSERT ON Shortcuts "
                                    "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        const QString before = snapshot();
        MsgBoxRecorder boxes;
        frmAucNewUser w(nullptr);
        fillRequired(&w, QStringLiteral("Bob"));
        finish(&w);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("Error updating User database."));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Zandro Alert"));
        QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Exclamation);
        QCOMPARE(snapshot(), before);
        QVERIFY(!gCurrentUser);

        // The dialog stayed open; once the cause is gone the same entries save.
        gDB->execute(QStringLiteral("DROP TRIGGER refuse_shortcuts"));
        finish(&w);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(count(QStringLiteral("SELECT count(*) AS n FROM Folders")), 2);
        QVERIFY(gCurrentUser);
    }

    void editingSavesTheRowAndClearsEditing()
    {
        const qint32 ann = addUser(QStringLiteral("Ann"));
        writeSection(QStringLiteral("Ann"));
        gUsers->Init(*gDB);
        CurrentUser::instance().signIn(gUsers->GetUserByPrimary(ann));
        const UserPtr edited = gCurrentUser;
        edited->Editing = true;
        const qint64 foldersBefore = count(QStringLiteral("SELECT count(*) AS n FROM Folders"));

        MsgBoxRecorder boxes;
        frmAucNewUser w(nullptr);
        QCOMPARE(w.windowTitle(), QStringLiteral("Edit User Profile"));
        QCOMPARE(box(&w, "txtZandroUser")->text(), QStringLiteral("Ann"));
        QCOMPARE(box(&w, "txtBidSecs")->text(), QStringLiteral("20"));
        QCOMPARE(box(&w, "txtRefreshMins")->text(), QStringLiteral("15"));
        QCOMPARE(box(&w, "txtDeleteAuctionDays")->text(), QStringLiteral("7"));
        QVERIFY(!check(&w, "chkAutoDeleteAuctions")->isChecked());
        QVERIFY(!check(&w, "chkSignIn")->isChecked());
        QVERIFY(!check(&w, "chkSignIn")->isEnabled());
        // Opening the profile does not move automatic sign-in to this user by itself.
        QVERIFY(!check(&w, "chkAutoLogIn")->isChecked());
        QVERIFY(check(&w, "chkAutoLogIn")->isEnabled());

        box(&w, "txtZandroUser")->setText(QStringLiteral("Anna"));
        box(&w, "txtBidSecs")->setText(QStringLiteral("12"));
        finish(&w);
        QVERIFY(boxes.boxes.isEmpty());
        QCOMPARE(count(QStringLiteral("SELECT U_BidSeconds AS n FROM Users WHERE U_Primary = ?"), {ann}), 12);
        QCOMPARE(count(QStringLiteral("SELECT count(*) AS n FROM Users")), 1);
        QCOMPARE(count(QStringLiteral("SELECT count(*) AS n FROM Folders")), foldersBefore);
        QVERIFY(gCurrentUser != edited);
        QCOMPARE(gCurrentUser->ZandroName, QStringLiteral("Anna"));
        QVERIFY(!gCurrentUser->Editing);
        QVERIFY(!edited->Editing);
        // A renamed user's values go under the new name; the old section stays.
        QCOMPARE(SettingsStore::instance().get(QStringLiteral("user Anna"), QStringLiteral("AutoDeleteAuctions")),
                 QStringLiteral("0"));
        QCOMPARE(SettingsStore::instance().get(QStringLiteral("user Ann"), QStringLiteral("DeleteAuctionDays")),
                 QStringLiteral("7"));
    }

    void editingAMissingRowWritesNothing()
    {
        const qint32 ann = addUser(QStringLiteral("Ann"));
        addUser(QStringLiteral("Bob"), QVariant(), QString(), 1);
        gUsers->Init(*gDB);
        CurrentUser::instance().signIn(gUsers->GetUserByPrimary(ann));
        gCurrentUser->Editing = true;
        gDB->execute(QStringLiteral("DELETE FROM Users WHERE U_Primary = ?"), {ann});
        const QString before = snapshot();

        MsgBoxRecorder boxes;
        frmAucNewUser w(nullptr);
        check(&w, "chkAutoDeleteAuctions")->setChecked(true);
        QVERIFY(check(&w, "chkAutoLogIn")->isEnabled());
        check(&w, "chkAutoLogIn")->setChecked(true);
        finish(&w);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("Error finding current user record"));
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Error Updating User Info"));
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(snapshot(), before);
        QVERIFY(!gCurrentUser->Editing);
    }

    // However the edit is left, the next opening adds a user.
    void closingIsCancel_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel button") << "cancel";
        QTest::newRow("Escape") << "escape";
        QTest::newRow("window frame") << "frame";
    }
    void closingIsCancel()
    {
        QFETCH(QString, how);
        const qint32 ann = addUser(QStringLiteral("Ann"));
        gUsers->Init(*gDB);
        CurrentUser::instance().signIn(gUsers->GetUserByPrimary(ann));
        gCurrentUser->Editing = true;
        const QString before = snapshot();
        {
            frmAucNewUser w(nullptr);
            QVERIFY(w.isEditing());
            bool acted = false;
            whenModal<frmAucNewUser>(
                [how](frmAucNewUser &dRef) {
                    frmAucNewUser *d = &dRef;
                    box(d, "txtBidSecs")->setText(QStringLiteral("99"));
                    if (how == QLatin1String("cancel"))
                        QTest::mouseClick(button(d, "cmdCancel"), Qt::LeftButton);
                    else if (how == QLatin1String("escape"))
                        QTest::keyClick(d, Qt::Key_Escape);
                    else
                        d->close();
                },
                &acted);
            QCOMPARE(w.exec(), int(QDialog::Rejected));
            QVERIFY(acted);
        }
        QCOMPARE(snapshot(), before);
        QVERIFY(gCurrentUser);
        QCOMPARE(gCurrentUser->PrimaryKey, ann);
        QVERIFY(!gCurrentUser->Editing);
        frmAucNewUser next(nullptr);
        QVERIFY(!next.isEditing());
        QCOMPARE(next.windowTitle(), QStringLiteral("Add New User"));
    }
};

QTEST_MAIN(TestProfileWizard)
#include "TestProfileWizard.moc"
