// zandrift-practice-site: the practice auction site on 127.0.0.1 for trying the program by hand.
#include "PracticeSite.h"

#include <QByteArray>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <pthread.h>

namespace {
void usage()
{
    std::fprintf(stderr, "usage: zandrift-practice-site [--port N] [--scenario demo] [--no-control]\n");
}
} // namespace

int main(int argc, char **argv)
{
    int port = 8088;
    bool demo = false;
    bool control = true;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--port") && i + 1 < argc) {
            bool ok = false;
            port = QByteArray(argv[++i]).toInt(&ok);
            if (!ok || port < 0 || port > 65535) {
                usage();
                return 2;
            }
        } else if (!std::strcmp(argv[i], "--scenario") && i + 1 < argc) {
            demo = !std::strcmp(argv[++i], "demo");
            if (!demo) {
                usage();
                return 2;
            }
        } else if (!std::strcmp(argv[i], "--no-control")) {
            control = false;
        } else {
            usage();
            return 2;
        }
    }

    // Block the stop signals before the server's threads start, so that only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    practice::PracticeSite site;
    site.setHttpControl(control);
    // Runs for days by hand: keep the newest requests only.
    site.setRequestLogLimit(10000);
    if (demo)
        site.loadDemoScenario();
    if (!site.start(static_cast<quint16>(port))) {
        std::fprintf(stderr, "zandrift-practice-site: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    std::printf("Practice site on %s (item pages at %s)\n", qPrintable(site.baseUrl()),
                qPrintable(site.commandUrl(QStringLiteral("ViewItem&item=3001000001"))));
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stopSignals, &sig);
    site.stop();
    std::printf("Stopped.\n");
    return 0;
}
