#pragma once

#include "layout/IResizable.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class QScreen;

// A widget seen by the resizers: its name and rectangle in twips. A window's width and height are
// its outer size. Pixels are converted here, at the edge, so the layout code stays in twips on
// any screen density.
class WidgetResizable : public IResizable
{
public:
    // twipsPerPixel 0 takes it from the widget's screen.
    explicit WidgetResizable(QWidget *widget, double twipsPerPixel = 0);

    // 1440 / the screen's logical dots per inch (15 on a 96 dpi screen).
    static double twipsPerPixel(const QScreen *screen);

    QWidget *widget() const { return m_widget; }
    // The name the resizers know it by, when its object name is not unique among them.
    void setName(const QString &name) { m_name = name; }
    // A window measured without the desktop's frame: the frame is unknown until the window is
    // shown and changes with the desktop, while the panes live inside.
    void setInnerSize(bool inner) { m_innerSize = inner; }
    double twipsPerPixel() const { return m_twipsPerPixel; }

    QString name() const override;
    double left() const override;
    double top() const override;
    double width() const override;
    double height() const override;

    // Refused for a widget that is gone, and for a negative width or height.
    bool setLeft(double value) override;
    bool setTop(double value) override;
    bool setWidth(double value) override;
    bool setHeight(double value) override;

private:
    enum Edge
    {
        Left,
        Top,
        Width,
        Height
    };

    int pixels(Edge edge) const;
    double read(Edge edge) const;
    bool write(Edge edge, double twips);

    QPointer<QWidget> m_widget;
    double m_twipsPerPixel;
    QString m_name;
    bool m_innerSize = false;
    // What was last written, so a value reads back exactly while the widget still has the pixels
    // it was given, and rounding to pixels does not creep into the layout.
    double m_written[4] = {};
    int m_writtenPixels[4] = {-1, -1, -1, -1};
    bool m_hasWritten[4] = {};
};
