#pragma once

#include <QIcon>
#include <QObject>
#include <memory>

class QMenu;
class QSystemTrayIcon;

// The icon in the notification area. The window only switches it on and off (intray) and
// listens for the one event that brings the window back. Desktops without a notification
// area exist (and tests run on one), so the window asks isAvailable() first. Its context menu
// opens the offset history.
class NotificationIcon : public QObject
{
    Q_OBJECT
public:
    explicit NotificationIcon(const QIcon &icon, QObject *parent = nullptr);
    ~NotificationIcon() override;

    virtual bool isAvailable() const;
    bool inTray() const { return m_inTray; }
    void setInTray(bool inTray);
    QMenu *contextMenu() const { return m_menu.get(); }

signals:
    // The user clicked or double-clicked the icon.
    void activated();
    // "History..." was chosen from the context menu.
    void historyRequested();

protected:
    // Shows or removes the icon on the desktop.
    virtual void applyInTray(bool inTray);

private:
    QIcon m_icon;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon *m_trayIcon = nullptr;
    bool m_inTray = false;
};
