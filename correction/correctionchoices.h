#pragma once

#include <QString>

// What the "SYSTEM" page shows at the moment the user presses OK: the four check boxes and
// the five combo texts exactly as typed, before any conversion.
struct CorrectionChoices
{
    bool correctOn = false; // Check1
    QString correctPeriodText; // Combo1
    bool delayOn = false; // Check2
    QString delayMsText; // Combo2
    bool maskOn = false; // Check4
    QString maskMinutesText; // Combo6
    bool zoneOn = false; // Check3
    QString zoneSignal; // Combo3
    QString zoneComputer; // Combo5
};
