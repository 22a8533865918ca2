#include "SiteImpl.h"

#include <QTimeZone>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>

namespace practice {

namespace {
thread_local qint64 t_arrivalMs = 0;

void send(httplib::Response &res, const QString &page, int status = 200)
{
    const QByteArray bytes = SitePages::toWire(page);
    res.status = status;
    res.set_content(bytes.constData(), static_cast<size_t>(bytes.size()), SitePages::kContentType);
}
} // namespace

QDateTime PracticeSite::Impl::now() const
{
    return QDateTime::currentDateTimeUtc().addMSecs(offsetMs);
}

void PracticeSite::Impl::pause(int ms)
{
    std::unique_lock<std::mutex> lock(mutex);
    stopSignal.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping.load(); });
}

void PracticeSite::Impl::shutdownSockets(int remotePort) const
{
    DIR *dir = opendir("/proc/self/fd");
    if (!dir)
        return;
    while (dirent *e = readdir(dir)) {
        const int fd = std::atoi(e->d_name);
        if (fd <= 2)
            continue;
        sockaddr_in local{}, peer{};
        socklen_t len = sizeof(local);
        if (getsockname(fd, reinterpret_cast<sockaddr *>(&local), &len) != 0 || local.sin_family != AF_INET)
            continue;
        len = sizeof(peer);
        if (ntohs(local.sin_port) != port.load() || getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &len) != 0)
            continue; // not ours, or the listening socket
        if (remotePort < 0 || ntohs(peer.sin_port) == remotePort)
            ::shutdown(fd, SHUT_RDWR);
    }
    closedir(dir);
}

std::optional<Fault> PracticeSite::Impl::takeFault(const QString &path, const QString &command, const QString &query,
                                                   const QString &item)
{
    std::lock_guard<std::mutex> lock(mutex);
    // A post's item is in its body: it is matched as if it were in the query.
    const QString ofItem =
        item.isEmpty() ? QString() : path + QLatin1Char('?') + command + QStringLiteral("&item=") + item;
    for (const QString &target : {path + QLatin1Char('?') + query, ofItem, path + QLatin1Char('?') + command, path}) {
        if (target.isEmpty())
            continue;
        auto it = faults.find(target);
        if (it == faults.end())
            continue;
        const Fault f = *it;
        if (it->times > 0 && --it->times == 0)
            faults.erase(it);
        return f;
    }
    return std::nullopt;
}

void PracticeSite::Impl::handle(const httplib::Request &req, httplib::Response &res)
{
    RecordedRequest r;
    r.arrivalMs = t_arrivalMs ? t_arrivalMs : QDateTime::currentMSecsSinceEpoch();
    t_arrivalMs = 0;
    r.method = QString::fromStdString(req.method);
    r.path = QString::fromStdString(req.path);
    const auto q = req.target.find('?');
    r.query = q == std::string::npos ? QString() : QString::fromStdString(req.target.substr(q + 1));
    r.body = QByteArray::fromStdString(req.body);
    const FormData query(r.query.toUtf8());
    const FormData form(r.body);
    r.command =
        form.has(QStringLiteral("MfcISAPICommand")) ? form.value(QStringLiteral("MfcISAPICommand")) : query.firstName();
    quint64 number = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        number = logged++;
        log.push_back(r);
        while (logLimit > 0 && log.size() > logLimit)
            log.pop_front();
    }
    const FormData &fields = r.method == QLatin1String("POST") ? form : query;
    if (const auto fault = takeFault(r.path, r.command, r.query, fields.value(QStringLiteral("item")).trimmed())) {
        markFaulted(number, fault->kind);
        switch (fault->kind) {
        case FaultKind::Delay:
            pause(fault->delayMs);
            break;
        case FaultKind::Drop:
            shutdownSockets(req.remote_port);
            res.status = 500;
            return;
        case FaultKind::ServerError:
            send(res, QStringLiteral("<html><body><h1>%1 Server Error</h1></body></html>\n").arg(fault->status),
                 fault->status);
            return;
        case FaultKind::Garbage:
            send(res, SitePages::garbage());
            return;
        case FaultKind::NoTime: {
            std::lock_guard<std::mutex> lock(mutex);
            send(res, SitePages(base()).time(now(), false));
            return;
        }
        case FaultKind::Empty:
            res.status = 200;
            res.set_content("", 0, SitePages::kContentType);
            return;
        case FaultKind::Endless: {
            const qint64 limit = fault->bytes;
            res.set_chunked_content_provider("application/octet-stream",
                                             [this, limit](size_t offset, httplib::DataSink &sink) {
                                                 // Bytes that are not compressed on the way: what is sent is what
                                                 // arrives.
                                                 static const std::string filler = [] {
                                                     std::string text(64 * 1024, ' ');
                                                     quint32 x = 12345;
                                                     for (char &c : text) {
                                                         x = x * 1103515245u + 12345u;
                                                         c = static_cast<char>('a' + (x >> 16) % 26);
                                                     }
                                                     return text;
                                                 }();
                                                 if (stopping || (limit > 0 && static_cast<qint64>(offset) >= limit)) {
                                                     sink.done();
                                                     return true;
                                                 }
                                                 return sink.write(filler.data(), filler.size());
                                             });
            return;
        }
        case FaultKind::Processed5xx: {
            answer(r, fields, res);
            markProcessed(number);
            const int code = fault->status >= 500 && fault->status < 600 ? fault->status : 502;
            res.body.clear();
            send(res, QStringLiteral("<html><body><h1>%1 Bad Gateway</h1></body></html>\n").arg(code), code);
            return;
        }
        case FaultKind::LargeHeader:
            answer(r, fields, res);
            markProcessed(number);
            padHeader(*fault, res);
            return;
        case FaultKind::CutShort:
        case FaultKind::LargePage:
            answer(r, fields, res);
            markProcessed(number);
            reshape(*fault, res);
            return;
        }
        if (stopping)
            return;
    }
    answer(r, fields, res);
    markProcessed(number);
}

