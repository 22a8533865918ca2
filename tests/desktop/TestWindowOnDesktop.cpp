// The real program on a real X server with a window manager, driven as a person would: the
// place and size given to its window, and its maximised state, come back at the next start.
// Skipped, and says so, where Xvfb, openbox or xdotool is missing (scripts/setup installs them).
#include "DemoFolder.h"
#include "PracticeSite.h"
#include "store/Globals.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

// The screen, and how long a start may take to show its window (the browser's processes too).
const QSize kScreen(1280, 900);
constexpr int kStartMs = 60000;

// Only the bindings the test presses: close, and the maximise a person reaches by the title bar.
const char kOpenboxConfig[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<openbox_config xmlns=\"http://openbox.org/3.4/rc\"><keyboard>\n"
                              "<keybind key=\"A-F4\"><action name=\"Close\"/></keybind>\n"
                              "<keybind key=\"A-F10\"><action name=\"ToggleMaximize\"/></keybind>\n"
                              "</keyboard></openbox_config>\n";

} // namespace

class TestWindowOnDesktop : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_server;
    QProcess m_windowManager;
    QString m_display;
    practice::PracticeSite m_site;
    std::unique_ptr<QProcess> m_program;
    QString m_window;

    QString folder() const { return m_dir.path() + QStringLiteral("/program"); }

    // xdotool's answer, empty when it failed.
    QString xdotool(const QStringList &args) const
    {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral("xdotool"), args);
        if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
            return QString();
        return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
    }

    // The window's client area as xdotool reads it (this xdotool adds the frame's offset to
    // the position, the same in every reading).
    QRect geometry() const
    {
        const QString shell = xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), m_window});
        QMap<QString, int> values;
        for (const QString &line : shell.split(QLatin1Char('\n'))) {
            const int eq = line.indexOf(QLatin1Char('='));
            if (eq > 0)
                values.insert(line.left(eq), line.mid(eq + 1).toInt());
        }
        if (!values.contains(QStringLiteral("WIDTH")))
            return QRect();
        return QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
                     values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
    }

    // The program's main window, once it is shown.
    QString findWindow() const
    {
        const QStringList found = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                           QStringLiteral("--pid"), QString::number(m_program->processId()),
                                           QStringLiteral("--name"), QStringLiteral("^Zandrift 2\\.0")})
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return found.isEmpty() ? QString() : found.last();
    }

    // The window and its geometry once neither has changed for two seconds: the window manager's
    // placement, and the program's own checks after the show, are over by then.
    QRect settledGeometry()
    {
        QString lastWindow;
        QRect last;
        QElapsedTimer same;
        same.start();
        QDeadlineTimer deadline(kStartMs);
        while (!deadline.hasExpired() && m_program->state() == QProcess::Running) {
            m_window = findWindow();
            const QRect now = m_window.isEmpty() ? QRect() : geometry();
            if (now != last || m_window != lastWindow) {
                last = now;
                lastWindow = m_window;
                same.restart();
            } else if (last.isValid() && same.elapsed() >= 2000) {
                return last;
            }
            QThread::msleep(200);
        }
        return QRect();
    }

    bool startProgram()
    {
        m_program = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("ZANDRIFT_HOME"), folder());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder() + QStringLiteral("/config"));
        m_program->setProcessEnvironment(env);
        m_program->setProcessChannelMode(QProcess::MergedChannels);
        m_program->start(QStringLiteral(ZANDRIFT_EXECUTABLE), {});
        return m_program->waitForStarted(10000) && settledGeometry().isValid();
    }

    void press(const QString &keys) const
    {
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), m_window});
        xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
    }

    // Closed by the window manager's close, as by the title bar's button.
    bool closeProgram()
    {
        press(QStringLiteral("alt+F4"));
        if (m_program->waitForFinished(30000))
            return m_program->exitStatus() == QProcess::NormalExit;
        m_program->kill();
        m_program->waitForFinished(5000);
        return false;
    }

    QString output() const { return m_program ? QString::fromLocal8Bit(m_program->readAll().right(2000)) : QString(); }

    void placeWindow(const QRect &wanted)
    {
        xdotool({QStringLiteral("windowsize"), m_window, QString::number(wanted.width()),
                 QString::number(wanted.height())});
        xdotool({QStringLiteral("windowmove"), m_window, QString::number(wanted.x()), QString::number(wanted.y())});
    }

    bool isMaximised(const QRect &client) const { return client.width() >= kScreen.width() - 10; }

