#include "processguard.h"

namespace ProcessGuard {

// Windows has no file capabilities: a program runs with the rights of the user who starts
// it, and the clock privilege is switched on only for the set call.
bool isSecureMode()
{
    return false;
}

void removeCodeLoadingVariables() { }

void keepOnlyTheClockRight() { }

} // namespace ProcessGuard