void PracticeSite::Impl::markProcessed(quint64 number)
{
    std::lock_guard<std::mutex> lock(mutex);
    const quint64 first = logged - log.size();
    if (number >= first)
        log[number - first].processedMs = QDateTime::currentMSecsSinceEpoch();
}

void PracticeSite::Impl::markFaulted(quint64 number, FaultKind kind)
{
    std::lock_guard<std::mutex> lock(mutex);
    const quint64 first = logged - log.size();
    if (number >= first)
        log[number - first].fault = kind;
}

void PracticeSite::Impl::padHeader(const Fault &fault, httplib::Response &res)
{
    // Fields of pieceBytes each (name, colon, space and value), the last one the rest.
    const qint64 field = std::max<qint64>(fault.pieceBytes, 16);
    qint64 left = fault.bytes;
    for (int n = 0; left > 0; ++n) {
        const std::string name = "X-Padding-" + std::to_string(n);
        const qint64 size = std::min(left, field);
        const qint64 value = std::max<qint64>(size - static_cast<qint64>(name.size()) - 4, 1);
        res.set_header(name, std::string(static_cast<size_t>(value), 'p'));
        left -= size;
    }
}

void PracticeSite::Impl::reshape(const Fault &fault, httplib::Response &res)
{
    auto body = std::make_shared<std::string>(std::move(res.body));
    res.body.clear();
    if (fault.kind == FaultKind::CutShort) {
        // Content-Length promises the whole page; half of it goes out, then the connection closes.
        res.set_content_provider(body->size(), SitePages::kContentType,
                                 [body](size_t offset, size_t, httplib::DataSink &sink) {
                                     if (offset == 0)
                                         sink.write(body->data(), body->size() / 2);
                                     return false;
                                 });
        return;
    }
    if (fault.bytes > static_cast<qint64>(body->size())) {
        const size_t size = static_cast<size_t>(fault.bytes);
        *body += "\n<!-- ";
        body->resize(size > body->size() + 5 ? size - 5 : body->size(), 'x');
        *body += " -->\n";
        body->resize(size, '\n');
    }
    // With its length announced, the page goes out as it is, piece by piece (a page whose length
    // is not known up front would be gzipped whole before the first byte left).
    const int pauseMs = fault.delayMs;
    const size_t piece = static_cast<size_t>(std::max<qint64>(fault.pieceBytes, 1));
    res.set_content_provider(body->size(), SitePages::kContentType,
                             [this, body, pauseMs, piece](size_t offset, size_t length, httplib::DataSink &sink) {
                                 if (offset > 0 && pauseMs > 0)
                                     pause(pauseMs);
                                 if (stopping)
                                     return false;
                                 return sink.write(body->data() + offset, std::min(piece, length));
                             });
}

