#include "Dialogs.h"
#include "Globals.h"
#include "QtMsgBox.h"
#include "frmAuction.h"

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gSignalFds[2] = {-1, -1};

void onTerminate(int)
{
    const char c = 1;
    [[maybe_unused]] auto n = ::write(gSignalFds[0], &c, 1);
}

// SIGTERM (and SIGHUP, the terminal or session going away) close the window as the operating
// system's shutdown does: no question, the work stopped.
void watchTermination(frmAuction &window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalFds) != 0)
        return;
    auto *notifier = new QSocketNotifier(gSignalFds[1], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier] {
        char c;
        [[maybe_unused]] auto n = ::read(gSignalFds[1], &c, 1);
        notifier->setEnabled(false);
        window.closeForShutdown();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Zandrift"));
    QApplication::setApplicationName(QStringLiteral("Zandrift"));
    QtMsgBox::install();

    Dialogs dialogs;
    frmAuction window(dialogs);
    dialogs.engine = &window.engine();
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window] { window.closeForShutdown(); });
    watchTermination(window);

    const QStringList args = QCoreApplication::arguments().mid(1);
    const int code = window.Form_Load(args.join(QLatin1Char(' '))) ? QApplication::exec() : 0;
    // The database goes before Qt's own statics do.
    ReleaseGlobals();
    return code;
}
