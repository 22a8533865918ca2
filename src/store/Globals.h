#pragma once

#include "store/BSN_Users.h"
#include "store/CurrentUser.h"

#include <memory>

class AppSettings;
class Database;

// The objects that live for the whole run. Created in this order at start-up and released in
// the reverse order by ReleaseGlobals(): gDB, gSettings, gUsers; gCurrentUser is one of gUsers',
// read here and written only through CurrentUser.
// gDB is one object from its creation to ReleaseGlobals(): closing and reopening the file
// (compaction) happen inside it, so a reference to *gDB stays valid across them.
extern std::unique_ptr<Database> gDB;
extern std::unique_ptr<AppSettings> gSettings;
extern std::unique_ptr<BSN_Users> gUsers;
extern const UserPtr &gCurrentUser;

void ReleaseGlobals();
