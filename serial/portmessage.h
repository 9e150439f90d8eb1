#pragma once

#include "common/errorvalue.h"

class MSComm1;

// A port's failure as the user reads it: which port failed and the device it stands for,
// then the failure's own text ("Com3 (/dev/ttyS2): No such file or directory"). A user with
// several receivers must be able to tell which one it was. A device the user may not open
// also says how to get access. Without a valid port number the error stays as it is.
ErrorValue portMessage(const MSComm1 &port, int portNumber, const ErrorValue &error);
