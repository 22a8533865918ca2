#include "platform_gui/TreeGridWidget.h"

TreeGridWidget::TreeGridWidget(QWidget *parent) : QTreeWidget(parent)
{
    // Qt keeps a multiple selection on a press inside it only while dragging is enabled.
    setDragDropMode(QAbstractItemView::DragOnly);
}

void TreeGridWidget::startDrag(Qt::DropActions)
{
    emit dragStartRequested();
}
