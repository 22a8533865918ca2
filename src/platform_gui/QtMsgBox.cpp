#include "platform_gui/QtMsgBox.h"

#include "platform/MsgBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace QtMsgBox {

namespace {

QMessageBox::Icon iconOf(MsgBox::Icon icon)
{
    switch (icon) {
    case MsgBox::Icon::Information:
        return QMessageBox::Information;
    case MsgBox::Icon::Exclamation:
        return QMessageBox::Warning;
    case MsgBox::Icon::Critical:
        return QMessageBox::Critical;
    case MsgBox::Icon::Question:
        return QMessageBox::Question;
    case MsgBox::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton buttonOf(MsgBox::Answer answer)
{
    switch (answer) {
    case MsgBox::Answer::Ok:
        return QMessageBox::Ok;
    case MsgBox::Answer::Cancel:
        return QMessageBox::Cancel;
    case MsgBox::Answer::Yes:
        return QMessageBox::Yes;
    case MsgBox::Answer::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

MsgBox::Answer show(const MsgBox::Request &req)
{
    if (!req.waits) {
        // Stays until closed; owned by the active window, never by a modal dialog that would
        // take it away when it closes.
        auto *box = new QMessageBox(iconOf(req.icon), req.title, req.prompt, QMessageBox::Ok,
                                    QApplication::activeModalWidget() ? nullptr : QApplication::activeWindow());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setTextFormat(Qt::PlainText);
        box->setWindowModality(Qt::NonModal);
        box->show();
        return MsgBox::Answer::Ok;
    }
    QWidget *owner = QApplication::activeModalWidget();
    if (!owner)
        owner = QApplication::activeWindow();
    QMessageBox box(iconOf(req.icon), req.title, req.prompt, QMessageBox::NoButton, owner);
    // Texts can come from the site or a user: never rich text.
    box.setTextFormat(Qt::PlainText);
    QList<MsgBox::Answer> answers;
    switch (req.buttons) {
    case MsgBox::Buttons::Ok:
        answers = {MsgBox::Answer::Ok};
        break;
    case MsgBox::Buttons::OkCancel:
        answers = {MsgBox::Answer::Ok, MsgBox::Answer::Cancel};
        break;
    case MsgBox::Buttons::YesNo:
        answers = {MsgBox::Answer::Yes, MsgBox::Answer::No};
        break;
    case MsgBox::Buttons::YesNoCancel:
        answers = {MsgBox::Answer::Yes, MsgBox::Answer::No, MsgBox::Answer::Cancel};
        break;
    }
    for (MsgBox::Answer a : answers)
        box.addButton(buttonOf(a));
    box.setDefaultButton(buttonOf(req.defaultAnswer.value_or(answers.first())));
    // Escape (or the close box) gives Cancel, or No where there is no Cancel, or OK.
    if (answers.contains(MsgBox::Answer::Cancel))
        box.setEscapeButton(QMessageBox::Cancel);
    else if (answers.contains(MsgBox::Answer::No))
        box.setEscapeButton(QMessageBox::No);
    else
        box.setEscapeButton(QMessageBox::Ok);
    const auto clicked = box.exec();
    for (MsgBox::Answer a : answers) {
        if (clicked == buttonOf(a))
            return a;
    }
    return answers.last();
}

} // namespace

void install()
{
    MsgBox::setHandler(&show);
}

} // namespace QtMsgBox
