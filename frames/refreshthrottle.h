#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

// Runs an action at most once per interval: a request after a quiet spell runs it at once,
// requests that follow closely are gathered into one run at the end of the interval. Keeps a
// widget that shows a fast stream from repainting more often than anyone can read it.
class RefreshThrottle : public QObject
{
    Q_OBJECT
public:
    RefreshThrottle(int intervalMs, std::function<void()> action, QObject *parent = nullptr);

    void request();
    // Runs a gathered request now.
    void flush();
    bool isPending() const { return m_timer.isActive(); }

private:
    void run();

    int m_intervalMs = 0;
    std::function<void()> m_action;
    QTimer m_timer;
    QElapsedTimer m_sinceRun;
};
