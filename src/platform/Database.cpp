#include "platform/Database.h"

#include "platform/FileModes.h"
#include "platform/NameFolding.h"
#include "platform/Recordset.h"
#include "platform/Values.h"

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QAtomicInt g_connectionCounter;

QString sqlLiteral(const QVariant &v)
{
    if (v.isNull())
        return QStringLiteral("NULL");
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QString::number(v.toLongLong());
    case QMetaType::Double:
        return QString::number(v.toDouble(), 'g', 17);
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default: {
        QString s = v.toString();
        s.replace(QLatin1Char('\''), QLatin1String("''"));
        return QLatin1Char('\'') + s + QLatin1Char('\'');
    }
    }
}

} // namespace

Database::~Database()
{
    disconnect();
}

QString Database::quoteIdentifier(const QString &name)
{
    if (!isIdentifier(name))
        throw DbError(QStringLiteral("Invalid name: %1").arg(name));
    return QLatin1Char('"') + name + QLatin1Char('"');
}

bool Database::isIdentifier(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re.match(name).hasMatch();
}

std::unique_ptr<Database> Database::open(const QString &path, QString *error)
{
    std::unique_ptr<Database> self(new Database);
    if (!self->attach(path, error))
        return nullptr;
    return self;
}

bool Database::attach(const QString &path, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QFileInfo fi(path);
    if (!fi.exists())
        return fail(QStringLiteral("The database file \"%1\" does not exist.").arg(path));
    if (!fi.isFile() || !fi.isReadable() || !fi.isWritable())
        return fail(QStringLiteral("The database file \"%1\" cannot be opened for reading and writing.").arg(path));

    m_path = fi.absoluteFilePath();
    m_connectionName = QStringLiteral("zandrift-db-%1").arg(g_connectionCounter.fetchAndAddRelaxed(1));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        // mode=rw: never create a file in place of a missing one.
        QUrl url = QUrl::fromLocalFile(m_path);
        url.setQuery(QStringLiteral("mode=rw"));
        db.setDatabaseName(url.toString(QUrl::FullyEncoded));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kDefaultBusyTimeoutMs));
        if (!db.open())
            return fail(
                QStringLiteral("The database file \"%1\" cannot be opened: %2").arg(path, db.lastError().text()));
        if (!installNameFolding(db))
            return fail(QStringLiteral("The database file \"%1\" cannot be opened: the rule for program-user "
                                       "names cannot be added.")
                            .arg(path));
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
            return fail(
                QStringLiteral("The file \"%1\" is not a Zandrift database: %2").arg(path, q.lastError().text()));
        q.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
        q.exec(QStringLiteral("PRAGMA synchronous=FULL"));
        // Prove now that the file can be written where it lies (the journal is made beside it):
        // one write, rolled back. A folder the program cannot write fails here, not mid-work.
        // Another connection in the middle of a write proves it as well; it is not waited for.
        const QString version =
            q.exec(QStringLiteral("PRAGMA user_version")) && q.next() ? q.value(0).toString() : QStringLiteral("0");
        q.finish();
        q.exec(QStringLiteral("PRAGMA busy_timeout = 0"));
        const bool written = q.exec(QStringLiteral("BEGIN IMMEDIATE")) &&
                             q.exec(QStringLiteral("PRAGMA user_version = %1").arg(version.toLongLong()));
        const QSqlError probe = q.lastError();
        q.exec(QStringLiteral("ROLLBACK"));
        q.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(kDefaultBusyTimeoutMs));
        const bool busy = (probe.nativeErrorCode().toInt() & 0xff) == 5; // SQLITE_BUSY
        const QString why = probe.text();
        if (!written && !busy)
            return fail(QStringLiteral("The database file \"%1\" cannot be written: %2 (the file and its folder "
                                       "must both be writable).")
                            .arg(path, why));
    }
    try {
        loadSchema();
    } catch (const DbError &e) {
        return fail(QStringLiteral("The file \"%1\" is not a Zandrift database: %2").arg(path, e.message()));
    }
    struct stat st = {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0) {
        m_device = static_cast<quint64>(st.st_dev);
        m_inode = static_cast<quint64>(st.st_ino);
    }
    return true;
}

bool Database::fileReplaced() const
{
    if (m_connectionName.isEmpty() || !isOpen())
        return false;
    struct stat st = {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0)
        return true;
    return static_cast<quint64>(st.st_dev) != m_device || static_cast<quint64>(st.st_ino) != m_inode;
}

