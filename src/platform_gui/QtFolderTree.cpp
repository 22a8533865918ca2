#include "platform_gui/QtFolderTree.h"

#include "platform_gui/FolderTreeWidget.h"
#include "platform_gui/QtTreeGrid.h"

#include <QDrag>
#include <QMimeData>

namespace {
constexpr int KeyRole = Qt::UserRole + 1;
constexpr int PictureRole = Qt::UserRole + 3;
constexpr int ColorRole = Qt::UserRole + 4;

QColor toQColor(qint32 rgb)
{
    return QColor(rgb & 0xff, (rgb >> 8) & 0xff, (rgb >> 16) & 0xff);
}

int depthOf(const QTreeWidgetItem *it)
{
    int depth = 0;
    for (const QTreeWidgetItem *p = it->parent(); p; p = p->parent())
        ++depth;
    return depth;
}

void appendSubtree(QTreeWidgetItem *it, QVector<QTreeWidgetItem *> &out)
{
    out.append(it);
    for (int i = 0; i < it->childCount(); ++i)
        appendSubtree(it->child(i), out);
}

QTreeWidgetItem *newItem(const QString &text)
{
    auto *it = new QTreeWidgetItem;
    it->setText(0, text);
    it->setData(0, KeyRole, 0);
    it->setFlags(it->flags() | Qt::ItemIsEditable);
    return it;
}
} // namespace

class QtFolderTree::Quiet
{
public:
    explicit Quiet(QtFolderTree &tree) : m_tree(tree) { ++m_tree.m_quiet; }
    ~Quiet() { --m_tree.m_quiet; }

private:
    QtFolderTree &m_tree;
};

QtFolderTree::QtFolderTree(FolderTreeWidget *widget, QObject *parent) : QObject(parent), m_tree(widget)
{
    m_tree->setColumnCount(1);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (m_quiet == 0)
            emit selectionChanged();
    });
    // For a scroll area the point already is in viewport coordinates.
    connect(m_tree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { emit contextMenuRequested(itemAt(pos), pos); });
    connect(m_tree, &FolderTreeWidget::editRequested, this,
            [this](QTreeWidgetItem *it) { emit editRequested(indexOf(it)); });
    connect(m_tree, &FolderTreeWidget::editEnded, this,
            [this](QTreeWidgetItem *it, QString *text) { emit editEnded(indexOf(it), text); });
    connect(m_tree, &FolderTreeWidget::dragStartRequested, this, &QtFolderTree::dragStartRequested);
    connect(m_tree, &FolderTreeWidget::dragMoved, this,
            [this](const QString &source, const QPoint &pos) { emit dragOver(source, pos, 0); });
    connect(m_tree, &FolderTreeWidget::dragLeft, this, [this] { emit dragOver(QString(), QPoint(), 1); });
    connect(m_tree, &FolderTreeWidget::dropped, this, &QtFolderTree::dropped);
}

const QVector<QTreeWidgetItem *> &QtFolderTree::order() const
{
    if (!m_orderValid) {
        m_order.clear();
        for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
            appendSubtree(m_tree->topLevelItem(i), m_order);
        m_orderValid = true;
    }
    return m_order;
}

QTreeWidgetItem *QtFolderTree::item(qint32 index) const
{
    const auto &items = order();
    return index >= 0 && index < items.size() ? items[index] : nullptr;
}

qint32 QtFolderTree::indexOf(QTreeWidgetItem *it) const
{
    return it ? static_cast<qint32>(order().indexOf(it)) : -1;
}

void QtFolderTree::clear()
{
    Quiet quiet(*this);
    m_dropHighlight = nullptr;
    m_tree->clear();
    changed();
}

qint32 QtFolderTree::itemCount() const
{
    return static_cast<qint32>(order().size());
}

qint32 QtFolderTree::addItem(const QString &text)
{
    Quiet quiet(*this);
    m_tree->addTopLevelItem(newItem(text));
    changed();
    return itemCount() - 1;
}

qint32 QtFolderTree::insertItem(qint32 position, const QString &text)
{
    QTreeWidgetItem *there = item(position);
    if (!there)
        return addItem(text);
    Quiet quiet(*this);
    QTreeWidgetItem *it = newItem(text);
    if (QTreeWidgetItem *parent = there->parent())
        parent->insertChild(parent->indexOfChild(there), it);
    else
        m_tree->insertTopLevelItem(m_tree->indexOfTopLevelItem(there), it);
    changed();
    return indexOf(it);
}

