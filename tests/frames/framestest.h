#pragma once

// What the frames tests share: receiver frames and the reception logic on a manual clock.

#include "frames/receptionlogic.h"
#include "manualclock.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;

// A frame as the receiver sends it, every field in BCD; the spare byte is the day of the week.
inline QByteArray frameWith(int century, int year, int month, int day, int hour, int minute,
                            int second)
{
    QByteArray frame;
    for (const int value :
         { 0xAA, 0xA1, 0xA2, century, year, month, day, 0x04, hour, minute, second, 0x03 }) {
        frame.append(char(value));
    }
    return frame;
}

inline const QByteArray kWorkedFrame = QByteArray::fromHex("AAA1A2200308230412130403");
inline const QString kWorkedText = u"2003-08-23 12:13:04"_s;
inline const QByteArray kDecemberFrame = frameWith(0x20, 0x26, 0x12, 0x05, 0x23, 0x59, 0x58);
inline const QString kDecemberText = u"2026-12-05 23:59:58"_s;

// The reception logic on a manual clock, the mask option in the test's hands, and every
// display of a received time recorded.
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
