#pragma once

#include <QObject>

class QAbstractItemView;

// Shows a cell's whole text as its tooltip when the cell is too narrow for it (a long log line,
// a title cut by its column), whatever model the view shows. Cells with a tooltip of their own
// keep it.
class ElidedTextToolTip : public QObject
{
public:
    // Once per view; a second call does nothing.
    static void install(QAbstractItemView *view);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit ElidedTextToolTip(QAbstractItemView *view);
    QAbstractItemView *m_view;
};
