#include "notificationicon.h"

#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

// The same drawing without its colours, lighter, for a receiver that is not sending.
QIcon greyed(const QIcon &icon)
{
    QIcon result;
    for (const int size : { 16, 22, 24, 32, 48, 64 }) {
        QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull()) {
            continue;
        }
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int grey = 96 + qGray(line[x]) * 5 / 8;
                line[x] = qRgba(grey, grey, grey, qAlpha(line[x]));
            }
        }
        result.addPixmap(QPixmap::fromImage(image));
    }
    return result;
}

} // namespace

NotificationIcon::NotificationIcon(const QIcon &icon, QObject *parent)
    : QObject(parent)
    , m_icon(icon)
    , m_greyIcon(greyed(icon))
    , m_menu(std::make_unique<QMenu>())
{
    m_receiverLine = m_menu->addAction(QString());
    m_receiverLine->setObjectName(QStringLiteral("statusReceiverAction"));
    m_correctionLine = m_menu->addAction(QString());
    m_correctionLine->setObjectName(QStringLiteral("statusCorrectionAction"));
    for (QAction *line : { m_receiverLine, m_correctionLine }) {
        line->setEnabled(false);
    }
    m_menu->addSeparator();
    QAction *show = m_menu->addAction(QStringLiteral("Show"));
    show->setObjectName(QStringLiteral("showAction"));
    connect(show, &QAction::triggered, this, &NotificationIcon::activated);
    QAction *history = m_menu->addAction(QStringLiteral("History..."));
    history->setObjectName(QStringLiteral("historyAction"));
    connect(history, &QAction::triggered, this, &NotificationIcon::historyRequested);
    setStatus(false, QString(), QString());
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

void NotificationIcon::setStatus(bool receiving, const QString &receiverLine,
                                 const QString &correctionLine)
{
    const bool iconChanged = receiving != m_receiving;
    m_receiving = receiving;
    m_toolTip = QStringLiteral("VALTORA");
    for (const QString &line : { receiverLine, correctionLine }) {
        if (!line.isEmpty()) {
            m_toolTip += QLatin1Char('\n') + line;
        }
    }
    m_receiverLine->setText(receiverLine);
    m_receiverLine->setVisible(!receiverLine.isEmpty());
    m_correctionLine->setText(correctionLine);
    m_correctionLine->setVisible(!correctionLine.isEmpty());
    if (m_trayIcon) {
        m_trayIcon->setToolTip(m_toolTip);
        if (iconChanged) {
            m_trayIcon->setIcon(currentIcon());
        }
    }
}

void NotificationIcon::showBalloon(const QString &text)
{
    // Only a shown icon can carry a balloon; while the window is up its status bar says it.
    if (m_trayIcon && m_trayIcon->isVisible() && QSystemTrayIcon::supportsMessages()) {
        m_trayIcon->showMessage(QStringLiteral("VALTORA"), text, QSystemTrayIcon::Information);
    }
}

bool NotificationIcon::showLoginBalloon(const QString &text)
{
    if (!QSystemTrayIcon::supportsMessages()) {
        return false;
    }
    applyInTray(true);
    if (!m_trayIcon) {
        return false;
    }
    m_trayIcon->showMessage(QStringLiteral("VALTORA"), text, QSystemTrayIcon::Warning, kBalloonMs);
    // Then the icon is as the window wants it again.
    QTimer::singleShot(kBalloonMs, this, [this] { applyInTray(m_inTray); });
    return true;
}

void NotificationIcon::applyInTray(bool inTray)
{
    if (!m_trayIcon && inTray) {
        m_trayIcon = new QSystemTrayIcon(currentIcon(), this);
        m_trayIcon->setToolTip(m_toolTip);
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