void PracticeSite::Impl::answer(const RecordedRequest &r, const FormData &form, httplib::Response &res)
{
    std::lock_guard<std::mutex> lock(mutex);
    const SitePages pages(base());
    const QDateTime t = now();
    const QString cmd = r.command;
    const QString item = form.value(QStringLiteral("item")).trimmed();
    if (r.path != QLatin1String(kDllPath)) {
        send(res, QStringLiteral("<html><body><h1>Not found</h1></body></html>\n"),
             r.path == QLatin1String("/") ? 200 : 404);
        return;
    }
    if (cmd.compare(QLatin1String("ViewItem"), Qt::CaseInsensitive) == 0) {
        const Auction *a = model.auction(item);
        if (!a) {
            send(res, pages.unknownItem(item));
            return;
        }
        const Standing s = SiteModel::standing(*a);
        send(res, pages.item(*a, s, t, ratings.value(s.highBidder.toLower(), 1)));
    } else if (cmd.compare(QLatin1String("TimeShow"), Qt::CaseInsensitive) == 0) {
        send(res, pages.time(t, true));
    } else if (cmd.compare(QLatin1String("MakeBid"), Qt::CaseInsensitive) == 0) {
        const QString maxText = form.value(QStringLiteral("maxbid")).trimmed();
        const double maxBid = maxText.toDouble();
        const int quant = std::max(1, form.value(QStringLiteral("quant")).toInt());
        QString key;
        switch (model.makeBid(item, maxBid, t, &key)) {
        case BidResult::UnknownItem:
            send(res, pages.unknownItem(item));
            break;
        case BidResult::Ended:
            send(res, pages.bidProblem(QStringLiteral("Bidding has ended for this item.")));
            break;
        case BidResult::BelowMinimum:
            send(res, pages.belowMinimum(item, maxBid, SiteModel::standing(*model.auction(item)).minimumBid));
            break;
        default:
            send(res, pages.makeBidKey(*model.auction(item), maxText, quant, key));
        }
    } else if (cmd.compare(QLatin1String("AcceptBid"), Qt::CaseInsensitive) == 0) {
        const double maxBid = form.value(QStringLiteral("maxbid")).trimmed().toDouble();
        const BidResult result =
            model.acceptBid(item, form.value(QStringLiteral("userid")), form.value(QStringLiteral("pass")),
                            form.value(QStringLiteral("key")), maxBid, form.value(QStringLiteral("quant")).toInt(), t);
        const Auction *a = model.auction(item);
        switch (result) {
        case BidResult::HighBidder:
            send(res, pages.confirmed(*a, maxBid));
            break;
        case BidResult::Outbid:
            send(res, pages.outbid(*a, SiteModel::standing(*a).price));
            break;
        case BidResult::BelowMinimum:
            send(res, pages.belowMinimum(item, maxBid, SiteModel::standing(*a).minimumBid));
            break;
        case BidResult::Ended:
            send(res, pages.bidProblem(QStringLiteral("Bidding has ended for this item.")));
            break;
        case BidResult::UnknownItem:
            send(res, pages.unknownItem(item));
            break;
        default:
            send(res, pages.bidProblem(
                          QStringLiteral("The request could not be completed: the user ID, password or bid key is "
                                         "not valid.")));
        }
    } else if (cmd.compare(QLatin1String("SignIn"), Qt::CaseInsensitive) == 0) {
        send(res, pages.signIn(form.value(QStringLiteral("submit")), form.value(QStringLiteral("action")),
                               form.value(QStringLiteral("formaction"))));
    } else if (cmd.compare(QLatin1String("SignInWelcome"), Qt::CaseInsensitive) == 0) {
        const QString user = form.value(QStringLiteral("userid"));
        if (model.checkUser(user, form.value(QStringLiteral("pass"))))
            send(res, pages.welcome(user));
        else
            send(res, pages.bidProblem(QStringLiteral("The user ID or password is not valid.")));
    } else {
        send(res, pages.unknownItem(item));
    }
}

