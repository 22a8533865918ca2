#pragma once

#include "engine/BNQueue.h"
#include "engine/DeferredWrites.h"
#include "engine/LiveSnipes.h"
#include "store/AuctionStatus.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimeZone>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class IMainWindow;
class InetTransfer;
class QTimer;
class Recordset;
class TreeGrid;
class clsEbayAuction;

// Shared with the schedule dialog: the auction it edits and how the user left it.
extern qint32 ScheduleAuctionKey;
extern bool ScheduleCancelled;
extern bool SnipeUnscheduled;

// True from the first close request on.
extern bool gClosing;

// The engine procedures of the main window: the request queue and its pump, the transfer
// control, the reply dispatch, the auction writer, and the import and refresh requests.
class AuctionEngine : public QObject
{
    Q_OBJECT
public:
    explicit AuctionEngine(IMainWindow &window, QObject *parent = nullptr);
    ~AuctionEngine() override;

    BNQueue &queue();
    InetTransfer &Inet1() { return *m_inet; }
    IMainWindow &window() { return m_window; }

    QItemPtr mLastQueueItem;
    bool mblnServingItem = false;

    // The timers start stopped; start-up switches them on.
    void setTimersEnabled(bool on);
    bool timersEnabled() const;

    void tmrBidSnipe_Timer();
    void ServeQueue();
    void Inet1_StateChanged(int state);
    void WaitSeconds(qint32 seconds);
    void HaltOperation();
    void InetIn(const QString &page);

    void EbayProcessAuction(clsEbayAuction &auction, qint16 &mode);

    // Import and refresh requests.
    bool CanAddAuction(bool fromBrowser, QString &itemNumber, bool showMessages);
    // Where AddAuction stopped: at the folder, at an item already queued (only typed numbers are
    // looked for before the item check), at the item check (CanAddAuction), or queued.
    enum class AddResult
    {
        FolderRefused,
        AlreadyQueued,
        ItemRefused,
        Queued
    };
    // The import of one auction into the selected folder, for the add strip (the typed number)
    // and the browser's add button (fromBrowser: the auction of the page shown). Every refusal
    // says why, except those CanAddAuction makes quietly.
    AddResult AddAuction(bool fromBrowser, const QString &typedItemNumber = QString());
    void cmdAuctionAddOK_Click(const QString &typedItemNumber);
    void RefreshAuction();
    void RefreshAllAuctions();
    void mnuActionsRefresh_Click();
    void tmrAutoRefresh_Timer();
    qint16 autoRefreshCounter() const { return m_autoRefreshCount; }

    // The key of the signed-in user, 0 when nobody is signed in.
    static qint32 currentUserKey();

    // The snipe conversation. Why one ends early: the row becomes not scheduled, in error, or
    // outbid.
    enum class AbortReason : qint32
    {
        UserCancelled = 0,
        Error = 1,
        Outbid = 2
    };
    void AbortSnipe(BNBidTalk &bid, const QString &message, AbortReason reason);

