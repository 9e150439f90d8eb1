#include "othertimeservice.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

OtherTimeService::OtherTimeService(QObject *parent)
    : QObject(parent)
{
}

void OtherTimeService::ask(const QDBusConnection &bus)
{
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage question = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    question << QStringLiteral("org.freedesktop.timedate1") << QStringLiteral("NTP");
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(question, kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher *call) {
                call->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *call;
                emit answered(reply.isValid() && reply.value().variant().toBool());
            });
}

QString OtherTimeService::notice()
{
    return QStringLiteral("This computer's clock is also kept by network time (systemd reports "
                          "NTP on). Two programs setting one clock pull it back and forth: "
                          "turn one of them off, either the correction on the SYSTEM page or "
                          "network time (\"timedatectl set-ntp false\").");
}
