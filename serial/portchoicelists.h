#pragma once

#include <QStringList>

// The fixed entries of the port panel's drop-down lists and of the two lists of the
// correction panel that the port panel fills. Each list's order is part of its meaning: an
// entry's position is what the program reads back (Com1 at position 0 is port 1).
class PortChoiceLists
{
public:
    static QStringList ports();
    static QStringList correctionPeriods();
    static QStringList midnightMinutes();
    static QStringList speeds();
    static QStringList dataBits();
    static QStringList parities();
    static QStringList stopBits();

    static constexpr int kPortCount = 16;
};
