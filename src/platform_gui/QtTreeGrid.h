#pragma once

#include "TreeGrid.h"

#include <QHash>
#include <QIcon>

class QTreeWidget;
class QTreeWidgetItem;

// The tree-grid over a QTreeWidget used as a flat list. Pictures are looked up by name in a
// table the window fills; widths are in twips, like the rest of the window's layout.
class QtTreeGrid : public TreeGrid
{
public:
    explicit QtTreeGrid(QTreeWidget *widget);

    QTreeWidget *widget() const { return m_tree; }
    static void registerPicture(const QString &name, const QIcon &icon);

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
    void fitColumn(qint32 column) override;
    float columnWidth(qint32 column) const override;
    void setColumnWidth(qint32 column, float width) override;

    void setBulkUpdate(bool on) override;
    void refreshLayout() override;

private:
    QTreeWidgetItem *item(qint32 row) const;
    bool validColumn(qint32 column) const;
    float twipsPerPixel() const;
    QTreeWidget *m_tree;
};
