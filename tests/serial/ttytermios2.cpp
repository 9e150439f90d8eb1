#include "ttytermios2.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace TtyTermios2 {

long outputSpeed(int fd)
{
    termios2 block {};
    if (::ioctl(fd, TCGETS2, &block) != 0) {
        return -1;
    }
    return static_cast<long>(block.c_ospeed);
}

long inputSpeed(int fd)
{
    termios2 block {};
    if (::ioctl(fd, TCGETS2, &block) != 0) {
        return -1;
    }
    return static_cast<long>(block.c_ispeed);
}

} // namespace TtyTermios2
