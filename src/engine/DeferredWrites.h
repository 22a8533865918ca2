#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <utility>

// The bookkeeping of snipe conversations: log rows and auction status changes. A bid must never
// wait for it or fail with it, so each write is tried at once without waiting for a lock another
// process holds; one the database refuses (locked, disk full, file replaced) is held, in order,
// and tried again later. The first refusal of a spell is reported once in the general log, and
// to the window when even that cannot be written.
class DeferredWrites
{
public:
    using Columns = QList<std::pair<QByteArray, QVariant>>;

    // Called with the text of the report when the general log cannot take it either.
    void setReporter(std::function<void(const QString &)> reporter) { m_reporter = std::move(reporter); }

    // A log row (auction 0: the general log), stamped now.
    void log(qint32 auctionKey, qint32 userKey, const QString &message);
    // Sets columns of one Auctions row; a row deleted meanwhile changes nothing.
    void updateAuction(qint32 auctionKey, const Columns &columns);

    // Writes what is held, oldest first, until the database refuses one. True when nothing is left.
    bool flush();
    qsizetype held() const { return m_held.size(); }

    // What is still held, kept in a file (owner-only) for the next start, with the auctions whose
    // final post left; false when even that file cannot be written. Nothing held removes the file.
    bool saveHeld(const QString &path, const QList<qint32> &sentAuctions) const;
    // Takes back what an earlier run kept there (held again, oldest first, before anything of
    // this run) and the auctions whose final post left then. The file stays until saveHeld
    // replaces or removes it.
    bool loadHeld(const QString &path, QList<qint32> &sentAuctions, QString *error = nullptr);

private:
    struct Write
    {
        qint32 auctionKey = 0;
        qint32 userKey = 0;
        QString message; // a log row when columns is empty
        QDateTime at;
        Columns columns;
    };
    void add(Write w);
    // One try, without waiting; the database's reason when it refused.
    bool apply(const Write &w, QString &why);
    void report(const QString &why);
    // A database file replaced under the program is opened again at its path; true when it was.
    bool reopenReplacedFile();

    QList<Write> m_held;
    bool m_reported = false;
    std::function<void(const QString &)> m_reporter;
};
