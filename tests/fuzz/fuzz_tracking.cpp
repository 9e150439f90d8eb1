// The tracking.csv reader: single lines, and a file read while it grows. Input: one byte that
// says where the file is cut in two, then the file. The first part is read, the second
// appended and read: the records and damaged lines must be those of reading it whole.

#include "fuzzcheck.h"
#include "history/trackingreader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

namespace {

QStringList linesOf(const TrackingReader &reader)
{
    QStringList lines;
    for (const TrackingRecord &record : reader.records()) {
        lines.append(record.toLine());
    }
    return lines;
}

void write(const QString &path, const QByteArray &bytes, QIODevice::OpenMode mode)
{
    QFile file(path);
    FUZZ_CHECK(file.open(mode) && file.write(bytes) == bytes.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1) {
        return 0;
    }
    // In memory where there is such a folder: the file is written for every input.
    static QTemporaryDir folder(
        (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath())
        + QStringLiteral("/valtora-fuzz-XXXXXX"));
    const QString path = folder.filePath(QStringLiteral("tracking.csv"));
    const QByteArray file(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const qsizetype cut = file.isEmpty() ? 0 : data[0] % (file.size() + 1);

    for (const QByteArray &line : file.split('\n')) {
        if (const auto record = TrackingRecord::fromLine(QString::fromUtf8(line))) {
            // A record written out is read back as the same line.
            const auto again = TrackingRecord::fromLine(record->toLine());
            FUZZ_CHECK(again && again->toLine() == record->toLine());
        }
    }

    write(path, file.left(cut), QIODevice::WriteOnly | QIODevice::Truncate);
    TrackingReader growing(path);
    growing.update();
    write(path, file.mid(cut), QIODevice::Append);
    growing.update();
    TrackingReader whole(path);
    whole.update();
    FUZZ_CHECK(linesOf(growing) == linesOf(whole));
    FUZZ_CHECK(growing.damagedLines() == whole.damagedLines());
    return 0;
}
