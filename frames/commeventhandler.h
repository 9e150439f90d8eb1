#pragma once

#include "common/monotonicclock.h"
#include "receptionlogic.h"

// The receive event of the serial port, written once for any port that offers the calls of
// the port service (the real one, or a stand-in for events a pseudo-terminal cannot make).
// It skips a failing step and goes on with the next one, and never reports anything itself.
// The bytes go to the reception logic, or to whatever hands them on to it from another thread.
template<typename Port, typename Logic = ReceptionLogic>
void handleCommEvent(Port &port, Logic &logic)
{
    const int event = port.commEvent();
    switch (event) {
    case Port::EventReceive: {
        if (!port.portOpen()) {
            (void)port.setPortOpen(true); // skipped when it fails
        }
        (void)port.setInputLen(0); // a read takes everything waiting
        (void)port.setInputMode(1); // raw bytes
        const QByteArray bytes = port.input();
        logic.receiveBytes(bytes, monotonicNowNs());
        break;
    }
    case Port::ErrorBreak:
    case Port::ErrorFrame:
    case Port::ErrorOverrun:
    case Port::ErrorRxOver:
        // The port stops receiving until its error state is cleared; the frame assembler
        // stays as it is and finds the next start byte by itself.
        (void)port.clearCommError();
        break;
    default:
        // Sends, line-state changes, time-outs and parity errors need nothing.
        break;
    }
}
