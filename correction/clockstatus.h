#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class IntervalTimer;
class MSComm1;
class PortReconnector;
class SystemClock;
struct CorrectionOptions;
struct ReceivedTimeState;
struct TrackingRecord;

// What a user should see at a glance, in plain words: whether the receiver is sending, and
// what became of the corrections. The main window's status bar and the notification icon show
// it. A large time on the window that stopped changing looks alive; this says that it is not,
// and asks for a balloon message when the receiver has been silent for a minute and when it
// comes back.
class ClockStatus : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        const MSComm1 &port;
        const PortReconnector &reconnector;
        const ReceivedTimeState &received;
        const CorrectionOptions &options;
        const IntervalTimer &timer3;
        SystemClock &clock;
        std::function<qint64()> monotonicNow; // nanoseconds, steady
    };

    explicit ClockStatus(Parts parts, QObject *parent = nullptr);
    ~ClockStatus() override;

    // A frame was decoded (connected to the reception's frameEnded).
    void frameEnded();
    // A correction set the clock.
    void clockSet(const TrackingRecord &record);
    // The port could not be opened; text says why.
    void portOpenFailed(const QString &text);
    // Works the texts out anew and announces what changed. Runs every second by itself.
    void refresh();

    QString receiverText() const { return m_receiverText; }
    QString correctionText() const { return m_correctionText; }
    // A new time came from the receiver within the last kSilentAfterMs.
    bool isReceiving() const { return m_receiving; }

    // The note for the log box when OK turns correction on while it cannot start yet.
    static QString waitsForRestartNote();

    // A frame comes every second; this long without a new time, the receiver counts as silent.
    static constexpr qint64 kSilentAfterMs = 2500;
    // This long silent, and the user is told outside the window too.
    static constexpr qint64 kBalloonAfterMs = 60'000;

signals:
    void changed();
    void balloonRequested(const QString &text);

private:
    QString portName() const;
    // newTime: a new time came within kSilentAfterMs.
    QString workOutReceiverText(bool newTime) const;
    QString workOutCorrectionText() const;

    Parts m_parts;
    IntervalTimer *m_refreshTimer;
    qint64 m_startNs;
    // The newest received date-time text and when it came (0: none yet), on the steady clock
    // and on the computer's.
    QString m_lastDateTime;
    qint64 m_lastNewNs = 0;
    QDateTime m_lastNewClock;
    QString m_openFailure;
    QDateTime m_lastSetAt;
    std::optional<double> m_lastOffsetMs;
    bool m_silenceAnnounced = false;

    QString m_receiverText;
    QString m_correctionText;
    bool m_receiving = false;
};
