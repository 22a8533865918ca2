#pragma once

#include "SiteModel.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace practice {

enum class FaultKind
{
    Delay,        // wait delayMs, then answer normally
    Drop,         // close the connection without an answer
    ServerError,  // HTTP 500
    Garbage,      // a page of nonsense with status 200
    NoTime,       // the official-time page without the time
    CutShort,     // the right page, but the connection closes after half of the length it announced
    LargePage,    // the right page padded to bytes, sent in pieces with delayMs between them
    Empty,        // status 200 with an empty body
    Endless,      // status 200, a body of no announced length that goes on until bytes (or for ever)
    Processed5xx, // the site acts on the request, then a gateway answers with status (502, 504) instead
    LargeHeader   // the right page behind a header padded to about bytes, in fields of pieceBytes
};

struct Fault
{
    FaultKind kind = FaultKind::Delay;
    int delayMs = 0;
    int times = -1;                // how many requests it hits; -1 = until cleared
    qint64 bytes = 0;              // LargePage: the size of the page sent; Endless: where it stops (0: never);
                                   // LargeHeader: the size of the header's padding
    qint64 pieceBytes = 64 * 1024; // LargePage: the size of each piece; LargeHeader: of each padding field
    int status = 500;              // ServerError, Processed5xx: the status sent (502, 503, 504 as gateways answer)
};

// One request as it reached the site: when it had arrived whole, and when the site answered it
// (ms since the epoch, real time; add clockOffsetMs() for the site's clock).
struct RecordedRequest
{
    qint64 arrivalMs = 0;
    qint64 processedMs = 0; // 0 while unanswered, or when a fault answered instead of the site
    QString method;
    QString path;
    QString query; // raw, as sent
    QByteArray body;
    QString command;                // ViewItem, TimeShow, MakeBid, AcceptBid, SignIn, SignInWelcome, ...
    std::optional<FaultKind> fault; // the fault that met it, if one did
};

// The practice auction site on loopback. Thread-safe: the server answers on its own threads
// while a test drives it from its own.
class PracticeSite
{
public:
    PracticeSite();
    ~PracticeSite();
    PracticeSite(const PracticeSite &) = delete;
    PracticeSite &operator=(const PracticeSite &) = delete;

    // Listens on 127.0.0.1; port 0 takes a free one. False when the port cannot be bound.
    bool start(quint16 port = 0);
    void stop();
    bool isRunning() const;
    quint16 port() const;
    QString baseUrl() const; // "http://127.0.0.1:<port>"
    // The address of one command: commandUrl("TimeShow") = base + "/aw-cgi/eBayISAPI.dll?TimeShow".
    QString commandUrl(const QString &command) const;
    // An eburl.zdx naming this site's addresses.
    QByteArray urlFile() const;

    // The site's clock runs at real speed, offsetMs ahead of the real time.
    void setClockOffsetMs(qint64 ms);
    qint64 clockOffsetMs() const;
    void setSiteTime(const QDateTime &t);
    QDateTime now() const;

    void addAuction(const Auction &auction);
    void removeAuction(const QString &item);
    std::optional<Auction> auction(const QString &item) const;
    std::optional<Standing> standing(const QString &item) const;
    // A competitor's bid, placed at once.
    BidResult placeBid(const QString &item, const QString &bidder, double maxBid);
    // A site account that may sign in and accept bids.
    void addUser(const QString &userId, const QString &password);
    void setRating(const QString &userId, int rating);

    std::vector<RecordedRequest> requests() const;
    int requestCount() const;
    void clearRequests();
    // Keeps only the newest limit requests (0: all of them), so a long-running site stays small.
    void setRequestLogLimit(int limit);

    // A fault for one target: a path ("/aw-cgi/eBayISAPI.dll", every command there), a path
    // and a command ("/aw-cgi/eBayISAPI.dll?TimeShow") or a path and the whole raw query
    // ("/aw-cgi/eBayISAPI.dll?ViewItem&item=12", one item). A form post's item is matched the
    // same way ("/aw-cgi/eBayISAPI.dll?AcceptBid&item=12"). The most specific one wins.
    void setFault(const QString &target, const Fault &fault);
    void clearFault(const QString &target);
    void clearFaults();

    // The /control/... addresses for driving the stand-alone site over HTTP.
    void setHttpControl(bool enabled);
    // A handful of auctions that end a few minutes from now, and a site user "snipetester".
    void loadDemoScenario();

    static constexpr const char *kDllPath = "/aw-cgi/eBayISAPI.dll";

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace practice
