#include "platform/InetTransfer.h"

#include "platform/TextCodec.h"

#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include <zlib.h>

namespace {
// The system's proxy settings for this manager only; the application-wide default stays.
class SystemProxyFactory : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override { return systemProxyForQuery(query); }
};

// A post body that can be read once and never rewound. The network layer re-sends a request by
// itself when the connection drops before the answer; with this body it cannot, and reports
// the drop instead (ContentReSendError), so the site never receives one bid twice.
class OneShotBody : public QIODevice
{
public:
    explicit OneShotBody(const QByteArray &data) : m_data(data) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    bool reset() override { return false; }
    qint64 bytesAvailable() const override { return m_data.size() - m_pos + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *out, qint64 max) override
    {
        const qint64 n = qMin(max, static_cast<qint64>(m_data.size()) - m_pos);
        memcpy(out, m_data.constData() + m_pos, static_cast<size_t>(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_pos = 0;
};
} // namespace

// Undoes the reply's content encoding as it arrives, so what the reply holds after decoding is
// what counts against the cap: a small compressed reply may stand for gigabytes.
class InetTransfer::Decoder
{
public:
    // Nothing to undo for an encoding other than gzip or deflate: the bytes are kept as sent.
    explicit Decoder(const QByteArray &contentEncoding)
    {
        const QByteArray encoding = contentEncoding.trimmed().toLower();
        if (encoding == "gzip" || encoding == "x-gzip")
            m_windowBits = 15 + 16;
        else if (encoding == "deflate")
            m_windowBits = 15; // zlib-wrapped; raw deflate is tried when that fails at once
        else
            return;
        m_active = inflateInit2(&m_stream, m_windowBits) == Z_OK;
    }
    ~Decoder()
    {
        if (m_active)
            inflateEnd(&m_stream);
    }
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    bool decodes() const { return m_windowBits != 0; }

    // Appends what in decodes to, stopping once out holds limit bytes; false on data that is no
    // such encoding.
    bool feed(const QByteArray &in, QByteArray &out, qint64 limit)
    {
        if (!decodes()) {
            out += in.left(std::max<qint64>(0, limit - out.size()));
            return true;
        }
        if (!m_active)
            return false;
        m_stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
        m_stream.avail_in = static_cast<uInt>(in.size());
        char buffer[64 * 1024];
        while (m_stream.avail_in > 0 && out.size() < limit && !m_ended) {
            const qint64 room = std::min<qint64>(sizeof buffer, limit - out.size());
            m_stream.next_out = reinterpret_cast<Bytef *>(buffer);
            m_stream.avail_out = static_cast<uInt>(room);
            const int result = inflate(&m_stream, Z_NO_FLUSH);
            const qint64 produced = room - m_stream.avail_out;
            out.append(buffer, produced);
            m_total += produced;
            if (result == Z_DATA_ERROR && m_windowBits == 15 && m_total == 0 && !m_triedRaw) {
                m_triedRaw = true;
                // A "deflate" reply without the zlib wrapper, as some servers send it.
                inflateEnd(&m_stream);
                m_windowBits = -15;
                m_active = inflateInit2(&m_stream, m_windowBits) == Z_OK;
                if (!m_active)
                    return false;
                m_stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
                m_stream.avail_in = static_cast<uInt>(in.size());
                continue;
            }
            if (result == Z_STREAM_END) {
                m_ended = true; // what follows the end of the stream is not part of the page
                break;
            }
            if (result != Z_OK && result != Z_BUF_ERROR)
                return false;
            if (result == Z_BUF_ERROR && produced == 0 && m_stream.avail_in > 0 && m_stream.avail_out > 0)
                return false;
        }
        return true;
    }
    // True when the stream came to its end, or there is no encoding to undo.
    bool complete() const { return !decodes() || m_ended; }

private:
    z_stream m_stream{};
    int m_windowBits = 0;
    bool m_active = false;
    bool m_ended = false;
    bool m_triedRaw = false;
    qint64 m_total = 0;
};

InetTransfer::InetTransfer(QObject *parent)
    : QObject(parent), m_nam(new QNetworkAccessManager(this)), m_timer(new QTimer(this)), m_deadline(new QTimer(this))
{
    // One jar for the manager of pages and the one of the warmed connection.
    m_cookies = new QNetworkCookieJar(this);
    m_nam->setCookieJar(m_cookies);
    m_cookies->setParent(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &InetTransfer::onTimeout);
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, &InetTransfer::onTimeout);
    applyProxy();
}

InetTransfer::~InetTransfer()
{
    release();
}

namespace {
// What the network layer may hold of a reply before the program has read it: a reply with no
// end is stopped at the limit, not buffered whole.
constexpr qint64 kReadBufferBytes = 256 * 1024;
} // namespace

bool InetTransfer::Execute(const QString &url, const QString &operation, const QString &data, int deadlineMs)
{
    if (m_reply)
        return false;
    const QUrl target(url);
    const bool post = operation.compare(QLatin1String("POST"), Qt::CaseInsensitive) == 0;
    const bool get = operation.isEmpty() || operation.compare(QLatin1String("GET"), Qt::CaseInsensitive) == 0;
    if (!target.isValid() || !isWebAddress(target) || (!post && !get))
        return false;

    ++m_transfer;
    m_decoder.reset();
    m_undecodable = false;
    m_bytes.clear();
    m_text.clear();
    m_pos = 0;
    m_responseCode = 0;
    m_responseInfo.clear();
    m_httpStatus = 0;
    m_receiving = false;
    m_requestSent = false;

    QNetworkRequest request(target);
    // Asked for by name, the network layer hands the encoded bytes over as they come, and they
    // are decoded here against the cap (left to itself it inflates without bound).
    request.setRawHeader(QByteArrayLiteral("Accept-Encoding"), QByteArrayLiteral("gzip, deflate"));
    if (post) {
        const QByteArray body = data.toUtf8();
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
        request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
        // Straight from the one-shot body, never from a copy the network layer could send again.
        // A warm connection is still used when there is one: if the server closed it meanwhile,
        // the post fails as a transfer and the caller decides whether to send again.
        request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
        auto *device = new OneShotBody(body);
        // A post to the host warmed up for it goes on that fresh connection; an older kept-alive
        // one may have been closed by the site meanwhile.
        const bool warm = warmFor(target);
        if (warm)
            m_warmActive.start();
        else if (m_namActive.isValid() && m_namActive.elapsed() >= kIdleForPostMs)
            renewManager();
        m_reply = (warm ? m_warm : m_nam)->post(request, device);
        device->setParent(m_reply);
    } else {
        m_reply = m_nam->get(request);
    }
    QNetworkReply *reply = m_reply;
    reply->setReadBufferSize(kReadBufferBytes);
    connect(reply, &QNetworkReply::finished, this, &InetTransfer::onFinished);
    connect(reply, &QNetworkReply::uploadProgress, this, [this, reply](qint64 sent, qint64 total) {
        if (reply == m_reply && total > 0 && sent == total) {
            m_requestSent = true;
            emit StateChanged(icRequestSent);
        }
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        if (reply != m_reply || headerRefused(reply))
            return;
        if (m_timeoutMs > 0)
            m_timer->start(m_timeoutMs);
    });
    connect(reply, &QNetworkReply::readyRead, this, &InetTransfer::onReadyRead);
    if (m_timeoutMs > 0)
        m_timer->start(m_timeoutMs);
    const int deadline = deadlineMs > 0 ? deadlineMs : kDefaultDeadlineMs;
    m_deadline->start(deadline);
    emit StateChanged(icRequesting);
    return true;
}

bool InetTransfer::isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme();
    return (scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) == 0 ||
            scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0) &&
           !url.host().isEmpty();
}

