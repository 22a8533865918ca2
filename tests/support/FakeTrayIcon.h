#pragma once

#include "TrayIcon.h"

// A notification area the test controls: present or not, and what it was asked to show.
class FakeTrayIcon : public ITrayIcon
{
public:
    explicit FakeTrayIcon(bool available) : m_available(available) {}
    bool isAvailable() const override { return m_available; }
    void show(const QString &tip, QMenu *menu) override
    {
        m_shown = true;
        lastTip = tip;
        lastMenu = menu;
    }
    void remove() override { m_shown = false; }
    bool isShown() const override { return m_shown; }
    void doubleClick() { emit doubleClicked(); }
    // A panel started, or ended, while the program runs.
    void setAvailable(bool available) { m_available = available; }

    QString lastTip;
    QMenu *lastMenu = nullptr;

private:
    bool m_available;
    bool m_shown = false;
};
