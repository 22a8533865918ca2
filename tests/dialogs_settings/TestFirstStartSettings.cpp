// The first start of the real window on a machine without dial-up: the real settings dialog
// opens, and cancelling it must not lead to any talk of dialling.
#include "FakeBrowser.h"
#include "FakeDialogs.h"
#include "ModalDriver.h"
#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "dialogs/Dialogs.h"
#include "dialogs/frmAppSettings.h"
#include "mainwindow/frmAuction.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QButtonGroup>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Every dialog a fake but the system settings, which are the real ones.
class RealSettingsDialog : public FakeDialogs
{
public:
    void systemSettings(QWidget *owner) override { Dialogs().systemSettings(owner); }
};

} // namespace

class TestFirstStartSettings : public QObject
{
    Q_OBJECT

    QByteArray m_path;

private slots:
    void initTestCase() { m_path = qgetenv("PATH"); }
    void cleanup()
    {
        qputenv("PATH", m_path);
        ReleaseGlobals();
    }

    void cancelledFirstSetUpDialsNothing_data()
    {
        QTest::addColumn<bool>("nmcli");
        QTest::newRow("no nmcli") << false;
        QTest::newRow("nmcli without dial-up entries") << true;
    }
    void cancelledFirstSetUpDialsNothing()
    {
        QFETCH(bool, nmcli);
        TestProgramFolder folder;
        QVERIFY(folder.isValid());
        QTemporaryDir emptyBin;
        if (nmcli) {
            QFile state(folder.file(QStringLiteral("nm-state")));
            QVERIFY(state.open(QIODevice::WriteOnly));
            state.write("Wired\tu-3\tethernet\t1\t\n");
            qputenv("FAKE_NMCLI_STATE", state.fileName().toUtf8());
            qputenv("PATH", QByteArray(ZANDRIFT_TEST_DATA "/fake_nmcli:") + m_path);
        } else {
            qputenv("PATH", emptyBin.path().toUtf8());
        }

        RealSettingsDialog dialogs;
        frmAuction w(dialogs, new FakeBrowser);
        int checked = -1;
        bool opened = false;
        whenModal<frmAppSettings>(
            [&checked](frmAppSettings &d) {
                checked = d.findChild<QButtonGroup *>(QStringLiteral("optConnectionType"))->checkedId();
                d.findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
            },
            &opened);
        MsgBoxRecorder boxes(MsgBox::Answer::Yes);
        QVERIFY(w.Form_Load(QString()));
        QVERIFY(opened);
        QCOMPARE(checked, 2); // "Direct Connection"
        QVERIFY(gSettings->NotSetup);
        QStringList prompts;
        for (const MsgBox::Request &r : boxes.boxes)
            prompts << r.prompt;
        QCOMPARE(prompts, QStringList{QStringLiteral("Do you want to exit Without Saving Settings?")});
    }
};

QTEST_MAIN(TestFirstStartSettings)
#include "TestFirstStartSettings.moc"
