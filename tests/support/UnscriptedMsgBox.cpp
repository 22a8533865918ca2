// Linked into every test: a message box that no test scripted fails the running test, naming
// the box, instead of being answered in silence. Tests that mean to meet a box install a
// MsgBoxRecorder (or their own handler) around it.
#include "platform/MsgBox.h"

#include <QByteArray>
#include <QTest>

namespace {

const char *buttonsOf(MsgBox::Buttons buttons)
{
    switch (buttons) {
    case MsgBox::Buttons::Ok:
        return "OK";
    case MsgBox::Buttons::OkCancel:
        return "OK/Cancel";
    case MsgBox::Buttons::YesNo:
        return "Yes/No";
    case MsgBox::Buttons::YesNoCancel:
        return "Yes/No/Cancel";
    }
    return "?";
}

MsgBox::Answer failUnscripted(const MsgBox::Request &r)
{
    const QByteArray text = QStringLiteral("Unscripted message box [%1] (%2): %3")
                                .arg(r.title, QString::fromLatin1(buttonsOf(r.buttons)), r.prompt)
                                .toUtf8();
    if (QTest::currentTestFunction())
        QTest::qFail(text.constData(), __FILE__, __LINE__);
    else
        qFatal("%s", text.constData());
    // The answer that closing the box gives, so the rest of the test takes the harmless path.
    switch (r.buttons) {
    case MsgBox::Buttons::Ok:
        return MsgBox::Answer::Ok;
    case MsgBox::Buttons::YesNo:
        return MsgBox::Answer::No;
    case MsgBox::Buttons::OkCancel:
    case MsgBox::Buttons::YesNoCancel:
        break;
    }
    return MsgBox::Answer::Cancel;
}

[[maybe_unused]] const bool installed = (MsgBox::setHandler(&failUnscripted), true);

} // namespace
