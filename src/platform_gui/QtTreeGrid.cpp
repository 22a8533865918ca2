#include "platform_gui/QtTreeGrid.h"

#include "platform_gui/ElidedTextToolTip.h"

#include "platform_gui/GridItemDelegate.h"
#include "platform_gui/TreeGridWidget.h"

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

QColor toQColor(qint32 rgb)
{
    return QColor(rgb & 0xff, (rgb >> 8) & 0xff, (rgb >> 16) & 0xff);
}

Qt::Alignment alignmentOf(qint32 styleValue)
{
    switch (styleValue) {
    case 1:
        return Qt::AlignHCenter;
    case 2:
        return Qt::AlignRight;
    default:
        return Qt::AlignLeft;
    }
}
} // namespace

namespace {
// Below this the grid is taken as not yet laid out (pixels).
constexpr int kNarrowestGrid = 480;
} // namespace

QtTreeGrid::QtTreeGrid(QTreeWidget *widget, QObject *parent)
    : QObject(parent), m_tree(widget), m_delegate(new GridItemDelegate(widget))
{
    m_tree->setRootIsDecorated(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setItemDelegate(m_delegate);
    ElidedTextToolTip::install(m_tree);
    m_delegate->setColumnCount(m_tree->columnCount());
    m_headerFlags.resize(m_tree->columnCount());
    m_styles.resize(m_tree->columnCount());
    m_viewport = m_tree->viewport();
    m_headerViewport = m_tree->header()->viewport();
    m_viewport->installEventFilter(this);
    m_headerViewport->installEventFilter(this);
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &QtTreeGrid::reportSelection);
    // A key moves the selection before the current row, a click the current row first: either
    // way the row that ends up current and highlighted is reported.
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this] {
        if (currentRow() != m_reportedRow)
            reportSelection();
    });
    connect(m_tree->header(), &QHeaderView::sectionClicked, this, &QtTreeGrid::headerSectionClicked);
    if (auto *dragSource = qobject_cast<TreeGridWidget *>(m_tree))
        connect(dragSource, &TreeGridWidget::dragStartRequested, this, &QtTreeGrid::dragStartRequested);
}

QtTreeGrid::~QtTreeGrid()
{
    qDeleteAll(m_pending);
}

void QtTreeGrid::registerPicture(const QString &name, const QIcon &icon)
{
    pictures().insert(name, icon);
}

QIcon QtTreeGrid::picture(const QString &name)
{
    return pictures().value(name);
}

QTreeWidgetItem *QtTreeGrid::item(qint32 row) const
{
    const qint32 shown = m_tree->topLevelItemCount();
    if (row < 0)
        return nullptr;
    if (row < shown)
        return m_tree->topLevelItem(row);
    return row - shown < m_pending.size() ? m_pending[row - shown] : nullptr;
}

bool QtTreeGrid::validColumn(qint32 column) const
{
    return column >= 0 && column < m_tree->columnCount();
}

void QtTreeGrid::flushPending()
{
    if (m_pending.isEmpty())
        return;
    const QList<QTreeWidgetItem *> rows = std::move(m_pending);
    m_pending.clear();
    m_tree->addTopLevelItems(rows);
}

void QtTreeGrid::clear()
{
    qDeleteAll(m_pending);
    m_pending.clear();
    m_tree->clear();
}

qint32 QtTreeGrid::addRow(const QString &text)
{
    auto *it = new QTreeWidgetItem;
    it->setText(0, text);
    it->setData(0, KeyRole, 0);
    if (m_bulkDepth > 0) {
        m_pending.append(it);
    } else {
        flushPending();
        m_tree->addTopLevelItem(it);
    }
    return rowCount() - 1;
}

void QtTreeGrid::removeRow(qint32 row)
{
    flushPending();
    delete item(row);
}

void QtTreeGrid::reportSelection()
{
    m_reportedRow = currentRow();
    emit selectionChanged();
}

qint32 QtTreeGrid::rowCount() const
{
    return m_tree->topLevelItemCount() + static_cast<qint32>(m_pending.size());
}

qint32 QtTreeGrid::currentRow() const
{
    // Only a highlighted row counts: a current row the user has unselected (Ctrl+click) is none.
    QTreeWidgetItem *cur = m_tree->currentItem();
    return cur && cur->isSelected() ? m_tree->indexOfTopLevelItem(cur) : -1;
}

void QtTreeGrid::selectRow(qint32 row)
{
    flushPending();
    if (QTreeWidgetItem *it = item(row)) {
        m_tree->setCurrentItem(it);
        it->setSelected(true);
    }
}

