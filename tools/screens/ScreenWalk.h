#pragma once

#include <QList>
#include <QSize>
#include <QString>
#include <functional>

class QWidget;

// Every state of the main window a user meets, at the first size the window takes on each of
// the screens below, and every page of every dialog: shown one after the other on a program
// folder of its own against the practice site in this process. The screenshot tool saves each
// one; the geometry test checks each one.
namespace ScreenWalk {

// The screens whose first window size is walked.
QList<QSize> screens();

// Called once per state with the window or dialog showing it and a file-like name
// ("1024x768-window-add-strip", "dialog-settings-2").
using Visit = std::function<void(QWidget &shown, const QString &name)>;

// Walks everything; false with the reason when the folder, the site or the window cannot be
// set up, or a state's page never showed. Needs a QApplication made after
// DemoFolder::useHeadlessPlatform().
bool walk(const Visit &visit, QString *error);

} // namespace ScreenWalk
