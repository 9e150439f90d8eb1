#include "notificationicon.h"

#include <QMenu>
#include <QSystemTrayIcon>

NotificationIcon::NotificationIcon(const QIcon &icon, QObject *parent)
    : QObject(parent)
    , m_icon(icon)
    , m_menu(std::make_unique<QMenu>())
{
    QAction *history = m_menu->addAction(QStringLiteral("History..."));
    history->setObjectName(QStringLiteral("historyAction"));
    connect(history, &QAction::triggered, this, &NotificationIcon::historyRequested);
}

NotificationIcon::~NotificationIcon()
{
    // Before its context menu goes, which the icon still points to.
    delete m_trayIcon;
}

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
        m_trayIcon->setContextMenu(m_menu.get());
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
