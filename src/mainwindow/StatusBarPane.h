#pragma once

#include <QWidget>
#include <functional>

class QFrame;
class QLabel;

// The main status line: stsMain's three panels (the current action, the current step and the
// queue length) with the local clock at the left and the site's clock at the right, both always
// whole. The clocks read the program clock; the window's 500 ms timer calls tmrDateTime_Timer.
class StatusBarPane : public QWidget
{
    Q_OBJECT
public:
    // queueCount: the number of requests waiting in the queue.
    explicit StatusBarPane(std::function<int()> queueCount, QWidget *parent = nullptr);

    QFrame *stsMain() const { return m_stsMain; }
    QLabel *lblLocalTime() const { return m_localTime; }
    QLabel *lblEbayTime() const { return m_siteTime; }

    // Empty texts become "None" and "Complete" (the caller's too); the queue panel counts the
    // item being served as well. Panels already showing the text are not rewritten.
    void SetStatusText(QString &action, QString &step);
    // Panels 1 to 3; other numbers read empty and write nothing.
    QString statusPanel(int panel) const;
    void setStatusPanel(int panel, const QString &text);
    // What the panel shows of its text in its width now ("..." where it is cut).
    QString shownStatusPanel(int panel) const;

    static void ShowAlreadyQueued(const QString &itemNumber);

public slots:
    void tmrDateTime_Timer();

private:
    QLabel *panel(int number) const;
    // When not every panel's text fits, the current action's gets room first, then the queue's.
    void placePanels();

    std::function<int()> m_queueCount;
    QFrame *m_stsMain;
    QLabel *m_panels[3];
    QLabel *m_localTime;
    QLabel *m_siteTime;
};
