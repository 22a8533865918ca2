#include "ModalDriver.h"
#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "UsersFixture.h"
#include "dialogs/frmAucNewUser.h"
#include "dialogs/frmSignin.h"
#include "store/Globals.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace UsersFixture;

namespace {
QComboBox *names(QDialog &d)
{
    return d.findChild<QComboBox *>(QStringLiteral("cboUserName"));
}
QPushButton *button(QWidget *d, const char *name)
{
    return d->findChild<QPushButton *>(QLatin1String(name));
}

void choose(frmSignin &d, const QString &name, const QString &password)
{
    names(d)->setCurrentIndex(names(d)->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
    d.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(password);
}
} // namespace

class TestSignin : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(m_folder->openStore());
    }
    void cleanup() { m_folder.reset(); }

    void listsNamesSortedWithNothingChosen()
    {
        addUser(QStringLiteral("bob"));
        addUser(QStringLiteral("Carl"));
        addUser(QStringLiteral("Ann"));
        gUsers->Init(*gDB);
        frmSignin d(nullptr);
        QComboBox *list = names(d);
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->itemText(0), QStringLiteral("Ann"));
        QCOMPARE(list->itemText(1), QStringLiteral("bob"));
        QCOMPARE(list->itemText(2), QStringLiteral("Carl"));
        QVERIFY(!list->isEditable());
        QCOMPARE(list->currentIndex(), -1);
        QVERIFY(!button(&d, "cmdOK")->isEnabled());
        QVERIFY(!button(&d, "cmdPasswordHint")->isEnabled());
        list->setCurrentIndex(1);
        QVERIFY(button(&d, "cmdOK")->isEnabled());
        QVERIFY(button(&d, "cmdPasswordHint")->isEnabled());
        QCOMPARE(d.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->echoMode(), QLineEdit::Password);
    }

    void password_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("signsIn");

        QTest::newRow("apostrophe in the name") << "O'Hara" << QVariant("pw") << "pw" << true;
        QTest::newRow("letter case ignored") << "Ann" << QVariant("Secret") << "sECRET" << true;
        QTest::newRow("wrong password") << "Ann" << QVariant("Secret") << "secrets" << false;
        QTest::newRow("empty stored, empty typed") << "Ann" << QVariant(QString("")) << "" << true;
        QTest::newRow("no stored value never matches") << "Ann" << QVariant() << "" << false;
    }
    void password()
    {
        QFETCH(QString, name);
        QFETCH(QVariant, stored);
        QFETCH(QString, typed);
        QFETCH(bool, signsIn);

        const qint32 previous = addUser(QStringLiteral("Bob"), QStringLiteral("x"));
        const qint32 key = addUser(name, stored);
        gUsers->Init(*gDB);
        CurrentUser::instance().signIn(gUsers->GetUserByPrimary(previous));

        MsgBoxRecorder boxes;
        frmSignin d(nullptr);
        choose(d, name, typed);
        QTest::mouseClick(button(&d, "cmdOK"), Qt::LeftButton);

        if (signsIn) {
            QVERIFY(boxes.boxes.isEmpty());
            QCOMPARE(d.result(), int(QDialog::Accepted));
            QVERIFY(gCurrentUser);
            QCOMPARE(gCurrentUser->PrimaryKey, key);
        } else {
            QCOMPARE(boxes.boxes.size(), 1);
            QCOMPARE(boxes.boxes[0].prompt, QStringLiteral("Password incorrect for ") + name);
            QCOMPARE(boxes.boxes[0].title, QStringLiteral("Invalid Password"));
            QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Exclamation);
            QCOMPARE(d.result(), int(QDialog::Rejected));
            QCOMPARE(d.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->text(), typed);
            QCOMPARE(gCurrentUser->PrimaryKey, previous);
        }
    }

    void hint_data()
    {
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("none") << ""
                              << "You do not have a Password Hint.";
        QTest::newRow("some") << "First cat's name"
                              << "You Password Hint: First cat's name";
    }
    void hint()
    {
        QFETCH(QString, hint);
        QFETCH(QString, prompt);
        addUser(QStringLiteral("Ann"), QStringLiteral("pw"), hint);
        gUsers->Init(*gDB);
        MsgBoxRecorder boxes;
        frmSignin d(nullptr);
        choose(d, QStringLiteral("Ann"), QString());
        QTest::mouseClick(button(&d, "cmdPasswordHint"), Qt::LeftButton);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].prompt, prompt);
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Password Hint"));
        QCOMPARE(boxes.boxes[0].icon, MsgBox::Icon::Information);
        QVERIFY(!gCurrentUser);
    }

    void cancelAfterFailedAttemptKeepsPreviousUser()
    {
        const qint32 bob = addUser(QStringLiteral("Bob"), QStringLiteral("b"));
        addUser(QStringLiteral("Ann"), QStringLiteral("a"));
        gUsers->Init(*gDB);
        CurrentUser::instance().signIn(gUsers->GetUserByPrimary(bob));
        MsgBoxRecorder boxes;
        frmSignin d(nullptr);
        bool acted = false;
        whenModal<frmSignin>(
            [](frmSignin &sRef) {
                frmSignin *s = &sRef;
                choose(*s, QStringLiteral("Ann"), QStringLiteral("wrong"));
                QTest::mouseClick(button(s, "cmdOK"), Qt::LeftButton);
                QTest::mouseClick(button(s, "cmdCancel"), Qt::LeftButton);
            },
            &acted);
        QCOMPARE(d.exec(), int(QDialog::Rejected));
        QVERIFY(acted);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(gCurrentUser->PrimaryKey, bob);
    }

    // No user at all: the wizard comes first, and the sign-in closes by itself once the wizard
    // created a user and signed them in.
    void noUsersRunsTheWizard_data()
    {
        QTest::addColumn<bool>("finish");
        QTest::addColumn<bool>("signInNow");
        QTest::newRow("created and signed in") << true << true;
        QTest::newRow("created, not signed in") << true << false;
        QTest::newRow("wizard cancelled") << false << false;
    }
    void noUsersRunsTheWizard()
    {
        QFETCH(bool, finish);
        QFETCH(bool, signInNow);
        CurrentUser::instance().signOut();
        MsgBoxRecorder boxes;
        frmSignin d(nullptr);
        bool wizardRan = false;
        whenModal<frmAucNewUser>(
            [finish, signInNow](frmAucNewUser &wRef) {
                frmAucNewUser *w = &wRef;
                if (!finish) {
                    QTest::keyClick(w, Qt::Key_Escape);
                    return;
                }
                for (const char *box : {"txtEbayUserName", "txtEbayUserPassword", "txtEmail", "txtZandroUser"})
                    w->findChild<QLineEdit *>(QLatin1String(box))->setText(QStringLiteral("first"));
                w->findChild<QCheckBox *>(QStringLiteral("chkSignIn"))->setChecked(signInNow);
                QTest::mouseClick(button(w, "cmdOK"), Qt::LeftButton);
            },
            &wizardRan);
        bool signinShown = false;
        if (!signInNow) {
            whenModal<frmSignin>(
                [finish](frmSignin &sRef) {
                    frmSignin *s = &sRef;
                    // A user made without signing in can be chosen; with none, nothing can be.
                    QCOMPARE(names(*s)->count(), finish ? 1 : 0);
                    QVERIFY(!button(s, "cmdOK")->isEnabled());
                    s->reject();
                },
                &signinShown);
        }
        const int result = d.exec();
        QVERIFY(wizardRan);
        QVERIFY(boxes.boxes.isEmpty());
        if (signInNow) {
            QCOMPARE(result, int(QDialog::Accepted));
            QVERIFY(!d.isVisible());
            QVERIFY(gCurrentUser);
            QCOMPARE(gCurrentUser->ZandroName, QStringLiteral("first"));
        } else {
            QVERIFY(signinShown);
            QCOMPARE(result, int(QDialog::Rejected));
            QVERIFY(!gCurrentUser);
        }
    }

    void databaseErrorIsShownAndSurvived()
    {
        addUser(QStringLiteral("Ann"), QStringLiteral("a"));
        gUsers->Init(*gDB);
        MsgBoxRecorder boxes;
        frmSignin d(nullptr);
        choose(d, QStringLiteral("Ann"), QStringLiteral("a"));
        gDB->execute(QStringLiteral("ALTER TABLE Users RENAME TO UsersGone"));
        QTest::mouseClick(button(&d, "cmdOK"), Qt::LeftButton);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("Database Error"));
        QVERIFY(!gCurrentUser);
        QCOMPARE(d.result(), int(QDialog::Rejected));

        // Loading meets the same error: a message, an empty list, no wizard.
        boxes.boxes.clear();
        frmSignin again(nullptr);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(names(again)->count(), 0);
    }
};

QTEST_MAIN(TestSignin)
#include "TestSignin.moc"
