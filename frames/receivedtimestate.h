#pragma once

#include <QString>

// What the last decoded frames said. Written only by ShowReceivedTime; the watchdog and the
// correction cycle read it. Stamps are times of day in whole seconds, 0 to 86399, no date.
struct ReceivedTimeState
{
    QString recvDate;
    QString recvTime;
    QString recvDateTime;
    int recvStamp1 = 0;
    int recvStamp2 = 0;
    int recvStamp3 = 0;
    // When the end byte of the newest frame was read, on the steady clock of
    // monotonicNowNs() (0: no frame yet, or one that was read late, whose arrival is not
    // known). Lets a correction add the time the frame has been waiting instead of setting
    // the clock up to a second behind.
    qint64 frameEndNs = 0;
};

// The freshness watchdog's view: did the received date-time text change since its last tick?
struct FreshnessState
{
    QString lastSeenDateTime;
    bool dataFresh = false;
};
