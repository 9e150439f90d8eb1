#pragma once

#include "common/monotonicclock.h"
#include "refclocksocket.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

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

    // What became of a frame's sample.
    enum class Delivery {
        NoSample, // not three consecutive seconds yet, or the frame's arrival is not known
        NoSocket, // no socket was given
        Sent,
        NobodyListening, // chrony is not running; the next frame tries again
        Refused, // any other failure, announced through sendFailed
    };
    struct Report
    {
        std::optional<RefclockSocket::Sample> sample;
        Delivery delivery = Delivery::NoSample;
    };

    // A frame has ended; the received-time state shows it.
    void frameEnded();
    // The same for a frame whose bytes were read at these moments, on the monotonic clock and
    // the system's, read together (by a reader on a thread of its own): the sample is built
    // from that stamp, however late the event loop comes to it.
    Report frameEndedAt(qint64 monotonicNs, qint64 systemNs);

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
