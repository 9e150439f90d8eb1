#include "windowstatus.h"

#include "correction/clockstatus.h"
#include "notificationicon.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

QLabel *statusLine(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    // A line's height even while empty, so the window's height is right from the start.
    label->setMinimumHeight(label->fontMetrics().height());
    return label;
}

} // namespace

WindowStatus::WindowStatus(QMainWindow &window, ClockStatus &status, NotificationIcon &icon,
                           QObject *parent)
    : QObject(parent)
    , m_status(status)
    , m_icon(icon)
{
    QStatusBar *bar = window.statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    // The window has a fixed size: a grip would only suggest otherwise.
    bar->setSizeGripEnabled(false);
    auto *lines = new QWidget(bar);
    auto *layout = new QVBoxLayout(lines);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_receiver = statusLine(QStringLiteral("statusReceiver"), lines);
    m_correction = statusLine(QStringLiteral("statusCorrection"), lines);
    layout->addWidget(m_receiver);
    layout->addWidget(m_correction);
    bar->addWidget(lines, 1);
    connect(&m_status, &ClockStatus::changed, this, &WindowStatus::show);
    connect(&m_status, &ClockStatus::balloonRequested, &m_icon, &NotificationIcon::showBalloon);
    show();
}

void WindowStatus::show()
{
    m_receiver->setText(m_status.receiverText());
    m_correction->setText(m_status.correctionText());
    m_icon.setStatus(m_status.isReceiving(), m_status.receiverText(), m_status.correctionText());
}
