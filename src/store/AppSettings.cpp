#include "store/AppSettings.h"

#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "platform/Recordset.h"
#include "platform/SettingsStore.h"
#include "platform/Transaction.h"
#include "platform/Values.h"
#include "store/StoreValues.h"

namespace {

const QString kSectionName = QString::fromLatin1(AppSettings::kSection);

// Character by character: a pair of UTF-16 halves (an emoji, say) stays in its order.
QString reversed(const QString &s)
{
    QString r;
    r.reserve(s.size());
    for (qsizetype i = s.size(); i > 0;) {
        const bool pair = i >= 2 && s.at(i - 1).isLowSurrogate() && s.at(i - 2).isHighSurrogate();
        const qsizetype n = pair ? 2 : 1;
        i -= n;
        r += QStringView(s).mid(i, n);
    }
    return r;
}

QString textOf(Recordset &rs, const char *column)
{
    return rs.value(QLatin1String(column)).toString();
}

qint32 longOf(Recordset &rs, const char *column)
{
    const QVariant v = rs.value(QLatin1String(column));
    return v.isNull() ? 0 : static_cast<qint32>(v.toLongLong());
}

qint16 intOf(Recordset &rs, const char *column)
{
    return static_cast<qint16>(longOf(rs, column));
}

qint16 requireInt16(const QString &text, const char *key)
{
    const auto v = toInt16(text);
    if (!v)
        throw DbError(QStringLiteral("Type mismatch in setting \"%1\".").arg(QLatin1String(key)));
    return *v;
}

} // namespace

AppSettings::AppSettings(Database &db, SettingsStore &store) : m_db(db), m_store(store)
{
    try {
        load();
    } catch (const DbError &) {
        MsgBox::show(QStringLiteral("Error Retrieving Application Settings."),
                     QStringLiteral("Unable to Retrieve Information"), MsgBox::Icon::Critical);
    }
}

void AppSettings::load()
{
    auto app = m_db.openTable(QStringLiteral("Application"));
    app->moveFirst();
    if (intOf(*app, "APP_SettingsUpdated") != 1) {
        NotSetup = true;
        PhoneBookEntry.clear();
        ConnectionType = 0;
        ProxyServer.clear();
        AutoConnect = 1;
        AutoTimeSync = 1;
        ConnectXPriortoBid = 5;
        TimeOffset = 0;
        TimeZone.clear();
        PeriodicTimeSync = 24;
        ShowClosingWarning = 1;
        return;
    }

    PhoneBookEntry = textOf(*app, "APP_PhoneBookEntry");
    ConnectionType = longOf(*app, "APP_ConnectionType");
    ProxyServer = textOf(*app, "APP_ProxyServer");
    AutoConnect = intOf(*app, "APP_AutoConnect");
    AutoTimeSync = intOf(*app, "APP_AutoTimeSync");
    ConnectXPriortoBid = intOf(*app, "APP_ConnectXPriortoBid");
    TimeOffset = intOf(*app, "APP_TimeOffset");
    TimeZone = textOf(*app, "APP_TimeZone");
    PeriodicTimeSync = intOf(*app, "APP_PeriodicTimeSync");

    // These two were once written by hand; a bad value keeps the member as it is.
    if (const auto v = toInt16(m_store.get(kSectionName, QStringLiteral("discaftersnipe"), QStringLiteral("0"))))
        DisconnectAfterSnipe = *v;
    if (const auto v = toInt16(m_store.get(kSectionName, QStringLiteral("showclosingwarning"), QStringLiteral("1"))))
        ShowClosingWarning = *v;

    AutoDeleteErrorLogs =
        requireInt16(m_store.get(kSectionName, QStringLiteral("AutoDeleteErrorLogs"), QStringLiteral("1")),
                     "AutoDeleteErrorLogs") == 1;
    if (AutoDeleteErrorLogs)
        DeleteErrorLogDays =
            purgeDays(requireInt16(m_store.get(kSectionName, QStringLiteral("DeleteErrorLogDays"), QStringLiteral("7")),
                                   "DeleteErrorLogDays"),
                      7);

    DialupUserName = Values::trimBlanks(m_store.get(kSectionName, QStringLiteral("duser")));
    DialupPassword = reversed(Values::trimBlanks(m_store.get(kSectionName, QStringLiteral("closewarn"))));
    NotSetup = false;
}

bool AppSettings::SaveSettings()
{
    try {
        // One step: a row that cannot be written leaves the settings file as it was, and a
        // settings file that cannot be written leaves the row as it was.
        Transaction step(m_db);
        auto app = m_db.openTable(QStringLiteral("Application"));
        app->moveFirst();
        app->edit();
        app->setValue(QStringLiteral("APP_PhoneBookEntry"), PhoneBookEntry);
        app->setValue(QStringLiteral("APP_ConnectionType"), ConnectionType);
        app->setValue(QStringLiteral("APP_ProxyServer"), ProxyServer);
        app->setValue(QStringLiteral("APP_AutoConnect"), AutoConnect);
        app->setValue(QStringLiteral("APP_AutoTimeSync"), AutoTimeSync);
        app->setValue(QStringLiteral("APP_ConnectXPriortoBid"), ConnectXPriortoBid);
        app->setValue(QStringLiteral("APP_TimeOffset"), TimeOffset);
        app->setValue(QStringLiteral("APP_TimeZone"), TimeZone);
        app->setValue(QStringLiteral("APP_SettingsUpdated"), 1);
        app->setValue(QStringLiteral("APP_PeriodicTimeSync"), PeriodicTimeSync);
        app->update();

        m_store.set(kSectionName, QStringLiteral("DiscAfterSnipe"), QString::number(DisconnectAfterSnipe));
        m_store.set(kSectionName, QStringLiteral("ShowClosingWarning"), QString::number(ShowClosingWarning));
        m_store.set(kSectionName, QStringLiteral("AutoDeleteErrorLogs"),
                    AutoDeleteErrorLogs ? QStringLiteral("1") : QStringLiteral("0"));
        if (AutoDeleteErrorLogs)
            m_store.set(kSectionName, QStringLiteral("DeleteErrorLogDays"), QString::number(DeleteErrorLogDays));
        m_store.set(kSectionName, QStringLiteral("duser"), Values::trimBlanks(DialupUserName));
        m_store.set(kSectionName, QStringLiteral("closewarn"), reversed(Values::trimBlanks(DialupPassword)));
        if (!m_store.sync())
            throw DbError(QStringLiteral("The settings file \"%1\" could not be written.").arg(m_store.fileName()));
        step.commit();
    } catch (const DbError &) {
        MsgBox::show(QStringLiteral("Unable to save application settings."), QStringLiteral("Error Saving Settings"),
                     MsgBox::Icon::Exclamation);
        return false;
    }
    return true;
}
