#include "refclockservice.h"

#include "journal.h"
#include "portreader.h"
#include "serial/portreconnector.h"
#include "servicemanager.h"

#include <QDateTime>
#include <cstdio>

namespace {

QString deliveryText(RefclockFeed::Delivery delivery)
{
    switch (delivery) {
    case RefclockFeed::Delivery::NoSample:
        return QStringLiteral("no sample");
    case RefclockFeed::Delivery::NoSocket:
        return QStringLiteral("no socket");
    case RefclockFeed::Delivery::Sent:
        return QStringLiteral("sent");
    case RefclockFeed::Delivery::NobodyListening:
        return QStringLiteral("not running");
    case RefclockFeed::Delivery::Refused:
        return QStringLiteral("refused");
    }
    return {};
}

} // namespace

RefclockService::RefclockService(const RefclockOptions &options, SystemClock &clock,
                                 QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_logic(clock, {})
    , m_feed(m_logic.receivedTime(), [this] { return m_options.lineSettings; })
{
    // The port as the command line gives it, whatever the settings file's [Properties] say;
    // a port number still finds its device in the file's [Ports].
    const QString properties = QLatin1String(SettingsStore::kPropertiesSection);
    m_store.setOverride(properties, QStringLiteral("portSettings"), options.lineSettings);
    m_store.setOverride(properties, QStringLiteral("Handshaking"), QStringLiteral("0"));
    if (options.device.isEmpty()) {
        m_store.setOverride(properties, QStringLiteral("CommPort"), QString::number(options.port));
    } else {
        m_store.setOverride(properties, QStringLiteral("CommPort"), QStringLiteral("1"));
        m_store.setOverride(QLatin1String(SettingsStore::kPortsSection), QStringLiteral("Com1"),
                            options.device);
    }
    m_feed.setSocketPath(options.socketPath);
    m_feed.setLatencyMs(options.latencyMs);
    connect(&m_logic, &ReceptionLogic::frameEnded, this, &RefclockService::frameEnded);
    connect(&m_feed, &RefclockFeed::sendFailed, this, [this](const QString &text) {
        if (!m_refusalTold) {
            m_refusalTold = true;
            Journal::write(Journal::Error, text);
        }
    });
    connect(&m_watchdog, &QTimer::timeout, this, &RefclockService::watchdogTick);
}

RefclockService::~RefclockService()
{
    stop();
}

void RefclockService::start()
{
    m_reader = new PortReader(m_store);
    m_reader->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_reader, &QObject::deleteLater);
    connect(m_reader, &PortReader::opened, this, &RefclockService::portOpened);
    connect(m_reader, &PortReader::bytesRead, this, &RefclockService::bytesRead);
    connect(m_reader, &PortReader::receiverLost, this, &RefclockService::receiverLost);
    connect(m_reader, &PortReader::receiverBack, this, &RefclockService::receiverBack);
    m_thread.setObjectName(QStringLiteral("port reader"));
    m_thread.start();
    QMetaObject::invokeMethod(m_reader, &PortReader::start);
}

void RefclockService::stop()
{
    if (!m_thread.isRunning()) {
        return;
    }
    ServiceManager::notifyStopping();
    m_watchdog.stop();
    QMetaObject::invokeMethod(m_reader, &PortReader::stop, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void RefclockService::portOpened(const QString &device, const QString &error)
{
    m_device = device;
    if (!error.isEmpty()) {
        Journal::write(Journal::Error,
                       QStringLiteral("The receiver's port cannot be opened: %1").arg(error));
        emit failed();
        return;
    }
    const QString samples = m_options.socketPath.isEmpty()
        ? QStringLiteral("no samples for chrony (no --socket)")
        : QStringLiteral("samples for chrony to %1").arg(m_options.socketPath);
    Journal::write(Journal::Info,
                   QStringLiteral("valtora-refclock %1 reads the receiver on %2 at %3, latency "
                                  "%4 ms; %5.")
                       .arg(QStringLiteral("%1.%2.%3")
                                .arg(VALTORA_VERSION_MAJOR)
                                .arg(VALTORA_VERSION_MINOR)
                                .arg(VALTORA_VERSION_PATCH),
                            device, m_options.lineSettings)
                       .arg(m_options.latencyMs)
                       .arg(samples));
    ServiceManager::notifyReady();
    if (const qint64 intervalMs = ServiceManager::watchdogIntervalMs(); intervalMs > 0) {
        m_watchdog.start(int(qMin<qint64>(intervalMs, 3'600'000)));
    }
}

void RefclockService::bytesRead(const QByteArray &bytes, qint64 monotonicNs, qint64 systemNs)
{
    m_monotonicNs = monotonicNs;
    m_systemNs = systemNs;
    m_logic.receiveBytes(bytes, monotonicNs);
}

void RefclockService::frameEnded()
{
    ++m_framesSinceBeat;
    const RefclockFeed::Report report = m_feed.frameEndedAt(m_monotonicNs, m_systemNs);
    if (report.delivery == RefclockFeed::Delivery::Sent) {
        m_refusalTold = false;
    }
    if (m_options.print) {
        std::fputs(qPrintable(printLine(report) + QLatin1Char('\n')), stdout);
        std::fflush(stdout);
    }
}

QString RefclockService::printLine(const RefclockFeed::Report &report) const
{
    // A frame read late has no known arrival, and so no sample.
    QString arrival = QStringLiteral("unknown");
    if (m_logic.receivedTime().frameEndNs != 0) {
        const QDateTime read = QDateTime::fromMSecsSinceEpoch(m_systemNs / 1'000'000);
        arrival = read.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss."))
            + QStringLiteral("%1").arg(m_systemNs % 1'000'000'000 / 1000, 6, 10, QLatin1Char('0'));
    }
    const QString offset = report.sample
        ? QStringLiteral("%1 ms").arg(report.sample->offsetSeconds * 1000.0, 0, 'f', 3)
        : QStringLiteral("-");
    return QStringLiteral("%1  arrival %2  offset %3  chrony: %4")
        .arg(m_logic.receivedTime().recvDateTime, arrival, offset, deliveryText(report.delivery));
}

void RefclockService::receiverLost()
{
    m_receiverLost = true;
    Journal::write(Journal::Warning,
                   QStringLiteral("The receiver on %1 is gone; it is tried again every %2 "
                                  "seconds.")
                       .arg(m_device)
                       .arg(PortReconnector::kRetryMs / 1000));
}

void RefclockService::receiverBack()
{
    m_receiverLost = false;
    Journal::write(Journal::Info, QStringLiteral("The receiver on %1 is back.").arg(m_device));
}

void RefclockService::watchdogTick()
{
    // Frames coming, or a receiver being waited for, is the daemon doing its job; a port open
    // but silent (a stuck reader, a receiver that stopped talking) is not, and systemd may
    // restart it.
    if (m_framesSinceBeat > 0 || m_receiverLost) {
        ServiceManager::notifyWatchdog();
    }
    m_framesSinceBeat = 0;
}
