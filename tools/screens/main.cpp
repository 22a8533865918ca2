// zandrift-screens DIR: renders every state of the main window a user meets, at the first size
// the window takes on the screens walked, and every dialog page to PNG files in DIR, on the
// offscreen platform, against the practice site in this process.
#include "DemoFolder.h"
#include "ScreenWalk.h"
#include "platform/MsgBox.h"

#include <QApplication>
#include <QDir>
#include <QWidget>
#include <cstdio>

int main(int argc, char **argv)
{
    DemoFolder::useHeadlessPlatform();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Zandrift"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: zandrift-screens DIR\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "zandrift-screens: cannot make %s\n", argv[1]);
        return 1;
    }
    // Boxes would wait for a click nobody gives: answer them and say what they were.
    MsgBox::setHandler([](const MsgBox::Request &r) {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(r.title), qPrintable(r.prompt));
        return r.buttons == MsgBox::Buttons::YesNo ? MsgBox::Answer::No : MsgBox::Answer::Ok;
    });

    int failures = 0;
    QString error;
    const bool walked = ScreenWalk::walk(
        [&](QWidget &shown, const QString &name) {
            const QString path = out.filePath(name + QStringLiteral(".png"));
            if (!shown.grab().save(path)) {
                std::fprintf(stderr, "zandrift-screens: cannot write %s\n", qPrintable(path));
                ++failures;
                return;
            }
            std::printf("%s\n", qPrintable(path));
        },
        &error);
    if (!walked) {
        std::fprintf(stderr, "zandrift-screens: %s\n", qPrintable(error));
        return 1;
    }
    return failures ? 1 : 0;
}
