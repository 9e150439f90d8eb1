#pragma once

#include <cstdint>
#include <string>

// The operating system's half of the reference-clock feed: one datagram to the SOCK
// reference-clock socket of chrony, the time daemon. Free of Qt, one source per platform.
namespace RefclockSocket {

// The sample chrony reads: the system's time of a measurement and how far the true time was
// ahead of it then.
struct Sample
{
    std::int64_t seconds = 0; // of the system's time, since the epoch
    std::int64_t microseconds = 0; // 0 to 999999
    double offsetSeconds = 0; // true time minus the system's
};

// chrony's number for "a sample of this protocol".
constexpr int kMagic = 0x534f434b;

// Sends one sample to the socket at the path; returns 0 or the system's error number.
int send(const std::string &socketPath, const Sample &sample);

// Whether the error only means that nobody listens yet (the daemon is not running, or has
// not made its socket): worth trying again quietly at the next sample.
bool isNobodyListening(int error);

// A text for an error number, in plain words.
std::string errorText(int error);

} // namespace RefclockSocket
