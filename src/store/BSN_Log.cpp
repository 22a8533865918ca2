#include "BSN_Log.h"

#include "AppSettings.h"
#include "AuctionStatus.h"
#include "BSN_User.h"
#include "Clock.h"
#include "Database.h"
#include "Globals.h"
#include "MsgBox.h"
#include "Recordset.h"
#include "StoreValues.h"
#include "Values.h"

#include <QTimeZone>

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

void PurgeOldRecords()
{
    if (!gDB || !gSettings)
        return;
    PurgeOldRecords(*gDB, gCurrentUser.get(), *gSettings);
}

namespace {
// Calendar days back, same time of day on the wall clock, as the stored times are kept (a
// cutoff in the hour the clock skips keeps its digits); never later than now, whatever the count.
QDateTime purgeCutoff(const QDateTime &now, int days)
{
    return days <= 0 ? now : Values::wallClock(now.date().addDays(-days), now.time());
}
} // namespace

void PurgeOldRecords(Database &db, const BSN_User *currentUser, const AppSettings &settings)
{
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
        db.execute(QStringLiteral("DELETE FROM Logs WHERE LOG_TimeStamp < ? AND LOG_Auction <> 0 AND LOG_User = ?"),
                   {purgeCutoff(now, days), currentUser->PrimaryKey});
    }
    if (settings.AutoDeleteErrorLogs) {
        const QDateTime cutoff = purgeCutoff(now, settings.DeleteErrorLogDays);
        db.execute(QStringLiteral("DELETE FROM Logs WHERE LOG_TimeStamp < ? AND LOG_Auction = 0"), {cutoff});
    }
}
