#pragma once

#include <QString>

// Anything the resizers can move: a name and a rectangle in twips. A setter refuses a value by
// returning false or by throwing; the resizers then put every control back.
class IResizable
{
public:
    virtual ~IResizable() = default;

    virtual QString name() const = 0;
    virtual double left() const = 0;
    virtual double top() const = 0;
    virtual double width() const = 0;
    virtual double height() const = 0;

    virtual bool setLeft(double value) = 0;
    virtual bool setTop(double value) = 0;
    virtual bool setWidth(double value) = 0;
    virtual bool setHeight(double value) = 0;
};
