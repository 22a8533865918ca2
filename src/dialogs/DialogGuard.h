#pragma once

#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

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
