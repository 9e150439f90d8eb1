#include "correctionlog.h"

#include "common/logfilenative.h"
#include "common/nativepath.h"
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
#include <string>

namespace {

// The box keeps growing by a line or two a second; past this it is cut back at its start.
constexpr qsizetype kBoxLimit = 10000;
constexpr qsizetype kBoxDropped = 2096;

const QString kFileName = QStringLiteral("logfile.txt");
const QString kFailureText = QStringLiteral(":ERROR-CANNOT CORRECT TIME");
const QString kLineEnd = QStringLiteral("\r\n");
const QString kNoticePrefix = QStringLiteral("NOTE: ");

// Appends one record; empty on success, else why not.
std::optional<QString> appendTo(const QString &path, const QByteArray &record)
{
    const int error = LogFileNative::appendRecord(nativeFilePath(path), record.constData(),
                                                  std::size_t(record.size()));
    if (error == 0) {
        return std::nullopt;
    }
    return QString::fromLocal8Bit(LogFileNative::errorText(error));
}

// True when a log record can be appended in the folder: the log file there can be opened for
// appending, or, while it does not exist yet, a file can be created beside it. Trying it for
// real answers correctly for a read-only folder, a read-only file system and the
// administrator alike, where permission bits alone would mislead.
bool canWriteLogIn(const QString &directory)
{
    if (directory.isEmpty() || !QFileInfo(directory).isDir()) {
        return false;
    }
    const QFileInfo existing(QDir(directory).filePath(kFileName));
    if (existing.exists() || existing.isSymLink()) {
        // Opened the way every record is, so a link or a pipe counts as unwritable here too.
        return LogFileNative::probeAppend(nativeFilePath(existing.filePath())) == 0;
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

CorrectionLog::CorrectionLog(SystemClock &clock, const QString &filePath,
                             const QString &fallbackFilePath, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_filePath(filePath)
    , m_fallbackFilePath(fallbackFilePath)
{
}

QString CorrectionLog::defaultFilePath()
{
    return chooseFilePath(QCoreApplication::applicationDirPath(),
                          QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
}

QString CorrectionLog::fallbackFilePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(kFileName);
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

void CorrectionLog::addNoticeOnce(const QString &text)
{
    if (text.isEmpty() || m_noticesShown.contains(text)) {
        return;
    }
    m_noticesShown.append(text);
    addBoxLine(kNoticePrefix + text);
}

void CorrectionLog::addActionNeeded(const QString &text)
{
    if (text.isEmpty() || m_noticesShown.contains(text)) {
        return;
    }
    addNoticeOnce(text);
    emit actionNeeded(text);
}

Outcome CorrectionLog::logFailure(QChar letter)
{
    addBoxLine(failureBoxLine(letter));
    const Outcome written = WriteLog(failureFileLine());
    addNoticeOnce(failureMeaning(letter));
    return written;
}

QString CorrectionLog::failureMeaning(QChar letter)
{
    switch (letter.unicode()) {
    case 'b':
        return QStringLiteral("b: no new time came from the receiver in the last seconds (it "
                              "stopped sending, or its port is closed), so the clock was not "
                              "set.");
    case 'c':
        return QStringLiteral("c: the receiver's last three times were not one second apart (a "
                              "frame was lost or garbled, or midnight passed), so the clock was "
                              "not set.");
    case 'd':
        return QStringLiteral("d: when the delayed correction was due, the receiver's last three "
                              "times were not one second apart, so the clock was not set.");
    case 'e':
        return QStringLiteral("e: when the delayed correction was due, no new time had come from "
                              "the receiver, so the clock was not set.");
    default:
        return QString();
    }
}

Outcome CorrectionLog::WriteLog(const QString &line)
{
    // Opened and closed for each line, so nothing stays locked and a reader always sees
    // whole records; append mode never truncates what is there.
    const QString quoted = QLatin1Char('"') + line + QLatin1Char('"') + kLineEnd;
    const QByteArray record = quoted.toLocal8Bit();
    const std::optional<QString> failure = appendTo(m_filePath, record);
    if (!failure) {
        return std::nullopt;
    }
    const QString lost = QStringLiteral("The log file %1 cannot be written: %2.")
                             .arg(QDir::toNativeSeparators(m_filePath), *failure);
    if (!m_fallbackFilePath.isEmpty() && m_fallbackFilePath != m_filePath) {
        // The same move as at start-up when the program's folder cannot be written.
        QDir().mkpath(QFileInfo(m_fallbackFilePath).absolutePath());
        if (!appendTo(m_fallbackFilePath, record)) {
            addNoticeOnce(lost
                          + QStringLiteral(" Log lines now go to %1.")
                                .arg(QDir::toNativeSeparators(m_fallbackFilePath)));
            m_filePath = m_fallbackFilePath;
            return std::nullopt;
        }
    }
    addActionNeeded(lost + QStringLiteral(" Corrections go on, but their records are being lost."));
    return ErrorValue { 75, lost };
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
