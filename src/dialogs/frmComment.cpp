#include "dialogs/frmComment.h"
#include "ui_frmComment.h"

frmComment::frmComment(QWidget *owner) : QDialog(owner), ui(new Ui::frmComment)
{
    ui->setupUi(this);
    if (owner)
        setWindowIcon(owner->window()->windowIcon());
    const QIcon icon = windowIcon();
    if (icon.isNull())
        ui->picIcon->hide();
    else
        ui->picIcon->setPixmap(icon.pixmap(32, 32));
    ui->txtComment->setMaxLength(kMaxLength);
    ui->lblTitle->clear();
    connect(ui->cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

frmComment::~frmComment() = default;

void frmComment::setAuction(const QString &title, const QString &comment)
{
    ui->lblTitle->setText(title);
    ui->txtComment->setText(comment.left(kMaxLength));
}

QString frmComment::comment() const
{
    return ui->txtComment->text();
}

// Typing replaces the whole comment.
void frmComment::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    ui->txtComment->setFocus();
    ui->txtComment->selectAll();
}
