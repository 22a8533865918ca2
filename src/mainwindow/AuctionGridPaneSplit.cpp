// The grid's split position: its first column's width, kept through the refits of the columns.
#include "mainwindow/AuctionGridPane.h"

#include "platform_gui/QtTreeGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QTreeWidget>

float AuctionGridPane::splitPosition() const
{
    return m_grid->columnCount() > 0 ? m_grid->columnWidth(0) : m_split;
}

void AuctionGridPane::setSplitPosition(float twips)
{
    m_split = twips;
    applySplit();
}

void AuctionGridPane::applySplit()
{
    if (m_split >= 0 && m_grid->columnCount() > 0)
        m_grid->setColumnWidth(0, m_split);
}

// A width the user drags the first column's edge to is the new split; the grid's own fits and
// column rebuilds are not.
void AuctionGridPane::watchSplitDrag()
{
    QHeaderView *header = m_tree->header();
    header->viewport()->installEventFilter(this);
    connect(header, &QHeaderView::sectionResized, this, [this](int section, int, int) {
        if (section == 0 && m_headerPressed)
            m_split = m_grid->columnWidth(0);
    });
}

bool AuctionGridPane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_tree->header()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress)
            m_headerPressed = true;
        else if (event->type() == QEvent::MouseButtonRelease)
            m_headerPressed = false;
    }
    return QWidget::eventFilter(watched, event);
}