    // The snipes this run carries, whatever their rows say.
    LiveSnipes &liveSnipes() { return m_live; }
    // What a delete takes away: the auctions (their keys and item numbers), imports on their way
    // into deleted folders, or everything of a program user.
    struct Forget
    {
        qint32 userKey = 0;
        QList<qint32> auctions;
        QStringList itemNumbers;
        QList<qint32> folders;
        bool wholeUser = false;
    };
    // The one way a delete (grid, menu, folder, user) ends an auction's work: its queued
    // requests go, a conversation in flight is cancelled before its next send.
    void ForgetAuctions(const Forget &gone);
    // The last chance for the conversations' bookkeeping before the program ends: waits a while
    // for the database and keeps what it still refuses for the next start. True when everything
    // was written; otherwise report says what the user must know.
    bool closeDown(QString &report, int waitMs = 5000);
    // At start-up: writes what an earlier run could not, and never bids again for an auction
    // whose final post left then.
    void recoverHeldWrites();
    // Where closeDown keeps what the database refused: beside the database.
    static QString heldWritesPath();
    void heldWritesDone();
    void SetAuctionStatus(qint32 auctionKey, AuctionStatus::Code status);
    // The site's present time: the program clock's face less TimeOffset hours.
    static QDateTime siteNow();
    // The zone of the site's clock (its time page says PST or PDT); invalid without zone data.
    static QTimeZone siteZone();
    static qint64 secondsLeft(const BNBidTalk &bid);
    // The instant (ms since the epoch) an auction ends: its end as the site's page showed it, in
    // the zone the page named, so the repeated autumn hour is the one meant.
    static qint64 endInstantMs(const QDateTime &siteEnd, const QString &zone);
    static qint64 endInstantMs(const BNBidTalk &bid);
    // The site's present instant: the synchronised clock, or before a synchronisation in this
    // run the local clock less TimeOffset hours.
    static qint64 siteNowMs();
    // Ms until the auction's end and until its snipe moment (the end less BidSeconds), on the
    // program's clock.
    static qint64 msUntilEnd(const BNBidTalk &bid);
    static qint64 msUntilMoment(const BNBidTalk &bid);
    // The connection to the bid host is opened this long before a final post's moment: soon
    // enough that the site has not yet closed it as idle, early enough to spare the post the handshake.
    static constexpr qint64 kWarmUpLeadMs = 1000;

    // The conversations' log rows and status writes, which never hold up a bid.
    DeferredWrites &records() { return m_records; }

