#pragma once

#include "layout/IResizable.h"

#include <QRectF>
#include <QStringList>

#include <functional>
#include <stdexcept>

// A plain object with a name and a rectangle. It can refuse values (by returning false or by
// throwing), logs every write, and can call back into the library from a write, as a window's
// resize notification does.
class FakeResizable : public IResizable
{
public:
    FakeResizable(const QString &name, double left, double top, double width, double height)
        : rect(left, top, width, height), m_name(name)
    {
    }

    QRectF rect;
    std::function<bool(char property, double value)> refuse; // refuses when it returns true
    bool throwOnRefusal = false;
    std::function<void(char property)> afterWrite;
    QStringList writes; // "W=1200"

    QString name() const override { return m_name; }
    double left() const override { return rect.x(); }
    double top() const override { return rect.y(); }
    double width() const override { return rect.width(); }
    double height() const override { return rect.height(); }

    bool setLeft(double v) override
    {
        return set('L', v, [&] { rect.moveLeft(v); });
    }
    bool setTop(double v) override
    {
        return set('T', v, [&] { rect.moveTop(v); });
    }
    bool setWidth(double v) override
    {
        return set('W', v, [&] { rect.setWidth(v); });
    }
    bool setHeight(double v) override
    {
        return set('H', v, [&] { rect.setHeight(v); });
    }

private:
    bool set(char property, double value, const std::function<void()> &apply)
    {
        writes << QStringLiteral("%1=%2").arg(property).arg(value);
        if (refuse && refuse(property, value)) {
            if (throwOnRefusal)
                throw std::runtime_error("invalid property value");
            return false;
        }
        apply();
        if (afterWrite)
            afterWrite(property);
        return true;
    }

    QString m_name;
};
