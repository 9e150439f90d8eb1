#pragma once

#include <QtGlobal>

// The service manager's side of a daemon's life, through systemd's notification socket. Every
// call does nothing when the program was not started by systemd with Type=notify.
namespace ServiceManager {

// The daemon is up and doing its job.
void notifyReady();
// Still alive and working; systemd restarts a daemon that stays silent past WatchdogSec.
void notifyWatchdog();
void notifyStopping();
// How often to call notifyWatchdog(), in milliseconds: twice within the interval systemd
// watches (WatchdogSec), so a late wake-up is no missed beat; 0 when it does not watch.
qint64 watchdogIntervalMs();

} // namespace ServiceManager
