#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>

namespace Ui {
class frmAbout;
}

// The program's title, version and description, its release notes, and a way to the desktop's
// system-information program.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *owner = nullptr);
    ~frmAbout() override;

    void cmdOK_Click();
    void cmdNotes_Click();
    void cmdSysInfo_Click();

    // Starts the system-information program, detached; says so when there is none.
    void StartSysInfo();
    // The programs looked for on the PATH, in order of preference.
    static QStringList sysInfoPrograms();
    // The first of them on the PATH, empty when none is.
    static QString findSysInfoProgram();

private:
    std::unique_ptr<Ui::frmAbout> ui;
};
