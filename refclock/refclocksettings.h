#pragma once

#include <QString>

class SettingsStore;

// The settings, beside the correction's own, that serve the time beyond this machine: chrony's
// reference-clock socket, and the receiver's latency, which the samples for chrony and the
// program's own corrections both take off.
struct RefclockSettings
{
    static constexpr const char *kRefclockSection = "Refclock";
    static constexpr const char *kSocketKey = "socket";
    static constexpr const char *kReceiverSection = "Receiver";
    static constexpr const char *kLatencyKey = "offsetMs";
    // A receiver sends a frame a second: a latency of a second or more names another second.
    static constexpr int kLargestLatencyMs = 999;

    QString socketPath; // empty: no samples for chrony
    int receiverLatencyMs = 0;
    // Why a stored latency was not taken (it then counts as 0); empty when it was.
    QString refusal;

    static RefclockSettings load(const SettingsStore &store);
};
