#include "platform_gui/FolderTreeWidget.h"

#include "platform_gui/QtTreeGrid.h"

#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QStyledItemDelegate>

// Hands the edited text to the tree before it reaches the item.
class FolderEditDelegate : public QStyledItemDelegate
{
public:
    explicit FolderEditDelegate(FolderTreeWidget *tree) : QStyledItemDelegate(tree), m_tree(tree) {}

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        auto *line = qobject_cast<QLineEdit *>(editor);
        if (!line) {
            QStyledItemDelegate::setModelData(editor, model, index);
            return;
        }
        QString text = line->text();
        if (m_tree)
            m_tree->finishEdit(index, &text);
        model->setData(index, text, Qt::EditRole);
    }

    // An editor open while the tree is destroyed still commits: nobody is told any more.
    void detach() { m_tree = nullptr; }

private:
    FolderTreeWidget *m_tree;
};

namespace {
// The objectName of the program control a drag came from; empty for any other drag.
QString dragSource(const QMimeData *data)
{
    const QLatin1String type(QtTreeGrid::kDragSourceMimeType);
    return data && data->hasFormat(type) ? QString::fromUtf8(data->data(type)) : QString();
}
} // namespace

FolderTreeWidget::FolderTreeWidget(QWidget *parent) : QTreeWidget(parent), m_delegate(new FolderEditDelegate(this))
{
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
}

FolderTreeWidget::~FolderTreeWidget()
{
    m_delegate->detach();
}

void FolderTreeWidget::startDrag(Qt::DropActions)
{
    emit dragStartRequested();
}

bool FolderTreeWidget::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    // AllEditTriggers is the program's own begin edit; the user's triggers only ask.
    if (trigger != AllEditTriggers && (editTriggers() & trigger)) {
        if (QTreeWidgetItem *it = itemFromIndex(index))
            emit editRequested(it);
        return false;
    }
    return QTreeWidget::edit(index, trigger, event);
}

void FolderTreeWidget::finishEdit(const QModelIndex &index, QString *text)
{
    if (QTreeWidgetItem *it = itemFromIndex(index))
        emit editEnded(it, text);
}

// Entering is the first move over the tree.
void FolderTreeWidget::dragEnterEvent(QDragEnterEvent *event)
{
    dragMoveEvent(event);
}

void FolderTreeWidget::dragMoveEvent(QDragMoveEvent *event)
{
    const QString source = dragSource(event->mimeData());
    if (source.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit dragMoved(source, event->position().toPoint());
}

void FolderTreeWidget::dragLeaveEvent(QDragLeaveEvent *event)
{
    event->accept();
    emit dragLeft();
}

void FolderTreeWidget::dropEvent(QDropEvent *event)
{
    const QString source = dragSource(event->mimeData());
    if (source.isEmpty()) {
        event->ignore();
        return;
    }
    // Nothing moves by Qt's hand: the handler writes the rows and reloads.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    // Reported once the drag has ended: the handler may show a message box.
    const QPoint pos = event->position().toPoint();
    QMetaObject::invokeMethod(
        this, [this, source, pos] { emit dropped(source, pos); }, Qt::QueuedConnection);
}
