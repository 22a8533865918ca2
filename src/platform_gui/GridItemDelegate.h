#pragma once

#include <QStyledItemDelegate>
#include <QVector>

class QAbstractItemView;

// Draws the cells of a tree-grid with the alignment of their column. A centred cell that shows
// only a picture (a check box) has the picture in its middle.
class GridItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setColumnAlignment(int column, Qt::Alignment alignment);
    Qt::Alignment columnAlignment(int column) const;
    void setColumnCount(int count);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // Where the cell's picture is drawn, in the view's viewport; empty when there is none.
    QRect pictureRect(const QAbstractItemView *view, const QModelIndex &index) const;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    bool pictureOnly(const QStyleOptionViewItem &option) const;
    static QRect centred(const QRect &cell, const QSize &size);
    QVector<Qt::Alignment> m_alignments;
};
