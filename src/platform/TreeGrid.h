#pragma once

#include <QString>

// A flat multi-column list: what the program asks of its auction grid, folder tree and log
// views. Rows and columns count from 0. Pictures are named ("picScheduled", "imgChecked");
// two pictures are the same when their names are. Colours are RGB values with red in the
// low byte (rgb(255, 0, 0) == 255).
class TreeGrid
{
public:
    virtual ~TreeGrid() = default;

    static constexpr qint32 rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

    // Where a click landed: a cell, the picture of a cell, or a column header.
    enum class ClickArea
    {
        Cell,
        CellPicture,
        ColumnHeader
    };

    virtual void clear() = 0;
    virtual qint32 addRow(const QString &text) = 0;
    virtual void removeRow(qint32 row) = 0;
    virtual qint32 rowCount() const = 0;
    // The current row when it is highlighted; -1 otherwise.
    virtual qint32 currentRow() const = 0;
    virtual void selectRow(qint32 row) = 0;
    virtual QList<qint32> selectedRows() const = 0;

    virtual qint32 rowKey(qint32 row) const = 0;
    virtual void setRowKey(qint32 row, qint32 key) = 0;
    virtual qint32 rowLevel(qint32 row) const = 0;
    virtual void setRowLevel(qint32 row, qint32 level) = 0;
    // -1 when no row matches.
    virtual qint32 findRowByKey(qint32 key, qint32 startRow = 0) const = 0;
    virtual qint32 findRowByText(const QString &text, qint32 column, qint32 startRow = 0) const = 0;

    virtual QString cellText(qint32 row, qint32 column) const = 0;
    virtual void setCellText(qint32 row, qint32 column, const QString &text) = 0;
    virtual QString cellPicture(qint32 row, qint32 column) const = 0;
    virtual void setCellPicture(qint32 row, qint32 column, const QString &picture) = 0;
    virtual void setCellPictureSetting(qint32 row, qint32 column, qint32 value) = 0;
    // -1 = the control's default colour.
    virtual qint32 cellColor(qint32 row, qint32 column) const = 0;
    virtual void setCellColor(qint32 row, qint32 column, qint32 color) = 0;

    virtual qint32 columnCount() const = 0;
    virtual void setColumnCount(qint32 count) = 0;
    virtual QString columnCaption(qint32 column) const = 0;
    virtual void setColumnCaption(qint32 column, const QString &caption) = 0;
    virtual QString columnHeaderPicture(qint32 column) const = 0;
    virtual void setColumnHeaderPicture(qint32 column, const QString &picture) = 0;
    // Two per-column settings. The first aligns the column's cells: 0 left, 1 centred, 2 right
    // (8, the title column, left); the second 1 aligns the caption like the cells, 0 keeps it left.
    virtual void setColumnStyle(qint32 column, qint32 first, qint32 second) = 0;
    // A flagged header acts as a button: its clicks and tooltip requests are reported.
    virtual void setColumnHeaderFlag(qint32 column, bool on) = 0;
    virtual bool columnHeaderFlag(qint32 column) const = 0;
    // Fits the column to its contents, up to a share of the grid's width.
    virtual void fitColumn(qint32 column) = 0;
    virtual float columnWidth(qint32 column) const = 0;
    virtual void setColumnWidth(qint32 column, float width) = 0;

    // Scrolls the row into view.
    virtual void makeVisible(qint32 row) = 0;
    // The picture carried by the mouse during a drag of this control, and the start of that drag.
    virtual void setDragPicture(const QString &picture) = 0;
    virtual void beginDrag() = 0;

    // On while the program fills the control: nothing is drawn until the matching off.
    virtual void setBulkUpdate(bool on) = 0;
    virtual void refreshLayout() = 0;
};
