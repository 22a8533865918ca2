#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class frmCloseZandrift;
}

// Asked when the program is closed with snipes scheduled; the answer goes to CloseResult
// (0 close, 1 do not close, 2 send to the tray). Its own close box answers 0; Escape is
// "Do Not Close", so a key pressed to get rid of the question never stops the snipes.
class frmCloseZandrift : public QDialog
{
    Q_OBJECT
public:
    explicit frmCloseZandrift(QWidget *owner = nullptr);
    ~frmCloseZandrift() override;

    void cmdClose_Click();
    void cmdCancel_Click();
    void Command1_Click();
    // Switches the warning off for good when the box is checked.
    void SetDoNotShow();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void finish(qint16 result);
    std::unique_ptr<Ui::frmCloseZandrift> ui;
};
