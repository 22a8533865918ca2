#include "DeferredWrites.h"

#include "AuctionDatabase.h"
#include "BSN_Log.h"
#include "Clock.h"
#include "Database.h"
#include "Globals.h"

namespace {
// Far more than any spell of a locked database produces; past it the oldest rows give way.
constexpr qsizetype kMaxHeld = 10000;

// The database's own wait for a lock, switched off for one write.
class NoWait
{
public:
    explicit NoWait(Database &db) : m_db(db), m_before(db.busyTimeout()) { m_db.setBusyTimeout(0); }
    ~NoWait() { m_db.setBusyTimeout(m_before); }
    NoWait(const NoWait &) = delete;
    NoWait &operator=(const NoWait &) = delete;

private:
    Database &m_db;
    int m_before;
};
} // namespace

void DeferredWrites::log(qint32 auctionKey, qint32 userKey, const QString &message)
{
    Write w;
    w.auctionKey = auctionKey;
    w.userKey = userKey;
    w.message = message;
    w.at = Clock::now();
    add(std::move(w));
}

void DeferredWrites::updateAuction(qint32 auctionKey, const Columns &columns)
{
    if (columns.isEmpty())
        return;
    Write w;
    w.auctionKey = auctionKey;
    w.columns = columns;
    w.at = Clock::now();
    add(std::move(w));
}

void DeferredWrites::add(Write w)
{
    // Held writes go first: the log keeps the order things happened in.
    if (m_held.size() >= kMaxHeld)
        m_held.removeFirst();
    m_held.append(std::move(w));
    flush();
}

bool DeferredWrites::flush()
{
    while (!m_held.isEmpty()) {
        QString why;
        if (!apply(m_held.first(), why)) {
            if (reopenReplacedFile())
                continue;
            report(why);
            return false;
        }
        m_held.removeFirst();
    }
    m_reported = false; // a later spell is reported again
    return true;
}

bool DeferredWrites::apply(const Write &w, QString &why)
{
    if (!gDB || !gDB->isOpen()) {
        why = QStringLiteral("The database is not open.");
        return false;
    }
    try {
        NoWait noWait(*gDB);
        if (w.columns.isEmpty()) {
            BSN_Log(*gDB).MarkAuction(w.auctionKey, w.userKey, w.message, w.at);
        } else {
            QString sql = QStringLiteral("UPDATE Auctions SET ");
            QVariantList params;
            for (const auto &[column, value] : w.columns) {
                if (!params.isEmpty())
                    sql += QStringLiteral(", ");
                sql += Database::quoteIdentifier(QLatin1String(column)) + QStringLiteral(" = ?");
                params.append(value);
            }
            sql += QStringLiteral(" WHERE AUC_Primary = ?");
            params.append(w.auctionKey);
            gDB->execute(sql, params);
        }
        return true;
    } catch (const std::exception &e) {
        why = QString::fromLocal8Bit(e.what());
        return false;
    }
}

bool DeferredWrites::reopenReplacedFile()
{
    QString note;
    if (!ReopenReplacedAuctionDatabase(&note))
        return false;
    // Said first in the file now in use, before what was held for it.
    Write w;
    w.message = note;
    w.at = Clock::now();
    m_held.prepend(std::move(w));
    return true;
}

void DeferredWrites::report(const QString &why)
{
    if (m_reported)
        return;
    m_reported = true;
    const QString text = QStringLiteral("Zandrift could not write to its database (%1).  Snipes go on; their log "
                                        "entries and status changes are kept and written as soon as the database "
                                        "can be written again.")
                             .arg(why);
    Write w;
    w.message = text;
    w.at = Clock::now();
    QString stillWhy;
    if (apply(w, stillWhy))
        return;
    // Written later with the rest; meanwhile the window says it.
    m_held.prepend(std::move(w));
    if (m_reporter)
        m_reporter(text);
}
