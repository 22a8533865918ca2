#include "platform/Recordset.h"

#include "platform/Database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

void Recordset::ensureRows()
{
    if (!m_isTable || m_loaded)
        return;
    const QString order = m_indexColumn.isEmpty()
                              ? QStringLiteral("rowid")
                              : Database::quoteIdentifier(m_indexColumn) + QStringLiteral(", rowid");
    QSqlQuery q(m_db->liveConnection());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT rowid FROM %1 ORDER BY %2").arg(Database::quoteIdentifier(m_table), order)))
        Database::throwError(q.lastError());
    m_rowIds.clear();
    while (q.next())
        m_rowIds.push_back(q.value(0).toLongLong());
    m_loaded = true;
    m_currentLoadedId = -1;
}

int Recordset::recordCount()
{
    if (!m_isTable)
        return m_rows.size();
    ensureRows();
    return m_rowIds.size();
}

bool Recordset::eof()
{
    ensureRows();
    return m_pos >= (m_isTable ? m_rowIds.size() : m_rows.size());
}

bool Recordset::bof()
{
    ensureRows();
    return m_pos < 0 || recordCount() == 0;
}

// A move abandons an unsaved edit, so a later update cannot write it to another row.
void Recordset::moveFirst()
{
    cancelUpdate();
    ensureRows();
    m_pos = 0;
    m_currentDeleted = false;
}

void Recordset::moveNext()
{
    cancelUpdate();
    if (m_currentDeleted) {
        // The row after a deleted one already stands at its position.
        m_currentDeleted = false;
        return;
    }
    if (eof())
        throw DbError(QStringLiteral("No current record."));
    ++m_pos;
}

void Recordset::moveLast()
{
    cancelUpdate();
    ensureRows();
    m_pos = qMax(0, recordCount() - 1);
    m_currentDeleted = false;
}

void Recordset::setIndex(const QString &indexName)
{
    if (!m_isTable)
        throw DbError(QStringLiteral("Only a table cursor has an index."));
    QString column;
    if (indexName.compare(QLatin1String("PrimaryKey"), Qt::CaseInsensitive) == 0) {
        column = m_keyColumn;
    } else {
        // A named index of one column; its column is what the cursor walks by.
        QSqlQuery q(m_db->liveConnection());
        if (!q.prepare(QStringLiteral("SELECT name FROM pragma_index_info(?)")))
            Database::throwError(q.lastError());
        q.bindValue(0, indexName);
        if (q.exec() && q.next())
            column = q.value(0).toString();
    }
    if (column.isEmpty())
        throw DbError(QStringLiteral("\"%1\" is not an index of \"%2\".").arg(indexName, m_table));
    m_indexColumn = column;
    m_loaded = false;
    m_pos = 0;
}

bool Recordset::seek(const QString &comparison, const QVariant &key)
{
    if (!m_isTable || m_indexColumn.isEmpty())
        throw DbError(QStringLiteral("Seek needs a table cursor with an index."));
    static const QStringList ops = {QStringLiteral("="), QStringLiteral(">="), QStringLiteral(">"),
                                    QStringLiteral("<="), QStringLiteral("<")};
    if (!ops.contains(comparison))
        throw DbError(QStringLiteral("Invalid seek comparison \"%1\".").arg(comparison));
    cancelUpdate();
    ensureRows();
    m_currentDeleted = false;
    const bool descending = comparison.startsWith(QLatin1Char('<'));
    QSqlQuery q(m_db->liveConnection());
    const QString col = Database::quoteIdentifier(m_indexColumn);
    q.prepare(QStringLiteral("SELECT rowid FROM %1 WHERE %2 %3 ? ORDER BY %2 %4, rowid LIMIT 1")
                  .arg(Database::quoteIdentifier(m_table), col, comparison,
                       descending ? QStringLiteral("DESC") : QStringLiteral("ASC")));
    q.bindValue(0, Database::toStorage(key, m_db->kindOf(m_indexColumn)));
    if (!q.exec())
        Database::throwError(q.lastError());
    m_noMatch = !q.next();
    if (m_noMatch) {
        m_pos = m_rowIds.size();
        return false;
    }
    const qint64 id = q.value(0).toLongLong();
    m_pos = m_rowIds.indexOf(id);
    if (m_pos < 0) {
        m_loaded = false;
        ensureRows();
        m_pos = m_rowIds.indexOf(id);
    }
    return m_pos >= 0;
}

void Recordset::requireCurrent() const
{
    if (m_currentDeleted)
        throw DbError(QStringLiteral("Record is deleted."));
    const int n = m_isTable ? m_rowIds.size() : m_rows.size();
    if (m_pos < 0 || m_pos >= n)
        throw DbError(QStringLiteral("No current record."));
}

qint64 Recordset::currentRowId() const
{
    requireCurrent();
    return m_rowIds[m_pos];
}

void Recordset::loadCurrent()
{
    ensureRows();
    const qint64 id = currentRowId();
    if (id == m_currentLoadedId)
        return;
    QSqlQuery q(m_db->liveConnection());
    q.prepare(QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(Database::quoteIdentifier(m_table)));
    q.bindValue(0, id);
    if (!q.exec())
        Database::throwError(q.lastError());
    if (!q.next())
        throw DbError(QStringLiteral("Record is deleted."));
    m_current.clear();
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i)
        m_current.insert(rec.fieldName(i).toLower(), q.value(i));
    m_currentLoadedId = id;
}

QStringList Recordset::fieldNames()
{
    return m_columns;
}

const Recordset::Field &Recordset::field(const QString &column)
{
    auto it = m_fields.constFind(column);
    if (it != m_fields.constEnd())
        return *it;
    const QString folded = column.toLower();
    return *m_fields.insert(column, Field{folded, m_db->kindOf(folded), m_columnIndex.value(folded, -1)});
}

