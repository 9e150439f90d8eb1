#pragma once

#include "trackingreader.h"

#include <QDateTime>
#include <QObject>
#include <QThread>
#include <optional>

// Reads tracking.csv on a thread of its own, so that a large or slow file never holds up the
// window that shows it. What the last reading found is kept here for the window's thread.
class TrackingLoader : public QObject
{
    Q_OBJECT
public:
    explicit TrackingLoader(const QString &filePath, QObject *parent = nullptr);
    // Waits for a reading under way.
    ~TrackingLoader() override;

    // Reads the records stamped since then (an invalid time: all). A reading under way ends
    // first; requests made meanwhile become one, with the latest time.
    void load(const QDateTime &since);

    QString filePath() const { return m_filePath; }
    // Whether a reading has ended yet.
    bool hasLoaded() const { return m_loaded; }
    bool exists() const { return m_exists; }
    QString error() const { return m_error; }
    const QList<TrackingRecord> &records() const { return m_records; }
    qsizetype damagedLines() const { return m_damagedLines; }

signals:
    // A reading ended.
    void loaded();

private:
    void start(const QDateTime &since);

    QString m_filePath;
    QThread m_thread;
    // Lives on m_thread, and so does m_reader: only work sent there touches it.
    QObject *m_worker = nullptr;
    TrackingReader m_reader;
    bool m_busy = false;
    std::optional<QDateTime> m_pending;

    bool m_loaded = false;
    bool m_exists = false;
    QString m_error;
    QList<TrackingRecord> m_records;
    qsizetype m_damagedLines = 0;
};
