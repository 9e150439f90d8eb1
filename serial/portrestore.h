#pragma once

#include "common/errorvalue.h"

class MSComm1;
class SettingsStore;

// Start-up of the port: the stored settings go into the port component, then the port is
// opened and armed for receiving.

// Restores "portSettings", "CommPort", "Handshaking", the receive buffer size and "Echo", in
// that order. A value that is missing, not a number or refused by the port is skipped and
// the port keeps what it had.
void restorePortSettings(MSComm1 &port, const SettingsStore &store, bool &echoFlag);

// Toggles the port open (start-up calls it with the port closed) and arms it: all waiting
// bytes per read, text mode, the buffer emptied, a receive event for every byte. Returns the
// error of opening, for the caller to report once; the arming steps run either way and their
// failures are passed over.
Outcome OPENCOMM2(MSComm1 &port);

// After the port opened: a stored settings text with a speed that only the control block
// takes (76800, say), which a closed port refuses, is applied now, so the user's choice
// survives a restart. Fails quietly: the port then keeps what it has.
void restoreStoredSpeed(MSComm1 &port, const SettingsStore &store);

// The port in use was mapped to another device: an open port is closed and opened on the new
// one with the stored settings; a port that is closed (it would not open at start-up) tries the
// new device. A mapping that leads to the device already open changes nothing.
Outcome openOnMappedDevice(MSComm1 &port, const SettingsStore &store,
                           const QString &previousDevice);
