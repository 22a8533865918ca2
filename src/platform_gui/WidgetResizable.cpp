#include "platform_gui/WidgetResizable.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

WidgetResizable::WidgetResizable(QWidget *widget, double twipsPerPixel)
    : m_widget(widget), m_twipsPerPixel(twipsPerPixel)
{
    if (m_twipsPerPixel <= 0) {
        const QScreen *screen = widget && widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
        m_twipsPerPixel = WidgetResizable::twipsPerPixel(screen);
    }
}

double WidgetResizable::twipsPerPixel(const QScreen *screen)
{
    const double dpi = screen ? screen->logicalDotsPerInch() : 0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

QString WidgetResizable::name() const
{
    if (!m_name.isEmpty())
        return m_name;
    return m_widget ? m_widget->objectName() : QString();
}

int WidgetResizable::pixels(Edge edge) const
{
    // A window's position is its frame's; its size is the outer one unless measured inside.
    const QRect r = !m_widget->isWindow() ? m_widget->geometry()
                    : m_innerSize         ? QRect(m_widget->pos(), m_widget->size())
                                          : m_widget->frameGeometry();
    switch (edge) {
    case Left:
        return r.x();
    case Top:
        return r.y();
    case Width:
        return r.width();
    case Height:
        return r.height();
    }
    return 0;
}

double WidgetResizable::read(Edge edge) const
{
    if (!m_widget)
        return 0;
    const int px = pixels(edge);
    if (m_hasWritten[edge] && m_writtenPixels[edge] == px)
        return m_written[edge];
    return px * m_twipsPerPixel;
}

bool WidgetResizable::write(Edge edge, double twips)
{
    if (!m_widget || std::isnan(twips) || ((edge == Width || edge == Height) && twips < 0))
        return false;
    const int px = int(std::lround(twips / m_twipsPerPixel));
    if (edge == Left || edge == Top) {
        const QPoint at = m_widget->pos();
        m_widget->move(edge == Left ? px : at.x(), edge == Top ? px : at.y());
    } else {
        // resize() takes the inner size: take the frame off a window's outer size.
        const QSize frame =
            m_widget->isWindow() && !m_innerSize ? m_widget->frameGeometry().size() - m_widget->size() : QSize(0, 0);
        const QSize inner = m_widget->size();
        if (edge == Width)
            m_widget->resize(qMax(0, px - frame.width()), inner.height());
        else
            m_widget->resize(inner.width(), qMax(0, px - frame.height()));
    }
    if (!m_widget) // a resize notification may have closed it
        return false;
    // Kept only when the widget took the pixels asked for (a minimum size may hold it back).
    m_written[edge] = twips;
    m_writtenPixels[edge] = px;
    m_hasWritten[edge] = pixels(edge) == px;
    return true;
}

double WidgetResizable::left() const
{
    return read(Left);
}
double WidgetResizable::top() const
{
    return read(Top);
}
double WidgetResizable::width() const
{
    return read(Width);
}
double WidgetResizable::height() const
{
    return read(Height);
}
bool WidgetResizable::setLeft(double value)
{
    return write(Left, value);
}
bool WidgetResizable::setTop(double value)
{
    return write(Top, value);
}
bool WidgetResizable::setWidth(double value)
{
    return write(Width, value);
}
bool WidgetResizable::setHeight(double value)
{
    return write(Height, value);
}
