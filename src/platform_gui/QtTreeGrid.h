#pragma once

#include "platform/TreeGrid.h"

#include <QFont>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QPointer>
#include <QVector>

class QTreeWidget;
class QTreeWidgetItem;
class GridItemDelegate;

// The tree-grid over a QTreeWidget used as a flat list. Pictures are looked up by name in a
// table the window fills; widths are in twips, like the rest of the window's layout.
//
// Events come out as signals: clicks (with the area and the button), the selection change,
// the header's tooltip request and the start of a drag. The drag start is reported only for a
// TreeGridWidget, which hands Qt's drag over to the program.
class QtTreeGrid : public QObject, public TreeGrid
{
    Q_OBJECT
public:
    explicit QtTreeGrid(QTreeWidget *widget, QObject *parent = nullptr);
    ~QtTreeGrid() override;

    QTreeWidget *widget() const { return m_tree; }
    static void registerPicture(const QString &name, const QIcon &icon);
    static QIcon picture(const QString &name);
    // The MIME type of a drag begun by beginDrag(); its data is the source control's objectName.
    static constexpr const char *kDragSourceMimeType = "application/x-zandrift-drag-source";

    void clear() override;
    qint32 addRow(const QString &text) override;
    void removeRow(qint32 row) override;
    qint32 rowCount() const override;
    qint32 currentRow() const override;
    void selectRow(qint32 row) override;
    QList<qint32> selectedRows() const override;

    qint32 rowKey(qint32 row) const override;
    void setRowKey(qint32 row, qint32 key) override;
    qint32 rowLevel(qint32 row) const override;
    void setRowLevel(qint32 row, qint32 level) override;
    qint32 findRowByKey(qint32 key, qint32 startRow = 0) const override;
    qint32 findRowByText(const QString &text, qint32 column, qint32 startRow = 0) const override;

    QString cellText(qint32 row, qint32 column) const override;
    void setCellText(qint32 row, qint32 column, const QString &text) override;
    QString cellPicture(qint32 row, qint32 column) const override;
    void setCellPicture(qint32 row, qint32 column, const QString &picture) override;
    void setCellPictureSetting(qint32 row, qint32 column, qint32 value) override;
    qint32 cellColor(qint32 row, qint32 column) const override;
    void setCellColor(qint32 row, qint32 column, qint32 color) override;

    qint32 columnCount() const override;
    void setColumnCount(qint32 count) override;
    QString columnCaption(qint32 column) const override;
    void setColumnCaption(qint32 column, const QString &caption) override;
    QString columnHeaderPicture(qint32 column) const override;
    void setColumnHeaderPicture(qint32 column, const QString &picture) override;
    void setColumnStyle(qint32 column, qint32 first, qint32 second) override;
    // The two style values of a column, {0, 0} when never set.
    QPair<qint32, qint32> columnStyle(qint32 column) const;
    void setColumnHeaderFlag(qint32 column, bool on) override;
    bool columnHeaderFlag(qint32 column) const override;
    void fitColumn(qint32 column) override;
    float columnWidth(qint32 column) const override;
    void setColumnWidth(qint32 column, float width) override;

    void makeVisible(qint32 row) override;
    void setDragPicture(const QString &picture) override;
    QString dragPicture() const { return m_dragPicture; }
    void beginDrag() override;

    void setBulkUpdate(bool on) override;
    bool bulkUpdate() const { return m_bulkDepth > 0; }
    void refreshLayout() override;

    // The picture's rectangle of a cell in viewport coordinates; empty when it shows none.
    QRect pictureRect(qint32 row, qint32 column) const;
    // What a click at a viewport point would hit, as clicked() reports it; row -1 for no row.
    void hitTest(const QPoint &viewportPos, qint32 *row, qint32 *column, ClickArea *area) const;

signals:
    // row is -1 for a header. Every button is reported.
    void clicked(qint32 row, qint32 column, TreeGrid::ClickArea area, Qt::MouseButton button);
    // The highlighted current row may have changed (currentRow() tells which).
    void selectionChanged();
    // A handler writes the tooltip into *text; nothing is shown when it stays empty.
    void headerToolTipRequested(qint32 column, QString *text);
    void dragStartRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTreeWidgetItem *item(qint32 row) const;
    bool validColumn(qint32 column) const;
    float twipsPerPixel() const;
    // Rows added while bulk update is on wait outside the view and go in at once.
    void flushPending();
    void headerSectionClicked(int section);
    void reportSelection();
    int textWidth(const QString &text) const;

    QTreeWidget *m_tree;
    QPointer<QWidget> m_viewport;
    QPointer<QWidget> m_headerViewport;
    GridItemDelegate *m_delegate;
    QList<QTreeWidgetItem *> m_pending;
    int m_bulkDepth = 0;
    QVector<bool> m_headerFlags;
    QVector<QPair<qint32, qint32>> m_styles;
    QString m_dragPicture;
    mutable QFont m_advanceFont;
    mutable QVector<int> m_advances;
    QPersistentModelIndex m_pressIndex;
    Qt::MouseButton m_pressButton = Qt::NoButton;
    qint32 m_reportedRow = -1;
};
