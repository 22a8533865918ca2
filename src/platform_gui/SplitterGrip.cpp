#include "platform_gui/SplitterGrip.h"

#include <QMouseEvent>

SplitterGrip::SplitterGrip(Qt::Orientation orientation, QWidget *parent) : QWidget(parent)
{
    setCursor(orientation == Qt::Horizontal ? Qt::SplitVCursor : Qt::SplitHCursor);
    // Hovering with no button held must reach us too: it hides a bar left from a lost release.
    setMouseTracking(true);
}

void SplitterGrip::mousePressEvent(QMouseEvent *event)
{
    emit pressed(event->position().toPoint());
    event->accept();
}

void SplitterGrip::mouseMoveEvent(QMouseEvent *event)
{
    emit moved(event->position().toPoint(), event->buttons() != Qt::NoButton);
    event->accept();
}

void SplitterGrip::mouseReleaseEvent(QMouseEvent *event)
{
    emit released(event->position().toPoint());
    event->accept();
}
