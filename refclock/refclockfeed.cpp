#include "refclockfeed.h"

#include "correction/correctionrules.h"
#include "refclocksample.h"

#include <QFile>
#include <chrono>

RefclockFeed::RefclockFeed(const ReceivedTimeState &received, std::function<QString()> lineSettings,
                           std::function<qint64()> monotonicNow, std::function<qint64()> systemNow,
                           QObject *parent)
    : QObject(parent)
    , m_received(received)
    , m_lineSettings(std::move(lineSettings))
    , m_monotonicNow(monotonicNow ? std::move(monotonicNow) : monotonicNowNs)
    , m_systemNow(systemNow ? std::move(systemNow) : systemNowNs)
{
}

qint64 RefclockFeed::systemNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void RefclockFeed::frameEnded()
{
    if (m_socketPath.isEmpty()) {
        return;
    }
    // Both clocks read together, as close to the frame's arrival as the event allows.
    const qint64 monotonicNow = m_monotonicNow();
    frameEndedAt(monotonicNow, m_systemNow());
}

RefclockFeed::Report RefclockFeed::frameEndedAt(qint64 monotonicNs, qint64 systemNs)
{
    Report report;
    const qint64 transmissionNs
        = CorrectionRules::frameTransmissionNs(m_lineSettings ? m_lineSettings() : QString());
    report.sample
        = RefclockSample::of(m_received, monotonicNs, systemNs, transmissionNs, m_latencyMs);
    if (!report.sample) {
        return report;
    }
    if (m_socketPath.isEmpty()) {
        report.delivery = Delivery::NoSocket;
        return report;
    }
    const int error
        = RefclockSocket::send(QFile::encodeName(m_socketPath).toStdString(), *report.sample);
    if (error == 0) {
        ++m_samplesSent;
        report.delivery = Delivery::Sent;
    } else if (RefclockSocket::isNobodyListening(error)) {
        report.delivery = Delivery::NobodyListening;
    } else {
        report.delivery = Delivery::Refused;
        emit sendFailed(QStringLiteral("The receiver's time cannot be handed to chrony through "
                                       "%1: %2.")
                            .arg(m_socketPath,
                                 QString::fromLocal8Bit(RefclockSocket::errorText(error).c_str())));
    }
    return report;
}
