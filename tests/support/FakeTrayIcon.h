#pragma once

#include "platform_gui/TrayIcon.h"

#include <QAction>
#include <QMenu>
#include <memory>

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

// Gives a window, before its Form_Load, a fake notification area that it keeps; returns the fake.
template <class Window> FakeTrayIcon *giveFakeTray(Window &window, bool available)
{
    auto tray = std::make_unique<FakeTrayIcon>(available);
    FakeTrayIcon *icon = tray.get();
    window.setTrayIcon(std::move(tray));
    return icon;
}

// A command of the window's tray menu, by its name.
template <class Window> QAction *trayAction(Window &window, const char *name)
{
    return window.trayMenu()->template findChild<QAction *>(QLatin1String(name));
}
