#include "trackingfile.h"

#include "common/logfilenative.h"
#include "common/nativepath.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

ErrorValue unwritable(const QString &path, int error)
{
    return ErrorValue { error,
                        QStringLiteral("The offset history %1 cannot be written (%2); the "
                                       "corrections go on without it.")
                            .arg(QDir::toNativeSeparators(path),
                                 QString::fromLocal8Bit(LogFileNative::errorText(error))) };
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
        if (const Outcome failure = keepNewestLines()) {
            return failure;
        }
    }
    const std::string header = std::string(TrackingRecord::kHeader) + '\n';
    const int error = LogFileNative::appendLine(nativeFilePath(m_filePath),
                                                record.toLine().toStdString() + '\n', header);
    if (error != 0) {
        return unwritable(m_filePath, error);
    }
    return std::nullopt;
}

Outcome TrackingFile::keepNewestLines()
{
    LogFileNative::ReadableFile file;
    if (const int error = file.open(nativeFilePath(m_filePath))) {
        return unwritable(m_filePath, error);
    }
    // Only the end is read, however large the file grew: one byte before the kept part tells
    // whether that part begins a line.
    const qint64 kept = std::min<qint64>(file.size(), m_largestBytes / 2);
    const qint64 from = file.size() - kept;
    const qint64 readFrom = std::max<qint64>(from - 1, 0);
    QByteArray tail(file.size() - readFrom, Qt::Uninitialized);
    std::size_t done = 0;
    if (const int error = file.read(readFrom, tail.data(), std::size_t(tail.size()), done)) {
        return unwritable(m_filePath, error);
    }
    tail.truncate(qsizetype(done));
    qsizetype start = 0;
    if (from > 0) {
        // The first byte is the one before the kept part; a line begins after a line end.
        start = tail.indexOf('\n') + 1;
        if (start == 0) {
            start = tail.size();
        }
    }
    const QByteArray header = QByteArray(TrackingRecord::kHeader) + '\n';
    if (QByteArrayView(tail).sliced(start).startsWith(header)) {
        start += header.size();
    }
    const QByteArray bytes = header + tail.sliced(start);
    if (const int error = LogFileNative::replaceFile(nativeFilePath(m_filePath), bytes.constData(),
                                                     std::size_t(bytes.size()))) {
        return unwritable(m_filePath, error);
    }
    return std::nullopt;
}