void QtFolderTree::removeItem(qint32 index)
{
    QTreeWidgetItem *it = item(index);
    if (!it)
        return;
    Quiet quiet(*this);
    QVector<QTreeWidgetItem *> gone;
    appendSubtree(it, gone);
    if (gone.contains(m_dropHighlight))
        m_dropHighlight = nullptr;
    delete it;
    changed();
}

void QtFolderTree::removeDescendants(qint32 index)
{
    QTreeWidgetItem *it = item(index);
    if (!it)
        return;
    Quiet quiet(*this);
    while (it->childCount() > 0) {
        QVector<QTreeWidgetItem *> gone;
        appendSubtree(it->child(0), gone);
        if (gone.contains(m_dropHighlight))
            m_dropHighlight = nullptr;
        delete it->child(0);
    }
    changed();
}

qint32 QtFolderTree::itemLevel(qint32 index) const
{
    QTreeWidgetItem *it = item(index);
    return it ? depthOf(it) : 0;
}

void QtFolderTree::setItemLevel(qint32 index, qint32 level)
{
    QTreeWidgetItem *it = item(index);
    if (!it || level < 0 || depthOf(it) == level)
        return;
    const auto &items = order();
    QTreeWidgetItem *newParent = nullptr;
    if (level > 0) {
        for (qint32 i = index - 1; i >= 0 && !newParent; --i) {
            if (depthOf(items[i]) == level - 1)
                newParent = items[i];
        }
        if (!newParent)
            return;
    }
    // Its place among the new siblings: after those that come before it.
    int position = 0;
    const int siblings = newParent ? newParent->childCount() : m_tree->topLevelItemCount();
    for (int i = 0; i < siblings; ++i) {
        QTreeWidgetItem *sibling = newParent ? newParent->child(i) : m_tree->topLevelItem(i);
        if (sibling != it && indexOf(sibling) < index)
            position = i + 1;
    }
    Quiet quiet(*this);
    const bool wasCurrent = m_tree->currentItem() == it;
    QTreeWidgetItem *oldParent = it->parent();
    const int oldPosition = oldParent ? oldParent->indexOfChild(it) : m_tree->indexOfTopLevelItem(it);
    if (oldParent)
        oldParent->takeChild(oldPosition);
    else
        m_tree->takeTopLevelItem(oldPosition);
    if (oldParent == newParent && oldPosition < position)
        --position;
    if (newParent)
        newParent->insertChild(position, it);
    else
        m_tree->insertTopLevelItem(position, it);
    changed();
    if (wasCurrent)
        m_tree->setCurrentItem(it);
}

qint32 QtFolderTree::itemKey(qint32 index) const
{
    QTreeWidgetItem *it = item(index);
    return it ? it->data(0, KeyRole).toInt() : 0;
}

void QtFolderTree::setItemKey(qint32 index, qint32 key)
{
    if (QTreeWidgetItem *it = item(index))
        it->setData(0, KeyRole, key);
}

qint32 QtFolderTree::Parent(qint32 index) const
{
    QTreeWidgetItem *it = item(index);
    return it ? indexOf(it->parent()) : -1;
}

qint32 QtFolderTree::descendantCount(qint32 index) const
{
    QTreeWidgetItem *it = item(index);
    if (!it)
        return 0;
    QVector<QTreeWidgetItem *> subtree;
    appendSubtree(it, subtree);
    return static_cast<qint32>(subtree.size()) - 1;
}

qint32 QtFolderTree::currentItem() const
{
    return indexOf(m_tree->currentItem());
}

void QtFolderTree::selectItem(qint32 index)
{
    Quiet quiet(*this);
    QTreeWidgetItem *it = item(index);
    if (!it) {
        m_tree->clearSelection();
        m_tree->setCurrentItem(nullptr);
        return;
    }
    m_tree->setCurrentItem(it);
    it->setSelected(true);
}

qint32 QtFolderTree::findItemByKey(qint32 key, qint32 start) const
{
    const auto &items = order();
    for (qint32 i = qMax(0, start); i < items.size(); ++i) {
        if (items[i]->data(0, KeyRole).toInt() == key)
            return i;
    }
    return -1;
}

