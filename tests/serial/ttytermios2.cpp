#include "ttytermios2.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace TtyTermios2 {

QString speeds(int fd)
{
    termios2 block {};
    if (::ioctl(fd, TCGETS2, &block) != 0) {
        return QString();
    }
    return QStringLiteral("%1/%2").arg(block.c_ospeed).arg(block.c_ispeed);
}

bool setSplitSpeeds(int fd, long input, long output)
{
    termios2 block {};
    if (::ioctl(fd, TCGETS2, &block) != 0) {
        return false;
    }
    block.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    block.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    block.c_ospeed = static_cast<speed_t>(output);
    block.c_ispeed = static_cast<speed_t>(input);
    return ::ioctl(fd, TCSETS2, &block) == 0;
}

} // namespace TtyTermios2