    // Scheduling and clock synchronisation.
    void tmrQueueSchedulerAndTimeSyncs_Timer();
    void QueueDueSnipes();
    void TimeSync(bool unused, bool disconnectAfter);
    // Opens the schedule dialog for the selected auction (showDialog runs it modally, leaving
    // its outcome in the shared values), then brings a queued conversation in line with it.
    void ScheduleSnipe(const std::function<void()> &showDialog);

private:
    void tmrAutoRefresh_TimerBody();
    void tmrQueueSchedulerAndTimeSyncs_TimerBody();
    enum class SnipeServed
    {
        Sent,
        Waiting,
        Dialled,
        Done
    };
    // What of the snipes in the queue wants the pump now.
    enum class SnipeDue
    {
        Nothing,
        Step,
        FinalPost
    };
    SnipeDue snipeDue() const;
    // Makes way for a due snipe step: an import, refresh or clock synchronisation in flight is
    // cancelled and queued again. True when the pump is free.
    bool makeWayForSnipe();
    // Opens the bid host's connection ahead of a final post due soon.
    void warmUpForFinalPosts();
    // Sets the timer that serves the next snipe moment (or the end of a retry's pause) on time.
    void armMomentTimer();
    void onMomentTimer();
    // No database wait while a conversation is under way: a lock held by another process fails
    // at once, and the conversation's writes are kept for later.
    void applyDatabasePatience();
    void snipeLog(const BNBidTalk &bid, const QString &message);
    // The grid and the folder view, rebuilt after a step; their failure is not the conversation's.
    void rebuildGrid();
    void showSelectedFolder();
    // The caption counts the scheduled snipes.
    void updateCaption();
    static int stepDeadlineMs(const BNBidTalk &bid);
    static int finalPostDeadlineMs(const BNBidTalk &bid);
    bool serveSnipeItems(QItemPtr item);
    QItemPtr takeDueFinalPost();
    QItemPtr preferNearerSendingStep(const QItemPtr &item);
    // A queued clock synchronisation, served while every snipe only waits.
    bool serveWaitingTimeSync();
    SnipeServed serveSnipe(const QItemPtr &item);
    SnipeServed serveConnectStep(const QItemPtr &item);
    SnipeServed sendSnipeRequest(const QItemPtr &item, const QString &url, const QString &body, bool post,
                                 int deadlineMs = 0);
    // postLeft: the step's request went out whole (for a final post: the site may hold the bid).
    void retrySnipeStep(const QItemPtr &item, int responseCode, const QString &responseInfo, bool postLeft);
    // Still queued, being served, or with its request or reply under way.
    bool isLive(const QItemPtr &item) const;
    void serveTimeSync(const QItemPtr &item);
    bool startGet(const QString &url, int deadlineMs = 0);
    // False for anything but an http or https address; one of another scheme is said in the
    // general log, naming its eburl.zdx key.
    bool webAddress(const QString &url);
    bool startPost(const QString &url, const QString &body, int deadlineMs = 0);
    void responseCompleted();
    void responseError();
    void dispatchSnipeReply(const QItemPtr &item, const QString &page);
    bool setClockFromTimePage(const QString &page);
    // A failed time page of a conversation: tried again while the snipe moment leaves time for it.
    void retrySyncOrGoOn(const QItemPtr &item, const QString &why);
    // Re-synchronises when TimeOffset changes.
    void watchTimeOffset();
    // A clock synchronisation queued or in flight.
    bool timeSyncPending() const;
    QElapsedTimer m_syncAskedFor;
    // Round trip of the last request and the time since its reply arrived, for the clock.
    QElapsedTimer m_sinceRequest;
    QElapsedTimer m_sinceReply;
    qint64 m_roundTripMs = 0;
    // The shortest of the last few round trips of pages and bids (not time pages): what the
    // link itself costs, without the time a slow page spent at the site; 0 before one.
    std::array<qint64, 5> m_recentRoundTripsMs{};
    std::size_t m_roundTripsSeen = 0;
    qint64 linkRoundTripMs() const;
    // How far the site's clock runs ahead of this machine's, as bounded by its time pages (ms);
    // kept for a while, then a page starts it afresh.
    struct SiteLead
    {
        qint64 lowMs = 0;
        qint64 highMs = 0;
    };
    SiteLead m_siteLead;
    // A reading far from both this machine's clock and the last synchronisation is believed
    // only when a second page agrees with it.
    bool m_farLeadPending = false;
    SiteLead m_farLead;
    // The TimeOffset of the last synchronisation, or before one the first seen.
    std::optional<qint16> m_offsetAtSync;
    QElapsedTimer m_offsetSyncAsked;
    static constexpr qint64 kOffsetSyncPauseMs = 2000;
    bool m_synchronisedHere = false;
    QElapsedTimer m_siteLeadAge;
    static constexpr qint64 kSiteLeadKeptMs = 3600 * 1000;
    // The final post leaves this much before its moment, so that it reaches the site then.
    qint64 finalPostLeadMs(const BNBidTalk &bid) const;
    // How far the site's clock may run ahead of the program's, by what the time pages said.
    qint64 siteClockSlackMs() const;
    bool finalPostDue(const BNBidTalk &bid) const;
    void refreshFromPage(const QString &page, const QItemPtr &item);
    // Marks the row (left in edit) as being refreshed and queues its refresh.
    void queueRefreshOf(Recordset &row, qint32 priority);

    IMainWindow &m_window;
    std::unique_ptr<BNQueue> m_queue;
    InetTransfer *m_inet;
    QTimer *m_tmrBidSnipe;
    QTimer *m_tmrAutoRefresh;
    QTimer *m_tmrScheduler;
    QTimer *m_momentTimer;
    qint64 m_warmedForMoment = 0; // the moment (ms since the epoch) the bid host was last warmed for
    QElapsedTimer m_sinceFlush;
    DeferredWrites m_records;
    LiveSnipes m_live;
    bool m_heldFileRead = false; // an earlier run's held writes were taken back from their file
    qint16 m_schedulingCounter = 0;
    qint16 m_periodicSyncCounter = 0;
    QSet<qint32> m_orphanSnipesLogged;
    bool m_inServeQueue = false;
    bool m_inReply = false;
    qint16 m_autoRefreshCount = 0;
};

// The picture of an auction status in the grid; empty for codes outside 1-7.
QString GetStatusPicture(qint32 status);
// The status a grid row's picture shows; 0 for any other picture.
qint32 StatusOfPicture(const QString &picture);
// The grid row whose item-number cell shows the number, -1 when none.
qint32 FindAuctionRow(TreeGrid &grid, qint64 itemNumber);
