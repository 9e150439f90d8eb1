#pragma once

#include "common/systemclock.h"

#include <QList>

// A clock that stands still until a test moves it. It records every set and can be told to
// refuse them, the way a missing privilege would.
class ManualClock : public SystemClock
{
public:
    explicit ManualClock(const QDateTime &start = QDateTime(QDate(2026, 12, 5), QTime(12, 0)));

    QDateTime now() const override { return m_now; }
    Outcome setDate(const QDate &date) override;
    Outcome setTime(const QTime &time) override;
    // Recorded as one date and one time set.
    Outcome setDateTime(const QDateTime &moment) override;

    void setNow(const QDateTime &now) { m_now = now; }
    void advanceMs(qint64 ms) { m_now = m_now.addMSecs(ms); }
    // Every later set fails with this error (none: sets succeed again).
    void setRefusal(const Outcome &refusal) { m_refusal = refusal; }

    QList<QDate> datesSet;
    QList<QTime> timesSet;

private:
    QDateTime m_now;
    Outcome m_refusal;
};
