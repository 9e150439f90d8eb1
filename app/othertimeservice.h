#pragma once

#include <QDBusConnection>
#include <QObject>

// Asks systemd's time and date service whether network time keeps this computer's clock, as
// it does on most desktops: two programs setting one clock fight each other. The answer comes
// later, so that a slow or missing bus never holds up the start.
class OtherTimeService : public QObject
{
    Q_OBJECT
public:
    explicit OtherTimeService(QObject *parent = nullptr);

    // Asks on the given bus (the system bus where systemd answers). No answer, a refusal or a
    // missing service answers false.
    void ask(const QDBusConnection &bus = QDBusConnection::systemBus());

    // The words for the log box.
    static QString notice();

    static constexpr int kTimeoutMs = 5000;

signals:
    // Whether the service reports network time on; not at all without a bus.
    void answered(bool networkTimeActive);
};
