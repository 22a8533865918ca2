#include "FakeNmcli.h"
#include "MsgBoxRecorder.h"
#include "TestProgramFolder.h"
#include "dialogs/frmAppSettings.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

// The system settings dialog over a throw-away program folder, with our fake nmcli
// (tests/data/fake_nmcli) standing in for the dial-up layer.
class TestAppSettingsDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<FakeNmcli> m_nmcli;

    void setPhoneBook(const QByteArray &state)
    {
        QFile f(m_folder->file(QStringLiteral("nm-state")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(state);
    }
    QByteArray settingsFile() const
    {
        QFile f(m_folder->settingsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QVariantList applicationRow()
    {
        QVariantList out;
        auto rs = gDB->openQuery(QStringLiteral("SELECT * FROM Application"));
        for (const QString &c : rs->fieldNames())
            out << rs->value(c);
        return out;
    }
    template <typename T> static T *child(QWidget &w, const char *name)
    {
        T *c = w.findChild<T *>(QLatin1String(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    static void chooseType(frmAppSettings &d, int type)
    {
        child<QRadioButton>(d, (QByteArray("optConnectionType") + QByteArray::number(type)).constData())->click();
    }
    // A form that passes every check: direct connection, 5 minutes, Eastern time.
    static void fillValid(frmAppSettings &d)
    {
        chooseType(d, 2);
        child<QLineEdit>(d, "txtConnectMins")->setText(QStringLiteral("5"));
        auto *zones = child<QComboBox>(d, "cboTime");
        zones->setCurrentIndex(7);
        emit zones->activated(7);
        child<QCheckBox>(d, "chkPeriodicTimeSync")->setChecked(false);
        child<QCheckBox>(d, "chkAutoDeleteErrorLogs")->setChecked(true);
        child<QLineEdit>(d, "txtDeleteErrorLogDays")->setText(QStringLiteral("7"));
    }

private slots:
    // One program folder for the whole run (opening a database costs several synced writes);
    // each case starts from first-run settings and an empty settings section.
    void initTestCase()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(m_folder->isValid());
        QVERIFY(m_folder->openStore());
        m_nmcli = std::make_unique<FakeNmcli>(m_folder->path());
    }

    void init()
    {
        gDB->execute(QStringLiteral("DROP TRIGGER IF EXISTS refuse"));
        gDB->execute(QStringLiteral("UPDATE Application SET APP_SettingsUpdated = 0"));
        SettingsStore::instance().deleteSection(QStringLiteral("appsettings"));
        QVERIFY(SettingsStore::instance().sync());
        gSettings = std::make_unique<AppSettings>(*gDB, SettingsStore::instance());
        QVERIFY(gSettings->NotSetup);
        setPhoneBook("Home ISP\tu-1\tppp\t0\t\nOffice: modem\tu-2\tgsm\t0\t\nWired\tu-3\tethernet\t1\t\n");
    }

    void cleanupTestCase()
    {
        m_nmcli.reset();
        m_folder.reset();
    }

    void validation_data()
    {
        QTest::addColumn<bool>("entries"); // the phone book lists dial-up entries
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("entry"); // selected phone-book entry, -1 none
        QTest::addColumn<QString>("proxy");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<int>("zone");
        QTest::addColumn<bool>("periodic");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<bool>("purge");
        QTest::addColumn<QString>("days");
        QTest::addColumn<bool>("answerYes"); // to the minutes question
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("message"); // first words of the one message, empty for none

        const QString proxy = QStringLiteral("You must enter the name of the proxy server.");
        const QString noEntry = QStringLiteral("You have chosen Dialup Connection, but have not selected an actual "
                                               "connection.  Please do so...");
        const QString noMins = QStringLiteral("You must tell Zandrift to connect X Mins");
        const QString noZone = QStringLiteral("Please select a time zone (Time Tab).");
        const QString badHours = QStringLiteral("Please enter a valid number of hours for time synchronization.");
        const QString maxHours = QStringLiteral("The maximum allowable number of hours");
        const QString minHours = QStringLiteral("The minimum time allowable between time synchronizations is 1 hour.");
        const QString badMins = QStringLiteral("Please enter a valid number of minutes");
        const QString minMins = QStringLiteral("The minimum time allowable for connecting prior to the end");
        const QString badDays = QStringLiteral("Please enter a valid number of days, from 0 to 999");
        const QString ask = QStringLiteral("If you are using a dialup connection");

        //                                   entries type entry proxy    mins zone per  hours purge days  yes  valid
        //                                   message
        QTest::newRow("proxy without a name") << true << 3 << -1 << ""
                                              << "5" << 7 << false << "" << false << "" << true << false << proxy;
        QTest::newRow("direct ignores the proxy name") << true << 2 << -1 << ""
                                                       << "5" << 7 << false << "" << false << "" << true << true << "";
        QTest::newRow("dial-up without an entry") << true << 0 << -1 << ""
                                                  << "5" << 7 << false << "" << false << "" << true << false << noEntry;
        QTest::newRow("dial-up on a machine without entries")
            << false << 0 << -1 << ""
            << "5" << 7 << false << "" << false << "" << true << false
            << "You have chosen Dialup Connection, but no dialup connection is set up";
        QTest::newRow("dial-up without minutes") << true << 0 << 1 << ""
                                                 << "" << 7 << false << "" << false << "" << true << false << noMins;
        QTest::newRow("dial-up complete") << true << 0 << 1 << ""
                                          << "5" << 7 << false << "" << false << "" << true << true << "";
        QTest::newRow("no time zone") << true << 2 << -1 << ""
                                      << "5" << -1 << false << "" << false << "" << true << false << noZone;
        QTest::newRow("hours not a number") << true << 2 << -1 << ""
                                            << "5" << 7 << true << "x" << false << "" << true << false << badHours;
        QTest::newRow("168 hours") << true << 2 << -1 << ""
                                   << "5" << 7 << true << "168" << false << "" << true << true << "";
        QTest::newRow("169 hours") << true << 2 << -1 << ""
                                   << "5" << 7 << true << "169" << false << "" << true << false << maxHours;
        QTest::newRow("0 hours ticked") << true << 2 << -1 << ""
                                        << "5" << 7 << true << "0" << false << "" << true << false << minHours;
        QTest::newRow("hours unticked are not read") << true << 2 << -1 << ""
                                                     << "5" << 7 << false << "x" << false << "" << true << true << "";
        QTest::newRow("minutes not a number, direct")
            << true << 2 << -1 << ""
            << "x" << 7 << false << "" << false << "" << true << false << badMins;
        QTest::newRow("minutes empty, proxy") << true << 3 << -1 << "p"
                                              << "" << 7 << false << "" << false << "" << true << false << badMins;
        QTest::newRow("0 minutes, though Yes would keep it")
            << true << 2 << -1 << ""
            << "0" << 7 << false << "" << false << "" << true << false << minMins;
        QTest::newRow("negative minutes, dial-up")
            << true << 0 << 1 << ""
            << "-5" << 7 << false << "" << false << "" << true << false << minMins;
        QTest::newRow("1 minute kept") << true << 2 << -1 << ""
                                       << "1" << 7 << false << "" << false << "" << true << true << ask;
        QTest::newRow("3 minutes") << true << 2 << -1 << ""
                                   << "3" << 7 << false << "" << false << "" << false << true << "";
        QTest::newRow("10 minutes") << true << 2 << -1 << ""
                                    << "10" << 7 << false << "" << false << "" << false << true << "";
        QTest::newRow("2 minutes kept") << true << 2 << -1 << ""
                                        << "2" << 7 << false << "" << false << "" << true << true << ask;
        QTest::newRow("11 minutes edited") << true << 2 << -1 << ""
                                           << "11" << 7 << false << "" << false << "" << false << false << ask;
        QTest::newRow("days not a number") << true << 2 << -1 << ""
                                           << "5" << 7 << false << "" << true << "x" << true << false << badDays;
        QTest::newRow("negative days") << true << 2 << -1 << ""
                                       << "5" << 7 << false << "" << true << "-1" << true << false << badDays;
        QTest::newRow("days with a fraction") << true << 2 << -1 << ""
                                              << "5" << 7 << false << "" << true << "1.5" << true << false << badDays;
        QTest::newRow("0 days") << true << 2 << -1 << ""
                                << "5" << 7 << false << "" << true << "0" << true << true << "";
        QTest::newRow("999 days") << true << 2 << -1 << ""
                                  << "5" << 7 << false << "" << true << "999" << true << true << "";
        QTest::newRow("days unticked are not read") << true << 2 << -1 << ""
                                                    << "5" << 7 << false << "" << false << "x" << true << true << "";
        QTest::newRow("first failure wins") << true << 3 << -1 << ""
                                            << "x" << -1 << true << "x" << true << "x" << true << false << proxy;
    }
    void validation()
    {
        QFETCH(bool, entries);
        QFETCH(int, type);
        QFETCH(int, entry);
        QFETCH(QString, proxy);
        QFETCH(QString, minutes);
        QFETCH(int, zone);
        QFETCH(bool, periodic);
        QFETCH(QString, hours);
        QFETCH(bool, purge);
        QFETCH(QString, days);
        QFETCH(bool, answerYes);
        QFETCH(bool, valid);
        QFETCH(QString, message);
        if (!entries)
            setPhoneBook("Wired\tu-3\tethernet\t1\t\n");

        frmAppSettings d;
        chooseType(d, type);
        child<QComboBox>(d, "cboPhoneEntry")->setCurrentIndex(entry);
        child<QLineEdit>(d, "txtProxyServer")->setText(proxy);
        child<QLineEdit>(d, "txtConnectMins")->setText(minutes);
        child<QComboBox>(d, "cboTime")->setCurrentIndex(zone);
        child<QCheckBox>(d, "chkPeriodicTimeSync")->setChecked(periodic);
        child<QLineEdit>(d, "txtTimeSyncHours")->setText(hours);
        child<QCheckBox>(d, "chkAutoDeleteErrorLogs")->setChecked(purge);
        child<QLineEdit>(d, "txtDeleteErrorLogDays")->setText(days);

        const QVariantList rowBefore = applicationRow();
        const QByteArray fileBefore = settingsFile();
        MsgBoxRecorder boxes(answerYes ? MsgBox::Answer::Yes : MsgBox::Answer::No);
        d.cmdOK_Click();

        QCOMPARE(d.result() == QDialog::Accepted, valid);
        QCOMPARE(boxes.boxes.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            const MsgBox::Request &r = boxes.boxes.first();
            QVERIFY2(r.prompt.startsWith(message), qPrintable(r.prompt));
            if (message.startsWith(QLatin1String("If you are"))) {
                QCOMPARE(r.title, QStringLiteral("Verify Setting - Connect X Mins Before Bid Placement"));
                QCOMPARE(r.buttons, MsgBox::Buttons::YesNo);
                QCOMPARE(r.icon, MsgBox::Icon::None);
                QVERIFY(r.prompt.endsWith(QStringLiteral(
                    "\r\n\r\nIf you would like to keep this setting, click Yes, otherwise, Click No to edit.")));
            } else {
                QCOMPARE(r.title, QStringLiteral("Incomplete Information"));
                QCOMPARE(r.icon, MsgBox::Icon::Information);
            }
        }
        if (!valid) {
            QCOMPARE(applicationRow(), rowBefore);
            QCOMPARE(settingsFile(), fileBefore);
            QVERIFY(gSettings->NotSetup);
        }
    }

    void timeZonesAndOffsets()
    {
        frmAppSettings d;
        auto *zones = child<QComboBox>(d, "cboTime");
        auto *offset = child<QLineEdit>(d, "txtTimeOffset");
        QCOMPARE(zones->count(), 25);
        QCOMPARE(zones->itemText(0), QStringLiteral("(GMT -12:00) Eniwetok Kwajalein"));
        QCOMPARE(zones->itemText(4), QStringLiteral("(GMT -08:00) Pacific Time (US & Canada); Tijuana"));
        QCOMPARE(zones->itemText(12), QStringLiteral("(GMT) Greenwich Mean Time : Dublic, Edinburgh, Lisbon, London"));
        QCOMPARE(zones->itemText(24),
                 QStringLiteral("(GMT +12:00) Auckland, Wellington, Fiji, Kamchatka, Marshall Is."));
        // From GMT -12 to GMT +12 an hour a step; the site's clock is GMT -8.
        for (int i = 0; i < zones->count(); ++i) {
            zones->setCurrentIndex(i);
            emit zones->activated(i);
            QCOMPARE(offset->text(), QString::number(i - 4) + QStringLiteral(" hours"));
        }
    }

    void savedValuesReadBackFresh()
    {
        gSettings->PhoneBookEntry = QStringLiteral("Office: modem");
        frmAppSettings d;
        QCOMPARE(child<QComboBox>(d, "cboPhoneEntry")->count(), 2); // the wired profile is no phone-book entry
        QCOMPARE(child<QComboBox>(d, "cboPhoneEntry")->currentText(), QStringLiteral("Office: modem"));
        chooseType(d, 0);
        child<QLineEdit>(d, "txtConUserName")->setText(QStringLiteral("dialer"));
        child<QLineEdit>(d, "txtConUserPassword")->setText(QStringLiteral("s3cret"));
        child<QLineEdit>(d, "txtProxyServer")->setText(QStringLiteral("proxy.example"));
        child<QLineEdit>(d, "txtConnectMins")->setText(QStringLiteral("7"));
        child<QCheckBox>(d, "chkAutoConnect")->setChecked(false);
        child<QCheckBox>(d, "chkAutoTimeSync")->setChecked(true);
        child<QCheckBox>(d, "chkPeriodicTimeSync")->setChecked(true);
        child<QLineEdit>(d, "txtTimeSyncHours")->setText(QStringLiteral("12"));
        child<QCheckBox>(d, "chkDiscAfterSnipe")->setChecked(true);
        child<QCheckBox>(d, "chkShowClosingWarning")->setChecked(false);
        child<QCheckBox>(d, "chkAutoDeleteErrorLogs")->setChecked(true);
        child<QLineEdit>(d, "txtDeleteErrorLogDays")->setText(QStringLiteral("30"));
        auto *zones = child<QComboBox>(d, "cboTime");
        zones->setCurrentIndex(7);
        emit zones->activated(7);
        MsgBoxRecorder boxes;
        d.cmdOK_Click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(boxes.boxes.isEmpty());
        QVERIFY(!gSettings->NotSetup);

        SettingsStore store(m_folder->settingsPath());
        const AppSettings s(*gDB, store);
        QVERIFY(!s.NotSetup);
        QCOMPARE(s.PhoneBookEntry, QStringLiteral("Office: modem"));
        QCOMPARE(s.ConnectionType, 0);
        QCOMPARE(s.ProxyServer, QStringLiteral("proxy.example"));
        QCOMPARE(s.AutoConnect, qint16(0));
        QCOMPARE(s.AutoTimeSync, qint16(1));
        QCOMPARE(s.ConnectXPriortoBid, qint16(7));
        QCOMPARE(s.TimeZone, QStringLiteral("(GMT -05:00) Eastern Time (US & Canada)"));
        QCOMPARE(s.TimeOffset, qint16(3));
        QCOMPARE(s.PeriodicTimeSync, qint16(12));
        QCOMPARE(s.DisconnectAfterSnipe, qint16(1));
        QCOMPARE(s.ShowClosingWarning, qint16(0));
        QVERIFY(s.AutoDeleteErrorLogs);
        QCOMPARE(s.DeleteErrorLogDays, qint16(30));
        QCOMPARE(s.DialupUserName, QStringLiteral("dialer"));
        QCOMPARE(s.DialupPassword, QStringLiteral("s3cret"));
    }

    void loadsWhatIsStored()
    {
        gSettings->ConnectionType = 3;
        gSettings->PeriodicTimeSync = 0;
        gSettings->TimeZone = QStringLiteral("Eastern");        // none of the entries
        gSettings->PhoneBookEntry = QStringLiteral("home isp"); // entries match in letter case only
        frmAppSettings d;
        QVERIFY(child<QRadioButton>(d, "optConnectionType3")->isChecked());
        QVERIFY(child<QLineEdit>(d, "txtProxyServer")->isEnabled());
        QVERIFY(!child<QComboBox>(d, "cboPhoneEntry")->isEnabled());
        QCOMPARE(child<QComboBox>(d, "cboPhoneEntry")->currentIndex(), -1);
        QVERIFY(!child<QCheckBox>(d, "chkPeriodicTimeSync")->isChecked());
        QVERIFY(child<QLineEdit>(d, "txtTimeSyncHours")->text().isEmpty());
        QCOMPARE(child<QComboBox>(d, "cboTime")->currentIndex(), -1);
        QCOMPARE(child<QLineEdit>(d, "txtDeleteErrorLogDays")->text(), QStringLiteral("7"));
        QVERIFY(child<QCheckBox>(d, "chkAutoDeleteErrorLogs")->isChecked());
        child<QLineEdit>(d, "txtProxyServer")->setText(QStringLiteral("p"));
        MsgBoxRecorder boxes;
        d.cmdOK_Click();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().prompt, QStringLiteral("Please select a time zone (Time Tab)."));
    }

    void connectionTypeChosenOnOpening_data()
    {
        QTest::addColumn<bool>("entries");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("checked");
        QTest::newRow("first start with dial-up entries") << true << false << 0 << 0;
        QTest::newRow("first start without dial-up entries") << false << false << 0 << 2;
        QTest::newRow("dial-up saved, entries gone since") << false << true << 0 << 0;
        QTest::newRow("proxy saved") << false << true << 3 << 3;
    }
    void connectionTypeChosenOnOpening()
    {
        QFETCH(bool, entries);
        QFETCH(bool, saved);
        QFETCH(int, stored);
        QFETCH(int, checked);
        if (!entries)
            setPhoneBook("Wired\tu-3\tethernet\t1\t\n");
        gSettings->NotSetup = !saved;
        gSettings->ConnectionType = stored;
        frmAppSettings d;
        QCOMPARE(d.findChild<QButtonGroup *>(QStringLiteral("optConnectionType"))->checkedId(), checked);
        QCOMPARE(child<QComboBox>(d, "cboPhoneEntry")->isEnabled(), checked == 0);
    }

    void dialupPasswordIsMaskedWithStars()
    {
        frmAppSettings d;
        auto *box = child<QLineEdit>(d, "txtConUserPassword");
        box->setText(QStringLiteral("s3cret"));
        QCOMPARE(box->displayText(), QStringLiteral("******"));
        QCOMPARE(box->maxLength(), 50);
    }

    void connectionTypeEnablesItsFields()
    {
        frmAppSettings d;
        const char *fields[] = {"cboPhoneEntry", "txtProxyServer", "txtConnectMins", "txtConUserName",
                                "txtConUserPassword"};
        const bool enabled[4][5] = {{true, false, true, true, true},
                                    {false, false, true, false, false},
                                    {false, false, true, false, false},
                                    {false, true, true, false, false}};
        for (int type = 0; type < 4; ++type) {
            chooseType(d, type);
            for (int f = 0; f < 5; ++f)
                QVERIFY2(child<QWidget>(d, fields[f])->isEnabled() == enabled[type][f],
                         qPrintable(QStringLiteral("type %1, %2").arg(type).arg(QLatin1String(fields[f]))));
        }
    }

    void tabButtons()
    {
        frmAppSettings d;
        auto *tabs = child<QTabWidget>(d, "SSTab1");
        auto *prev = child<QPushButton>(d, "cmdPrevious");
        auto *next = child<QPushButton>(d, "cmdNext");
        QVERIFY(!prev->isEnabled() && next->isEnabled());
        next->click();
        next->click();
        QCOMPARE(tabs->currentIndex(), 2);
        QVERIFY(prev->isEnabled() && next->isEnabled());
        next->click();
        QCOMPARE(tabs->currentIndex(), 3);
        QVERIFY(prev->isEnabled() && !next->isEnabled());
        prev->click();
        QCOMPARE(tabs->currentIndex(), 2);
    }

    void cancelAsksWithNoAsDefault()
    {
        frmAppSettings d;
        d.show();
        fillValid(d);
        child<QLineEdit>(d, "txtProxyServer")->setText(QStringLiteral("edited"));
        const QByteArray fileBefore = settingsFile();
        MsgBoxRecorder boxes(MsgBox::Answer::No);
        child<QPushButton>(d, "cmdCancel")->click();
        QCOMPARE(boxes.boxes.size(), 1);
        const MsgBox::Request &r = boxes.boxes.first();
        QCOMPARE(r.prompt, QStringLiteral("Do you want to exit Without Saving Settings?"));
        QCOMPARE(r.title, QStringLiteral("Exit Without Saving Changes?"));
        QCOMPARE(r.buttons, MsgBox::Buttons::YesNo);
        QCOMPARE(r.icon, MsgBox::Icon::None);
        QCOMPARE(r.defaultAnswer, std::optional<MsgBox::Answer>(MsgBox::Answer::No));
        QVERIFY(d.isVisible());
        QCOMPARE(child<QLineEdit>(d, "txtProxyServer")->text(), QStringLiteral("edited"));

        // The window's close box asks the same; Yes leaves without saving.
        boxes.answers << MsgBox::Answer::Yes;
        d.close();
        QCOMPARE(boxes.boxes.size(), 2);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QVERIFY(gSettings->NotSetup);
        QVERIFY(gSettings->ProxyServer.isEmpty());
        QCOMPARE(settingsFile(), fileBefore);
    }

    void failedSaveKeepsDialogAndSettings()
    {
        gDB->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Application "
                                    "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        frmAppSettings d;
        d.show();
        fillValid(d);
        child<QLineEdit>(d, "txtProxyServer")->setText(QStringLiteral("edited"));
        const QByteArray fileBefore = settingsFile();
        MsgBoxRecorder boxes;
        d.cmdOK_Click();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().prompt, QStringLiteral("Unable to save application settings."));
        QVERIFY(d.isVisible());
        QVERIFY(d.result() != QDialog::Accepted);
        QVERIFY(gSettings->NotSetup);
        QVERIFY(gSettings->ProxyServer.isEmpty());
        QVERIFY(gSettings->TimeZone.isEmpty());
        QCOMPARE(settingsFile(), fileBefore);
    }
};

QTEST_MAIN(TestAppSettingsDialog)
#include "TestAppSettingsDialog.moc"
