#pragma once

#include <QString>

// Who may read the files that hold passwords (the database, the settings file): their owner
// alone. These work on the file's mode bits; a folder's access is left as it is.
namespace file_modes {

// Makes an empty file that only its owner may read and write. False when something already
// stands at path or it cannot be made; *error says why.
bool createOwnerOnly(const QString &path, QString *error = nullptr);

enum class Tightening
{
    AlreadyPrivate, // nothing at path, or only its owner has access
    Tightened,      // group and others had access and lost it
    Failed,
};
// Takes every access of group and others away from the file at path; the owner keeps his.
Tightening removeOthersAccess(const QString &path, QString *error = nullptr);

// Gives to the owner's access the file from has (never more, never to anyone else).
bool copyOwnerAccess(const QString &from, const QString &to, QString *error = nullptr);

// The permission bits of the file at path (e.g. 0600), or -1 when it cannot be looked at.
int permissions(const QString &path);

} // namespace file_modes
