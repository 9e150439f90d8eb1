#include "chronyview.h"

#include <QFile>

namespace {

// The line of chronyc's answer that names the source, split into its fields.
QList<QByteArray> sourceFields(const QByteArray &answer, const QByteArray &refid)
{
    for (const QByteArray &line : answer.split('\n')) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() > 2 && fields.contains(refid)) {
            return fields;
        }
    }
    return {};
}

} // namespace

QString ChronyView::start(const QString &extraConfig)
{
    // Every sample chrony takes goes to refclocks.log in its folder.
    return m_daemon.start(QStringLiteral("logdir %1\nlog refclocks\n").arg(m_daemon.folder())
                              + extraConfig,
                          QProcess::ForwardedErrorChannel);
}

ChronyView::Figures ChronyView::finish(const QByteArray &refid)
{
    Figures figures;
    // "VALT,6,3,22,-0.165,72.317,-4.95e-07,1.55e-04": the standard deviation last.
    const QList<QByteArray> statistics
        = sourceFields(m_daemon.chronyc(QStringLiteral("sourcestats")), refid);
    if (statistics.size() >= 8) {
        figures.estimatedDeviationMs = statistics.at(7).toDouble() * 1000.0;
    }
    // With -x chronyd only imagines correcting the clock, so the source's own offset shrinks
    // to zero; how far it finds the real clock off is the system time of its tracking report:
    // "56414C54,VALT,1,1796592335.18,0.000050,...", positive while the clock is behind.
    const QList<QByteArray> tracking
        = sourceFields(m_daemon.chronyc(QStringLiteral("tracking")), refid);
    if (tracking.size() > 4) {
        figures.estimatedOffsetMs = tracking.at(4).toDouble() * 1000.0;
    }
    const QList<QByteArray> source
        = sourceFields(m_daemon.chronyc(QStringLiteral("sources")), refid);
    if (source.size() > 1) {
        figures.state = QString::fromLatin1(source.at(1));
    }
    // "2026-12-06 21:06:19.000051 VALT 1 N 0 -1.008117e-03 -5.130777e-05 1.000e-03": the raw
    // offset is the sample's, before chrony's own (here only imagined) corrections.
    QFile log(m_daemon.folder() + QStringLiteral("/refclocks.log"));
    if (log.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : log.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            // Lines with "-" for the sample number are the filter's own results, not samples.
            if (fields.size() >= 9 && fields.at(2) == refid && fields.at(3) != "-") {
                figures.sampleOffsetsMs.append(fields.at(6).toDouble() * 1000.0);
            }
        }
    }
    return figures;
}
