#include "engine/DeferredWrites.h"

#include "platform/Clock.h"
#include "platform/Database.h"
#include "store/AuctionDatabase.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

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
                sql += Database::quoteIdentifier(QString::fromLatin1(column)) + QStringLiteral(" = ?");
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

bool DeferredWrites::saveHeld(const QString &path, const QList<qint32> &sentAuctions) const
{
    if (m_held.isEmpty()) {
        QFile::remove(path);
        return true;
    }
    QJsonArray writes;
    for (const Write &w : m_held) {
        QJsonObject o{{QStringLiteral("auction"), w.auctionKey},
                      {QStringLiteral("user"), w.userKey},
                      {QStringLiteral("at"), w.at.toString(Qt::ISODateWithMs)}};
        if (w.columns.isEmpty()) {
            o.insert(QStringLiteral("message"), w.message);
        } else {
            QJsonObject columns;
            for (const auto &[column, value] : w.columns)
                columns.insert(QString::fromLatin1(column), QJsonValue::fromVariant(value));
            o.insert(QStringLiteral("columns"), columns);
        }
        writes.append(o);
    }
    QJsonArray sent;
    for (qint32 key : sentAuctions)
        sent.append(key);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QJsonObject root{{QStringLiteral("writes"), writes}, {QStringLiteral("finalPostsSent"), sent}};
    return file.write(QJsonDocument(root).toJson()) >= 0 && file.commit();
}

bool DeferredWrites::loadHeld(const QString &path, QList<qint32> &sentAuctions, QString *error)
{
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(16 * 1024 * 1024), &parseError);
    file.close();
    if (!doc.isObject()) {
        if (error)
            *error = parseError.errorString();
        return false;
    }
    const QJsonObject root = doc.object();
    QList<Write> earlier;
    const QJsonArray writes = root.value(QStringLiteral("writes")).toArray();
    for (qsizetype i = 0; i < writes.size(); ++i) {
        const QJsonObject o = writes.at(i).toObject();
        Write w;
        w.auctionKey = o.value(QStringLiteral("auction")).toInt();
        w.userKey = o.value(QStringLiteral("user")).toInt();
        w.at = QDateTime::fromString(o.value(QStringLiteral("at")).toString(), Qt::ISODateWithMs);
        w.message = o.value(QStringLiteral("message")).toString();
        const QJsonObject columns = o.value(QStringLiteral("columns")).toObject();
        for (auto c = columns.begin(); c != columns.end(); ++c)
            w.columns.append({c.key().toLatin1(), c.value().toVariant()});
        if (!w.message.isEmpty() || !w.columns.isEmpty())
            earlier.append(std::move(w));
    }
    const QJsonArray sent = root.value(QStringLiteral("finalPostsSent")).toArray();
    for (qsizetype i = 0; i < sent.size(); ++i)
        sentAuctions.append(sent.at(i).toInt());
    m_held = earlier + m_held;
    return true;
}
