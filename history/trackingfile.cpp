#include "trackingfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

ErrorValue unwritable(const QString &path, const QString &why)
{
    return ErrorValue { 0,
                        QStringLiteral("The offset history %1 cannot be written (%2); the "
                                       "corrections go on without it.")
                            .arg(QDir::toNativeSeparators(path), why) };
}

} // namespace

TrackingFile::TrackingFile(const QString &filePath, qint64 largestBytes)
    : m_filePath(filePath)
    , m_largestBytes(largestBytes)
{
}

QString TrackingFile::defaultFilePath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return QDir(folder).filePath(QStringLiteral("tracking.csv"));
}

Outcome TrackingFile::append(const TrackingRecord &record)
{
    if (QFileInfo(m_filePath).size() > m_largestBytes) {
        if (const Outcome failure = dropOlderHalf()) {
            return failure;
        }
    }
    QFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return unwritable(m_filePath, file.errorString());
    }
    QByteArray bytes;
    if (file.size() == 0) {
        bytes = QByteArray(TrackingRecord::kHeader) + '\n';
    }
    bytes += record.toLine().toUtf8() + '\n';
    // One write, so that a reader never sees half a line unless the disk is full.
    if (file.write(bytes) != bytes.size()) {
        return unwritable(m_filePath, file.errorString());
    }
    return std::nullopt;
}

Outcome TrackingFile::dropOlderHalf()
{
    QFile old(m_filePath);
    if (!old.open(QIODevice::ReadOnly)) {
        return unwritable(m_filePath, old.errorString());
    }
    QByteArray kept = old.readAll();
    old.close();
    const qsizetype lineStart = kept.indexOf('\n', kept.size() / 2) + 1;
    kept = QByteArray(TrackingRecord::kHeader) + '\n' + kept.mid(lineStart);
    // Replaced in one step: a reader sees the old file or the new one, never a part.
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(kept) != kept.size() || !file.commit()) {
        return unwritable(m_filePath, file.errorString());
    }
    return std::nullopt;
}