void InetTransfer::warmUp(const QString &url)
{
    const QUrl target(url);
    const bool https = target.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    const bool http = target.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0;
    if (!target.isValid() || target.host().isEmpty() || (!http && !https))
        return;
    // Snipes of one moment, one after the other: the connection the first went on is still warm.
    if (warmFor(target) || (m_warm && m_reply && m_reply->manager() == m_warm))
        return;
    // A manager of its own, new each time, so that the connection it opens is the one used.
    if (m_warm)
        m_warm->deleteLater();
    m_warm = newManager();
    m_warmHost = target.host();
    m_warmPort = target.port(-1);
    m_warmActive.start();
    if (https)
        m_warm->connectToHostEncrypted(target.host(), static_cast<quint16>(target.port(443)));
    else
        m_warm->connectToHost(target.host(), static_cast<quint16>(target.port(80)));
}

bool InetTransfer::warmFor(const QUrl &target) const
{
    return m_warm && m_warmActive.isValid() && m_warmActive.elapsed() < kWarmForMs && target.host() == m_warmHost &&
           target.port(-1) == m_warmPort;
}

void InetTransfer::takeArrived(QNetworkReply *reply)
{
    if (!m_decoder)
        m_decoder = std::make_unique<Decoder>(reply->rawHeader("Content-Encoding"));
    // In pieces, so that what they decode to stops one byte past the limit.
    while (!m_undecodable && m_bytes.size() <= kMaxReplyBytes && reply->bytesAvailable() > 0) {
        if (!m_decoder->feed(reply->read(64 * 1024), m_bytes, kMaxReplyBytes + 1))
            m_undecodable = true;
    }
}

