#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QVector>

class FolderTreeWidget;
class QTreeWidgetItem;

// The folder tree control: a real tree over a FolderTreeWidget, addressed as the program
// addresses it, by item index in display order from 0 (a parent's descendants follow it
// directly, collapsed or not). Each item carries a 32-bit key, a level (0 for a top-level
// item), a named picture (QtTreeGrid's table), and a bold flag and a colour for its text.
//
// Changes made through this class never report a selection change: the program runs its own
// handler afterwards where it needs it. The user's selection, clicks, edits and drags come out
// as signals.
class QtFolderTree : public QObject
{
    Q_OBJECT
public:
    explicit QtFolderTree(FolderTreeWidget *widget, QObject *parent = nullptr);

    FolderTreeWidget *widget() const { return m_tree; }

    void clear();
    qint32 itemCount() const;
    // A new top-level item at the end; returns its index.
    qint32 addItem(const QString &text);
    // A new item at that index (the items from there on move down one), beside the item that
    // stood there; returns its index.
    qint32 insertItem(qint32 position, const QString &text);
    // Removes the item with everything below it.
    void removeItem(qint32 item);
    void removeDescendants(qint32 item);

    qint32 itemLevel(qint32 item) const;
    // Moves the item (with its subtree) under the nearest item before it whose level is one
    // less, keeping its index; level 0 makes it a top-level item. Nothing happens when no such
    // item exists.
    void setItemLevel(qint32 item, qint32 level);
    qint32 itemKey(qint32 item) const;
    void setItemKey(qint32 item, qint32 key);
    // -1 for a top-level item or for no item.
    qint32 Parent(qint32 item) const;
    qint32 descendantCount(qint32 item) const;

    // -1 when none.
    qint32 currentItem() const;
    // -1 clears the selection.
    void selectItem(qint32 item);
    // -1 when no item matches.
    qint32 findItemByKey(qint32 key, qint32 start = 0) const;
    qint32 findItemByText(const QString &text) const;

    QString cellText(qint32 item) const;
    void setCellText(qint32 item, const QString &text);
    bool itemBold(qint32 item) const;
    void setItemBold(qint32 item, bool bold);
    // -1 = the control's default colour; RGB with red in the low byte.
    qint32 itemColor(qint32 item) const;
    void setItemColor(qint32 item, qint32 rgb);
    QString itemPicture(qint32 item) const;
    void setItemPicture(qint32 item, const QString &picture);

    // Opens the item's branch and every branch above it.
    void expand(qint32 item);
    void makeVisible(qint32 item);
    // Starts editing the item's text in place.
    void beginEdit(qint32 item);
    // The item marked as the drop target during a drag; -1 for none.
    qint32 dropHighlight() const;
    void setDropHighlight(qint32 item);
    // The item under a point of the viewport, -1 when none.
    qint32 itemAt(const QPoint &viewportPos) const;
    void refreshLayout();

    void setDragPicture(const QString &picture) { m_dragPicture = picture; }
    QString dragPicture() const { return m_dragPicture; }
    // Runs the drag of this control (its own event loop); the drop target is told the source by
    // the control's objectName.
    void beginDrag();

signals:
    void selectionChanged();
    // A right-click on an item (or on no item, -1) at a viewport point.
    void contextMenuRequested(qint32 item, const QPoint &viewportPos);
    void editRequested(qint32 item);
    // The handler may replace *text; the item keeps what it leaves there.
    void editEnded(qint32 item, QString *text);
    void dragStartRequested();
    // state 1: the drag left the tree (source and point are then empty).
    void dragOver(const QString &source, const QPoint &viewportPos, int state);
    void dropped(const QString &source, const QPoint &viewportPos);

private:
    const QVector<QTreeWidgetItem *> &order() const;
    QTreeWidgetItem *item(qint32 index) const;
    qint32 indexOf(QTreeWidgetItem *it) const;
    void changed() { m_orderValid = false; }
    void showDropHighlight(QTreeWidgetItem *it, bool on);

    // The user's selection changes are reported; ours are not.
    class Quiet;
    FolderTreeWidget *m_tree;
    int m_quiet = 0;
    mutable QVector<QTreeWidgetItem *> m_order;
    mutable bool m_orderValid = false;
    QTreeWidgetItem *m_dropHighlight = nullptr;
    QString m_dragPicture;
};
