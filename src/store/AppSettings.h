#pragma once

#include <QString>

class Database;
class SettingsStore;

// The installation's system settings: the Application row plus section "appsettings" of the
// settings store. Creating one loads it.
class AppSettings
{
public:
    AppSettings(Database &db, SettingsStore &store);

    QString PhoneBookEntry;
    qint32 ConnectionType = 0; // 0 dial-up, 1 AOL, 2 direct, 3 proxy
    QString ProxyServer;
    qint16 AutoConnect = 0;
    qint16 AutoTimeSync = 0;
    qint16 ConnectXPriortoBid = 0;
    qint32 ConnectUnitOfMeasure = 0;
    QString TimeZone;
    qint16 TimeOffset = 0;
    qint16 PeriodicTimeSync = 0;
    qint16 DisconnectAfterSnipe = 0;
    qint16 ShowClosingWarning = 0;
    bool AutoDeleteErrorLogs = false;
    qint16 DeleteErrorLogDays = 0;
    QString DialupUserName;
    QString DialupPassword;
    bool NotSetup = false;

    // Writes every stored member; shows a message box and returns false when it cannot.
    bool SaveSettings();

    static constexpr const char *kSection = "appsettings";

private:
    void load();
    Database &m_db;
    SettingsStore &m_store;
};
