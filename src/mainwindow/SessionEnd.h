#pragma once

#include <QObject>

class frmAuction;
class QSocketNotifier;

// The end of the session closes the program from whatever state it is in: shown, minimised,
// hidden in the tray, or behind a modal dialog. SIGTERM, SIGINT and SIGHUP (the system or the
// terminal going away) and the session manager's request to save close the window as the
// system's shutdown does, and the program ends once the window has closed.
class SessionEnd : public QObject
{
    Q_OBJECT
public:
    explicit SessionEnd(frmAuction &window);
    ~SessionEnd() override;

private:
    void end();

    frmAuction &m_window;
    QSocketNotifier *m_notifier = nullptr;
};
