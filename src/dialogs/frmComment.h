#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class frmComment;
}

// One auction's comment. The dialog only edits the text; the caller stores it for the auction
// it opened the dialog for. At most kMaxLength characters, the width of the comments column.
class frmComment : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kMaxLength = 255;

    explicit frmComment(QWidget *owner = nullptr);
    ~frmComment() override;

    // The auction's title (shown as plain text) and its current comment.
    void setAuction(const QString &title, const QString &comment);
    QString comment() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::frmComment> ui;
};
