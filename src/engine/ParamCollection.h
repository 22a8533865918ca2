#pragma once

#include <QHash>
#include <QList>
#include <QString>

// The records of a split data file: values under keys that compare without regard to case, in
// file order, plus the records without a key (comments, empty lines), which are never looked up.
class ParamCollection
{
public:
    // False, and nothing stored, when the key is already present.
    bool add(const QString &key, const QString &value);
    void addUnkeyed(const QString &value);

    bool contains(const QString &key) const;
    // The value under the key; false when there is none.
    bool lookup(const QString &key, QString *value) const;
    QString value(const QString &key) const;

    qsizetype count() const { return m_values.size(); }
    qsizetype keyedCount() const { return m_index.size(); }
    void clear();

private:
    QList<QString> m_values;
    QHash<QString, qsizetype> m_index;
};
