#pragma once

#include <QString>

// The tty's line as the kernel holds it, read through termios2 so that tests see what really
// reached the device. Apart because <asm/termbits.h> and <termios.h> cannot share a file.
namespace TtyTermios2 {

// The output and input speeds in baud, "out/in"; empty when the tty cannot be read.
QString speeds(int fd);
// Gives the tty different receive and send speeds, as another program may leave it; false
// when the kernel refused.
bool setSplitSpeeds(int fd, long input, long output);

} // namespace TtyTermios2
