#pragma once

#include "common/errorvalue.h"

#include <QString>
#include <QtGlobal>

// Conversions between a time-of-day text "hh:mm:ss" and a count of seconds. They read and
// write by fixed positions and never check ranges, so that scripts which already depend on
// their exact results keep getting them.

// Seconds of a time-of-day text: the first two characters are the hours, the two from the
// fourth on the minutes, the last two the seconds, each read as its leading number, after
// blanks around the text are removed. Never fails: a field without a number counts 0.
qint32 timetosecond(const QString &time1);

// The time-of-day text of a count of seconds, "00:00:00" for counts not above 0, with no
// wrap at 24 hours (86400 gives "24:00:00"). Fails with an overflow when the whole hours
// times 3600 no longer fit a signed 32-bit integer (from 2147486400 seconds on).
Result<QString> secondtotime(double secom);
