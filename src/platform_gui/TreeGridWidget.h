#pragma once

#include <QTreeWidget>

// A QTreeWidget whose drags the program starts itself: Qt's own drag of the selected items is
// replaced by a signal, and the handler begins the drag it wants (QtTreeGrid::beginDrag).
class TreeGridWidget : public QTreeWidget
{
    Q_OBJECT
public:
    explicit TreeGridWidget(QWidget *parent = nullptr);

signals:
    void dragStartRequested();

protected:
    void startDrag(Qt::DropActions supportedActions) override;
};
