#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class frmLegend;
}

// What each status picture of the auction grid means; the pictures are the grid's own.
class frmLegend : public QDialog
{
    Q_OBJECT

public:
    explicit frmLegend(QWidget *owner = nullptr);
    ~frmLegend() override;

private:
    std::unique_ptr<Ui::frmLegend> ui;
};