private slots:
    void initTestCase()
    {
        QStringList missing;
        for (const char *tool : {"Xvfb", "openbox", "xdotool"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                missing << QLatin1String(tool);
        if (!missing.isEmpty())
            QSKIP(qPrintable(QStringLiteral("NOT CHECKED: the window's place on a real desktop needs %1 "
                                            "(scripts/setup installs them)")
                                 .arg(missing.join(QStringLiteral(", ")))));
        QVERIFY(m_dir.isValid());

        // A display of its own: the server says which number it took.
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("%1x%2x24").arg(kScreen.width()).arg(kScreen.height())});
        QVERIFY(m_server.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(m_server.canReadLine() || m_server.state() != QProcess::Running, 20000);
        const QByteArray number = m_server.readLine().trimmed();
        QVERIFY2(!number.isEmpty(), m_server.readAllStandardError().constData());
        m_display = QLatin1Char(':') + QString::fromLatin1(number);

        const QString config = m_dir.path() + QStringLiteral("/openbox.xml");
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kOpenboxConfig);
        file.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        m_windowManager.setProcessEnvironment(env);
        m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--config-file"), config});
        QVERIFY(m_windowManager.waitForStarted(10000));
        // Up once it has said how many desktops there are.
        QTRY_VERIFY_WITH_TIMEOUT(!xdotool({QStringLiteral("get_num_desktops")}).isEmpty(), 20000);

        QVERIFY(m_site.start());
        QString error;
        DemoFolder::User user;
        user.siteName = QStringLiteral("snipetester");
        user.sitePassword = QStringLiteral("secret");
        m_site.addUser(user.siteName, user.sitePassword);
        QVERIFY2(DemoFolder::create(folder(), m_site.urlFile(), &error), qPrintable(error));
        QVERIFY2(DemoFolder::addUser(user, &error), qPrintable(error));
        ReleaseGlobals();
    }

    void cleanup()
    {
        if (m_program && m_program->state() != QProcess::NotRunning) {
            m_program->kill();
            m_program->waitForFinished(5000);
        }
    }

    void cleanupTestCase()
    {
        for (QProcess *process : {&m_windowManager, &m_server}) {
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(5000)) {
                    process->kill();
                    process->waitForFinished(5000);
                }
            }
        }
        m_site.stop();
    }

    void aNormalWindowComesBackWhereItWasLeft_data()
    {
        QTest::addColumn<QRect>("wanted");
        QTest::newRow("near the top left") << QRect(40, 30, 800, 600);
        QTest::newRow("lower right, smaller") << QRect(380, 260, 760, 560);
        // xdotool places the client area: the frame's corner on the screen's.
        QTest::newRow("at the screen's corner") << QRect(1, 20, 900, 700);
    }
    void aNormalWindowComesBackWhereItWasLeft()
    {
        QFETCH(QRect, wanted);
        QVERIFY2(startProgram(), qPrintable(output()));
        placeWindow(wanted);
        const QRect left = settledGeometry();
        QVERIFY(left.isValid());
        QVERIFY2(closeProgram(), qPrintable(output()));

        QVERIFY2(startProgram(), qPrintable(output()));
        const QRect back = settledGeometry();
        QVERIFY2(closeProgram(), qPrintable(output()));
        QCOMPARE(back, left);
    }

    // Closed maximised, it starts maximised; restored, it takes the size and place it was last
    // closed with, not the whole screen.
    void aMaximisedWindowRestoresToItsNormalPlace()
    {
        QVERIFY2(startProgram(), qPrintable(output()));
        placeWindow(QRect(120, 90, 820, 620));
        const QRect normal = settledGeometry();
        QVERIFY2(closeProgram(), qPrintable(output()));

        QVERIFY2(startProgram(), qPrintable(output()));
        QCOMPARE(settledGeometry(), normal);
        press(QStringLiteral("alt+F10"));
        QVERIFY(isMaximised(settledGeometry()));
        QVERIFY2(closeProgram(), qPrintable(output()));

        QVERIFY2(startProgram(), qPrintable(output()));
        const QRect restarted = settledGeometry();
        QVERIFY2(isMaximised(restarted),
                 qPrintable(QStringLiteral("%1x%2").arg(restarted.width()).arg(restarted.height())));
        press(QStringLiteral("alt+F10"));
        QCOMPARE(settledGeometry(), normal);
        QVERIFY2(closeProgram(), qPrintable(output()));
    }
};

QTEST_MAIN(TestWindowOnDesktop)
#include "TestWindowOnDesktop.moc"
