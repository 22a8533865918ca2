#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// The program's HTTP transfer control: one request at a time, asynchronous on the thread that
// owns it, progress reported through StateChanged, the reply handed out as text in chunks.
// A server error (5xx), an empty reply, one over kMaxReplyBytes once decoded (a compressed
// reply is counted inflated) and one whose header is past kMaxHeaderBytes or could not be read
// end in state 11, never as a page. A post leaves at most once per Execute: the network
// layer never sends it again by itself, whatever becomes of the connection it went on.
class InetTransfer : public QObject
{
    Q_OBJECT
public:
    enum StateConstants
    {
        icNone = 0,
        icHostResolvingHost = 1,
        icHostResolved = 2,
        icConnecting = 3,
        icConnected = 4,
        icRequesting = 5,
        icRequestSent = 6,
        icReceivingResponse = 7,
        icResponseReceived = 8,
        icDisconnecting = 9,
        icDisconnected = 10,
        icError = 11,
        icResponseCompleted = 12
    };
    enum AccessConstants
    {
        icUseDefault = 0,
        icDirect = 1,
        icNamedProxy = 2
    };

    // ResponseCode of a request that ran out of time, of an empty reply, of one too large; a
    // server error gives its HTTP status (500, 503, ...).
    static constexpr int kTimeoutCode = 35768;
    static constexpr int kEmptyReplyCode = 35769;
    static constexpr int kTooLargeCode = 35770;
    static constexpr qint64 kMaxReplyBytes = 8 * 1024 * 1024;
    // No page of the site needs a header near this size; one past it is refused as soon as it is in.
    static constexpr qint64 kMaxHeaderBytes = 64 * 1024;
    static constexpr int kDefaultTimeoutMs = 60000;
    // However steadily a reply trickles in, a transfer ends by then.
    static constexpr int kDefaultDeadlineMs = 90000;

    explicit InetTransfer(QObject *parent = nullptr);
    ~InetTransfer() override;

    // Starts a transfer: operation "Get" or "POST" (any case); a post sends data as a
    // form-encoded body. False, and nothing sent, while a transfer is still executing or for
    // an operation or address it cannot send. deadlineMs bounds the whole transfer (0: the
    // control's own deadline); it fails as timed out when it is reached.
    bool Execute(const QString &url, const QString &operation, const QString &data = QString(), int deadlineMs = 0);
    // Only http and https addresses are sent; any other (file:, data:, ftp:) reads what is not the site's.
    static bool isWebAddress(const QUrl &url);
    // Opens a connection to the address's host ahead of a request, so that the request does not
    // wait for the handshake. Does nothing for an address it cannot reach.
    void warmUp(const QString &url);
    // True once the whole request of the last transfer has left: a failure after that may
    // have been read by the site.
    bool requestSent() const { return m_requestSent; }
    bool StillExecuting() const { return m_reply != nullptr; }
    // Stops the transfer in flight; no further state is reported for it.
    void Cancel();
    // The next size characters of the completed reply; empty once all has been read.
    QString GetChunk(int size);

    // After state 11: the failure's number and text (kTimeoutCode for a time-out).
    int ResponseCode() const { return m_responseCode; }
    QString ResponseInfo() const { return m_responseInfo; }
    // The HTTP status of the last completed reply (0 before one).
    int httpStatus() const { return m_httpStatus; }

    int AccessType() const { return m_accessType; }
    void setAccessType(int accessType);
    // "host:port" of the named proxy (port 80 when left out).
    QString Proxy() const { return m_proxy; }
    void setProxy(const QString &proxy);
    // The settings' connection type: 0 and 1 use the system's settings, 2 goes direct, 3
    // through proxyServer. Other values change nothing.
    void applyConnectionType(int connectionType, const QString &proxyServer);

    // How long a transfer may go without receiving a byte before it fails as timed out.
    int requestTimeoutMs() const { return m_timeoutMs; }
    void setRequestTimeoutMs(int ms) { m_timeoutMs = ms; }

signals:
    void StateChanged(int state);

private:
    void onFinished();
    void onReadyRead();
    void onTimeout();
    // Takes what has arrived, decoded, never more than one byte past the limit.
    void takeArrived(QNetworkReply *reply);
    // Ends the transfer when what arrived cannot be decoded or is past the limit.
    bool failedOnArrival();
    // Ends the transfer when the reply's header is past its limit or was dropped unread.
    bool headerRefused(QNetworkReply *reply);
    void fail(int code, const QString &info);
    void release();
    void applyProxy();
    void applyProxy(QNetworkAccessManager *nam);
    QNetworkAccessManager *newManager();
    void renewManager();

    QNetworkAccessManager *m_nam;
    // When m_nam last heard from the site: a kept-alive connection idle longer than
    // kIdleForPostMs may be closing at the site while a post is on its way, and a post cannot
    // be sent again by the network layer, so it goes on a new connection.
    static constexpr qint64 kIdleForPostMs = 1000;
    QElapsedTimer m_namActive;
    // The connection opened ahead of a post, in a manager of its own. It is used while it was
    // opened or last used a moment ago; one idle longer may have been closed by the site.
    static constexpr qint64 kWarmForMs = 1500;
    QNetworkAccessManager *m_warm = nullptr;
    QString m_warmHost;
    int m_warmPort = -1;
    QElapsedTimer m_warmActive;
    bool warmFor(const QUrl &target) const;
    class QNetworkCookieJar *m_cookies = nullptr;
    QTimer *m_timer;
    QTimer *m_deadline;
    QNetworkReply *m_reply = nullptr;
    bool m_receiving = false;
    bool m_requestSent = false;
    class Decoder;
    std::unique_ptr<Decoder> m_decoder;
    bool m_undecodable = false;
    QByteArray m_bytes; // decoded
    QString m_text;
    qsizetype m_pos = 0;
    int m_responseCode = 0;
    QString m_responseInfo;
    int m_httpStatus = 0;
    int m_accessType = icUseDefault;
    QString m_proxy;
    int m_timeoutMs = kDefaultTimeoutMs;
    quint64 m_transfer = 0; // counts transfers started and cancels, so stale states are not reported
};
