#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Fields of a URL-encoded form body or query text ("a=1&b=x%26y"), decoded: "+" is a blank,
// "%hh" a byte, the bytes UTF-8. A field without "=" has an empty value.
class FormData
{
public:
    FormData() = default;
    explicit FormData(const QByteArray &encoded);

    bool has(const QString &name) const;
    // The first value of the field, empty when absent. Names compare without regard to case.
    QString value(const QString &name) const;
    // The first field of the text as given: "ViewItem" in "ViewItem&item=1".
    QString firstName() const { return m_fields.empty() ? QString() : m_fields.front().first; }

    static QString decode(const QByteArray &part);

private:
    std::vector<std::pair<QString, QString>> m_fields;
};