bool InetTransfer::failedOnArrival()
{
    if (m_undecodable) {
        fail(QNetworkReply::ProtocolFailure, QStringLiteral("The reply could not be decoded"));
        return true;
    }
    if (m_bytes.size() > kMaxReplyBytes) {
        fail(kTooLargeCode, QStringLiteral("The reply is larger than %1 MB").arg(kMaxReplyBytes / (1024 * 1024)));
        return true;
    }
    return false;
}

bool InetTransfer::headerRefused(QNetworkReply *reply)
{
    if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return false; // no reply of the site yet: the transfer's own error tells
    const QList<QNetworkReply::RawHeaderPair> &fields = reply->rawHeaderPairs();
    // The network layer keeps no field of a header it will not parse (too many fields, one too
    // long) and goes on with the body: without Content-Length, Transfer-Encoding or
    // Content-Encoding the body cannot be read for what it is.
    if (fields.isEmpty()) {
        fail(QNetworkReply::ProtocolFailure, QStringLiteral("The reply's header could not be read"));
        return true;
    }
    qint64 bytes = 0;
    for (const QNetworkReply::RawHeaderPair &field : fields)
        bytes += field.first.size() + field.second.size() + 4; // "name: value\r\n"
    if (bytes > kMaxHeaderBytes) {
        fail(kTooLargeCode, QStringLiteral("The reply's header is larger than %1 KB").arg(kMaxHeaderBytes / 1024));
        return true;
    }
    return false;
}

void InetTransfer::onReadyRead()
{
    QNetworkReply *reply = m_reply;
    if (!reply || sender() != reply)
        return;
    // Read as it comes, so that a reply too large is stopped at the limit, not held whole.
    takeArrived(reply);
    if (failedOnArrival())
        return;
    // The time-out counts silence: every byte received starts it again.
    if (m_timeoutMs > 0)
        m_timer->start(m_timeoutMs);
    if (!m_receiving) {
        m_receiving = true;
        emit StateChanged(icReceivingResponse);
    }
}

void InetTransfer::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply || sender() != reply)
        return;
    m_timer->stop();
    m_deadline->stop();
    if (reply->manager() == m_nam)
        m_namActive.start();
    takeArrived(reply);
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // An HTTP error status (404) is still a page; a connection that broke while the page came
    // in is not, or half a confirmation would be read as the whole of it.
    const QNetworkReply::NetworkError err = reply->error();
    const bool httpLevel = err == QNetworkReply::NoError ||
                           (err >= QNetworkReply::ContentAccessDenied && err <= QNetworkReply::UnknownContentError) ||
                           (err >= QNetworkReply::InternalServerError && err <= QNetworkReply::UnknownServerError);
    if (!status.isValid() || !httpLevel) {
        if (err == QNetworkReply::ContentReSendError)
            fail(err, QStringLiteral("The connection closed before the site answered"));
        else
            fail(err, reply->errorString());
        return;
    }
    if (headerRefused(reply))
        return;
    m_httpStatus = status.toInt();
    // The site failed to make a page: no text of it is a page of the site.
    if (m_httpStatus >= 500) {
        const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        fail(m_httpStatus, reason.isEmpty() ? QStringLiteral("Server error") : reason);
        return;
    }
    // A compressed page whose stream stops short is half a page, like a body cut short.
    if (m_decoder && !m_decoder->complete() && !m_bytes.isEmpty() && m_bytes.size() <= kMaxReplyBytes)
        m_undecodable = true;
    if (failedOnArrival())
        return;
    if (m_bytes.isEmpty()) {
        fail(kEmptyReplyCode, QStringLiteral("The site sent an empty reply"));
        return;
    }
    m_text = TextCodec::decodePage(m_bytes, reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
    m_bytes.clear();
    release();
    // A slot may cancel or start another transfer on any state: report no more of this one then.
    const quint64 transfer = m_transfer;
    emit StateChanged(icResponseReceived);
    if (transfer == m_transfer)
        emit StateChanged(icResponseCompleted);
}

