#include "TestProgramFolder.h"
#include "dialogs/IDialogs.h"
#include "dialogs/frmCloseZandrift.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

// The close question's answer as the window reads it: the caller sets CloseResult to 0 (close)
// before asking, so every way out of the dialog must say what it means.
class TestCloseDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;

private slots:
    void initTestCase()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(m_folder->openStore());
    }
    void cleanupTestCase() { m_folder.reset(); }

    void answers_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("doNotAsk");
        QTest::addColumn<int>("result");
        QTest::newRow("Close") << "cmdClose" << false << 0;
        QTest::newRow("Do Not Close") << "cmdCancel" << false << 1;
        QTest::newRow("Send to the tray") << "Command1" << false << 2;
        QTest::newRow("Escape is Do Not Close") << "escape" << false << 1;
        QTest::newRow("the close box closes") << "closebox" << false << 0;
        QTest::newRow("Escape saves the ticked box") << "escape" << true << 1;
        QTest::newRow("Do Not Close saves the ticked box") << "cmdCancel" << true << 1;
    }
    void answers()
    {
        QFETCH(QString, how);
        QFETCH(bool, doNotAsk);
        QFETCH(int, result);
        gSettings->ShowClosingWarning = 1;
        CloseResult = 0;
        frmCloseZandrift d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        d.findChild<QCheckBox *>(QStringLiteral("chkDoNotShow"))->setChecked(doNotAsk);
        if (how == QLatin1String("escape"))
            QTest::keyClick(&d, Qt::Key_Escape);
        else if (how == QLatin1String("closebox"))
            d.close();
        else
            d.findChild<QPushButton *>(how)->click();
        QVERIFY(!d.isVisible());
        QCOMPARE(int(CloseResult), result);
        QCOMPARE(int(gSettings->ShowClosingWarning), doNotAsk ? 0 : 1);
    }
};

QTEST_MAIN(TestCloseDialog)
#include "TestCloseDialog.moc"
