#pragma once

#include <QWidget>

// A splitter's grip: a thin bar that only reports the mouse. The window decides where the bar
// may go and moves the panes; positions are the pointer's within the grip, in pixels.
class SplitterGrip : public QWidget
{
    Q_OBJECT
public:
    SplitterGrip(Qt::Orientation orientation, QWidget *parent = nullptr);

signals:
    void pressed(const QPoint &pos);
    // buttonHeld: a mouse button is down (a drag) or not (a hover).
    void moved(const QPoint &pos, bool buttonHeld);
    void released(const QPoint &pos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
