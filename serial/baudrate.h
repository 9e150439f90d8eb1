#pragma once

#include "common/errorvalue.h"

#include <QtGlobal>

class MSComm1;

// The port's speed through its native control block (the termios2 structure on Linux, the
// DCB on Windows): read whole, only the speed changed, written back whole. This reaches
// speeds that a settings text does not name. Errors: 8018 when the port is closed (before
// the device is touched), 8021 when the block cannot be read, 8015 when it is not taken.
Outcome SetBaudRate(MSComm1 &com, const qint32 &baud);
Result<qint32> GetBaudRate(MSComm1 &com);
