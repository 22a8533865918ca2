#include "InetTransfer.h"

#include "TextCodec.h"

#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {
// The system's proxy settings for this manager only; the application-wide default stays.
class SystemProxyFactory : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        return systemProxyForQuery(query);
    }
};
} // namespace

InetTransfer::InetTransfer(QObject *parent)
    : QObject(parent), m_nam(new QNetworkAccessManager(this)), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &InetTransfer::onTimeout);
    applyProxy();
}

InetTransfer::~InetTransfer() { release(); }

bool InetTransfer::Execute(const QString &url, const QString &operation, const QString &data)
{
    if (m_reply)
        return false;
    const QUrl target(url);
    const bool post = operation.compare(QLatin1String("POST"), Qt::CaseInsensitive) == 0;
    const bool get = operation.isEmpty() || operation.compare(QLatin1String("GET"), Qt::CaseInsensitive) == 0;
    if (!target.isValid() || target.isRelative() || (!post && !get))
        return false;

    ++m_transfer;
    m_text.clear();
    m_pos = 0;
    m_responseCode = 0;
    m_responseInfo.clear();
    m_httpStatus = 0;
    m_receiving = false;

    QNetworkRequest request(target);
    if (post) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
        m_reply = m_nam->post(request, data.toUtf8());
    } else {
        m_reply = m_nam->get(request);
    }
    QNetworkReply *reply = m_reply;
    connect(reply, &QNetworkReply::finished, this, &InetTransfer::onFinished);
    connect(reply, &QNetworkReply::uploadProgress, this, [this, reply](qint64 sent, qint64 total) {
        if (reply == m_reply && total > 0 && sent == total)
            emit StateChanged(icRequestSent);
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        if (reply == m_reply && !m_receiving) {
            m_receiving = true;
            emit StateChanged(icReceivingResponse);
        }
    });
    if (m_timeoutMs > 0)
        m_timer->start(m_timeoutMs);
    emit StateChanged(icRequesting);
    return true;
}

void InetTransfer::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply || sender() != reply)
        return;
    m_timer->stop();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // A reply with an HTTP status is a completed transfer, whatever the status says; only a
    // failure below HTTP (refused, dropped, unreachable) is an error.
    // An HTTP error status (404, 500) is still a page; a connection that broke while the page
    // came in is not, or half a confirmation would be read as the whole of it.
    const QNetworkReply::NetworkError err = reply->error();
    const bool httpLevel = err == QNetworkReply::NoError ||
                           (err >= QNetworkReply::ContentAccessDenied && err <= QNetworkReply::UnknownContentError) ||
                           (err >= QNetworkReply::InternalServerError && err <= QNetworkReply::UnknownServerError);
    if (status.isValid() && httpLevel) {
        m_httpStatus = status.toInt();
        const QByteArray bytes = reply->readAll();
        m_text = TextCodec::decodePage(bytes, reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
        release();
        // A slot may cancel or start another transfer on any state: report no more of this one then.
        const quint64 transfer = m_transfer;
        emit StateChanged(icResponseReceived);
        if (transfer == m_transfer)
            emit StateChanged(icResponseCompleted);
        return;
    }
    m_responseCode = static_cast<int>(reply->error());
    m_responseInfo = reply->errorString();
    release();
    emit StateChanged(icError);
}

void InetTransfer::onTimeout()
{
    if (!m_reply)
        return;
    release();
    m_responseCode = kTimeoutCode;
    m_responseInfo = QStringLiteral("The request timed out");
    emit StateChanged(icError);
}

void InetTransfer::Cancel()
{
    m_timer->stop();
    release();
    ++m_transfer;
}

void InetTransfer::release()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
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

void InetTransfer::applyProxy()
{
    if (m_accessType == icDirect) {
        m_nam->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    } else if (m_accessType == icNamedProxy && !m_proxy.isEmpty()) {
        // Accepts "host:port", "http://host:port" and "http=host:port".
        QString text = m_proxy;
        const int eq = text.indexOf(QLatin1Char('='));
        if (eq >= 0 && !text.contains(QLatin1String("://")))
            text = text.mid(eq + 1);
        const QUrl url = QUrl::fromUserInput(text.contains(QLatin1String("://")) ? text : QStringLiteral("http://") + text);
        m_nam->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, url.host(), static_cast<quint16>(url.port(80))));
    } else {
        m_nam->setProxy(QNetworkProxy(QNetworkProxy::DefaultProxy));
        m_nam->setProxyFactory(new SystemProxyFactory);
    }
}
