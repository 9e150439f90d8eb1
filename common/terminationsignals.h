#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (a logout's session manager, kill, Ctrl+C or a closed
// terminal, systemd stopping a service) into a signal on the event loop, so the program ends
// the way it ends on exit: the port closed, its lock file removed, everything written.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};
