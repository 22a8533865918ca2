#include "platform_gui/ListBar.h"

#include "platform_gui/Pictures.h"
#include "platform_gui/QtTreeGrid.h"

#include <QDragEnterEvent>
#include <QListWidget>
#include <QMimeData>
#include <QScrollArea>

namespace {
constexpr int KeyRole = Qt::UserRole + 1;
constexpr int IconRole = Qt::UserRole + 2;
const char *const GroupKeyProperty = "listBarGroupKey";

// The objectName of the program control a drag came from; empty for any other drag.
QString dragSource(const QMimeData *data)
{
    const QLatin1String type(QtTreeGrid::kDragSourceMimeType);
    return data && data->hasFormat(type) ? QString::fromUtf8(data->data(type)) : QString();
}
} // namespace

// One group's items: large icons in a column, nothing moved by Qt's hand.
class ListBarList : public QListWidget
{
public:
    ListBarList(ListBar *bar) : QListWidget(bar), m_bar(bar)
    {
        setViewMode(QListView::IconMode);
        setFlow(QListView::TopToBottom);
        setWrapping(false);
        setMovement(QListView::Static);
        setResizeMode(QListView::Adjust);
        setIconSize(QSize(32, 32));
        setWordWrap(true);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setDragDropMode(QAbstractItemView::NoDragDrop);
        setAcceptDrops(true);
        viewport()->setAcceptDrops(true);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }

protected:
    // One item to a row, centred in the bar's width.
    void resizeEvent(QResizeEvent *event) override
    {
        QListWidget::resizeEvent(event);
        setGridSize(QSize(qMax(40, viewport()->width() - 4), 84));
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        const Qt::MouseButton button = event->button();
        const QPoint pos = viewport()->mapTo(m_bar, event->position().toPoint());
        QListWidget::mouseReleaseEvent(event);
        emit m_bar->mouseUp(button, pos);
    }
    void dragEnterEvent(QDragEnterEvent *event) override { dragMoved(event); }
    void dragMoveEvent(QDragMoveEvent *event) override { dragMoved(event); }
    void dropEvent(QDropEvent *event) override
    {
        const QString source = dragSource(event->mimeData());
        if (source.isEmpty()) {
            event->ignore();
            return;
        }
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        const QPoint pos = viewport()->mapTo(m_bar, event->position().toPoint());
        ListBar *bar = m_bar;
        QMetaObject::invokeMethod(
            bar, [bar, source, pos] { emit bar->dropped(source, pos); }, Qt::QueuedConnection);
    }

private:
    void dragMoved(QDropEvent *event)
    {
        const QString source = dragSource(event->mimeData());
        if (source.isEmpty()) {
            event->ignore();
            return;
        }
        event->acceptProposedAction();
        emit m_bar->dragOver(source, viewport()->mapTo(m_bar, event->position().toPoint()));
    }

    ListBar *m_bar;
};

ListBar::ListBar(QWidget *parent) : QToolBox(parent) {}

void ListBar::addImage(int index, const QString &key, const QString &picture)
{
    m_imageKeys.insert(index, key);
    m_imagePictures.insert(index, picture);
    for (int g = 1; g <= groupCount(); ++g) {
        for (int i = 1; i <= itemCount(g); ++i) {
            if (itemIcon(g, i) == index)
                applyIcon(g, i);
        }
    }
}

QString ListBar::imageKey(int index) const
{
    return m_imageKeys.value(index);
}

int ListBar::addGroup(const QString &caption, const QString &key)
{
    auto *items = new ListBarList(this);
    items->setProperty(GroupKeyProperty, key);
    const int group = QToolBox::addItem(items, caption) + 1;
    // The tool box wraps each page in a scroll area of its own; the list scrolls itself.
    for (QWidget *w = items->parentWidget(); w && w != this; w = w->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(w)) {
            area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        }
    }
    // Told after the view's own click handling, by key: the handler may remove the item.
    connect(items, &QListWidget::itemClicked, this, [this, items](QListWidgetItem *it) {
        const QString clicked = it->data(KeyRole).toString();
        QMetaObject::invokeMethod(
            this,
            [this, items, clicked] {
                // Asked again: groups added or removed meanwhile move its number.
                const int now = indexOf(items) + 1;
                if (const int index = findItem(now, clicked))
                    emit itemClicked(now, index);
            },
            Qt::QueuedConnection);
    });
    return group;
}

