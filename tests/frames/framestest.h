#pragma once

// What the frames tests share: receiver frames and the reception logic on a manual clock.

#include "frames/receptionlogic.h"
#include "manualclock.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;

// A frame of 2026-12-05 as the receiver sends it, the time in BCD.
inline QByteArray frameAt(int hour, int minute, int second)
{
    return QByteArray::fromHex("AAA1A22026120504") + char(hour) + char(minute) + char(second)
        + char(0x03);
}

inline const QByteArray kWorkedFrame = QByteArray::fromHex("AAA1A2200308230412130403");
inline const QString kWorkedText = u"2003-08-23 12:13:04"_s;
inline const QByteArray kDecemberFrame = frameAt(0x23, 0x59, 0x58);
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
