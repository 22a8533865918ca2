#include "platform_gui/GridItemDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>

void GridItemDelegate::setColumnAlignment(int column, Qt::Alignment alignment)
{
    if (column < 0)
        return;
    if (column >= m_alignments.size())
        m_alignments.resize(column + 1, Qt::AlignLeft);
    m_alignments[column] = alignment;
}

Qt::Alignment GridItemDelegate::columnAlignment(int column) const
{
    return m_alignments.value(column, Qt::AlignLeft);
}

void GridItemDelegate::setColumnCount(int count)
{
    m_alignments.resize(qMax(0, count), Qt::AlignLeft);
}

void GridItemDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->displayAlignment = columnAlignment(index.column()) | Qt::AlignVCenter;
}

bool GridItemDelegate::pictureOnly(const QStyleOptionViewItem &option) const
{
    return option.text.isEmpty() && !option.icon.isNull() &&
           (option.displayAlignment & Qt::AlignHorizontal_Mask) == Qt::AlignHCenter;
}

QRect GridItemDelegate::centred(const QRect &cell, const QSize &size)
{
    return QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, cell);
}

void GridItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    if (!pictureOnly(opt)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QIcon icon = opt.icon;
    opt.icon = QIcon();
    opt.features &= ~QStyleOptionViewItem::HasDecoration;
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    const QIcon::Mode mode = !(opt.state & QStyle::State_Enabled)   ? QIcon::Disabled
                             : (opt.state & QStyle::State_Selected) ? QIcon::Selected
                                                                    : QIcon::Normal;
    icon.paint(painter, centred(opt.rect, opt.decorationSize), Qt::AlignCenter, mode);
}

QRect GridItemDelegate::pictureRect(const QAbstractItemView *view, const QModelIndex &index) const
{
    if (!view || !index.isValid())
        return {};
    QStyleOptionViewItem opt;
    opt.initFrom(view);
    opt.widget = view;
    opt.rect = view->visualRect(index);
    const int small = view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
    opt.decorationSize = view->iconSize().isValid() ? view->iconSize() : QSize(small, small);
    opt.decorationPosition = QStyleOptionViewItem::Left;
    opt.decorationAlignment = Qt::AlignCenter;
    opt.textElideMode = view->textElideMode();
    initStyleOption(&opt, index);
    if (opt.icon.isNull() && !(opt.features & QStyleOptionViewItem::HasDecoration))
        return {};
    if (pictureOnly(opt))
        return centred(opt.rect, opt.decorationSize);
    return view->style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, view);
}
