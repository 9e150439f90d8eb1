#include "refclocksocket.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The layout chrony's SOCK driver expects, with this system's own struct timeval.
struct SockSample
{
    struct timeval tv;
    double offset;
    int pulse;
    int leap;
    int _pad;
    int magic;
};

} // namespace

int RefclockSocket::send(const std::string &socketPath, const Sample &sample)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof(address.sun_path)) {
        return ENAMETOOLONG;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);

    SockSample datagram {};
    datagram.tv.tv_sec = static_cast<time_t>(sample.seconds);
    datagram.tv.tv_usec = static_cast<suseconds_t>(sample.microseconds);
    datagram.offset = sample.offsetSeconds;
    datagram.pulse = 0; // the sample carries the whole time, not only a second's start
    datagram.leap = 0;
    datagram.magic = kMagic;

    const int descriptor = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (descriptor < 0) {
        return errno;
    }
    // Never waits: a daemon too busy to take the sample simply misses it.
    const ssize_t sent = ::sendto(descriptor, &datagram, sizeof(datagram), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr *>(&address), sizeof(address));
    const int error = sent == ssize_t(sizeof(datagram)) ? 0 : (sent < 0 ? errno : EMSGSIZE);
    ::close(descriptor);
    return error;
}

bool RefclockSocket::isNobodyListening(int error)
{
    return error == ENOENT || error == ECONNREFUSED || error == EAGAIN;
}

std::string RefclockSocket::errorText(int error)
{
    return std::strerror(error);
}
