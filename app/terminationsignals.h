#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (a logout's session manager, kill, Ctrl+C in a terminal, a
// closed terminal) into a signal on the event loop, so the program ends the way it ends on exit:
// the port closed, its lock file removed, the settings and the log already written.
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