qint32 QtFolderTree::findItemByText(const QString &text) const
{
    const auto &items = order();
    for (qint32 i = 0; i < items.size(); ++i) {
        if (items[i]->text(0) == text)
            return i;
    }
    return -1;
}

QString QtFolderTree::cellText(qint32 index) const
{
    QTreeWidgetItem *it = item(index);
    return it ? it->text(0) : QString();
}

void QtFolderTree::setCellText(qint32 index, const QString &text)
{
    if (QTreeWidgetItem *it = item(index))
        it->setText(0, text);
}

bool QtFolderTree::itemBold(qint32 index) const
{
    QTreeWidgetItem *it = item(index);
    return it && it->font(0).bold();
}

void QtFolderTree::setItemBold(qint32 index, bool bold)
{
    if (QTreeWidgetItem *it = item(index)) {
        QFont font = it->font(0);
        font.setBold(bold);
        it->setFont(0, font);
    }
}

qint32 QtFolderTree::itemColor(qint32 index) const
{
    QTreeWidgetItem *it = item(index);
    const QVariant v = it ? it->data(0, ColorRole) : QVariant();
    return v.isValid() ? v.toInt() : -1;
}

void QtFolderTree::setItemColor(qint32 index, qint32 rgb)
{
    QTreeWidgetItem *it = item(index);
    if (!it)
        return;
    if (rgb < 0) {
        it->setData(0, ColorRole, QVariant());
        it->setData(0, Qt::ForegroundRole, QVariant());
        return;
    }
    it->setData(0, ColorRole, rgb);
    it->setForeground(0, toQColor(rgb));
}

QString QtFolderTree::itemPicture(qint32 index) const
{
    QTreeWidgetItem *it = item(index);
    return it ? it->data(0, PictureRole).toString() : QString();
}

void QtFolderTree::setItemPicture(qint32 index, const QString &picture)
{
    if (QTreeWidgetItem *it = item(index)) {
        it->setData(0, PictureRole, picture);
        it->setIcon(0, picture.isEmpty() ? QIcon() : QtTreeGrid::picture(picture));
    }
}

void QtFolderTree::expand(qint32 index)
{
    for (QTreeWidgetItem *it = item(index); it; it = it->parent())
        it->setExpanded(true);
}

void QtFolderTree::makeVisible(qint32 index)
{
    if (QTreeWidgetItem *it = item(index))
        m_tree->scrollToItem(it);
}

void QtFolderTree::beginEdit(qint32 index)
{
    QTreeWidgetItem *it = item(index);
    if (!it)
        return;
    if (it->parent())
        expand(indexOf(it->parent()));
    m_tree->scrollToItem(it);
    m_tree->editItem(it, 0);
}

qint32 QtFolderTree::dropHighlight() const
{
    return indexOf(m_dropHighlight);
}

void QtFolderTree::setDropHighlight(qint32 index)
{
    QTreeWidgetItem *it = item(index);
    if (it == m_dropHighlight)
        return;
    showDropHighlight(m_dropHighlight, false);
    m_dropHighlight = it;
    showDropHighlight(m_dropHighlight, true);
}

void QtFolderTree::showDropHighlight(QTreeWidgetItem *it, bool on)
{
    if (!it)
        return;
    if (on)
        it->setBackground(0, m_tree->palette().color(QPalette::Active, QPalette::Highlight).lighter(160));
    else
        it->setData(0, Qt::BackgroundRole, QVariant());
}

qint32 QtFolderTree::itemAt(const QPoint &viewportPos) const
{
    return indexOf(m_tree->itemAt(viewportPos));
}

void QtFolderTree::refreshLayout()
{
    m_tree->doItemsLayout();
}

void QtFolderTree::beginDrag()
{
    auto *drag = new QDrag(m_tree);
    auto *data = new QMimeData;
    data->setData(QLatin1String(QtTreeGrid::kDragSourceMimeType), m_tree->objectName().toUtf8());
    drag->setMimeData(data);
    const QIcon icon = QtTreeGrid::picture(m_dragPicture);
    if (!icon.isNull())
        drag->setPixmap(icon.pixmap(32, 32));
    drag->exec(Qt::MoveAction);
}
