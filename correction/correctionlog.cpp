#include "correctionlog.h"

#include "common/systemclock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <algorithm>

namespace {

// The box keeps growing by a line or two a second; past this it is cut back at its start.
constexpr qsizetype kBoxLimit = 10000;
constexpr qsizetype kBoxDropped = 2096;

const QString kFileName = QStringLiteral("logfile.txt");
const QString kFailureText = QStringLiteral(":ERROR-CANNOT CORRECT TIME");
const QString kLineEnd = QStringLiteral("\r\n");

// True when a log record can be appended in the folder: the log file there can be opened for
// appending, or, while it does not exist yet, a file can be created beside it. Trying it for
// real answers correctly for a read-only folder, a read-only file system and the
// administrator alike, where permission bits alone would mislead.
bool canWriteLogIn(const QString &directory)
{
    if (directory.isEmpty() || !QFileInfo(directory).isDir()) {
        return false;
    }
    QFile existing(QDir(directory).filePath(kFileName));
    if (existing.exists()) {
        // Append never truncates; opening and closing leaves the file as it was.
        return existing.open(QIODevice::WriteOnly | QIODevice::Append);
    }
    QTemporaryFile probe(QDir(directory).filePath(QStringLiteral("logfile-XXXXXX.probe")));
    return probe.open();
}

// Where a field of a time format lies: its first character and how many it takes.
struct Run
{
    qsizetype start = -1;
    qsizetype length = 0;
};

} // namespace

CorrectionLog::CorrectionLog(SystemClock &clock, const QString &filePath, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_filePath(filePath)
{
}

QString CorrectionLog::defaultFilePath()
{
    return chooseFilePath(QCoreApplication::applicationDirPath(),
                          QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
}

QString CorrectionLog::chooseFilePath(const QString &programDirectory,
                                      const QString &fallbackDirectory)
{
    if (canWriteLogIn(programDirectory) || fallbackDirectory.isEmpty()) {
        return QDir(programDirectory).filePath(kFileName);
    }
    // A failure to create the folder shows up later as a failed write, which the correction
    // cycle reports; there is nothing better to choose here.
    QDir().mkpath(fallbackDirectory);
    return QDir(fallbackDirectory).filePath(kFileName);
}

QString CorrectionLog::filePath() const
{
    return m_filePath;
}

const QString &CorrectionLog::boxText() const
{
    return m_box;
}

void CorrectionLog::clearBox()
{
    m_box.clear();
    emit boxTextReplaced(m_box);
}

void CorrectionLog::applySizeRule()
{
    if (m_box.size() <= kBoxLimit) {
        return;
    }
    // The cut takes whatever it meets, even half a line or the CR of a CR LF.
    m_box = m_box.mid(kBoxDropped);
    emit boxTextReplaced(m_box);
}

void CorrectionLog::addBoxLine(const QString &text)
{
    const QString line = text + kLineEnd;
    m_box += line;
    emit boxLineAdded(line);
}

Outcome CorrectionLog::WriteLog(const QString &line)
{
    // Opened and closed for each line, so nothing stays locked and a reader always sees
    // whole records; append mode never truncates what is there.
    QFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return ErrorValue {
            int(file.error()),
            QStringLiteral("Cannot open the log file %1: %2").arg(m_filePath, file.errorString())
        };
    }
    const QString quoted = QLatin1Char('"') + line + QLatin1Char('"') + kLineEnd;
    const QByteArray record = quoted.toLocal8Bit();
    const qint64 written = file.write(record);
    const bool flushed = written == record.size() && file.flush();
    if (!flushed) {
        const ErrorValue error {
            int(file.error()),
            QStringLiteral("Cannot write the log file %1: %2").arg(m_filePath, file.errorString())
        };
        file.close();
        return error;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        return ErrorValue {
            int(file.error()),
            QStringLiteral("Cannot write the log file %1: %2").arg(m_filePath, file.errorString())
        };
    }
    return std::nullopt;
}

QString CorrectionLog::failureBoxLine(QChar letter) const
{
    return failureStamp() + QLatin1Char(' ') + letter + kFailureText;
}

QString CorrectionLog::failureFileLine() const
{
    return failureStamp() + QLatin1Char(' ') + kFailureText;
}

QString CorrectionLog::successLine(const QString &text)
{
    return QStringLiteral("SYSTEM TIME IS CHANGED TO :") + text;
}

QString CorrectionLog::stampText(const QDateTime &dateTime)
{
    return dateTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString CorrectionLog::timeFormatWithSeconds(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    bool quoted = false;
    Run hours;
    Run minutes;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted) {
            continue;
        }
        if (c == QLatin1Char('s')) {
            return format;
        }
        Run *run = nullptr;
        if (c == QLatin1Char('h') || c == QLatin1Char('H')) {
            run = &hours;
        } else if (c == QLatin1Char('m')) {
            run = &minutes;
        }
        if (run != nullptr && run->start < 0) {
            run->start = i;
            while (i + 1 < format.size() && format.at(i + 1) == c) {
                ++i;
            }
            run->length = i + 1 - run->start;
        }
    }
    if (minutes.start < 0) {
        return QStringLiteral("HH:mm:ss");
    }
    // Seconds follow the minutes with the separator the locale puts between hours and
    // minutes ("." in Finnish); where that is not a plain separator, a colon.
    QString separator = QStringLiteral(":");
    if (hours.start >= 0 && hours.start < minutes.start) {
        const qsizetype hoursEnd = hours.start + hours.length;
        const QString between = format.mid(hoursEnd, minutes.start - hoursEnd);
        const bool plain = !between.isEmpty()
            && std::none_of(between.begin(), between.end(),
                            [](QChar c) { return c.isLetter() || c == QLatin1Char('\''); });
        if (plain) {
            separator = between;
        }
    }
    QString result = format;
    result.insert(minutes.start + minutes.length, separator + QStringLiteral("ss"));
    return result;
}

QString CorrectionLog::failureStamp() const
{
    // One reading for both, so that a line written at midnight cannot mix two days.
    const QDateTime now = m_clock.now();
    const QLocale locale = QLocale::system();
    return locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(now.time(), timeFormatWithSeconds(locale));
}
