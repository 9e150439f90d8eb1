#pragma once

#include "common/monotonicclock.h"

#include <QObject>
#include <QString>
#include <functional>

struct ReceivedTimeState;

// Serves the receiver's time to chrony: after every frame that completes three consecutive
// seconds, one sample to chrony's SOCK reference-clock socket. While chrony is not running the
// samples are dropped without a word and the next frame tries again.
class RefclockFeed : public QObject
{
    Q_OBJECT
public:
    // lineSettings gives the port's settings text, to know how long a frame takes on the line.
    RefclockFeed(const ReceivedTimeState &received, std::function<QString()> lineSettings,
                 std::function<qint64()> monotonicNow = monotonicNowNs,
                 std::function<qint64()> systemNow = systemNowNs, QObject *parent = nullptr);

    // Empty: no samples are sent.
    void setSocketPath(const QString &path) { m_socketPath = path; }
    QString socketPath() const { return m_socketPath; }
    void setLatencyMs(int latencyMs) { m_latencyMs = latencyMs; }

    // A frame has ended; the received-time state shows it.
    void frameEnded();

    qint64 samplesSent() const { return m_samplesSent; }

    // Nanoseconds since the epoch on the system's clock, the one chrony measures.
    static qint64 systemNowNs();

signals:
    // A sample could not be sent for a reason other than chrony not listening.
    void sendFailed(const QString &text);

private:
    const ReceivedTimeState &m_received;
    std::function<QString()> m_lineSettings;
    std::function<qint64()> m_monotonicNow;
    std::function<qint64()> m_systemNow;
    QString m_socketPath;
    int m_latencyMs = 0;
    qint64 m_samplesSent = 0;
};
