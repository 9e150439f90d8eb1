#include "notificationicon.h"

#include <QSystemTrayIcon>

NotificationIcon::NotificationIcon(const QIcon &icon, QObject *parent)
    : QObject(parent)
    , m_icon(icon)
{
}

NotificationIcon::~NotificationIcon() = default;

bool NotificationIcon::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void NotificationIcon::setInTray(bool inTray)
{
    m_inTray = inTray;
    applyInTray(inTray);
}

void NotificationIcon::applyInTray(bool inTray)
{
    if (!m_trayIcon && inTray) {
        m_trayIcon = new QSystemTrayIcon(m_icon, this);
        m_trayIcon->setToolTip(QStringLiteral("VALTORA - the computer's clock from the receiver"));
        connect(m_trayIcon, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger
                        || reason == QSystemTrayIcon::DoubleClick) {
                        emit activated();
                    }
                });
    }
    if (m_trayIcon) {
        m_trayIcon->setVisible(inTray);
    }
}
