// bench_site_load [requests] [clients] [rounds] [kind]: the practice site under parallel load on loopback
// (kind 0 time page, 1 make-bid post, 2 item page; by default a mix of all three).
// Prints throughput, failures and the process's resident memory before and after, so growth
// shows, and the round trip of one request after another on a kept-alive connection. Bounded in
// count and in time (stops after 120 s whatever happens).
#include "PracticeSite.h"

#include <httplib.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {
long residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

struct Round
{
    int ok = 0;
    int failed = 0;
    qint64 ms = 0;
};

Round run(practice::PracticeSite &site, int requests, int clients, int only = -1)
{
    std::atomic<int> next{0}, ok{0}, failed{0};
    QElapsedTimer clock;
    clock.start();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", site.port());
            client.set_read_timeout(10, 0);
            for (int i = next++; i < requests && clock.elapsed() < 120000; i = next++) {
                const int kind = only >= 0 ? only : i % 4;
                auto res = [&] {
                    if (kind == 0)
                        return client.Get("/aw-cgi/eBayISAPI.dll?TimeShow");
                    if (kind == 1)
                        return client.Post("/aw-cgi/eBayISAPI.dll?MakeBid",
                                           "MfcISAPICommand=MakeBid&item=3001000001&quant=1&maxbid=" +
                                               std::to_string(20 + c),
                                           "application/x-www-form-urlencoded");
                    const std::string item =
                        "/aw-cgi/eBayISAPI.dll?ViewItem&item=300100000" + std::to_string(1 + i % 5);
                    return client.Get(item.c_str());
                }();
                (res && res->status == 200 && !res->body.empty() ? ok : failed)++;
            }
        });
    }
    for (auto &t : threads)
        t.join();
    return Round{ok.load(), failed.load(), clock.elapsed()};
}
// Milliseconds per request, one after another on one kept-alive connection: p50 and max.
std::pair<double, double> keptAliveRoundTrip(practice::PracticeSite &site, int requests)
{
    httplib::Client client("127.0.0.1", site.port());
    client.set_keep_alive(true);
    client.set_read_timeout(10, 0);
    std::vector<double> ms;
    for (int i = 0; i < requests; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (!client.Get("/aw-cgi/eBayISAPI.dll?TimeShow"))
            return {-1, -1};
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}
} // namespace

int main(int argc, char **argv)
{
    const int requests = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int clients = argc > 2 ? std::atoi(argv[2]) : 8;
    practice::PracticeSite site;
    site.loadDemoScenario();
    if (!site.start()) {
        std::fprintf(stderr, "cannot start the practice site\n");
        return 1;
    }
    // A warm-up round fills the allocator's pools and the thread pool; growth is measured after it.
    run(site, 1000, clients);
    site.clearRequests();
    const long before = residentKb();
    int totalFailed = 0;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    for (int round = 1; round <= rounds; ++round) {
        const Round r = run(site, requests, clients, argc > 4 ? std::atoi(argv[4]) : -1);
        const int logged = site.requestCount();
        site.clearRequests(); // the request log is meant to grow; the site itself must not
        totalFailed += r.failed;
        std::printf("round %d: %d requests from %d clients in %lld ms (%.0f/s), %d failed, %d logged, RSS %ld kB\n",
                    round, r.ok + r.failed, clients, static_cast<long long>(r.ms),
                    r.ms > 0 ? (r.ok + r.failed) * 1000.0 / r.ms : 0.0, r.failed, logged, residentKb());
    }
    const auto [p50, max] = keptAliveRoundTrip(site, 200);
    std::printf("kept-alive round trip: p50 %.2f ms, max %.2f ms\n", p50, max);
    const long after = residentKb();
    std::printf("RSS after warm-up %ld kB, after %d rounds %ld kB, growth %ld kB; failures %d\n", before, rounds, after,
                after - before, totalFailed);
    site.stop();
    return totalFailed == 0 ? 0 : 1;
}
