#pragma once

#include "store/BSN_User.h"

#include <memory>
#include <vector>

class Database;
class SettingsStore;

using UserPtr = std::shared_ptr<BSN_User>;

// All program users, in the order of the Users table. Users are shared pointers so that a
// user held elsewhere (the signed-in one) stays valid across a reload.
class BSN_Users
{
public:
    // Reloads the list from the Users table; database errors reach the caller as DbError.
    void Init(Database &db);
    void Init(Database &db, const SettingsStore &store);

    int Count() const { return static_cast<int>(m_users.size()); }
    UserPtr GetUserByPrimary(qint32 key) const;
    // Compared exactly: "ann" does not find "Ann".
    UserPtr GetUserByZandroName(const QString &name) const;
    const std::vector<UserPtr> &Users() const { return m_users; }

    void Save() {}
    void Refresh() {}

private:
    std::vector<UserPtr> m_users;
};

// The user's grid column set, read from the user's settings-store section.
AucColumns LoadUserColumns(const BSN_User &user, const SettingsStore &store);

// Signs in the user marked for automatic log-on; false (gCurrentUser unchanged) when none is.
bool LogInDefaultUser();