ListBarList *ListBar::list(int group) const
{
    return static_cast<ListBarList *>(widget(group - 1));
}

QListWidget *ListBar::groupList(int group) const
{
    return group >= 1 && group <= groupCount() ? list(group) : nullptr;
}

QListWidget *ListBar::checkedList(int group) const
{
    QListWidget *items = groupList(group);
    if (!items)
        throw ListBarError(kBadIndex, "No such group.");
    return items;
}

QString ListBar::groupCaption(int group) const
{
    return QToolBox::itemText(group - 1);
}

QString ListBar::groupKey(int group) const
{
    QListWidget *items = groupList(group);
    return items ? items->property(GroupKeyProperty).toString() : QString();
}

void ListBar::addItem(int group, int position, const QString &key, const QString &text)
{
    QListWidget *items = checkedList(group);
    if (position < 1 || position > items->count() + 1)
        throw ListBarError(kBadIndex, "No such position in the group.");
    if (findItem(group, key) != 0)
        throw ListBarError(kDuplicateKey, "The key is not unique in the group.");
    auto *it = new QListWidgetItem(text);
    it->setData(KeyRole, key);
    it->setData(IconRole, 0);
    it->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    items->insertItem(position - 1, it);
}

int ListBar::itemCount(int group) const
{
    QListWidget *items = groupList(group);
    return items ? items->count() : 0;
}

QString ListBar::itemKey(int group, int index) const
{
    QListWidget *items = groupList(group);
    QListWidgetItem *it = items ? items->item(index - 1) : nullptr;
    return it ? it->data(KeyRole).toString() : QString();
}

QString ListBar::itemText(int group, int index) const
{
    QListWidget *items = groupList(group);
    QListWidgetItem *it = items ? items->item(index - 1) : nullptr;
    return it ? it->text() : QString();
}

int ListBar::itemIcon(int group, int index) const
{
    QListWidget *items = groupList(group);
    QListWidgetItem *it = items ? items->item(index - 1) : nullptr;
    return it ? it->data(IconRole).toInt() : 0;
}

void ListBar::setItemIcon(int group, int index, int icon)
{
    QListWidgetItem *it = checkedList(group)->item(index - 1);
    if (!it)
        throw ListBarError(kBadIndex, "No such item in the group.");
    it->setData(IconRole, icon);
    applyIcon(group, index);
}

void ListBar::applyIcon(int group, int index)
{
    QListWidgetItem *it = list(group)->item(index - 1);
    it->setIcon(programPicture(m_imagePictures.value(it->data(IconRole).toInt())));
}

int ListBar::findItem(int group, const QString &key) const
{
    QListWidget *items = groupList(group);
    for (int i = 0; items && i < items->count(); ++i) {
        if (items->item(i)->data(KeyRole).toString() == key)
            return i + 1;
    }
    return 0;
}

void ListBar::removeItem(int group, int index)
{
    QListWidget *items = checkedList(group);
    if (index < 1 || index > items->count())
        throw ListBarError(kBadIndex, "No such item in the group.");
    delete items->takeItem(index - 1);
}

void ListBar::clearItems(int group)
{
    checkedList(group)->clear();
}

QPoint ListBar::toList(const QPoint &barPos) const
{
    QListWidget *items = groupList(currentGroup());
    return items ? items->viewport()->mapFrom(this, barPos) : QPoint(-1, -1);
}

int ListBar::hitArea(const QPoint &pos) const
{
    return itemAt(pos) != 0 ? 2 : 0;
}

int ListBar::itemAt(const QPoint &pos) const
{
    QListWidget *items = groupList(currentGroup());
    if (!items)
        return 0;
    const QPoint p = toList(pos);
    if (!items->viewport()->rect().contains(p))
        return 0;
    QListWidgetItem *it = items->itemAt(p);
    return it ? items->row(it) + 1 : 0;
}

QRect ListBar::itemRect(int index) const
{
    QListWidget *items = groupList(currentGroup());
    QListWidgetItem *it = items ? items->item(index - 1) : nullptr;
    if (!it)
        return QRect();
    const QRect r = items->visualItemRect(it);
    return QRect(items->viewport()->mapTo(this, r.topLeft()), r.size());
}
