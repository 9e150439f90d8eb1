#pragma once

// What the frames tests share: receiver frames, the reception logic on a manual clock, and
// the way to the simulator.

#include "frames/receptionlogic.h"
#include "manualclock.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

// A frame as the receiver sends it, every field in BCD; spare is the day of the week.
inline QByteArray frameWith(int century, int year, int month, int day, int hour, int minute,
                            int second, int spare = 0x04)
{
    QByteArray frame;
    for (const int value :
         { 0xAA, 0xA1, 0xA2, century, year, month, day, spare, hour, minute, second, 0x03 }) {
        frame.append(char(value));
    }
    return frame;
}

inline const QByteArray kWorkedFrame = QByteArray::fromHex("AAA1A2200308230412130403");
inline const QString kWorkedText = u"2003-08-23 12:13:04"_s;
inline const QString kWorkedLine = u"AA  A1  A2  20  03  08  23  04  12  13  04  03 "_s;
inline const QByteArray kDecemberFrame = frameWith(0x20, 0x26, 0x12, 0x05, 0x23, 0x59, 0x58);
inline const QString kDecemberText = u"2026-12-05 23:59:58"_s;

// The reception logic on a manual clock, with the mask option in the test's hands and every
// display (the Label2 caption) recorded.
struct Reception
{
    ManualClock clock { QDateTime(QDate(2026, 1, 7), QTime(8, 30)) };
    bool maskOn = false;
    ReceptionLogic logic { clock, [this] { return maskOn; } };
    QSignalSpy displays { &logic, &ReceptionLogic::label2CaptionChanged };
};

// The first argument of every recorded signal, as text.
inline QStringList texts(const QSignalSpy &spy)
{
    QStringList result;
    for (const QList<QVariant> &arguments : spy) {
        result << arguments.at(0).toString();
    }
    return result;
}

// True when expected appears within all in this order, other entries between.
inline bool inOrder(const QStringList &all, const QStringList &expected)
{
    qsizetype next = 0;
    for (const QString &text : all) {
        if (next < expected.size() && text == expected[next]) {
            ++next;
        }
    }
    return next == expected.size();
}

// What a text box shows for a text: every CR LF pair, lone CR and lone LF is one line break.
inline QString shown(QString text)
{
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    return text;
}

inline QString simulatorPath()
{
    QString directory = qEnvironmentVariable("VALTORA_BIN_DIR");
    if (directory.isEmpty()) {
        directory = QCoreApplication::applicationDirPath() + u"/../bin"_s;
    }
    return QDir(directory).filePath(u"valtora-sim"_s);
}
