#include "FormData.h"

#include <QList>

FormData::FormData(const QByteArray &encoded)
{
    for (const QByteArray &part : encoded.split('&')) {
        if (part.isEmpty())
            continue;
        const int eq = part.indexOf('=');
        if (eq < 0)
            m_fields.emplace_back(decode(part), QString());
        else
            m_fields.emplace_back(decode(part.left(eq)), decode(part.mid(eq + 1)));
    }
}

bool FormData::has(const QString &name) const
{
    for (const auto &f : m_fields) {
        if (f.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString FormData::value(const QString &name) const
{
    for (const auto &f : m_fields) {
        if (f.first.compare(name, Qt::CaseInsensitive) == 0)
            return f.second;
    }
    return QString();
}

QString FormData::decode(const QByteArray &part)
{
    QByteArray bytes = part;
    bytes.replace('+', ' ');
    return QString::fromUtf8(QByteArray::fromPercentEncoding(bytes));
}
