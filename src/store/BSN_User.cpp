#include "store/BSN_User.h"

void BSN_User::setCookie(const QString &cookie)
{
    const int semi = cookie.indexOf(QLatin1Char(';'));
    const QString kept = semi < 0 ? cookie : cookie.left(semi + 1);
    if (!kept.isEmpty())
        m_cookie = kept;
}
