#pragma once

#include <QDialog>
#include <memory>

class FormTimer;
namespace Ui {
class frmSplash;
}

// The picture shown for two seconds while the program starts; it closes itself.
class frmSplash : public QDialog
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget *owner = nullptr);
    ~frmSplash() override;

    void tmrPause_Timer();
    FormTimer *tmrPause = nullptr;

private:
    std::unique_ptr<Ui::frmSplash> ui;
};
