#pragma once

#include <QObject>

class QTimer;

// A window timer with the program's rules: it fires only while it is enabled and its interval
// is above 0 (a QTimer with interval 0 would fire on every pass of the event loop).
class FormTimer : public QObject
{
    Q_OBJECT
public:
    explicit FormTimer(int intervalMs, QObject *parent = nullptr);

    bool enabled() const { return m_enabled; }
    void setEnabled(bool on);
    int interval() const { return m_interval; }
    void setInterval(int ms);
    // Whether it will fire (enabled with an interval above 0).
    bool isRunning() const;

signals:
    void timeout();

private:
    void apply();
    QTimer *m_timer;
    bool m_enabled = false;
    int m_interval = 0;
};
