#pragma once

#include <QObject>

class ClockStatus;
class NotificationIcon;
class QLabel;
class QMainWindow;

// Shows the clock status below the main window's tabs, in two lines (the receiver, the
// corrections), and in the notification icon. What the lines say comes from ClockStatus.
class WindowStatus : public QObject
{
    Q_OBJECT
public:
    WindowStatus(QMainWindow &window, ClockStatus &status, NotificationIcon &icon,
                 QObject *parent = nullptr);

private:
    void show();

    ClockStatus &m_status;
    NotificationIcon &m_icon;
    QLabel *m_receiver;
    QLabel *m_correction;
};
