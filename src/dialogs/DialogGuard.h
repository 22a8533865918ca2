#pragma once

#include "AppSettings.h"
#include "Database.h"
#include "Globals.h"
#include "MsgBox.h"

#include <QString>
#include <exception>

// A dialog's handlers run from the event loop, where nothing may be thrown: a database failure
// becomes a message and the dialog (and the program) carries on. False when work failed.
template <typename Work>
bool dialogGuarded(Work &&work)
{
    QString why;
    try {
        work();
        return true;
    } catch (const DbError &e) {
        why = e.message();
    } catch (const std::exception &e) {
        why = QString::fromLocal8Bit(e.what());
    }
    MsgBox::show(QStringLiteral("Zandrift could not complete this operation because of a database error:") +
                     QStringLiteral("\r\n") + why,
                 QStringLiteral("Database Error"), MsgBox::Icon::Exclamation);
    return false;
}

// The program's database and settings; a dialog built without them reports it instead of crashing.
inline Database &dialogDatabase()
{
    if (!gDB)
        throw DbError(QStringLiteral("The database is not open."));
    return *gDB;
}

inline AppSettings &dialogSettings()
{
    if (!gSettings)
        throw DbError(QStringLiteral("The settings are not loaded."));
    return *gSettings;
}
