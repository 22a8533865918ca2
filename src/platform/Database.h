#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <stdexcept>

#include "platform/Recordset.h"

class QSqlError;

// A failed database operation. Callers that own a user-visible step catch it there.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

// SQLite refused a row because a UNIQUE or PRIMARY KEY constraint already holds its value:
// the caller can say "already exists" instead of "the file is broken".
class DbDuplicateKey : public DbError
{
public:
    using DbError::DbError;
};

// The kinds of column the program reads and writes. Values cross this layer as Qt types:
// Long/Int as integers, Text as QString, Date as a local QDateTime (stored as sortable text
// "yyyy-MM-dd HH:mm:ss"), Money as double (stored rounded to 1/10000), YesNo as bool. A Null
// column reads as a null QVariant.
enum class ColumnKind
{
    Unknown,
    Auto,
    Long,
    Int,
    Text,
    Date,
    Money,
    YesNo
};

// One open database file (SQLite underneath). Read-write and shared; an open never creates a
// file. Writes go through the rollback journal with synchronous commits, so a killed process
// leaves a file that opens and holds every committed row.
class Database
{
public:
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens an existing database file; nullptr with *error naming the path when it is missing,
    // unreadable, not a database, or cannot be written (the file or the journal beside it).
    static std::unique_ptr<Database> open(const QString &path, QString *error = nullptr);

    QString path() const { return m_path; }
    bool isOpen() const;
    // Closes the file; the object stays valid and every operation throws DbError until a
    // reopen. Throws DbError inside a transaction.
    void close();
    // Opens the file at path in place of the current one (closed or not), so every holder of
    // this object keeps working. On failure nothing changes: false with *error naming the path.
    bool reopen(const QString &path, QString *error = nullptr);
    QSqlDatabase connection() const;
    // True when the file at path() is no longer the one this object opened (a backup restored
    // over it, a sync tool's copy renamed into place, or it was removed): SQLite refuses every
    // write to a file moved away under it. False while closed.
    bool fileReplaced() const;

    // Transactions nest as savepoints: the outermost commit stores everything, an inner
    // rollback undoes only what ran since its own begin. Each throws DbError on failure;
    // commit or rollback without a begin is an error. Prefer the Transaction guard.
    void beginTransaction();
    void commit();
    void rollback();
    int transactionDepth() const { return m_transactionDepth; }

    // How long a statement waits for a lock another process holds before it fails (ms).
    static constexpr int kDefaultBusyTimeoutMs = 5000;
    int busyTimeout() const { return m_busyTimeoutMs; }
    void setBusyTimeout(int ms);

    // Runs one statement with bound parameters; returns the number of rows it changed.
    // Parameters are bound by their own type (no column to convert them for): pass a QDateTime
    // for a date and a number for money or counts, never their texts.
    int execute(const QString &sql, const QVariantList &params = {});

    // A whole-table cursor (seek on a named index, add and edit rows).
    std::unique_ptr<Recordset> openTable(const QString &table);
    // A cursor over the rows of a query. When updatableTable is given and the query returns
    // that table's key column, rows can be edited through it.
    std::unique_ptr<Recordset> openQuery(const QString &sql, const QVariantList &params = {},
                                         const QString &updatableTable = QString());

    struct NewColumn
    {
        QString name;
        ColumnKind kind = ColumnKind::Text;
        int size = 0;                // text length; informational for SQLite
        bool allowZeroLength = true; // false: an empty text is refused
        QVariant defaultValue;       // null = none
    };
    // Adds a column; throws DbError when the table is missing or the column exists already.
    void addColumn(const QString &table, const NewColumn &column);

    bool hasTable(const QString &table) const;
    bool hasColumn(const QString &table, const QString &column) const;
    QStringList columns(const QString &table) const;
    ColumnKind kindOf(const QString &column) const;
    // The table's key column (an "auto" column), empty when it has none.
    QString keyColumn(const QString &table) const;

    // "ok" from SQLite's integrity check, else its first complaint.
    QString integrityCheck();

    // Writes a compacted copy of the file at source into destination (which must not exist).
    // The copy is made owner-only and keeps no more of the owner's access than the source has.
    static bool compact(const QString &source, const QString &destination, QString *error = nullptr);

    // Converts a value for storage in a column of the given kind (throws on a type mismatch),
    // and a stored value back.
    static QVariant toStorage(const QVariant &value, ColumnKind kind);
    static QVariant fromStorage(const QVariant &value, ColumnKind kind);
    static QString dateText(const QDateTime &dt);

    static bool isIdentifier(const QString &name);
    // A table or column name for SQL text; throws DbError for anything but a plain name.
    static QString quoteIdentifier(const QString &name);

private:
    Database() = default;
    bool attach(const QString &path, QString *error);
    void disconnect() noexcept;
    // The open connection; throws DbError while the file is closed.
    QSqlDatabase liveConnection() const;
    // Throws DbDuplicateKey for a UNIQUE or PRIMARY KEY failure, else DbError.
    [[noreturn]] static void throwError(const QSqlError &error);
    void run(const QString &sql);
    void loadSchema();
    static ColumnKind kindFromDeclType(const QString &decl, bool isKey);

    QString m_path;
    QString m_connectionName;
    QHash<QString, ColumnKind> m_kinds;         // by lower-case column name
    QHash<QString, QStringList> m_tableColumns; // by lower-case table name
    QHash<QString, QString> m_tableKeys;        // by lower-case table name
    int m_transactionDepth = 0;
    int m_busyTimeoutMs = kDefaultBusyTimeoutMs;
    // The opened file's identity, taken right after the open.
    quint64 m_device = 0;
    quint64 m_inode = 0;

    friend class Recordset;
};
