#include "chronydaemon.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <csignal>
#include <sys/prctl.h>

ChronyDaemon::~ChronyDaemon()
{
    if (m_chronyd.state() != QProcess::NotRunning) {
        m_chronyd.terminate();
        if (!m_chronyd.waitForFinished(5000)) {
            m_chronyd.kill();
            m_chronyd.waitForFinished(3000);
        }
    }
}

QString ChronyDaemon::start(const QString &extraConfig, QProcess::ProcessChannelMode channels)
{
    QFile config(path("chrony.conf"));
    if (!config.open(QIODevice::WriteOnly)) {
        return config.errorString();
    }
    config.write(QStringLiteral("refclock SOCK %1 refid VALT precision 1e-3 poll 2\n"
                                "bindcmdaddress %2\ncmdport 0\nport 0\npidfile %3/chronyd.pid\n"
                                "driftfile %3/drift\n")
                     .arg(sampleSocket(), path("chronyd.sock"), folder())
                     .toUtf8()
                 + extraConfig.toUtf8());
    config.close();
    m_chronyd.setProcessChannelMode(channels);
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

QByteArray ChronyDaemon::chronyc(const QString &command) const
{
    QProcess chronyc;
    chronyc.start(QStringLiteral("chronyc"),
                  { QStringLiteral("-h"), path("chronyd.sock"), QStringLiteral("-n"),
                    QStringLiteral("-c"), command });
    return chronyc.waitForFinished(5000) ? chronyc.readAllStandardOutput() : QByteArray();
}
