#include "LatencyLink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace practice {

namespace {
using SteadyClock = std::chrono::steady_clock;

struct Piece
{
    SteadyClock::time_point due;
    std::string bytes;
};

// One way through the link: what was read from `from` waits its time, then goes to `to`.
struct Direction
{
    int from = -1;
    int to = -1;
    bool waitsForHandshake = false;
    std::deque<Piece> pending;
    bool ended = false;  // nothing more comes from `from`
    bool closed = false; // `to` has been told so
    bool first = true;
};

void noDelay(int fd)
{
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
}

bool sendAll(int fd, const std::string &bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

sockaddr_in loopback(quint16 port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}
} // namespace

struct LatencyLink::Impl
{
    int listenFd = -1;
    std::atomic<int> port{0};
    quint16 target = 0;
    std::chrono::milliseconds oneWay{0};
    std::atomic<bool> stopping{false};
    std::thread acceptor;
    std::mutex mutex;
    std::vector<std::thread> connections;

    void acceptLoop();
    void relay(int client, int server);
};

void LatencyLink::Impl::acceptLoop()
{
    while (!stopping) {
        pollfd p{listenFd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        const int client = ::accept(listenFd, nullptr, nullptr);
        if (client < 0)
            continue;
        const int server = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in to = loopback(target);
        if (server < 0 || ::connect(server, reinterpret_cast<const sockaddr *>(&to), sizeof(to)) != 0) {
            ::close(client);
            if (server >= 0)
                ::close(server);
            continue;
        }
        noDelay(client);
        noDelay(server);
        std::lock_guard<std::mutex> lock(mutex);
        connections.emplace_back([this, client, server] { relay(client, server); });
    }
}

void LatencyLink::Impl::relay(int client, int server)
{
    // Towards the site nothing arrives before the handshake is done, one round trip after the
    // connection was asked for: a connection opened ahead of its first request has paid it.
    const auto handshakeDone = SteadyClock::now() + 2 * oneWay;
    Direction ways[2];
    ways[0].from = client;
    ways[0].to = server;
    ways[0].waitsForHandshake = true;
    ways[1].from = server;
    ways[1].to = client;
    std::vector<char> buffer(64 * 1024);
    bool broken = false;
    while (!stopping && !broken && !(ways[0].closed && ways[1].closed)) {
        int waitMs = 20;
        for (const Direction &w : ways) {
            if (!w.pending.empty()) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(w.pending.front().due - SteadyClock::now());
                waitMs = std::clamp(static_cast<int>(left.count()), 0, waitMs);
            }
        }
        pollfd fds[2];
        int which[2];
        nfds_t count = 0;
        for (int i = 0; i < 2; ++i) {
            if (!ways[i].ended) {
                fds[count] = pollfd{ways[i].from, POLLIN, 0};
                which[count++] = i;
            }
        }
        if (count > 0)
            poll(fds, count, waitMs);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        for (nfds_t k = 0; k < count; ++k) {
            if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            Direction &w = ways[which[k]];
            const ssize_t got = ::recv(w.from, buffer.data(), buffer.size(), 0);
            if (got <= 0) {
                w.ended = true;
                continue;
            }
            const auto sentAt =
                w.first && w.waitsForHandshake ? std::max(SteadyClock::now(), handshakeDone) : SteadyClock::now();
            w.pending.push_back(Piece{sentAt + oneWay, std::string(buffer.data(), static_cast<size_t>(got))});
            w.first = false;
        }
        for (Direction &w : ways) {
            while (!broken && !w.pending.empty() && w.pending.front().due <= SteadyClock::now()) {
                broken = !sendAll(w.to, w.pending.front().bytes);
                w.pending.pop_front();
            }
            if (w.ended && w.pending.empty() && !w.closed) {
                ::shutdown(w.to, SHUT_WR);
                w.closed = true;
            }
        }
    }
    ::close(client);
    ::close(server);
}

LatencyLink::LatencyLink() : d(std::make_unique<Impl>()) {}

LatencyLink::~LatencyLink()
{
    stop();
}

bool LatencyLink::start(quint16 targetPort, int oneWayMs)
{
    if (d->listenFd >= 0)
        return false;
    d->target = targetPort;
    d->oneWay = std::chrono::milliseconds(std::max(0, oneWayMs));
    d->listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (d->listenFd < 0)
        return false;
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof(a);
    if (::bind(d->listenFd, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0 || ::listen(d->listenFd, 64) != 0 ||
        ::getsockname(d->listenFd, reinterpret_cast<sockaddr *>(&a), &len) != 0) {
        ::close(d->listenFd);
        d->listenFd = -1;
        return false;
    }
    d->port = ntohs(a.sin_port);
    d->stopping = false;
    d->acceptor = std::thread([this] { d->acceptLoop(); });
    return true;
}

void LatencyLink::stop()
{
    if (d->listenFd < 0)
        return;
    d->stopping = true;
    if (d->acceptor.joinable())
        d->acceptor.join();
    ::close(d->listenFd);
    d->listenFd = -1;
    std::lock_guard<std::mutex> lock(d->mutex);
    for (std::thread &t : d->connections)
        t.join();
    d->connections.clear();
}

quint16 LatencyLink::port() const
{
    return static_cast<quint16>(d->port.load());
}

QString LatencyLink::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

} // namespace practice
