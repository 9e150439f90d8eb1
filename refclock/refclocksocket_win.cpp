#include "refclocksocket.h"

#include <cerrno>
#include <cstring>

// chrony runs on Unix-like systems only, and Windows has no datagram sockets of this family:
// the feed is not offered there.
int RefclockSocket::send(const std::string &, const Sample &)
{
    return ENOSYS;
}

bool RefclockSocket::isNobodyListening(int)
{
    return false;
}

std::string RefclockSocket::errorText(int error)
{
    if (error == ENOSYS) {
        return "chrony's reference-clock socket is not available on Windows";
    }
    return std::strerror(error);
}
