#pragma once

#include "chronydaemon.h"

#include <QList>
#include <QString>

// chronyd beside the benchmark, reading the program's samples from its SOCK reference clock.
// It logs every sample it takes; at the end it tells what it made of them.
class ChronyView
{
public:
    // Empty on success, else why chronyd could not be started. The extra lines go to the end
    // of its configuration (a second reference clock, say).
    QString start(const QString &extraConfig = {});
    QString sampleSocket() const { return m_daemon.sampleSocket(); }
    QString folder() const { return m_daemon.folder(); }

    struct Figures
    {
        // Each sample's offset as chrony took it (the receiver's time minus this computer's
        // clock), in milliseconds.
        QList<double> sampleOffsetsMs;
        // chrony's own estimates, in milliseconds: how far the receiver's time was ahead of
        // this computer's clock, and the spread of its filtered samples.
        double estimatedOffsetMs = 0;
        double estimatedDeviationMs = 0;
        QString state; // "*" selected, "+" combined, ...
    };
    // What chrony made of the source with this reference id; the estimated offset only for the
    // one it selected.
    Figures finish(const QByteArray &refid = "VALT");

private:
    ChronyDaemon m_daemon;
};
