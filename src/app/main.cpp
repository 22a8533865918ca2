#include "dialogs/Dialogs.h"
#include "engine/EventGuard.h"
#include "mainwindow/SessionEnd.h"
#include "mainwindow/frmAuction.h"
#include "platform/ProcessGuards.h"
#include "platform_gui/QtMsgBox.h"
#include "store/Globals.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Before anything reads a password.
    process_guards::apply();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Zandrift"));
    QApplication::setApplicationName(QStringLiteral("Zandrift"));
    QtMsgBox::install();

    Dialogs dialogs;
    frmAuction window(dialogs);
    dialogs.engine = &window.engine();
    // From here on, also during the start-up's dialogs.
    SessionEnd sessionEnd(window);

    const QStringList args = QCoreApplication::arguments().mid(1);
    // False also when the session ended during the start-up. Its steps are guarded one by one;
    // anything else it meets is said, and the program ends.
    bool loaded = false;
    runGuarded("Form_Load", ErrorReport::Message, [&] { loaded = window.Form_Load(args.join(QLatin1Char(' '))); });
    const int code = loaded ? QApplication::exec() : 0;
    // The database goes before Qt's own statics do.
    ReleaseGlobals();
    return code;
}
