#pragma once

#include <QTreeWidget>

class FolderEditDelegate;

// The QTreeWidget under the folder tree. The program decides everything Qt would do on its own:
// an edit key or a click on the selected item only asks for an edit (editRequested), the end of
// an edit shows the new text to a handler that may replace it before it is stored, a drag is
// begun by the program, and drags of the program's own controls are reported as they move over
// the tree and drop on it (with the source control's objectName).
class FolderTreeWidget : public QTreeWidget
{
    Q_OBJECT
public:
    explicit FolderTreeWidget(QWidget *parent = nullptr);
    ~FolderTreeWidget() override;

signals:
    void dragStartRequested();
    void editRequested(QTreeWidgetItem *item);
    // Connected directly: the handler may rewrite *text, which is then what the item keeps.
    void editEnded(QTreeWidgetItem *item, QString *text);
    // Positions are in viewport coordinates.
    void dragMoved(const QString &source, const QPoint &pos);
    void dragLeft();
    void dropped(const QString &source, const QPoint &pos);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    friend class FolderEditDelegate;
    void finishEdit(const QModelIndex &index, QString *text);

    FolderEditDelegate *m_delegate;
};
