#include "QtTreeGrid.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace {
constexpr int KeyRole = Qt::UserRole + 1;
constexpr int LevelRole = Qt::UserRole + 2;
constexpr int PictureRole = Qt::UserRole + 3;
constexpr int ColorRole = Qt::UserRole + 4;

QHash<QString, QIcon> &pictures()
{
    static QHash<QString, QIcon> table;
    return table;
}

QColor toQColor(qint32 rgb) { return QColor(rgb & 0xff, (rgb >> 8) & 0xff, (rgb >> 16) & 0xff); }
} // namespace

QtTreeGrid::QtTreeGrid(QTreeWidget *widget) : m_tree(widget)
{
    m_tree->setRootIsDecorated(false);
    m_tree->setUniformRowHeights(true);
}

void QtTreeGrid::registerPicture(const QString &name, const QIcon &icon) { pictures().insert(name, icon); }

QTreeWidgetItem *QtTreeGrid::item(qint32 row) const
{
    if (row < 0 || row >= m_tree->topLevelItemCount())
        return nullptr;
    return m_tree->topLevelItem(row);
}

bool QtTreeGrid::validColumn(qint32 column) const { return column >= 0 && column < m_tree->columnCount(); }

void QtTreeGrid::clear() { m_tree->clear(); }

qint32 QtTreeGrid::addRow(const QString &text)
{
    auto *it = new QTreeWidgetItem(m_tree);
    it->setText(0, text);
    it->setData(0, KeyRole, 0);
    return m_tree->indexOfTopLevelItem(it);
}

void QtTreeGrid::removeRow(qint32 row) { delete item(row); }

qint32 QtTreeGrid::rowCount() const { return m_tree->topLevelItemCount(); }

qint32 QtTreeGrid::currentRow() const
{
    QTreeWidgetItem *cur = m_tree->currentItem();
    return cur ? m_tree->indexOfTopLevelItem(cur) : -1;
}

void QtTreeGrid::selectRow(qint32 row)
{
    if (QTreeWidgetItem *it = item(row)) {
        m_tree->setCurrentItem(it);
        it->setSelected(true);
    }
}

QList<qint32> QtTreeGrid::selectedRows() const
{
    QList<qint32> rows;
    for (QTreeWidgetItem *it : m_tree->selectedItems())
        rows << m_tree->indexOfTopLevelItem(it);
    return rows;
}

qint32 QtTreeGrid::rowKey(qint32 row) const
{
    QTreeWidgetItem *it = item(row);
    return it ? it->data(0, KeyRole).toInt() : 0;
}

void QtTreeGrid::setRowKey(qint32 row, qint32 key)
{
    if (QTreeWidgetItem *it = item(row))
        it->setData(0, KeyRole, key);
}

qint32 QtTreeGrid::rowLevel(qint32 row) const
{
    QTreeWidgetItem *it = item(row);
    return it ? it->data(0, LevelRole).toInt() : 0;
}

void QtTreeGrid::setRowLevel(qint32 row, qint32 level)
{
    if (QTreeWidgetItem *it = item(row))
        it->setData(0, LevelRole, level);
}

qint32 QtTreeGrid::findRowByKey(qint32 key, qint32 startRow) const
{
    for (qint32 r = qMax(0, startRow); r < rowCount(); ++r) {
        if (rowKey(r) == key)
            return r;
    }
    return -1;
}

qint32 QtTreeGrid::findRowByText(const QString &text, qint32 column, qint32 startRow) const
{
    if (!validColumn(column))
        return -1;
    for (qint32 r = qMax(0, startRow); r < rowCount(); ++r) {
        if (item(r)->text(column) == text)
            return r;
    }
    return -1;
}

QString QtTreeGrid::cellText(qint32 row, qint32 column) const
{
    QTreeWidgetItem *it = item(row);
    return it && validColumn(column) ? it->text(column) : QString();
}

void QtTreeGrid::setCellText(qint32 row, qint32 column, const QString &text)
{
    if (QTreeWidgetItem *it = item(row); it && validColumn(column))
        it->setText(column, text);
}

QString QtTreeGrid::cellPicture(qint32 row, qint32 column) const
{
    QTreeWidgetItem *it = item(row);
    return it && validColumn(column) ? it->data(column, PictureRole).toString() : QString();
}

void QtTreeGrid::setCellPicture(qint32 row, qint32 column, const QString &picture)
{
    QTreeWidgetItem *it = item(row);
    if (!it || !validColumn(column))
        return;
    it->setData(column, PictureRole, picture);
    it->setIcon(column, picture.isEmpty() ? QIcon() : pictures().value(picture));
}

void QtTreeGrid::setCellPictureSetting(qint32, qint32, qint32) {}

qint32 QtTreeGrid::cellColor(qint32 row, qint32 column) const
{
    QTreeWidgetItem *it = item(row);
    if (!it || !validColumn(column))
        return -1;
    const QVariant v = it->data(column, ColorRole);
    return v.isValid() ? v.toInt() : -1;
}

void QtTreeGrid::setCellColor(qint32 row, qint32 column, qint32 color)
{
    QTreeWidgetItem *it = item(row);
    if (!it || !validColumn(column))
        return;
    if (color < 0) {
        it->setData(column, ColorRole, QVariant());
        it->setData(column, Qt::ForegroundRole, QVariant());
        return;
    }
    it->setData(column, ColorRole, color);
    it->setForeground(column, toQColor(color));
}

qint32 QtTreeGrid::columnCount() const { return m_tree->columnCount(); }

void QtTreeGrid::setColumnCount(qint32 count) { m_tree->setColumnCount(qMax(1, count)); }

QString QtTreeGrid::columnCaption(qint32 column) const
{
    return validColumn(column) ? m_tree->headerItem()->text(column) : QString();
}

void QtTreeGrid::setColumnCaption(qint32 column, const QString &caption)
{
    if (validColumn(column))
        m_tree->headerItem()->setText(column, caption);
}

QString QtTreeGrid::columnHeaderPicture(qint32 column) const
{
    return validColumn(column) ? m_tree->headerItem()->data(column, PictureRole).toString() : QString();
}

void QtTreeGrid::setColumnHeaderPicture(qint32 column, const QString &picture)
{
    if (!validColumn(column))
        return;
    m_tree->headerItem()->setData(column, PictureRole, picture);
    m_tree->headerItem()->setIcon(column, picture.isEmpty() ? QIcon() : pictures().value(picture));
}

void QtTreeGrid::fitColumn(qint32 column)
{
    if (validColumn(column))
        m_tree->resizeColumnToContents(column);
}

float QtTreeGrid::twipsPerPixel() const
{
    const int dpi = m_tree->logicalDpiX();
    return dpi > 0 ? 1440.0f / static_cast<float>(dpi) : 15.0f;
}

float QtTreeGrid::columnWidth(qint32 column) const
{
    return validColumn(column) ? static_cast<float>(m_tree->columnWidth(column)) * twipsPerPixel() : 0.0f;
}

void QtTreeGrid::setColumnWidth(qint32 column, float width)
{
    if (validColumn(column))
        m_tree->setColumnWidth(column, qMax(0, qRound(width / twipsPerPixel())));
}

void QtTreeGrid::setBulkUpdate(bool on) { m_tree->setUpdatesEnabled(!on); }

void QtTreeGrid::refreshLayout() { m_tree->doItemsLayout(); }
