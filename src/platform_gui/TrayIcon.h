#pragma once

#include <QObject>
#include <QString>

class QMenu;

// The program's icon in the desktop's notification area. The window reaches it only through
// this, so its logic is tested with a fake on desktops (and test runs) without a tray.
class ITrayIcon : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    // False where the desktop has no notification area: then nothing is ever hidden into it.
    virtual bool isAvailable() const = 0;
    virtual void show(const QString &tip, QMenu *menu) = 0;
    virtual void remove() = 0;
    virtual bool isShown() const = 0;

signals:
    void doubleClicked();
};

// Over QSystemTrayIcon; its context menu opens on a right-click by itself.
class QtTrayIcon : public ITrayIcon
{
    Q_OBJECT
public:
    explicit QtTrayIcon(QObject *parent = nullptr);
    bool isAvailable() const override;
    void show(const QString &tip, QMenu *menu) override;
    void remove() override;
    bool isShown() const override;

private:
    class QSystemTrayIcon *m_icon = nullptr;
};
