#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class Database;
enum class ColumnKind;

// A cursor over rows: either a whole table (navigable in the order of a named index, with
// seek) or the rows of a query. Rows are added with addNew()/update() and changed with
// edit()/update(); values are read and written by column name.
class Recordset
{
public:
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    bool isTable() const { return m_isTable; }

    // Non-zero as soon as one row exists.
    int recordCount();
    bool eof();
    bool bof();
    void moveFirst();
    void moveNext();
    void moveLast();

    // Table cursors: "PrimaryKey" (the key column) or the name of an index of one column.
    void setIndex(const QString &indexName);
    // Positions on the first row whose index column compares to key ("=", ">=", ">", "<=", "<").
    bool seek(const QString &comparison, const QVariant &key);
    bool noMatch() const { return m_noMatch; }

    QVariant value(const QString &column);
    bool isNull(const QString &column) { return value(column).isNull(); }
    void setValue(const QString &column, const QVariant &value);
    QStringList fieldNames();

    void addNew();
    void edit();
    void update();
    void cancelUpdate();
    void deleteCurrent();
    // Key of the row the last update() inserted.
    qint64 lastInsertedKey() const { return m_lastInsertedKey; }

private:
    friend class Database;
    explicit Recordset(Database *db) : m_db(db) {}

    enum class EditMode
    {
        None,
        Add,
        Edit
    };

    // A column as the caller names it: folded and its kind looked up once per cursor, for a
    // walk over thousands of rows reads the same few names again and again.
    struct Field
    {
        QString folded;
        ColumnKind kind;
        int index; // query cursors: the column's place in a row, -1 when there is no such column
    };
    const Field &field(const QString &column);

    void ensureRows();
    void loadCurrent();
    void requireCurrent() const;
    qint64 currentRowId() const;

    Database *m_db;
    bool m_isTable = false;
    QString m_table;
    QString m_keyColumn; // table cursors: the rowid alias; queries: the updatable table's key
    QString m_indexColumn;

    // Table cursors keep the row ids in index order and read the current row on demand.
    bool m_loaded = false;
    QVector<qint64> m_rowIds;
    QStringList m_columns;
    QHash<QString, QVariant> m_current; // lower-case column -> stored value
    qint64 m_currentLoadedId = -1;

    // Query cursors hold their rows.
    QVector<QVector<QVariant>> m_rows;
    QHash<QString, int> m_columnIndex;
    QHash<QString, Field> m_fields; // by the name as the caller wrote it

    int m_pos = 0;
    bool m_currentDeleted = false; // the row at m_pos was deleted: the next move stays put
    bool m_noMatch = false;
    EditMode m_mode = EditMode::None;
    QHash<QString, QVariant> m_buffer; // lower-case column -> value to write
    QHash<QString, QString> m_bufferNames;
    qint64 m_lastInsertedKey = 0;
};
