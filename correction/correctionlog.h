#pragma once

#include "common/errorvalue.h"

#include <QObject>
#include <QString>

class SystemClock;

// The two sinks of every correction outcome: the log box on the main window (kept here as
// text; the window mirrors it) and the file "logfile.txt", one quoted record per line.
class CorrectionLog : public QObject
{
    Q_OBJECT
public:
    CorrectionLog(SystemClock &clock, const QString &filePath, QObject *parent = nullptr);

    // "logfile.txt" beside the executable, or in the per-user data folder where the
    // executable's folder cannot be written.
    static QString defaultFilePath();
    QString filePath() const;

    // The log box.
    const QString &boxText() const;
    void clearBox();
    // Over 10000 characters: keep the text from the 2097th character on.
    void applySizeRule();
    // Appends the text and CR LF at the end of the box.
    void addBoxLine(const QString &text);

    // Appends one record ("text" CR LF) to the file, opening and closing it for this line.
    Outcome WriteLog(const QString &line);

    // D + " " + T + " x:ERROR-CANNOT CORRECT TIME" with the current date and time.
    QString failureBoxLine(QChar letter) const;
    // D + " " + T + " :ERROR-CANNOT CORRECT TIME".
    QString failureFileLine() const;

signals:
    // The box text was cut at its start (the window must take the whole text again).
    void boxTextReplaced(const QString &text);
    // A line (with its CR LF) was added at the end of the box.
    void boxLineAdded(const QString &lineWithCrLf);
};
