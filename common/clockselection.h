#pragma once

#include "systemclock.h"

#include <QString>
#include <memory>

// Chooses the clock from the VALTORA_CLOCK setting: empty or "system" is the host clock,
// "simulated" a simulated clock starting at the host's time, "simulated@YYYY-MM-DDThh:mm:ss"
// one starting at that local time; either may end in a rate such as "~+50ppm", so that the
// simulated clock drifts like a real one. Anything else is refused.
struct ClockSelection
{
    std::unique_ptr<SystemClock> clock; // null when the setting was refused
    QString error; // why it was refused
    QString notice; // one line for standard error, e.g. with a simulated clock
};

ClockSelection selectSystemClock(const QString &setting);
