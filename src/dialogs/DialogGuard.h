#pragma once

#include "AppSettings.h"
#include "Database.h"
#include "Globals.h"
#include "MsgBox.h"

#include <QString>
#include <exception>

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
