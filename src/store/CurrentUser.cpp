#include "store/CurrentUser.h"

#include <utility>

CurrentUser &CurrentUser::instance()
{
    static CurrentUser current;
    return current;
}

void CurrentUser::signIn(UserPtr user)
{
    set(std::move(user));
}

void CurrentUser::signOut()
{
    set(nullptr);
}

void CurrentUser::putAside()
{
    m_aside = m_user;
    set(nullptr);
}

void CurrentUser::restore()
{
    if (m_aside)
        set(m_aside);
}

void CurrentUser::dropAside()
{
    m_aside.reset();
}

void CurrentUser::set(UserPtr user)
{
    if (user == m_user)
        return;
    m_user = std::move(user);
    emit changed(m_user);
}
