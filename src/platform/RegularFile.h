#pragma once

#include <QString>

class QFile;

// Opens a file for reading only when it is a regular file (links followed). A FIFO, a device
// or a socket is refused without waiting: open() on a FIFO nobody writes to blocks until
// someone does, and the window thread would freeze with it. False with *error saying why.
bool openRegularFile(QFile &file, const QString &path, QString *error = nullptr);
// True when something other than a regular file (a FIFO, a device, a folder) stands at path;
// false for a regular file and for nothing at all. Looked at without opening it.
bool existsButIsNotRegular(const QString &path);
