#include "chronyview.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <csignal>
#include <sys/prctl.h>

namespace {

QList<QByteArray> chronycFields(const QString &socket, const char *command)
{
    QProcess chronyc;
    chronyc.start(QStringLiteral("chronyc"),
                  { QStringLiteral("-h"), socket, QStringLiteral("-n"), QStringLiteral("-c"),
                    QString::fromLatin1(command) });
    chronyc.waitForFinished(5000);
    for (const QByteArray &line : chronyc.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() > 2 && fields.contains("VALT")) {
            return fields;
        }
    }
    return {};
}

} // namespace

ChronyView::~ChronyView()
{
    if (m_chronyd.state() != QProcess::NotRunning) {
        m_chronyd.terminate();
        if (!m_chronyd.waitForFinished(5000)) {
            m_chronyd.kill();
            m_chronyd.waitForFinished(3000);
        }
    }
}

QString ChronyView::path(const char *name) const
{
    return m_folder.filePath(QString::fromLatin1(name));
}

QString ChronyView::sampleSocket() const
{
    return path("valtora.sock");
}

QString ChronyView::start()
{
    QFile config(path("chrony.conf"));
    if (!config.open(QIODevice::WriteOnly)) {
        return config.errorString();
    }
    config.write(QStringLiteral("refclock SOCK %1 refid VALT precision 1e-3 poll 2\n"
                                "bindcmdaddress %2\ncmdport 0\nport 0\npidfile %3/chronyd.pid\n"
                                "driftfile %3/drift\nlogdir %3\nlog refclocks\n")
                     .arg(sampleSocket(), path("chronyd.sock"), m_folder.path())
                     .toUtf8());
    config.close();
    m_chronyd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Ended with this process however it ends, so no daemon is left behind.
    m_chronyd.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_chronyd.start(QStringLiteral("setpriv"),
                    { QStringLiteral("--inh-caps=-sys_time"),
                      QStringLiteral("--bounding-set=-sys_time"), QStringLiteral("chronyd"),
                      QStringLiteral("-x"), QStringLiteral("-d"), QStringLiteral("-u"),
                      QStringLiteral("root"), QStringLiteral("-f"), config.fileName() });
    QDeadlineTimer deadline(5000);
    while (!QFile::exists(path("chronyd.sock")) && !deadline.hasExpired()
           && m_chronyd.state() != QProcess::NotRunning) {
        QThread::msleep(50);
    }
    return QFile::exists(path("chronyd.sock")) ? QString()
                                               : QStringLiteral("chronyd did not start");
}

ChronyView::Figures ChronyView::finish()
{
    Figures figures;
    // "VALT,6,3,22,-0.165,72.317,-4.95e-07,1.55e-04": the standard deviation last.
    const QList<QByteArray> statistics = chronycFields(path("chronyd.sock"), "sourcestats");
    if (statistics.size() >= 8) {
        figures.estimatedDeviationMs = statistics.at(7).toDouble() * 1000.0;
    }
    // With -x chronyd only imagines correcting the clock, so the source's own offset shrinks
    // to zero; how far it finds the real clock off is the system time of its tracking report:
    // "56414C54,VALT,1,1796592335.18,0.000050,...", positive while the clock is behind.
    const QList<QByteArray> tracking = chronycFields(path("chronyd.sock"), "tracking");
    if (tracking.size() > 4) {
        figures.estimatedOffsetMs = tracking.at(4).toDouble() * 1000.0;
    }
    const QList<QByteArray> source = chronycFields(path("chronyd.sock"), "sources");
    if (source.size() > 1) {
        figures.state = QString::fromLatin1(source.at(1));
    }
    // "2026-12-06 21:06:19.000051 VALT 1 N 0 -1.008117e-03 -5.130777e-05 1.000e-03": the raw
    // offset is the sample's, before chrony's own (here only imagined) corrections.
    QFile log(path("refclocks.log"));
    if (log.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : log.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 9 && fields.at(2) == "VALT") {
                figures.sampleOffsetsMs.append(fields.at(6).toDouble() * 1000.0);
            }
        }
    }
    return figures;
}