QList<qint32> QtTreeGrid::selectedRows() const
{
    QList<qint32> rows;
    for (const QModelIndex &index : m_tree->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
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
    const qint32 count = rowCount();
    for (qint32 r = qMax(0, startRow); r < count; ++r) {
        if (item(r)->data(0, KeyRole).toInt() == key)
            return r;
    }
    return -1;
}

qint32 QtTreeGrid::findRowByText(const QString &text, qint32 column, qint32 startRow) const
{
    if (!validColumn(column))
        return -1;
    const qint32 count = rowCount();
    for (qint32 r = qMax(0, startRow); r < count; ++r) {
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

// Check-box pictures need nothing more here: the delegate centres a lone picture.
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

qint32 QtTreeGrid::columnCount() const
{
    return m_tree->columnCount();
}

void QtTreeGrid::setColumnCount(qint32 count)
{
    m_tree->setColumnCount(qMax(1, count));
    m_delegate->setColumnCount(m_tree->columnCount());
    m_headerFlags.resize(m_tree->columnCount());
    m_styles.resize(m_tree->columnCount());
}

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

void QtTreeGrid::setColumnStyle(qint32 column, qint32 first, qint32 second)
{
    if (!validColumn(column))
        return;
    const Qt::Alignment cells = alignmentOf(first);
    m_delegate->setColumnAlignment(column, cells);
    m_styles[column] = {first, second};
    m_tree->headerItem()->setTextAlignment(column, (second == 1 ? cells : Qt::AlignLeft) | Qt::AlignVCenter);
    m_tree->viewport()->update();
}

QPair<qint32, qint32> QtTreeGrid::columnStyle(qint32 column) const
{
    return m_styles.value(column, {0, 0});
}

void QtTreeGrid::setColumnHeaderFlag(qint32 column, bool on)
{
    if (!validColumn(column))
        return;
    m_headerFlags[column] = on;
    if (on)
        m_tree->header()->setSectionsClickable(true);
}

bool QtTreeGrid::columnHeaderFlag(qint32 column) const
{
    return m_headerFlags.value(column, false);
}

void QtTreeGrid::fitColumn(qint32 column)
{
    flushPending();
    if (!validColumn(column))
        return;
    // Qt would ask the delegate for every cell (and only a sample of a long list). The text
    // widths are summed from a table instead; the delegate sizes only the widest cell of the
    // cells with a picture and of those without, which gives the margins exactly.
    const int rows = m_tree->topLevelItemCount();
    int widestIcon = -1, widestPlain = -1, iconRow = -1, plainRow = -1;
    for (int r = 0; r < rows; ++r) {
        const QTreeWidgetItem *it = m_tree->topLevelItem(r);
        const int w = textWidth(it->text(column));
        if (it->data(column, PictureRole).toString().isEmpty()) {
            if (w > widestPlain)
                widestPlain = w, plainRow = r;
        } else if (w > widestIcon) {
            widestIcon = w, iconRow = r;
        }
    }
    QHeaderView *header = m_tree->header();
    int width = header->isHidden() ? 0 : header->sectionSizeHint(column);
    for (int r : {iconRow, plainRow}) {
        if (r >= 0)
            width = qMax(width, m_tree->sizeHintForIndex(m_tree->model()->index(r, column)).width());
    }
    // One long title or comment must not push the other columns off the screen: a fitted column
    // takes at most half the grid (its caption always shows).
    const int share = qMax(m_tree->width(), kNarrowestGrid) / 2;
    width = qMin(width, qMax(share, header->isHidden() ? 0 : header->sectionSizeHint(column)));
    m_tree->setColumnWidth(column, width);
}

int QtTreeGrid::textWidth(const QString &text) const
{
    const QFont font = m_tree->font();
    if (m_advances.isEmpty() || font != m_advanceFont) {
        m_advanceFont = font;
        m_advances.fill(-1, 0x300);
    }
    const QFontMetrics metrics(m_advanceFont);
    int width = 0;
    for (const QChar ch : text) {
        const ushort u = ch.unicode();
        // Combining marks, other scripts and surrogates are shaped as a whole.
        if (u >= 0x300)
            return metrics.horizontalAdvance(text);
        int &advance = m_advances[u];
        if (advance < 0)
            advance = metrics.horizontalAdvance(ch);
        width += advance;
    }
    return width;
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

void QtTreeGrid::setBulkUpdate(bool on)
{
    if (on) {
        if (m_bulkDepth++ == 0)
            m_tree->setUpdatesEnabled(false);
        return;
    }
    if (m_bulkDepth == 0)
        return;
    if (--m_bulkDepth == 0) {
        flushPending();
        m_tree->setUpdatesEnabled(true);
    }
}

void QtTreeGrid::refreshLayout()
{
    flushPending();
    m_tree->doItemsLayout();
}
