#include "MsgBoxRecorder.h"
#include "dialogs/frmAbout.h"
#include "store/AuctionDatabase.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

// The about box: the version read from the build, the release notes, and the system
// information program found on a PATH the test makes.
class TestAboutDialog : public QObject
{
    Q_OBJECT

    QByteArray m_path;

    template <typename T> static T *child(QWidget &w, const char *name)
    {
        T *c = w.findChild<T *>(QLatin1String(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }

private slots:
    void initTestCase() { m_path = qgetenv("PATH"); }
    void cleanup() { qputenv("PATH", m_path); }

    void titleAndVersion()
    {
        QCOMPARE(GetAppVersion(), QStringLiteral(ZANDRIFT_PROJECT_VERSION));
        QCOMPARE(GetAppVersion(), QStringLiteral("2.0.13"));
        frmAbout d;
        QCOMPARE(d.windowTitle(), QStringLiteral("About Zandrift 2.0"));
        QCOMPARE(child<QLabel>(d, "lblTitle")->text(), QStringLiteral("Zandrift 2.0"));
        QCOMPARE(child<QLabel>(d, "lblVersion")->text(), QStringLiteral("Version 2.0.13"));
        QVERIFY(child<QLabel>(d, "lblDescription")->text().startsWith(QStringLiteral("Zandrift was designed")));
        QCOMPARE(child<QPushButton>(d, "cmdSysInfo")->text(), QStringLiteral("&System Info..."));
        QVERIFY(!child<QLabel>(d, "picIcon")->pixmap().isNull());
    }

    void releaseNotes()
    {
        frmAbout d;
        MsgBoxRecorder boxes;
        child<QPushButton>(d, "cmdNotes")->click();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("Zandrift 2.0.13 Release Notes"));
        QCOMPARE(boxes.boxes.first().buttons, MsgBox::Buttons::Ok);
        QCOMPARE(boxes.boxes.first().prompt,
                 QStringLiteral("Release Notes for Version 2.0.13\r\n--------------------------------\r\n"
                                "- Fixed 'Error 5' problem while refreshing auctions that eBay has removed from its "
                                "system.\r\n- Added menu item: Help => Zandrift User Forum to link to the user forum "
                                "site.\r\n"));
    }

    void systemInfo_data()
    {
        QTest::addColumn<QStringList>("onPath");
        QTest::addColumn<QString>("started"); // empty: none, the message instead
        QTest::newRow("none") << QStringList() << QString();
        QTest::newRow("kinfocenter") << QStringList{QStringLiteral("kinfocenter")} << QStringLiteral("kinfocenter");
        QTest::newRow("hardinfo before the monitor")
            << QStringList{QStringLiteral("gnome-system-monitor"), QStringLiteral("hardinfo")}
            << QStringLiteral("hardinfo");
        QTest::newRow("not executable") << QStringList{QStringLiteral("-hardinfo")} << QString();
    }
    void systemInfo()
    {
        QFETCH(QStringList, onPath);
        QFETCH(QString, started);
        QTemporaryDir bin;
        QVERIFY(bin.isValid());
        const QString marker = bin.filePath(QStringLiteral("started"));
        for (QString name : onPath) {
            const bool executable = !name.startsWith(QLatin1Char('-'));
            name.remove(QLatin1Char('-'));
            QFile script(bin.filePath(name));
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\necho \"" + name.toUtf8() + "\" > \"" + marker.toUtf8() + "\"\n");
            script.close();
            script.setPermissions(executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                             : QFile::ReadOwner | QFile::WriteOwner);
        }
        qputenv("PATH", bin.path().toUtf8());

        frmAbout d;
        MsgBoxRecorder boxes;
        child<QPushButton>(d, "cmdSysInfo")->click();
        if (started.isEmpty()) {
            QCOMPARE(boxes.boxes.size(), 1);
            QCOMPARE(boxes.boxes.first().prompt, QStringLiteral("System Information Is Unavailable At This Time"));
            QCOMPARE(boxes.boxes.first().buttons, MsgBox::Buttons::Ok);
            QTest::qWait(100);
            QVERIFY(!QFile::exists(marker));
            return;
        }
        QVERIFY(boxes.boxes.isEmpty());
        const auto startedName = [&marker] {
            QFile f(marker);
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll().trimmed()) : QString();
        };
        QTRY_COMPARE(startedName(), started);
    }
};

QTEST_MAIN(TestAboutDialog)
#include "TestAboutDialog.moc"
