#include "platform_gui/QtTreeGrid.h"

#include "platform_gui/GridItemDelegate.h"

#include <QDrag>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolTip>
#include <QTreeWidget>

// The events the grid reports, and the drag it begins.

void QtTreeGrid::makeVisible(qint32 row)
{
    flushPending();
    if (QTreeWidgetItem *it = item(row))
        m_tree->scrollToItem(it);
}

void QtTreeGrid::setDragPicture(const QString &picture)
{
    m_dragPicture = picture;
}

void QtTreeGrid::beginDrag()
{
    auto *drag = new QDrag(m_tree);
    auto *data = new QMimeData;
    data->setData(QLatin1String(kDragSourceMimeType), m_tree->objectName().toUtf8());
    drag->setMimeData(data);
    const QIcon icon = picture(m_dragPicture);
    if (!icon.isNull())
        drag->setPixmap(icon.pixmap(32, 32));
    drag->exec(Qt::MoveAction);
}

QRect QtTreeGrid::pictureRect(qint32 row, qint32 column) const
{
    QTreeWidgetItem *it = item(row);
    if (!it || !validColumn(column) || row >= m_tree->topLevelItemCount())
        return {};
    return m_delegate->pictureRect(m_tree, m_tree->indexFromItem(it, column));
}

void QtTreeGrid::hitTest(const QPoint &viewportPos, qint32 *row, qint32 *column, ClickArea *area) const
{
    const QModelIndex index = m_tree->indexAt(viewportPos);
    *row = index.isValid() ? index.row() : -1;
    *column = index.isValid() ? index.column() : m_tree->header()->logicalIndexAt(viewportPos.x());
    *area = index.isValid() && m_delegate->pictureRect(m_tree, index).contains(viewportPos) ? ClickArea::CellPicture
                                                                                            : ClickArea::Cell;
}

void QtTreeGrid::headerSectionClicked(int section)
{
    if (columnHeaderFlag(section))
        emit clicked(-1, section, ClickArea::ColumnHeader, Qt::LeftButton);
}

bool QtTreeGrid::eventFilter(QObject *watched, QEvent *event)
{
    // Compared by the pointers kept at the start: while the view is being destroyed its
    // children still send events here, and the view is no longer a QTreeView to ask.
    if (watched == m_headerViewport) {
        if (event->type() == QEvent::ToolTip) {
            auto *help = static_cast<QHelpEvent *>(event);
            const int section = m_tree->header()->logicalIndexAt(help->pos());
            if (section < 0 || !columnHeaderFlag(section))
                return false;
            QString text;
            emit headerToolTipRequested(section, &text);
            if (text.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), text, m_tree->header());
            return true;
        }
        return false;
    }
    if (watched != m_viewport)
        return false;
    if (event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        m_pressIndex = m_tree->indexAt(mouse->position().toPoint());
        m_pressButton = mouse->button();
    } else if (event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QModelIndex index = m_tree->indexAt(mouse->position().toPoint());
        if (index.isValid() && index == m_pressIndex && mouse->button() == m_pressButton) {
            qint32 row = -1, column = -1;
            ClickArea area = ClickArea::Cell;
            hitTest(mouse->position().toPoint(), &row, &column, &area);
            const Qt::MouseButton button = mouse->button();
            const QPersistentModelIndex clickedIndex(index);
            // Reported once the view has finished with the release: a handler may open a dialog.
            QMetaObject::invokeMethod(
                this,
                [this, clickedIndex, area, button] {
                    if (clickedIndex.isValid())
                        emit clicked(clickedIndex.row(), clickedIndex.column(), area, button);
                },
                Qt::QueuedConnection);
        }
        m_pressIndex = QPersistentModelIndex();
        m_pressButton = Qt::NoButton;
    }
    return false;
}
