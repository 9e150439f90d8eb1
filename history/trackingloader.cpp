#include "trackingloader.h"

TrackingLoader::TrackingLoader(const QString &filePath, QObject *parent)
    : QObject(parent)
    , m_filePath(filePath)
    , m_worker(new QObject)
    , m_reader(filePath)
{
    m_thread.setObjectName(QStringLiteral("tracking reader"));
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start(QThread::LowPriority);
}

TrackingLoader::~TrackingLoader()
{
    m_thread.quit();
    m_thread.wait();
}

void TrackingLoader::load(const QDateTime &since)
{
    if (m_busy) {
        m_pending = since;
        return;
    }
    start(since);
}

void TrackingLoader::start(const QDateTime &since)
{
    m_busy = true;
    QMetaObject::invokeMethod(m_worker, [this, since] {
        m_reader.setSince(since);
        m_reader.update();
        // The records go over as a shared copy; the reader copies them only when it adds to
        // them next time, on its own thread.
        QMetaObject::invokeMethod(
            this,
            [this, records = m_reader.records(), exists = m_reader.exists(),
             error = m_reader.error(), damaged = m_reader.damagedLines()] {
                m_busy = false;
                m_loaded = true;
                m_exists = exists;
                m_error = error;
                m_records = records;
                m_damagedLines = damaged;
                if (m_pending) {
                    const QDateTime since = *m_pending;
                    m_pending.reset();
                    start(since);
                }
                emit loaded();
            },
            Qt::QueuedConnection);
    });
}
