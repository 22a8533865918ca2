#include "dialogs/ColumnChooserPage.h"
#include "ui_ColumnChooserPage.h"

#include "dialogs/DialogArt.h"
#include "platform/SettingsStore.h"
#include "store/AucColumns.h"

namespace {
const QString kAuctions = QStringLiteral("Auctions");
const QString kItemNumber = QStringLiteral("Item #");

QStringList texts(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

bool hasSelection(const QListWidget *list)
{
    return list->count() > 0 && !list->selectedItems().isEmpty();
}

// Moves the current entry of one list to the end of the other, selects it there, and leaves the
// entry that moved up into the gap (or the new last one) selected in the first.
void moveCurrent(QListWidget *from, QListWidget *to)
{
    const int i = from->currentRow();
    if (i < 0 || !hasSelection(from))
        return;
    to->addItem(from->item(i)->text());
    to->setCurrentRow(to->count() - 1);
    delete from->takeItem(i);
    const int left = from->count();
    if (left > 0)
        from->setCurrentRow(i + 1 <= left ? i : left - 1);
}
} // namespace

ColumnChooserPage::ColumnChooserPage(QWidget *parent) : QWidget(parent), ui(new Ui::ColumnChooserPage)
{
    initDialogArt();
    ui->setupUi(this);
    ui->cmdAddCol->setIcon(QIcon(QStringLiteral(":/dialogs/art/arrow-right.svg")));
    ui->cmdDeleteCol->setIcon(QIcon(QStringLiteral(":/dialogs/art/arrow-left.svg")));
    ui->cmdUp->setIcon(QIcon(QStringLiteral(":/dialogs/art/arrow-up.svg")));
    ui->cmdDown->setIcon(QIcon(QStringLiteral(":/dialogs/art/arrow-down.svg")));

    connect(ui->cmdAddCol, &QToolButton::clicked, this, &ColumnChooserPage::AddViewColumn);
    connect(ui->cmdDeleteCol, &QToolButton::clicked, this, &ColumnChooserPage::RemoveViewColumn);
    connect(ui->cmdUp, &QToolButton::clicked, this, [this] { MoveColumn(-1); });
    connect(ui->cmdDown, &QToolButton::clicked, this, [this] { MoveColumn(1); });
    connect(ui->sftAvailable, &QListWidget::itemDoubleClicked, this, &ColumnChooserPage::AddViewColumn);
    connect(ui->sftView, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        if (item->text() != kItemNumber && item->text() != kAuctions)
            RemoveViewColumn();
    });
    for (QListWidget *list : {ui->sftAvailable, ui->sftView}) {
        connect(list, &QListWidget::itemSelectionChanged, this, &ColumnChooserPage::UpdateColumnButtons);
        connect(list, &QListWidget::currentRowChanged, this, &ColumnChooserPage::UpdateColumnButtons);
    }
    UpdateColumnButtons();
}

ColumnChooserPage::~ColumnChooserPage() = default;

void ColumnChooserPage::FillColumnLists(const AucColumns &source)
{
    AucColumns cols = source;
    cols.CreateViewNonViewColumns();
    ui->sftView->clear();
    ui->sftAvailable->clear();
    ui->sftView->addItems(cols.ViewColumns);
    ui->sftAvailable->addItems(cols.NonViewColumns);
    UpdateColumnButtons();
}

void ColumnChooserPage::UpdateColumnButtons()
{
    QListWidget *view = ui->sftView;
    ui->cmdAddCol->setEnabled(hasSelection(ui->sftAvailable));
    bool remove = hasSelection(view);
    bool up = false;
    bool down = false;
    if (hasSelection(view)) {
        const int i = view->currentRow();
        up = i >= 1;
        down = i >= 0 && i < view->count() - 1;
        const QString current = i >= 0 ? view->item(i)->text() : QString();
        if (current == kAuctions) {
            up = down = remove = false;
        } else if (current == kItemNumber) {
            remove = false;
        }
        // Nothing moves above "Auctions".
        if (i == 1)
            up = false;
    }
    ui->cmdDeleteCol->setEnabled(remove);
    ui->cmdUp->setEnabled(up);
    ui->cmdDown->setEnabled(down);
}

void ColumnChooserPage::AddViewColumn()
{
    moveCurrent(ui->sftAvailable, ui->sftView);
    UpdateColumnButtons();
}

void ColumnChooserPage::RemoveViewColumn()
{
    const int i = ui->sftView->currentRow();
    if (i >= 0) {
        const QString caption = ui->sftView->item(i)->text();
        if (caption != kAuctions && caption != kItemNumber)
            moveCurrent(ui->sftView, ui->sftAvailable);
    }
    UpdateColumnButtons();
}

void ColumnChooserPage::MoveColumn(int step)
{
    QListWidget *view = ui->sftView;
    const int i = view->currentRow();
    const int j = i + step;
    // The buttons' own rules: "Auctions" neither moves nor is passed.
    if (i < 0 || !hasSelection(view) || j < 1 || j >= view->count() || view->item(i)->text() == kAuctions)
        return;
    QListWidgetItem *item = view->takeItem(i);
    view->insertItem(j, item);
    view->setCurrentRow(j);
    UpdateColumnButtons();
}

QStringList ColumnChooserPage::viewColumns() const
{
    return texts(ui->sftView);
}

QStringList ColumnChooserPage::availableColumns() const
{
    return texts(ui->sftAvailable);
}

void ColumnChooserPage::SaveUserColumns(SettingsStore &store, const QString &section, const QString &caption,
                                        int position)
{
    store.set(section, QStringLiteral("col") + caption, QString::number(position));
}

void ColumnChooserPage::saveAllColumns(SettingsStore &store, const QString &section) const
{
    const QStringList shown = viewColumns();
    for (int i = 0; i < shown.size(); ++i)
        SaveUserColumns(store, section, shown[i], i);
    for (const QString &caption : availableColumns())
        SaveUserColumns(store, section, caption, -1);
}
