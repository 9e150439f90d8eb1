#pragma once

#include "common/errorvalue.h"

#include <QString>
#include <QtGlobal>

class MSComm1;
class SettingsStore;

// Applies the port panel's choices to the port and stores them. The steps run in a fixed
// order; the first failure that the user must hear about ends the run and is returned for
// the panel to report, and smaller failures are passed over. One applier serves the port
// for the whole run of the program, because it remembers a port that a failed change left
// closed.
class PortSettingsApplier
{
public:
    // What the panel shows when OK is pressed.
    struct Choices
    {
        // Position selected in the port list; -1 when none is selected.
        int portIndex = -1;
        QString speedText;
        QString parityText;
        QString dataBitsText;
        QString stopBitsText;
        qint16 pendingFlow = 0;
        bool pendingEcho = false;
    };

    // The settings text built from the lists: blanks trimmed from speed, data bits and stop
    // bits, the parity entry's first letter as it is ("None" gives N).
    static QString settingsText(const Choices &choices);

    // Runs every step: echo flag, port change (close, set, reopen, undone on failure),
    // settings text with the control-block fallback for the speed (a choice the port then
    // does not run is a failure), handshaking, then the four stored keys taken from what the
    // port reports now. Empty when all went through; a failure names the port.
    Outcome apply(const Choices &choices, MSComm1 &port, SettingsStore &store, bool &echoFlag);

private:
    Outcome changePort(MSComm1 &port, int newPort);

    // Set while a port that was open stays closed because a port change failed: the next
    // change to another port opens the new one.
    bool m_reopenPending = false;
};
