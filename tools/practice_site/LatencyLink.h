#pragma once

#include <QString>
#include <memory>

namespace practice {

// A relay on 127.0.0.1 in front of the site that holds every byte for oneWayMs in each
// direction, as a slow network would: the site reads a request, and stamps its arrival, only
// after the way there; the client reads the answer only after the way back. The first bytes of
// a new connection wait one round trip more, the handshake a real network would cost.
class LatencyLink
{
public:
    LatencyLink();
    ~LatencyLink();
    LatencyLink(const LatencyLink &) = delete;
    LatencyLink &operator=(const LatencyLink &) = delete;

    // Listens on a free port of 127.0.0.1 and relays to targetPort there.
    bool start(quint16 targetPort, int oneWayMs);
    void stop();
    quint16 port() const;
    QString baseUrl() const; // "http://127.0.0.1:<port>"

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace practice
