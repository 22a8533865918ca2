#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>
#include <vector>

// An error of the dial-up component. number is counted above kObjectErrorBase, so the
// caller's error number is kObjectErrorBase + number.
class DialUpError : public std::runtime_error
{
public:
    DialUpError(int number, const QString &text)
        : std::runtime_error(text.toStdString()), m_number(number), m_text(text)
    {
    }
    int number() const { return m_number; }
    QString text() const { return m_text; }

private:
    int m_number;
    QString m_text;
};

struct DialUpEntry
{
    QString EntryName;
    // Set before DialEntry to override the stored credentials for that dial.
    QString UserName;
    QString Password;
    QString uuid;
    QString type;
};

struct DialUpConnection
{
    QString EntryName;
    QString State; // "activated", "activating", ...
    QString uuid;
    QString type;
};

// The dial-up phone book and open dial-up connections, over NetworkManager's nmcli: entries
// are the connection profiles of dial-up kinds, open connections the active ones. Without
// nmcli, or with NetworkManager not running, there are no entries and no open connections.
// Each object reads each list once, on first use, and keeps it: an index stays valid while
// connections are hung up one after another. Reading the open connections never takes more
// than onlineTimeoutMs: the online tests run on the window's thread.
class DialUpComponent
{
public:
    static constexpr qint32 kObjectErrorBase = -2147221504;
    // Component error numbers (above the base).
    enum ErrorNumber
    {
        errBadHandle = 6,
        errNotSupported = 120,
        errNoSuchEntry = 623,
        errDeviceError = 651,
        errNoAnswer = 678,
        errNotConfigured = 1911,
        errOtherBase = 2000 // + nmcli's exit code for anything else
    };

    DialUpComponent();

    int PhoneBookCount();
    DialUpEntry &PhoneBookEntry(int index);
    int OpenConnectionCount();
    DialUpConnection OpenConnection(int index);
    void RemoveConnection(int index);
    // interactive: the user asked for it and waits while the line comes up (errors show
    // then); otherwise the request is handed to NetworkManager and the caller checks later.
    void DialEntry(const DialUpEntry &entry, bool interactive);

    struct ErrorInfo
    {
        int number = 0;
        QString text;
    };
    ErrorInfo LastError() const { return m_lastError; }
    void ResetError() { m_lastError = ErrorInfo(); }

    // False when nmcli is not installed: nothing can be listed or dialled.
    bool available() const { return !m_program.isEmpty(); }
    // The state of an open connection that is up; any other ("activating") is not yet online.
    static bool isUp(const DialUpConnection &connection) { return connection.State == QLatin1String("activated"); }

    static QStringList dialUpTypes();
    // Bound on one nmcli run that only reads or hangs up.
    int timeoutMs = 10000;
    // Bound on reading the open connections.
    int onlineTimeoutMs = 1000;

private:
    struct Result
    {
        bool ran = false; // false: no nmcli, or NetworkManager is not running
        QString out;
    };
    Result run(const QStringList &args, int timeoutMs, bool keepEventsFlowing = false);
    [[noreturn]] void raise(int number, const QString &text);
    std::vector<QStringList> table(const QStringList &args, int limitMs);
    void loadEntries();
    void loadConnections();

    QString m_program;
    bool m_entriesLoaded = false;
    bool m_connectionsLoaded = false;
    std::vector<DialUpEntry> m_entries;
    std::vector<DialUpConnection> m_connections;
    ErrorInfo m_lastError;
};
