#include "engine/ParamCollection.h"

bool ParamCollection::add(const QString &key, const QString &value)
{
    const QString folded = key.toCaseFolded();
    if (m_index.contains(folded))
        return false;
    m_index.insert(folded, m_values.size());
    m_values.append(value);
    return true;
}

void ParamCollection::addUnkeyed(const QString &value)
{
    m_values.append(value);
}

bool ParamCollection::contains(const QString &key) const
{
    return m_index.contains(key.toCaseFolded());
}

bool ParamCollection::lookup(const QString &key, QString *value) const
{
    const auto it = m_index.constFind(key.toCaseFolded());
    if (it == m_index.constEnd())
        return false;
    if (value)
        *value = m_values.at(*it);
    return true;
}

QString ParamCollection::value(const QString &key) const
{
    QString v;
    lookup(key, &v);
    return v;
}

void ParamCollection::clear()
{
    m_values.clear();
    m_index.clear();
}