void InetTransfer::onTimeout()
{
    if (!m_reply)
        return;
    fail(kTimeoutCode, QStringLiteral("The request timed out"));
}

void InetTransfer::fail(int code, const QString &info)
{
    m_timer->stop();
    m_deadline->stop();
    release();
    m_bytes.clear();
    m_responseCode = code;
    m_responseInfo = info;
    emit StateChanged(icError);
}

void InetTransfer::Cancel()
{
    m_timer->stop();
    m_deadline->stop();
    release();
    m_bytes.clear();
    ++m_transfer;
}

void InetTransfer::release()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    if (reply->manager() == m_warm)
        m_warmActive.start(); // its connection was just in use
    m_reply = nullptr;
    reply->disconnect(this);
    if (reply->isRunning())
        reply->abort();
    reply->deleteLater();
}

QString InetTransfer::GetChunk(int size)
{
    if (size <= 0 || m_pos >= m_text.size())
        return QString();
    const QString chunk = m_text.mid(m_pos, size);
    m_pos += chunk.size();
    return chunk;
}

void InetTransfer::setAccessType(int accessType)
{
    m_accessType = accessType;
    applyProxy();
}

void InetTransfer::setProxy(const QString &proxy)
{
    m_proxy = proxy.trimmed();
    applyProxy();
}

void InetTransfer::applyConnectionType(int connectionType, const QString &proxyServer)
{
    switch (connectionType) {
    case 0:
    case 1:
        setAccessType(icUseDefault);
        break;
    case 2:
        setAccessType(icDirect);
        break;
    case 3:
        m_proxy = proxyServer.trimmed();
        setAccessType(icNamedProxy);
        break;
    default:
        break;
    }
}

QNetworkAccessManager *InetTransfer::newManager()
{
    // A jar given to a manager becomes its child: it is taken back, for all managers share it.
    auto *nam = new QNetworkAccessManager(this);
    nam->setCookieJar(m_cookies);
    m_cookies->setParent(this);
    applyProxy(nam);
    return nam;
}

void InetTransfer::renewManager()
{
    // Its kept-alive connections go with it; the cookies stay in the shared jar.
    m_nam->deleteLater();
    m_nam = newManager();
    m_namActive.invalidate();
}

void InetTransfer::applyProxy()
{
    applyProxy(m_nam);
    if (m_warm)
        applyProxy(m_warm);
}

void InetTransfer::applyProxy(QNetworkAccessManager *nam)
{
    if (m_accessType == icDirect) {
        nam->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    } else if (m_accessType == icNamedProxy && !m_proxy.isEmpty()) {
        // Accepts "host:port", "http://host:port" and "http=host:port".
        QString text = m_proxy;
        const int eq = text.indexOf(QLatin1Char('='));
        if (eq >= 0 && !text.contains(QLatin1String("://")))
            text = text.mid(eq + 1);
        const QUrl url =
            QUrl::fromUserInput(text.contains(QLatin1String("://")) ? text : QStringLiteral("http://") + text);
        nam->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, url.host(), static_cast<quint16>(url.port(80))));
    } else {
        nam->setProxy(QNetworkProxy(QNetworkProxy::DefaultProxy));
        nam->setProxyFactory(new SystemProxyFactory);
    }
}
