#pragma once

#include "store/BSN_Users.h"

#include <QObject>

// The one writer of the signed-in user. Everything else reads gCurrentUser, which is a const
// view of this object's user: a change goes through here, so changed() never misses one.
class CurrentUser : public QObject
{
    Q_OBJECT
public:
    static CurrentUser &instance();

    const UserPtr &user() const { return m_user; }
    // Put aside by the minimise into the tray, until restore() or dropAside().
    const UserPtr &asideUser() const { return m_aside; }

    void signIn(UserPtr user);
    void signOut();
    // The minimise: nobody is signed in while the window goes into the tray, the user is kept.
    void putAside();
    // Brings back the user put aside, if any; the one put aside stays kept until dropAside(),
    // so a redraw while minimised finds them again.
    void restore();
    // The window is back: what was put aside is no longer the user to come back to.
    void dropAside();

signals:
    // Once for every change of the signed-in user, never for a write of the same one.
    void changed(const UserPtr &user);

private:
    CurrentUser() = default;
    void set(UserPtr user);

    UserPtr m_user;
    UserPtr m_aside;
};