void Database::disconnect() noexcept
{
    if (m_connectionName.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName.clear();
    m_transactionDepth = 0;
}

void Database::close()
{
    if (m_transactionDepth > 0)
        throw DbError(QStringLiteral("The database cannot be closed inside a transaction."));
    disconnect();
}

bool Database::reopen(const QString &path, QString *error)
{
    if (m_transactionDepth > 0) {
        if (error)
            *error = QStringLiteral("The database cannot be reopened inside a transaction.");
        return false;
    }
    // The new connection must stand before the old one goes, so a failure changes nothing.
    Database fresh;
    if (!fresh.attach(path, error))
        return false;
    disconnect();
    std::swap(m_path, fresh.m_path);
    std::swap(m_connectionName, fresh.m_connectionName);
    std::swap(m_kinds, fresh.m_kinds);
    std::swap(m_tableColumns, fresh.m_tableColumns);
    std::swap(m_tableKeys, fresh.m_tableKeys);
    std::swap(m_device, fresh.m_device);
    std::swap(m_inode, fresh.m_inode);
    m_busyTimeoutMs = kDefaultBusyTimeoutMs; // the new connection starts with the default
    return true;
}

bool Database::isOpen() const
{
    return connection().isOpen();
}

QSqlDatabase Database::liveConnection() const
{
    QSqlDatabase db = connection();
    if (!db.isOpen())
        throw DbError(QStringLiteral("The database \"%1\" is closed.").arg(m_path));
    return db;
}

QSqlDatabase Database::connection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

ColumnKind Database::kindFromDeclType(const QString &decl, bool isKey)
{
    const QString d = decl.toUpper();
    if (isKey && d.startsWith(QLatin1String("INTEGER")))
        return ColumnKind::Auto;
    if (d.startsWith(QLatin1String("SMALLINT")))
        return ColumnKind::Int;
    if (d.startsWith(QLatin1String("INT")) || d.startsWith(QLatin1String("LONG")))
        return ColumnKind::Long;
    if (d.startsWith(QLatin1String("DATETIME")))
        return ColumnKind::Date;
    if (d.startsWith(QLatin1String("CURRENCY")))
        return ColumnKind::Money;
    if (d.startsWith(QLatin1String("BOOLEAN")))
        return ColumnKind::YesNo;
    if (d.startsWith(QLatin1String("TEXT")) || d.startsWith(QLatin1String("VARCHAR")))
        return ColumnKind::Text;
    return ColumnKind::Unknown;
}

void Database::loadSchema()
{
    m_kinds.clear();
    m_tableColumns.clear();
    m_tableKeys.clear();
    QSqlDatabase db = liveConnection();
    QSqlQuery tables(db);
    if (!tables.exec(
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'")))
        throwError(tables.lastError());
    QStringList names;
    while (tables.next())
        names << tables.value(0).toString();
    for (const QString &t : names) {
        QSqlQuery info(db);
        if (!info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(Database::quoteIdentifier(t))))
            throwError(info.lastError());
        QStringList cols;
        while (info.next()) {
            const QString col = info.value(1).toString();
            const bool pk = info.value(5).toInt() == 1;
            const ColumnKind kind = kindFromDeclType(info.value(2).toString(), pk);
            cols << col;
            m_kinds.insert(col.toLower(), kind);
            if (kind == ColumnKind::Auto)
                m_tableKeys.insert(t.toLower(), col);
        }
        m_tableColumns.insert(t.toLower(), cols);
    }
}

bool Database::hasTable(const QString &table) const
{
    return m_tableColumns.contains(table.toLower());
}

bool Database::hasColumn(const QString &table, const QString &column) const
{
    const QStringList cols = m_tableColumns.value(table.toLower());
    for (const QString &c : cols) {
        if (c.compare(column, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QStringList Database::columns(const QString &table) const
{
    return m_tableColumns.value(table.toLower());
}

ColumnKind Database::kindOf(const QString &column) const
{
    return m_kinds.value(column.toLower(), ColumnKind::Unknown);
}

QString Database::keyColumn(const QString &table) const
{
    return m_tableKeys.value(table.toLower());
}

QString Database::dateText(const QDateTime &dt)
{
    return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QVariant Database::toStorage(const QVariant &value, ColumnKind kind)
{
    if (value.isNull() || !value.isValid())
        return QVariant();
    const int type = value.typeId();
    const bool isText = type == QMetaType::QString;
    auto number = [&]() -> double {
        if (isText) {
            bool ok = false;
            const double d = Values::toNumber(value.toString(), &ok);
            if (!ok)
                throw DbError(QStringLiteral("Type mismatch: \"%1\" is not a number.").arg(value.toString()));
            return d;
        }
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (!ok || !std::isfinite(d))
            throw DbError(QStringLiteral("Type mismatch: not a number."));
        return d;
    };
    switch (kind) {
    case ColumnKind::Auto:
    case ColumnKind::Long:
    case ColumnKind::Int: {
        if (type == QMetaType::Bool)
            return value.toBool() ? -1 : 0;
        const double d = number();
        const double r = std::nearbyint(d);
        const double limit = kind == ColumnKind::Int ? 32767.0 : 2147483647.0;
        if (r > limit || r < -limit - 1)
            throw DbError(QStringLiteral("Overflow: %1 does not fit the column.").arg(d));
        return static_cast<qlonglong>(r);
    }
    case ColumnKind::Money:
        return std::round(number() * 10000.0) / 10000.0;
    case ColumnKind::YesNo:
        if (isText) {
            const QString s = value.toString().trimmed();
            if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
                return 1;
            if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
                return 0;
            return number() != 0 ? 1 : 0;
        }
        return value.toBool() ? 1 : 0;
    case ColumnKind::Date: {
        QDateTime dt;
        if (type == QMetaType::QDateTime)
            dt = value.toDateTime();
        else if (type == QMetaType::QDate)
            dt = QDateTime(value.toDate(), QTime(0, 0));
        else if (isText)
            dt = Values::toDate(value.toString());
        if (!dt.isValid())
            throw DbError(QStringLiteral("Type mismatch: \"%1\" is not a date.").arg(value.toString()));
        return dateText(dt);
    }
    case ColumnKind::Text:
        return value.toString();
    case ColumnKind::Unknown:
        break;
    }
    if (type == QMetaType::QDateTime)
        return dateText(value.toDateTime());
    if (type == QMetaType::QDate)
        return dateText(QDateTime(value.toDate(), QTime(0, 0)));
    if (type == QMetaType::Bool)
        return value.toBool() ? 1 : 0;
    return value;
}

QVariant Database::fromStorage(const QVariant &value, ColumnKind kind)
{
    if (value.isNull() || !value.isValid())
        return QVariant();
    switch (kind) {
    case ColumnKind::Auto:
    case ColumnKind::Long:
        return value.toLongLong();
    case ColumnKind::Int:
        return value.toInt();
    case ColumnKind::Money:
        return value.toDouble();
    case ColumnKind::YesNo:
        return value.toLongLong() != 0;
    case ColumnKind::Date: {
        const QString s = value.toString();
        QDateTime dt = Values::toDate(s);
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    case ColumnKind::Text:
        return value.toString();
    case ColumnKind::Unknown:
        break;
    }
    return value;
}

namespace {
void bindAll(QSqlQuery &q, const QVariantList &params)
{
    for (int i = 0; i < params.size(); ++i)
        q.bindValue(i, Database::toStorage(params[i], ColumnKind::Unknown));
}
} // namespace

void Database::setBusyTimeout(int ms)
{
    if (ms == m_busyTimeoutMs || !isOpen())
        return;
    QSqlQuery q(connection());
    if (q.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(qMax(0, ms))))
        m_busyTimeoutMs = ms;
}

int Database::execute(const QString &sql, const QVariantList &params)
{
    QSqlQuery q(liveConnection());
    if (!q.prepare(sql))
        Database::throwError(q.lastError());
    bindAll(q, params);
    if (!q.exec())
        Database::throwError(q.lastError());
    return q.numRowsAffected();
}

std::unique_ptr<Recordset> Database::openTable(const QString &table)
{
    if (!hasTable(table))
        throw DbError(QStringLiteral("The table \"%1\" does not exist.").arg(table));
    std::unique_ptr<Recordset> rs(new Recordset(this));
    rs->m_isTable = true;
    rs->m_table = table;
    rs->m_keyColumn = keyColumn(table);
    rs->m_columns = columns(table);
    return rs;
}

std::unique_ptr<Recordset> Database::openQuery(const QString &sql, const QVariantList &params,
                                               const QString &updatableTable)
{
    QSqlQuery q(liveConnection());
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        Database::throwError(q.lastError());
    bindAll(q, params);
    if (!q.exec())
        Database::throwError(q.lastError());
    std::unique_ptr<Recordset> rs(new Recordset(this));
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i) {
        rs->m_columns << rec.fieldName(i);
        rs->m_columnIndex.insert(rec.fieldName(i).toLower(), i);
    }
    while (q.next()) {
        QVector<QVariant> row(rec.count());
        for (int i = 0; i < rec.count(); ++i)
            row[i] = q.value(i);
        rs->m_rows.push_back(std::move(row));
    }
    if (!updatableTable.isEmpty()) {
        rs->m_table = updatableTable;
        rs->m_keyColumn = keyColumn(updatableTable);
    }
    rs->m_loaded = true;
    return rs;
}

void Database::addColumn(const QString &table, const NewColumn &column)
{
    if (!hasTable(table))
        throw DbError(QStringLiteral("The table \"%1\" does not exist.").arg(table));
    if (hasColumn(table, column.name))
        throw DbError(QStringLiteral("The column \"%1\" already exists in \"%2\".").arg(column.name, table));
    QString type;
    switch (column.kind) {
    case ColumnKind::Text:
        type = column.size > 0 ? QStringLiteral("VARCHAR(%1)").arg(column.size) : QStringLiteral("TEXT");
        break;
    case ColumnKind::Long:
        type = QStringLiteral("INTEGER");
        break;
    case ColumnKind::Int:
        type = QStringLiteral("SMALLINT");
        break;
    case ColumnKind::Date:
        type = QStringLiteral("DATETIME");
        break;
    case ColumnKind::Money:
        type = QStringLiteral("CURRENCY");
        break;
    case ColumnKind::YesNo:
        type = QStringLiteral("BOOLEAN");
        break;
    default:
        throw DbError(QStringLiteral("Unsupported column type for \"%1\".").arg(column.name));
    }
    QString sql = QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                      .arg(Database::quoteIdentifier(table), Database::quoteIdentifier(column.name), type);
    if (!column.defaultValue.isNull())
        sql += QStringLiteral(" DEFAULT ") + sqlLiteral(column.defaultValue);
    if (column.kind == ColumnKind::Text && !column.allowZeroLength)
        sql += QStringLiteral(" CHECK (%1 <> '')").arg(Database::quoteIdentifier(column.name));
    QSqlQuery q(liveConnection());
    if (!q.exec(sql))
        Database::throwError(q.lastError());
    loadSchema();
}

QString Database::integrityCheck()
{
    QSqlQuery q(liveConnection());
    if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next())
        return q.lastError().text();
    return q.value(0).toString();
}

bool Database::compact(const QString &source, const QString &destination, QString *error)
{
    if (QFileInfo::exists(destination)) {
        if (error)
            *error = QStringLiteral("The file \"%1\" already exists.").arg(destination);
        return false;
    }
    auto db = open(source, error);
    if (!db)
        return false;
    // Made before SQLite writes into it (it takes an empty file), so the rows are never in a
    // file that others can read.
    if (!file_modes::createOwnerOnly(destination, error))
        return false;
    QSqlQuery q(db->connection());
    if (!q.prepare(QStringLiteral("VACUUM INTO ?"))) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    q.bindValue(0, destination);
    if (!q.exec()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    // The copy will be renamed over the database: it must be on the disk first.
    QFile copy(destination);
    if (!copy.open(QIODevice::ReadWrite) || ::fsync(copy.handle()) != 0) {
        if (error)
            *error = QStringLiteral("The file \"%1\" could not be written to the disk.").arg(destination);
        return false;
    }
    return file_modes::copyOwnerAccess(source, destination, error);
}

void Database::throwError(const QSqlError &error)
{
    // SQLite's extended result codes: SQLITE_CONSTRAINT_PRIMARYKEY and SQLITE_CONSTRAINT_UNIQUE.
    const QString code = error.nativeErrorCode();
    if (code == QLatin1String("1555") || code == QLatin1String("2067"))
        throw DbDuplicateKey(error.text());
    throw DbError(error.text());
}

void Database::run(const QString &sql)
{
    QSqlQuery q(liveConnection());
    if (!q.exec(sql))
        throwError(q.lastError());
}

void Database::beginTransaction()
{
    run(m_transactionDepth == 0 ? QStringLiteral("BEGIN IMMEDIATE")
                                : QStringLiteral("SAVEPOINT zd%1").arg(m_transactionDepth));
    ++m_transactionDepth;
}

void Database::commit()
{
    if (m_transactionDepth == 0)
        throw DbError(QStringLiteral("Commit without a transaction."));
    // A failed commit leaves the depth as it was, so the caller's rollback still ends it.
    run(m_transactionDepth == 1 ? QStringLiteral("COMMIT")
                                : QStringLiteral("RELEASE zd%1").arg(m_transactionDepth - 1));
    --m_transactionDepth;
}

void Database::rollback()
{
    if (m_transactionDepth == 0)
        throw DbError(QStringLiteral("Rollback without a transaction."));
    const int level = --m_transactionDepth;
    if (level == 0) {
        QSqlQuery q(liveConnection());
        // SQLite may have rolled the whole transaction back itself after an I/O or full-disk error.
        if (!q.exec(QStringLiteral("ROLLBACK")) &&
            !q.lastError().text().contains(QLatin1String("no transaction is active")))
            throwError(q.lastError());
        return;
    }
    run(QStringLiteral("ROLLBACK TO zd%1").arg(level));
    run(QStringLiteral("RELEASE zd%1").arg(level));
}
