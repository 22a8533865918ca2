#include "mainwindow/SessionEnd.h"

#include "mainwindow/frmAuction.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only write: the window hears of it through the other end of the pair.
int gSignalFds[2] = {-1, -1};

void onEndingSignal(int)
{
    const char c = 1;
    [[maybe_unused]] auto n = ::write(gSignalFds[0], &c, 1);
}

} // namespace

SessionEnd::SessionEnd(frmAuction &window) : m_window(window)
{
    if (gSignalFds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalFds) == 0) {
        // A burst of signals must never block the handler.
        ::fcntl(gSignalFds[0], F_SETFL, ::fcntl(gSignalFds[0], F_GETFL) | O_NONBLOCK);
        ::fcntl(gSignalFds[1], F_SETFL, ::fcntl(gSignalFds[1], F_GETFL) | O_NONBLOCK);
    }
    if (gSignalFds[1] >= 0) {
        m_notifier = new QSocketNotifier(gSignalFds[1], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            char c[16];
            while (::read(gSignalFds[1], c, sizeof c) > 0) {
            }
            end();
        });
        struct sigaction action = {};
        action.sa_handler = onEndingSignal;
        sigemptyset(&action.sa_mask);
        // A second signal while the close runs ends the program outright.
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        for (int s : kEndingSignals)
            ::sigaction(s, &action, nullptr);
    }
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, &SessionEnd::end);
    // Whatever else ends the event loop: the work is stopped and the icon goes all the same.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &SessionEnd::end);
    // The window closed for good (its second phase, or the shutdown): nothing is left to run.
    // Not quit(), which would ask every window to close once more.
    connect(
        &m_window, &frmAuction::closed, this, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

SessionEnd::~SessionEnd()
{
    for (int s : kEndingSignals)
        ::signal(s, SIG_DFL);
}

void SessionEnd::end()
{
    m_window.closeForShutdown();
}
