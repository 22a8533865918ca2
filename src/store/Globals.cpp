#include "store/Globals.h"

#include "platform/Database.h"
#include "store/AppSettings.h"

std::unique_ptr<Database> gDB;
std::unique_ptr<AppSettings> gSettings;
std::unique_ptr<BSN_Users> gUsers;
const UserPtr &gCurrentUser = CurrentUser::instance().user();

void ReleaseGlobals()
{
    CurrentUser::instance().signOut();
    CurrentUser::instance().dropAside();
    gUsers.reset();
    gSettings.reset(); // holds a reference to gDB
    gDB.reset();
}
