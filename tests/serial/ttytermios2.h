#pragma once

// Reads a tty's line settings straight from the kernel through termios2, so that tests can
// check what really reached the device. Kept apart because <asm/termbits.h> and <termios.h>
// cannot share a file.
namespace TtyTermios2 {

// The output speed in baud as the kernel holds it, or -1 when the tty cannot be read.
long outputSpeed(int fd);
// The input speed in baud, or -1.
long inputSpeed(int fd);
// Gives the tty different receive and send speeds, as another program may leave it; false
// when the kernel refused.
bool setSplitSpeeds(int fd, long input, long output);

} // namespace TtyTermios2
