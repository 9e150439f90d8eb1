#pragma once

#include <QString>
#include <QtGlobal>

// The correction options as the user last confirmed them (or as loaded at start-up).
struct CorrectionOptions
{
    bool correctOn = false;
    qint16 correctPeriod = 0;
    bool delayOn = false;
    qint16 delayMs = 0;
    bool maskOn = false;
    qint16 maskMinutes = 0;
    // Time-zone options: stored and shown only, they never influence a correction.
    bool zoneOn = false;
    QString zoneSignal;
    QString zoneComputer;
};
