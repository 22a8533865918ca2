#pragma once

#include "FormData.h"
#include "PracticeSite.h"
#include "SitePages.h"

#include <httplib.h>

#include <QHash>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace practice {

struct PracticeSite::Impl
{
    httplib::Server server;
    std::thread thread;
    std::atomic<bool> running{false};
    std::atomic<bool> stopping{false};
    std::atomic<int> port{0};
    std::atomic<bool> httpControl{false};

    mutable std::mutex mutex;
    std::condition_variable stopSignal;
    SiteModel model;
    QHash<QString, int> ratings;
    qint64 offsetMs = 0;
    std::deque<RecordedRequest> log;
    size_t logLimit = 0;
    quint64 logged = 0; // requests logged so far: the number of the next one
    QHash<QString, Fault> faults;

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(port.load()); }
    QDateTime now() const;
    void handle(const httplib::Request &req, httplib::Response &res);
    void answer(const RecordedRequest &r, const FormData &form, httplib::Response &res);
    // Pads the header of the page already in res with fields up to the fault's bytes.
    void padHeader(const Fault &fault, httplib::Response &res);
    // Sends the page already in res as the fault asks: cut short, or padded and paced.
    void reshape(const Fault &fault, httplib::Response &res);
    void markProcessed(quint64 number);
    std::optional<Fault> takeFault(const QString &path, const QString &command, const QString &query,
                                   const QString &item);
    void markFaulted(quint64 number, FaultKind kind);
    // Waits up to ms, returning early when the site stops.
    void pause(int ms);
    bool handleControl(const httplib::Request &req, httplib::Response &res, PracticeSite &site);
    // Shuts down the accepted sockets on our port; the one of a single request, when given.
    void shutdownSockets(int remotePort = -1) const;
};

} // namespace practice
