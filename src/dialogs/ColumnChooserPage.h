#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>

class AucColumns;
class SettingsStore;

namespace Ui {
class ColumnChooserPage;
}

// The profile wizard's "Column Display" page: which grid columns a user shows, and in which
// order. "Auctions" stays first and shown; "Item #" can move but stays shown.
class ColumnChooserPage : public QWidget
{
    Q_OBJECT

public:
    explicit ColumnChooserPage(QWidget *parent = nullptr);
    ~ColumnChooserPage() override;

    // Shown columns in their order into sftView, the others into sftAvailable.
    void FillColumnLists(const AucColumns &source);
    void UpdateColumnButtons();
    void AddViewColumn();
    void RemoveViewColumn();
    void MoveColumn(int step);

    QStringList viewColumns() const;
    QStringList availableColumns() const;

    // One "col" value of the user's section.
    static void SaveUserColumns(SettingsStore &store, const QString &section, const QString &caption, int position);
    // Every shown column with its position from 0, then every available one with -1.
    void saveAllColumns(SettingsStore &store, const QString &section) const;

private:
    std::unique_ptr<Ui::ColumnChooserPage> ui;
};
