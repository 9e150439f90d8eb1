#include "history/trackingrecord.h"
#include "programs.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// chronyc's answer for the reference clock: its state character and offset in seconds.
struct SourceLine
{
    QChar state;
    double offsetSeconds = 1e9;
};

QByteArray chronyc(const QString &commandSocket, const QString &command)
{
    QProcess chronyc;
    chronyc.start(QStringLiteral("chronyc"),
                  { QStringLiteral("-h"), commandSocket, QStringLiteral("-n"), QStringLiteral("-c"),
                    command });
    return chronyc.waitForFinished(5000) ? chronyc.readAllStandardOutput() : QByteArray();
}

std::optional<SourceLine> valtoraSource(const QString &commandSocket)
{
    // "#,*,VALT,0,2,377,1,-0.000012,-0.000012,0.001000"
    for (const QByteArray &line : chronyc(commandSocket, QStringLiteral("sources")).split('\n')) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() >= 10 && fields.at(2) == "VALT") {
            return SourceLine { QChar::fromLatin1(fields.at(1).at(0)), fields.at(7).toDouble() };
        }
    }
    return std::nullopt;
}

} // namespace

// chronyd takes the receiver's time from the real valtora, fed by the simulator on a
// pseudo-terminal. chronyd runs with -x, so it never controls the clock, and without the
// right to set it in any case.
class TestEndToEndChrony : public QObject
{
    Q_OBJECT
private slots:
    void chronySelectsTheReceiver()
    {
        if (::geteuid() != 0) {
            QSKIP("chronyd runs only as root");
        }
        QTemporaryDir dir; // only its owner may enter: chronyd demands that of its sockets
        const QString commandSocket = dir.filePath(QStringLiteral("chronyd.sock"));
        const QString sampleSocket = dir.filePath(QStringLiteral("valtora.sock"));
        QFile config(dir.filePath(QStringLiteral("chrony.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("refclock SOCK %1 refid VALT precision 1e-3 poll 2\n"
                                    "bindcmdaddress %2\ncmdport 0\nport 0\n"
                                    "pidfile %3/chronyd.pid\ndriftfile %3/drift\n")
                         .arg(sampleSocket, commandSocket, dir.path())
                         .toUtf8());
        config.close();

        QProcess chronyd;
        chronyd.setProcessChannelMode(QProcess::MergedChannels);
        // Ended with this process however it ends, so no daemon is left behind.
        chronyd.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        chronyd.start(QStringLiteral("setpriv"),
                      { QStringLiteral("--inh-caps=-sys_time"),
                        QStringLiteral("--bounding-set=-sys_time"), QStringLiteral("chronyd"),
                        QStringLiteral("-x"), QStringLiteral("-d"), QStringLiteral("-u"),
                        QStringLiteral("root"), QStringLiteral("-f"), config.fileName() });
        QVERIFY2(chronyd.waitForStarted(), qPrintable(chronyd.errorString()));
        const auto stopChronyd = qScopeGuard([&chronyd] {
            chronyd.terminate();
            if (!chronyd.waitForFinished(5000)) {
                chronyd.kill();
                chronyd.waitForFinished(3000);
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(commandSocket), 5000);
        const QByteArray started = chronyd.readAll();
        QVERIFY2(started.contains("Disabled control of system clock"), started.constData());

        const QString link = dir.filePath(QStringLiteral("ttyReceiver"));
        SimulatorProcess simulator(link);
        QVERIFY(simulator.waitForLink());
        writeSettings(dir.path(),
                      { { "Ports/Com1", link },
                        { "Refclock/socket", sampleSocket },
                        { "Properties/jiaoshiflag", "1" },
                        { "Properties/jiaoshimiao", "5" } });
        // A copy of its own keeps logfile.txt beside it, in this folder.
        QVERIFY(QFile::copy(programPath(QStringLiteral("valtora")), dir.filePath("valtora")));
        QProcess valtora;
        valtora.setProcessEnvironment(programEnvironment(dir.path(), QStringLiteral("simulated")));
        valtora.start(dir.filePath(QStringLiteral("valtora")), {});
        QVERIFY(valtora.waitForStarted());
        const auto stopValtora = qScopeGuard([&valtora] {
            valtora.terminate();
            valtora.waitForFinished(5000);
        });

        // Selected (*) or combined with others (+), close to this computer's clock, which
        // the simulator follows.
        std::optional<SourceLine> source;
        QDeadlineTimer deadline(40000);
        while (!deadline.hasExpired()) {
            QTest::qWait(2000);
            source = valtoraSource(commandSocket);
            if (source && (source->state == u'*' || source->state == u'+')) {
                break;
            }
        }
        QVERIFY2(source, "chronyc shows no VALT source");
        qInfo("VALT state %c, offset %.6f s", source->state.toLatin1(), source->offsetSeconds);
        QVERIFY(source->state == u'*' || source->state == u'+');
        QVERIFY2(std::abs(source->offsetSeconds) < 0.005,
                 qPrintable(QString::number(source->offsetSeconds)));
        // With -x chronyd only imagines correcting the clock, so the source's offset shrinks
        // towards zero whatever the samples said; how far it finds this computer's real clock
        // off is the "system time" of its tracking report: "56414C54,VALT,1,...,0.000012,...".
        const QList<QByteArray> tracking
            = chronyc(commandSocket, QStringLiteral("tracking")).trimmed().split(',');
        QVERIFY2(tracking.size() > 4 && tracking.at(1) == "VALT", tracking.join(',').constData());
        qInfo("this clock off VALT's time by %s s", tracking.at(4).constData());
        QVERIFY2(std::abs(tracking.at(4).toDouble()) < 0.005, tracking.at(4).constData());

        // The program's own corrections of its simulated clock went to the tracking file.
        QFile trackingFile(dir.filePath(QStringLiteral("data/VALTORA/VALTORA/tracking.csv")));
        QVERIFY(trackingFile.open(QIODevice::ReadOnly));
        int measured = 0;
        for (const QByteArray &line : trackingFile.readAll().split('\n')) {
            const auto record = TrackingRecord::fromLine(QString::fromUtf8(line));
            if (record && record->offsetMs && record->device == link) {
                ++measured;
            }
        }
        QVERIFY(measured >= 2);
    }
};

QTEST_GUILESS_MAIN(TestEndToEndChrony)
#include "test_e2e_chrony.moc"
