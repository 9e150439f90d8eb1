#pragma once

#include "common/errorvalue.h"

#include <QString>
#include <QStringList>
#include <optional>

// What valtora-refclock was asked to do on its command line.
struct RefclockOptions
{
    // Answered on standard output without starting: the usage or the version.
    std::optional<QString> answer;
    // The receiver's device, or the port number whose device the settings file's [Ports]
    // section names; exactly one of the two is given.
    QString device;
    int port = 0;
    QString lineSettings = QStringLiteral("9600,n,8,1");
    // chrony's SOCK socket; empty: no samples are sent.
    QString socketPath;
    // The receiver's latency, as the settings file's [Receiver] offsetMs.
    int latencyMs = 0;
    // One line per frame on standard output.
    bool print = false;

    // Reads the arguments, the program's name first. A mistake gives an error whose text says
    // what is wrong, for the message before exit code 2.
    static Result<RefclockOptions> parse(const QStringList &arguments);
};
