#include "store/BSN_Log.h"

#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "platform/Recordset.h"
#include "platform/Values.h"
#include "store/AppSettings.h"
#include "store/AuctionStatus.h"
#include "store/BSN_User.h"
#include "store/Globals.h"
#include "store/StoreValues.h"

#include <QCoreApplication>
#include <QTimeZone>
#include <QTimer>

#include <memory>

bool ConnectionLogChanged = false;
bool AuctionLogChanged = false;

BSN_Log::BSN_Log() : m_db(gDB.get()) {}

BSN_Log::BSN_Log(Database &db) : m_db(&db) {}

void BSN_Log::MarkAuction(qint32 auctionKey, qint32 userKey, const QString &message)
{
    MarkAuction(auctionKey, userKey, message, Clock::now());
}

void BSN_Log::MarkAuction(qint32 auctionKey, qint32 userKey, const QString &message, const QDateTime &at)
{
    if (!m_db)
        throw DbError(QStringLiteral("The database is not open."));
    auto rs = m_db->openTable(QStringLiteral("Logs"));
    rs->addNew();
    rs->setValue(QStringLiteral("LOG_TimeStamp"), at);
    rs->setValue(QStringLiteral("LOG_Auction"), auctionKey);
    rs->setValue(QStringLiteral("LOG_User"), userKey);
    QString cut = message.left(kMaxMessage);
    if (!cut.isEmpty() && cut.back().isHighSurrogate())
        cut.chop(1); // never half a character
    rs->setValue(QStringLiteral("LOG_Message"), Values::trimBlanks(cut));
    rs->update();
    if (auctionKey != 0)
        AuctionLogChanged = true;
    else
        ConnectionLogChanged = true;
}

void BSN_Log::MarkConnection(const QString &message)
{
    MsgBox::show(Values::formatGeneralDate(Clock::now()) + QStringLiteral(" - ") + message, QString());
}

namespace {
// Calendar days back, same time of day on the wall clock, as the stored times are kept (a
// cutoff in the hour the clock skips keeps its digits); never later than now, whatever the count.
QDateTime purgeCutoff(const QDateTime &now, int days)
{
    return days <= 0 ? now : Values::wallClock(now.date().addDays(-days), now.time());
}
} // namespace

namespace {
// The log rows a purge deletes, named once at its start.
struct LogPurge
{
    bool userRows = false;
    QDateTime userCutoff;
    qint32 userKey = 0;
    bool generalRows = false;
    QDateTime generalCutoff;
};

// Auctions first, then the log rows are named; the rows go in slices (purgeLogSlice).
LogPurge startPurge(Database &db, const BSN_User *currentUser, const AppSettings &settings)
{
    LogPurge purge;
    const QDateTime now = Clock::now();
    if (currentUser && currentUser->AutoDeleteAuctions) {
        const qint16 days = auctionPurgeDays(currentUser->DeleteAuctionDays);
        // The end times are the site's clock, TimeOffset hours behind this one.
        const QDateTime siteFace = QDateTime(now.date(), now.time(), QTimeZone::utc())
                                       .addSecs(-3600 * static_cast<qint64>(settings.TimeOffset));
        const QDateTime siteCutoff = purgeCutoff(Values::wallClock(siteFace.date(), siteFace.time()), days);
        // A snipe still scheduled or with its bid out is never purged, however its end reads.
        db.execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_Ended < ? AND AUC_User = ? AND "
                                  "(AUC_Status IS NULL OR AUC_Status NOT IN (?, ?))"),
                   {siteCutoff, currentUser->PrimaryKey, AuctionStatus::Scheduled, AuctionStatus::BidSubmitted});
        purge.userRows = true;
        purge.userCutoff = purgeCutoff(now, days);
        purge.userKey = currentUser->PrimaryKey;
    }
    if (settings.AutoDeleteErrorLogs) {
        purge.generalRows = true;
        purge.generalCutoff = purgeCutoff(now, settings.DeleteErrorLogDays);
    }
    return purge;
}

// A slice takes a few milliseconds (each row leaves the table and two indexes): months of log
// rows are deleted without holding the window.
constexpr int kPurgeSliceRows = 2000;

// Deletes up to one slice of the purge's log rows; true while some remain.
bool purgeLogSlice(Database &db, LogPurge &purge)
{
    int room = kPurgeSliceRows;
    if (purge.userRows) {
        const int n = db.execute(QStringLiteral("DELETE FROM Logs WHERE LOG_Primary IN (SELECT LOG_Primary FROM Logs "
                                                "WHERE LOG_TimeStamp < ? AND LOG_Auction <> 0 AND LOG_User = ? "
                                                "LIMIT ?)"),
                                 {purge.userCutoff, purge.userKey, room});
        purge.userRows = n == room;
        room -= n;
    }
    if (purge.generalRows && room > 0) {
        // By the time stamp's index: the old rows only, never every general row left to keep.
        const int n = db.execute(QStringLiteral("DELETE FROM Logs WHERE LOG_Primary IN (SELECT LOG_Primary FROM Logs "
                                                "WHERE LOG_TimeStamp < ? AND +LOG_Auction = 0 LIMIT ?)"),
                                 {purge.generalCutoff, room});
        purge.generalRows = n == room;
    }
    return purge.userRows || purge.generalRows;
}
} // namespace

void PurgeOldRecords(Database &db, const BSN_User *currentUser, const AppSettings &settings)
{
    LogPurge purge = startPurge(db, currentUser, settings);
    while (purgeLogSlice(db, purge)) {
    }
}

namespace {
quint64 currentPurge = 0;

// The purge's next slice, then the one after on the next turn of the event loop. A purge that a
// newer one replaced, or whose database was closed meanwhile, stops; so does one the database
// refuses (its rows wait for the next purge).
void continuePurge(Database *db, const std::shared_ptr<LogPurge> &purge, quint64 purgeNumber)
{
    if (purgeNumber != currentPurge || gDB.get() != db || !db->isOpen())
        return;
    try {
        if (!purgeLogSlice(*db, *purge))
            return;
    } catch (const DbError &) {
        return;
    }
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [db, purge, purgeNumber] { continuePurge(db, purge, purgeNumber); });
}
} // namespace

void PurgeOldRecords()
{
    if (!gDB || !gSettings)
        return;
    Database *db = gDB.get();
    auto purge = std::make_shared<LogPurge>(startPurge(*db, gCurrentUser.get(), *gSettings));
    const quint64 purgeNumber = ++currentPurge;
    // The first slice at once, with its errors reaching the caller; the rest while the window
    // goes on.
    if (!purgeLogSlice(*db, *purge))
        return;
    if (!QCoreApplication::instance()) {
        while (purgeLogSlice(*db, *purge)) {
        }
        return;
    }
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [db, purge, purgeNumber] { continuePurge(db, purge, purgeNumber); });
}
