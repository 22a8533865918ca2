#pragma once

#include <QString>
#include <QUrl>
#include <functional>

// Opens files and pages with the programs the desktop chooses for them (a .txt file: the text
// editor). No shell is involved: the address travels as one piece, whatever it holds. Tests
// install an opener that records what was asked instead of starting anything.
namespace DesktopServices {

using Opener = std::function<bool(const QUrl &url)>;

// False when the desktop has no program for it or could not start one.
bool openUrl(const QUrl &url);
bool openFile(const QString &path);

// Installs an opener and returns the one it replaces; an empty one restores the desktop's.
Opener setOpener(Opener opener);

} // namespace DesktopServices
