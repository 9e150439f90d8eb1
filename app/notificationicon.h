#pragma once

#include <QIcon>
#include <QObject>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The icon in the notification area. The window only switches it on and off (intray) and
// listens for the one event that brings the window back. Desktops without a notification
// area exist (and tests run on one), so the window asks isAvailable() first. It shows the
// status in its tooltip and its menu, turns grey while no new time comes from the receiver,
// and its context menu brings the window back and opens the offset history.
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

    // The status in two lines: the tooltip, and the menu's two disabled lines; the icon is
    // grey unless receiving.
    void setStatus(bool receiving, const QString &receiverLine, const QString &correctionLine);
    QString toolTip() const { return m_toolTip; }
    bool isGrey() const { return !m_receiving; }
    // A balloon message from the icon, where it is shown.
    void showBalloon(const QString &text);
    // A balloon even while the icon is not in the notification area (at login, the window up):
    // the icon shows for as long as the balloon does. False where no balloon can show.
    virtual bool showLoginBalloon(const QString &text);
    static constexpr int kBalloonMs = 15'000;

signals:
    // The user clicked or double-clicked the icon.
    void activated();
    // "History..." was chosen from the context menu.
    void historyRequested();

protected:
    // Shows or removes the icon on the desktop.
    virtual void applyInTray(bool inTray);

private:
    const QIcon &currentIcon() const { return m_receiving ? m_icon : m_greyIcon; }

    QIcon m_icon;
    QIcon m_greyIcon;
    std::unique_ptr<QMenu> m_menu;
    QAction *m_receiverLine = nullptr;
    QAction *m_correctionLine = nullptr;
    QSystemTrayIcon *m_trayIcon = nullptr;
    bool m_inTray = false;
    bool m_receiving = false;
    QString m_toolTip;
};
