#include "dialogs/frmLegend.h"
#include "ui_frmLegend.h"

#include "engine/AuctionEngine.h"
#include "platform_gui/Pictures.h"

frmLegend::frmLegend(QWidget *owner) : QDialog(owner), ui(new Ui::frmLegend)
{
    ui->setupUi(this);
    const QIcon icon = windowIcon();
    if (icon.isNull())
        ui->picIcon->hide();
    else
        ui->picIcon->setPixmap(icon.pixmap(32, 32));
    // One row per status code, in code order, each with the picture the grid shows for it.
    QLabel *const pictures[] = {ui->picNotScheduled, ui->picScheduled, ui->picBidSubmitted, ui->picSnipedWon,
                                ui->picSnipedLost,   ui->picClosed,    ui->picError};
    for (int status = AuctionStatus::NotScheduled; status <= AuctionStatus::Error; ++status)
        pictures[status - AuctionStatus::NotScheduled]->setPixmap(
            programPicture(GetStatusPicture(status)).pixmap(16, 16));
    connect(ui->Command1, &QPushButton::clicked, this, &QDialog::accept);
    // Wrapped labels: the height follows from the width.
    const int width = qMax(minimumWidth(), sizeHint().width());
    resize(width, layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width) : sizeHint().height());
}

frmLegend::~frmLegend() = default;
