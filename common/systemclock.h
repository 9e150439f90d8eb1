#pragma once

#include "errorvalue.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

// The computer's clock as the program sees it: local date and time of day, read together
// or apart, and set as two separate operations. Everything in the program that needs "now"
// or moves the clock goes through one instance of this.
class SystemClock
{
public:
    virtual ~SystemClock() = default;

    virtual QDateTime now() const = 0;
    QDate currentDate() const { return now().date(); }
    QTime currentTime() const { return now().time(); }

    // Sets the local date and keeps the time of day running.
    virtual Outcome setDate(const QDate &date) = 0;
    // Sets the local time of day (milliseconds included) and keeps the date.
    virtual Outcome setTime(const QTime &time) = 0;
    // Sets date and time of day in one step, to the moment the value stands for. Where both
    // change (a correction across midnight), two separate steps would leave the clock a whole
    // day off between them, whichever came first.
    virtual Outcome setDateTime(const QDateTime &moment) = 0;
};