PracticeSite::PracticeSite() : d(std::make_unique<Impl>())
{
    d->server.new_task_queue = [] { return new httplib::ThreadPool(24); };
    // Headers and body go out in separate writes: without this, Nagle's rule holds the body back
    // until the client's delayed acknowledgement, some 40 ms on every kept-alive request.
    d->server.set_tcp_nodelay(true);
    d->server.set_keep_alive_max_count(1000);
    d->server.set_keep_alive_timeout(2);
    d->server.set_pre_routing_handler([](const httplib::Request &, httplib::Response &) {
        t_arrivalMs = QDateTime::currentMSecsSinceEpoch();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    auto handler = [this](const httplib::Request &req, httplib::Response &res) {
        if (d->httpControl && req.path.rfind("/control/", 0) == 0) {
            if (d->handleControl(req, res, *this))
                return;
        }
        d->handle(req, res);
    };
    d->server.Get(".*", handler);
    d->server.Post(".*", handler);
}

PracticeSite::~PracticeSite()
{
    stop();
}

bool PracticeSite::start(quint16 port)
{
    if (d->running)
        return true;
    int bound = port;
    if (port == 0)
        bound = d->server.bind_to_any_port("127.0.0.1");
    else if (!d->server.bind_to_port("127.0.0.1", port))
        bound = -1;
    if (bound <= 0)
        return false;
    d->port = bound;
    d->stopping = false;
    d->running = true;
    d->thread = std::thread([this] { d->server.listen_after_bind(); });
    // A stop before the server's loop runs would be lost and leave stop() waiting on it forever.
    for (int i = 0; i < 5000 && !d->server.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void PracticeSite::stop()
{
    if (!d->running)
        return;
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopping = true;
    }
    d->stopSignal.notify_all();
    d->server.stop();
    // Idle keep-alive connections would hold the worker threads until their time-out.
    d->shutdownSockets();
    if (d->thread.joinable())
        d->thread.join();
    d->running = false;
}

bool PracticeSite::isRunning() const
{
    return d->running;
}
quint16 PracticeSite::port() const
{
    return static_cast<quint16>(d->port.load());
}
QString PracticeSite::baseUrl() const
{
    return d->base();
}

QString PracticeSite::commandUrl(const QString &command) const
{
    return d->base() + QLatin1String(kDllPath) + QLatin1Char('?') + command;
}

QByteArray PracticeSite::urlFile() const
{
    const struct
    {
        const char *key;
        const char *command;
    } rows[] = {{"EbayViewItemURL", "ViewItem&item="},
                {"EbayBiddingURL", "AcceptBid"},
                {"EbayTimeSyncURL", "TimeShow"},
                {"EbayLogInURL", "SignInWelcome"},
                {"EbayMakeBidURL", "MakeBid"},
                {"EbayConfirmBidURL", "AcceptBid"},
                {"EbaySignInURL", "SignIn"}};
    QByteArray out;
    for (const auto &row : rows)
        out += QByteArray(row.key) + '|' + commandUrl(QLatin1String(row.command)).toUtf8() + '\n';
    return out;
}

void PracticeSite::setClockOffsetMs(qint64 ms)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->offsetMs = ms;
}

qint64 PracticeSite::clockOffsetMs() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->offsetMs;
}

void PracticeSite::setSiteTime(const QDateTime &t)
{
    setClockOffsetMs(QDateTime::currentDateTimeUtc().msecsTo(t));
}

QDateTime PracticeSite::now() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->now();
}

void PracticeSite::addAuction(const Auction &auction)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->model.addAuction(auction);
}

void PracticeSite::removeAuction(const QString &item)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->model.removeAuction(item);
}

std::optional<Auction> PracticeSite::auction(const QString &item) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    const Auction *a = d->model.auction(item);
    return a ? std::optional<Auction>(*a) : std::nullopt;
}

std::optional<Standing> PracticeSite::standing(const QString &item) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    const Auction *a = d->model.auction(item);
    return a ? std::optional<Standing>(SiteModel::standing(*a)) : std::nullopt;
}

BidResult PracticeSite::placeBid(const QString &item, const QString &bidder, double maxBid)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->model.placeBid(item, Bid{bidder, maxBid, 1}, d->now());
}

void PracticeSite::addUser(const QString &userId, const QString &password)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->model.addUser(userId, password);
}

void PracticeSite::setRating(const QString &userId, int rating)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->ratings.insert(userId.toLower(), rating);
}

std::vector<RecordedRequest> PracticeSite::requests() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return std::vector<RecordedRequest>(d->log.begin(), d->log.end());
}

int PracticeSite::requestCount() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return static_cast<int>(d->log.size());
}

void PracticeSite::clearRequests()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->log.clear();
    d->log.shrink_to_fit();
}

void PracticeSite::setRequestLogLimit(int limit)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->logLimit = static_cast<size_t>(std::max(0, limit));
    while (d->logLimit > 0 && d->log.size() > d->logLimit)
        d->log.pop_front();
}

void PracticeSite::setFault(const QString &target, const Fault &fault)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->faults.insert(target, fault);
}

void PracticeSite::clearFault(const QString &target)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->faults.remove(target);
}

void PracticeSite::clearFaults()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->faults.clear();
}

void PracticeSite::setHttpControl(bool enabled)
{
    d->httpControl = enabled;
}

} // namespace practice
