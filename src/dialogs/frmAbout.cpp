#include "dialogs/frmAbout.h"
#include "ui_frmAbout.h"

#include "dialogs/DialogArt.h"
#include "platform/MsgBox.h"
#include "store/AuctionDatabase.h"

#include <QProcess>
#include <QStandardPaths>

frmAbout::frmAbout(QWidget *owner) : QDialog(owner), ui(std::make_unique<Ui::frmAbout>())
{
    initDialogArt();
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("About ") + GetAppTitle());
    ui->lblVersion->setText(QStringLiteral("Version ") + GetAppVersion());
    ui->lblTitle->setText(GetAppTitle());
    connect(ui->cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(ui->cmdNotes, &QPushButton::clicked, this, &frmAbout::cmdNotes_Click);
    connect(ui->cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

frmAbout::~frmAbout() = default;

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::cmdNotes_Click()
{
    const QString crlf = QStringLiteral("\r\n");
    MsgBox::show(
        QStringLiteral("Release Notes for Version ") + GetAppVersion() + crlf + QString(32, QLatin1Char('-')) + crlf +
            QStringLiteral("- Fixed 'Error 5' problem while refreshing auctions that eBay has removed from "
                           "its system.") +
            crlf + QStringLiteral("- Added menu item: Help => Zandrift User Forum to link to the user forum site.") +
            crlf,
        QStringLiteral("Zandrift ") + GetAppVersion() + QStringLiteral(" Release Notes"));
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

QStringList frmAbout::sysInfoPrograms()
{
    return {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor")};
}

QString frmAbout::findSysInfoProgram()
{
    for (const QString &name : sysInfoPrograms()) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

void frmAbout::StartSysInfo()
{
    const QString program = findSysInfoProgram();
    if (program.isEmpty() || !QProcess::startDetached(program, {}))
        MsgBox::show(QStringLiteral("System Information Is Unavailable At This Time"), GetAppTitle());
}
