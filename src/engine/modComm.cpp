#include "engine/modComm.h"

#include "platform/Database.h"
#include "platform/DialUpComponent.h"
#include "platform/MsgBox.h"
#include "store/AppSettings.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

namespace {
qint32 connectionType()
{
    return gSettings ? gSettings->ConnectionType : 0;
}

qint32 currentUserKey()
{
    return gCurrentUser ? gCurrentUser->PrimaryKey : 0;
}

// Online means a connection that is up: one NetworkManager still brings up carries nothing yet.
bool connectionUp()
{
    DialUpComponent component;
    const int count = component.OpenConnectionCount();
    for (int i = 0; i < count; ++i) {
        if (DialUpComponent::isUp(component.OpenConnection(i)))
            return true;
    }
    return false;
}

void logGeneral(const QString &message)
{
    try {
        BSN_Log().MarkAuction(0, currentUserKey(), message);
    } catch (const DbError &) {
        // Nowhere left to report to; the dial goes on regardless.
    }
}

// While the program dials by itself (a snipe, a clock synchronisation) nobody is there to answer
// a box, and a box would hold the snipe until somebody does: what it would say goes to the log.
bool g_dialingAlone = false;

void tell(const QString &prompt, const QString &title = QString(), MsgBox::Icon icon = MsgBox::Icon::None)
{
    if (g_dialingAlone)
        logGeneral(prompt);
    else
        MsgBox::show(prompt, title, icon);
}
} // namespace

void ReportRasError(DialUpComponent &component)
{
    const DialUpComponent::ErrorInfo e = component.LastError();
    const int n = e.number;
    if ((n >= 600 && n <= 750) || n == 120) {
        logGeneral(e.text);
        component.ResetError();
    } else if (n == 1911) {
        logGeneral(QStringLiteral("Ras is not Properly Configured on this machine"));
    } else if (n == 1912) {
        logGeneral(QStringLiteral("Could not determine Windows version on this machine"));
    } else if (n == 1913) {
        logGeneral(QStringLiteral("RAS was not properly deinitialized"));
    } else if (n == 6) {
        logGeneral(e.text + QStringLiteral(": ") + QStringLiteral("Often The Result Of An Invalid Connection Handle"));
        component.ResetError();
    } else {
        logGeneral(e.text);
        if (!g_dialingAlone)
            MsgBox::show(e.text, QStringLiteral("Error: ") + QString::number(DialUpComponent::kObjectErrorBase + n),
                         MsgBox::Icon::Critical);
    }
}

bool ProbePhoneBook(DialUpComponent &component)
{
    const int count = component.PhoneBookCount();
    for (int i = 0; i < count; ++i)
        (void)component.PhoneBookEntry(i).EntryName;
    return true;
}

qint16 FindPhoneBookEntry(DialUpComponent &component, const QString &entryName)
{
    try {
        ProbePhoneBook(component);
    } catch (const DialUpError &) {
        ReportRasError(component);
    }
    try {
        const int count = component.PhoneBookCount();
        for (int i = 0; i < count; ++i) {
            if (component.PhoneBookEntry(i).EntryName == entryName)
                return static_cast<qint16>(i);
        }
    } catch (const DialUpError &) {
        ReportRasError(component);
    }
    return -1;
}

qint16 FindPhoneBookEntry(const QString &entryName)
{
    DialUpComponent component;
    return FindPhoneBookEntry(component, entryName);
}

void DialConnection(const QString &entryName, bool interactive)
{
    struct Alone
    {
        bool before = g_dialingAlone;
        explicit Alone(bool alone) { g_dialingAlone = alone; }
        ~Alone() { g_dialingAlone = before; }
    } alone(!interactive);
    DialUpComponent component;
    if (component.OpenConnectionCount() > 0)
        tell(QStringLiteral("Already Connected, Connection State: ") + component.OpenConnection(0).State);
    if (!component.available()) {
        // Without nmcli no entry can be found: say what is missing, not that the name is wrong.
        tell(QStringLiteral("Unable to dial: NetworkManager's nmcli was not found on this computer.  Install "
                            "NetworkManager, or choose another connection type in the system settings."),
             QString(), MsgBox::Icon::Exclamation);
        return;
    }
    const qint16 n = FindPhoneBookEntry(component, entryName);
    if (n == -1) {
        tell(QStringLiteral("Unable to resolve Phonebook Entry, make sure you have the correct dialup "
                            "network connection chosen."),
             QString(), MsgBox::Icon::Exclamation);
        return;
    }
    DialUpEntry *entry = nullptr;
    try {
        entry = &component.PhoneBookEntry(n);
    } catch (const DialUpError &) {
        ReportRasError(component);
        return;
    }
    // Empty settings leave the entry's own stored credentials in force.
    if (gSettings && !gSettings->DialupUserName.isEmpty())
        entry->UserName = gSettings->DialupUserName;
    if (gSettings && !gSettings->DialupPassword.isEmpty())
        entry->Password = gSettings->DialupPassword;
    try {
        component.DialEntry(*entry, interactive);
    } catch (const DialUpError &) {
        ReportRasError(component);
    }
}

void HangUpAll()
{
    DialUpComponent component;
    int count = 0;
    try {
        count = component.OpenConnectionCount();
    } catch (const DialUpError &) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        try {
            component.OpenConnectionCount();
            component.RemoveConnection(i);
        } catch (const DialUpError &) {
        }
    }
}

bool IsOnline()
{
    if (connectionType() != 0)
        return true;
    return connectionUp();
}

bool IsOnlineForBid()
{
    const qint32 type = connectionType();
    if (type != 0 && type != 1)
        return true;
    return connectionUp();
}

void ActionsConnect()
{
    if (!connectionUp()) {
        DialConnection(gSettings ? gSettings->PhoneBookEntry : QString(), true);
    } else {
        MsgBox::show(QStringLiteral("You are already connected to the internet"), QStringLiteral("Alerady Connected"),
                     MsgBox::Icon::Information);
    }
}

void ActionsDisconnect()
{
    HangUpAll();
}
