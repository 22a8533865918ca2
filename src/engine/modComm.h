#pragma once

#include <QString>

class DialUpComponent;

// The dial-up connection: whether the program counts as online, dialling the configured
// phone-book entry, hanging up, and turning the dial-up component's errors into log rows or
// messages. Each operation uses its own component object.

// Dials the named entry; interactive when the user asked for it. Errors of the component are
// reported (ReportRasError) and the dial goes on; only an error while looking at the open
// connections first reaches the caller.
void DialConnection(const QString &entryName, bool interactive);
// Hangs up every open connection; errors are ignored.
void HangUpAll();
// The number of the entry with exactly that name (case matters), or -1.
qint16 FindPhoneBookEntry(const QString &entryName);
qint16 FindPhoneBookEntry(DialUpComponent &component, const QString &entryName);
// Reads every entry's name; an error of the component reaches the caller.
bool ProbePhoneBook(DialUpComponent &component);
// Reports the error the component has just raised.
void ReportRasError(DialUpComponent &component);
// Connection types other than dial-up are always online; a dial-up connection counts once it is
// up, not while it is still being brought up. A component error reaches the caller.
bool IsOnline();
// As IsOnline, but AOL (type 1) also needs an open dial-up connection.
bool IsOnlineForBid();

// What the Actions menu's Connect and Disconnect do; the window refreshes its menus after.
void ActionsConnect();
void ActionsDisconnect();