QVariant Recordset::value(const QString &column)
{
    const Field &f = field(column);
    if (m_mode != EditMode::None) {
        auto buffered = m_buffer.constFind(f.folded);
        if (buffered != m_buffer.constEnd())
            return Database::fromStorage(*buffered, f.kind);
    }
    if (m_mode == EditMode::Add)
        return QVariant();
    if (m_isTable) {
        loadCurrent();
        auto it = m_current.constFind(f.folded);
        if (it == m_current.constEnd())
            throw DbError(QStringLiteral("Item not found in this collection: %1").arg(column));
        return Database::fromStorage(*it, f.kind);
    }
    requireCurrent();
    if (f.index < 0)
        throw DbError(QStringLiteral("Item not found in this collection: %1").arg(column));
    return Database::fromStorage(m_rows[m_pos][f.index], f.kind);
}

void Recordset::setValue(const QString &column, const QVariant &value)
{
    if (m_mode == EditMode::None)
        throw DbError(QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    const QString table = m_table;
    if (!m_db->hasColumn(table, column))
        throw DbError(QStringLiteral("Item not found in this collection: %1").arg(column));
    const ColumnKind kind = m_db->kindOf(column);
    if (kind == ColumnKind::Auto)
        throw DbError(QStringLiteral("Field \"%1\" cannot be updated.").arg(column));
    m_buffer.insert(column.toLower(), Database::toStorage(value, kind));
    m_bufferNames.insert(column.toLower(), column);
}

void Recordset::addNew()
{
    if (m_table.isEmpty())
        throw DbError(QStringLiteral("The cursor is not updatable."));
    m_mode = EditMode::Add;
    m_buffer.clear();
    m_bufferNames.clear();
}

void Recordset::edit()
{
    if (m_table.isEmpty() || (!m_isTable && m_keyColumn.isEmpty()))
        throw DbError(QStringLiteral("The cursor is not updatable."));
    if (m_isTable)
        loadCurrent();
    else
        requireCurrent();
    m_mode = EditMode::Edit;
    m_buffer.clear();
    m_bufferNames.clear();
}

void Recordset::cancelUpdate()
{
    m_mode = EditMode::None;
    m_buffer.clear();
    m_bufferNames.clear();
}

void Recordset::update()
{
    if (m_mode == EditMode::None)
        throw DbError(QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    QStringList cols;
    QVariantList vals;
    for (auto it = m_bufferNames.constBegin(); it != m_bufferNames.constEnd(); ++it) {
        cols << Database::quoteIdentifier(it.value());
        vals << m_buffer.value(it.key());
    }
    QSqlQuery q(m_db->liveConnection());
    if (m_mode == EditMode::Add) {
        QString sql;
        if (cols.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(Database::quoteIdentifier(m_table));
        } else {
            QStringList marks;
            for (int i = 0; i < cols.size(); ++i)
                marks << QStringLiteral("?");
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(Database::quoteIdentifier(m_table), cols.join(QLatin1String(", ")),
                           marks.join(QLatin1String(", ")));
        }
        if (!q.prepare(sql))
            Database::throwError(q.lastError());
        for (int i = 0; i < vals.size(); ++i)
            q.bindValue(i, vals[i]);
        if (!q.exec())
            Database::throwError(q.lastError());
        m_lastInsertedKey = q.lastInsertId().toLongLong();
        if (m_isTable && m_loaded) {
            // The new row joins the walk at its index position; the current row stays current.
            const int n = m_rowIds.size();
            const qint64 current = (m_pos >= 0 && m_pos < n && !m_currentDeleted) ? m_rowIds[m_pos] : -1;
            m_loaded = false;
            ensureRows();
            if (current >= 0)
                m_pos = m_rowIds.indexOf(current);
        }
    } else if (!cols.isEmpty()) {
        QStringList sets;
        for (const QString &c : cols)
            sets << c + QStringLiteral(" = ?");
        qint64 id;
        QString where;
        if (m_isTable) {
            id = currentRowId();
            where = QStringLiteral("rowid");
        } else {
            requireCurrent();
            const auto idx = m_columnIndex.constFind(m_keyColumn.toLower());
            if (idx == m_columnIndex.constEnd())
                throw DbError(QStringLiteral("The cursor is not updatable."));
            id = m_rows[m_pos][*idx].toLongLong();
            where = Database::quoteIdentifier(m_keyColumn);
        }
        if (!q.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                           .arg(Database::quoteIdentifier(m_table), sets.join(QLatin1String(", ")), where)))
            Database::throwError(q.lastError());
        int i = 0;
        for (; i < vals.size(); ++i)
            q.bindValue(i, vals[i]);
        q.bindValue(i, id);
        if (!q.exec())
            Database::throwError(q.lastError());
        if (m_isTable) {
            m_currentLoadedId = -1;
        } else {
            for (auto it = m_buffer.constBegin(); it != m_buffer.constEnd(); ++it) {
                const auto idx = m_columnIndex.constFind(it.key());
                if (idx != m_columnIndex.constEnd())
                    m_rows[m_pos][*idx] = it.value();
            }
        }
    }
    cancelUpdate();
}

void Recordset::deleteCurrent()
{
    if (!m_isTable)
        throw DbError(QStringLiteral("Only a table cursor deletes rows."));
    const qint64 id = currentRowId();
    QSqlQuery q(m_db->liveConnection());
    q.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(Database::quoteIdentifier(m_table)));
    q.bindValue(0, id);
    if (!q.exec())
        Database::throwError(q.lastError());
    m_rowIds.remove(m_pos);
    m_currentLoadedId = -1;
    m_currentDeleted = true;
}
