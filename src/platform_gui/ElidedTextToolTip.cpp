#include "platform_gui/ElidedTextToolTip.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

namespace {
const char *const kName = "elidedTextToolTip";
}

void ElidedTextToolTip::install(QAbstractItemView *view)
{
    if (view && !view->findChild<ElidedTextToolTip *>(QLatin1String(kName), Qt::FindDirectChildrenOnly))
        new ElidedTextToolTip(view);
}

ElidedTextToolTip::ElidedTextToolTip(QAbstractItemView *view) : QObject(view), m_view(view)
{
    setObjectName(QLatin1String(kName));
    view->viewport()->installEventFilter(this);
}

bool ElidedTextToolTip::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || watched != m_view->viewport())
        return false;
    const auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex index = m_view->indexAt(help->pos());
    if (!index.isValid() || !index.data(Qt::ToolTipRole).toString().isEmpty())
        return false;
    const QString text = index.data(Qt::DisplayRole).toString();
    const QRect cell = m_view->visualRect(index);
    // The text's own width against the cell's, less the margins and a picture's room.
    const int needed = m_view->fontMetrics().horizontalAdvance(text) +
                       2 * m_view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8 +
                       (index.data(Qt::DecorationRole).isNull() ? 0 : m_view->iconSize().width() + 4);
    if (text.isEmpty() || needed <= cell.width()) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(help->globalPos(), text, m_view->viewport(), cell);
    return true;
}
