#pragma once

#include "common/errorvalue.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QDateTime;
class QLocale;
class SystemClock;

// The two sinks of every correction outcome: the log box on the main window (kept here as
// text; the window mirrors it) and the file "logfile.txt", one quoted record per line.
class CorrectionLog : public QObject
{
    Q_OBJECT
public:
    // fallbackFilePath takes the records when filePath stops being writable while the
    // program runs (empty: no fallback).
    CorrectionLog(SystemClock &clock, const QString &filePath,
                  const QString &fallbackFilePath = QString(), QObject *parent = nullptr);

    // "logfile.txt" beside the executable, or in the per-user data folder where the
    // executable's folder cannot be written.
    static QString defaultFilePath();
    // "logfile.txt" in the per-user data folder.
    static QString fallbackFilePath();
    // The same choice for given folders: programDirectory when a log file can be written
    // there, else fallbackDirectory (created when missing).
    static QString chooseFilePath(const QString &programDirectory,
                                  const QString &fallbackDirectory);
    QString filePath() const;

    // The log box.
    const QString &boxText() const;
    void clearBox();
    // Over 10000 characters: keep the text from the 2097th character on.
    void applySizeRule();
    // Appends the text and CR LF at the end of the box.
    void addBoxLine(const QString &text);
    // A box line (never a file line) that explains a failure in plain words, shown the first
    // time that text comes up only, so a failure repeated every second does not flood the box.
    void addNoticeOnce(const QString &text);
    // The same for a failure that only the user can mend (a missing right, a log that cannot
    // be written): also announced once through actionNeeded, to be said outside the window.
    void addActionNeeded(const QString &text);

    // A refused attempt with its letter: the box line, then the file line; the first of each
    // letter is followed by a note that says what it means. The outcome is the file line's.
    Outcome logFailure(QChar letter);
    // What a failure letter means, in plain words (empty for a letter without a fixed cause).
    static QString failureMeaning(QChar letter);

    // Appends one record ("text" CR LF) to the file, opening and closing it for this line.
    // The record is either whole or absent. When the file cannot be written, the record goes
    // to the fallback file from then on; when neither can be written it is lost, and the
    // first such failure is explained in the box.
    Outcome WriteLog(const QString &line);

    // D + " " + T + " x:ERROR-CANNOT CORRECT TIME" with the current date and time.
    QString failureBoxLine(QChar letter) const;
    // D + " " + T + " :ERROR-CANNOT CORRECT TIME".
    QString failureFileLine() const;

    // "SYSTEM TIME IS CHANGED TO :" + text.
    static QString successLine(const QString &text);
    // A date and time as "yyyy-mm-dd hh:mm:ss", the form of the success lines.
    static QString stampText(const QDateTime &dateTime);
    // The locale's short time-of-day format, with seconds added where it has none.
    static QString timeFormatWithSeconds(const QLocale &locale);

signals:
    // The box text was cut at its start (the window must take the whole text again).
    void boxTextReplaced(const QString &text);
    // A line (with its CR LF) was added at the end of the box.
    void boxLineAdded(const QString &lineWithCrLf);
    // The first time a failure that the user must act on comes up.
    void actionNeeded(const QString &text);

private:
    // D + " " + T: the computer's date and time in the system's regional short forms.
    QString failureStamp() const;

    SystemClock &m_clock;
    QString m_filePath;
    QString m_fallbackFilePath;
    QString m_box;
    QStringList m_noticesShown;
};
