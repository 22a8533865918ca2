#pragma once

#include <QString>
#include <QStringList>

// The files that hold passwords: the database (every user's site and program passwords) and
// the settings file (the dial-up password). Only their owner may read them.
QStringList PrivateFilePaths();

// Takes away the access other accounts have to each of them. The names of the files that had
// such access, and the text that says so once (empty when none had).
struct Tightened
{
    QStringList files;
    QString message() const;
};
Tightened TightenPrivateFiles();
