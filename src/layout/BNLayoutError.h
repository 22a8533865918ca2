#pragma once

#include <QString>

#include <stdexcept>

// Raised by the resizing library to its caller.
class BNLayoutError : public std::runtime_error
{
public:
    enum Number
    {
        ControlFailed = 99999, // a control refused a new value
        DuplicateName = 457,   // a second entry under a name already registered
        UnknownName = 5,       // no entry registered under that name
    };

    BNLayoutError(Number number, const QString &controlName)
        : std::runtime_error(QStringLiteral("%1: %2").arg(int(number)).arg(controlName).toStdString()),
          m_number(number), m_controlName(controlName)
    {
    }

    Number number() const { return m_number; }
    QString controlName() const { return m_controlName; }

private:
    Number m_number;
    QString m_controlName;
};
