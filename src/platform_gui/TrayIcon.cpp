#include "platform_gui/TrayIcon.h"

#include "platform_gui/Pictures.h"

#include <QApplication>
#include <QSystemTrayIcon>

QtTrayIcon::QtTrayIcon(QObject *parent) : ITrayIcon(parent) {}

bool QtTrayIcon::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIcon::show(const QString &tip, QMenu *menu)
{
    if (!m_icon) {
        QIcon icon = QApplication::windowIcon();
        if (icon.isNull())
            icon = programPicture(QStringLiteral("picScheduled"));
        m_icon = new QSystemTrayIcon(icon, this);
        connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::DoubleClick)
                emit doubleClicked();
        });
    }
    m_icon->setToolTip(tip.left(63));
    m_icon->setContextMenu(menu);
    m_icon->show();
}

void QtTrayIcon::remove()
{
    if (m_icon)
        m_icon->hide();
}

bool QtTrayIcon::isShown() const
{
    return m_icon && m_icon->isVisible();
}
