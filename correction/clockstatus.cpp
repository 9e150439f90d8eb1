#include "clockstatus.h"

#include "common/intervaltimer.h"
#include "common/systemclock.h"
#include "correctionoptions.h"
#include "frames/receivedtimestate.h"
#include "history/trackingrecord.h"
#include "serial/mscomm1.h"
#include "serial/portreconnector.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kNsPerMs = 1'000'000;
constexpr int kRefreshMs = 1000;

QString clockText(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("HH:mm:ss"));
}

// "3.2 ms" below a second, "86400.002 s" above, so a clock a day off reads as such.
QString amountText(double ms)
{
    const double magnitude = std::abs(ms);
    if (magnitude < 1000.0) {
        return QString::number(magnitude, 'f', 1) + QStringLiteral(" ms");
    }
    return QString::number(magnitude / 1000.0, 'f', 3) + QStringLiteral(" s");
}

} // namespace

ClockStatus::ClockStatus(Parts parts, QObject *parent)
    : QObject(parent)
    , m_parts(std::move(parts))
    , m_refreshTimer(new IntervalTimer(kRefreshMs, this))
    , m_startNs(m_parts.monotonicNow())
{
    connect(m_refreshTimer, &IntervalTimer::tick, this, &ClockStatus::refresh);
    m_refreshTimer->setEnabled(true);
    refresh();
}

ClockStatus::~ClockStatus() = default;

QString ClockStatus::waitsForRestartNote()
{
    return QStringLiteral("Correction is now on, but it starts only when VALTORA is next "
                          "started.");
}

void ClockStatus::frameEnded()
{
    // Frames that repeat one time (a receiver stuck on its last second) are no news.
    if (m_parts.received.recvDateTime != m_lastDateTime) {
        m_lastDateTime = m_parts.received.recvDateTime;
        m_lastNewNs = m_parts.monotonicNow();
        m_lastNewClock = m_parts.clock.now();
    }
    refresh();
}

void ClockStatus::clockSet(const TrackingRecord &record)
{
    m_lastSetAt = record.stamp.toLocalTime();
    m_lastOffsetMs = record.offsetMs;
    refresh();
}

void ClockStatus::portOpenFailed(const QString &text)
{
    m_openFailure = text;
    refresh();
}

void ClockStatus::refresh()
{
    const qint64 nowNs = m_parts.monotonicNow();
    const bool newTime = m_lastNewNs != 0 && nowNs - m_lastNewNs <= kSilentAfterMs * kNsPerMs;
    const bool receiving = m_parts.port.portOpen() && newTime;
    if (receiving) {
        m_openFailure.clear();
    }
    const QString receiverText = workOutReceiverText(newTime);
    const QString correctionText = workOutCorrectionText();
    const bool changedNow = receiving != m_receiving || receiverText != m_receiverText
        || correctionText != m_correctionText;
    m_receiving = receiving;
    m_receiverText = receiverText;
    m_correctionText = correctionText;
    if (changedNow) {
        emit changed();
    }

    const qint64 silentNs = nowNs - (m_lastNewNs != 0 ? m_lastNewNs : m_startNs);
    if (!receiving && !m_silenceAnnounced && silentNs >= kBalloonAfterMs * kNsPerMs) {
        m_silenceAnnounced = true;
        emit balloonRequested(QStringLiteral("Nothing new from the receiver for a minute. ")
                              + m_receiverText + QLatin1Char('.'));
    } else if (receiving && m_silenceAnnounced) {
        m_silenceAnnounced = false;
        emit balloonRequested(m_receiverText + QStringLiteral(" again."));
    }
}

QString ClockStatus::portName() const
{
    const int number = m_parts.port.commPort();
    return QStringLiteral("Com%1 (%2)").arg(number).arg(m_parts.port.deviceName(number));
}

QString ClockStatus::workOutReceiverText(bool newTime) const
{
    if (!m_parts.port.portOpen()) {
        if (m_parts.reconnector.isWaiting()) {
            return QStringLiteral("%1 is closed: its device went away; trying again every %2 s")
                .arg(portName())
                .arg(PortReconnector::kRetryMs / 1000);
        }
        if (!m_openFailure.isEmpty()) {
            return QStringLiteral("%1 is closed: %2").arg(portName(), m_openFailure);
        }
        return QStringLiteral("%1 is closed").arg(portName());
    }
    if (m_lastNewNs == 0) {
        return QStringLiteral("No time from %1 yet").arg(portName());
    }
    if (newTime) {
        return QStringLiteral("Receiving from %1").arg(portName());
    }
    return QStringLiteral("No new time from %1 since %2")
        .arg(portName(), clockText(m_lastNewClock));
}

QString ClockStatus::workOutCorrectionText() const
{
    if (!m_parts.options.correctOn) {
        return QStringLiteral("Correction is off");
    }
    // A stopped correction timer starts only with the program; until then nothing happens.
    if (!m_parts.timer3.isEnabled()) {
        return QStringLiteral("Correction starts when VALTORA is next started");
    }
    if (!m_lastSetAt.isValid()) {
        return QStringLiteral("Correction every %1 s; none yet")
            .arg(std::max<int>(m_parts.options.correctPeriod, 1));
    }
    QString text = QStringLiteral("Last correction at %1").arg(clockText(m_lastSetAt));
    if (m_lastOffsetMs) {
        text += QStringLiteral(": the clock was %1 %2")
                    .arg(amountText(*m_lastOffsetMs),
                         *m_lastOffsetMs >= 0 ? QStringLiteral("behind") : QStringLiteral("ahead"));
    }
    return text;
}
