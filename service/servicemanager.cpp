#include "servicemanager.h"

#include <systemd/sd-daemon.h>

void ServiceManager::notifyReady()
{
    sd_notify(0, "READY=1");
}

void ServiceManager::notifyWatchdog()
{
    sd_notify(0, "WATCHDOG=1");
}

void ServiceManager::notifyStopping()
{
    sd_notify(0, "STOPPING=1");
}

qint64 ServiceManager::watchdogIntervalMs()
{
    uint64_t microseconds = 0;
    if (sd_watchdog_enabled(0, &microseconds) <= 0) {
        return 0;
    }
    return qMax<qint64>(qint64(microseconds / 1000) / 2, 1);
}
