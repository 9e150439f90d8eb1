#include "chronydaemon.h"
#include "history/trackingrecord.h"
#include "programs.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

// chronyc's answer for the reference clock: its state character and offset in seconds.
struct SourceLine
{
    QChar state;
    double offsetSeconds = 1e9;
};

std::optional<SourceLine> valtoraSource(const ChronyDaemon &chrony)
{
    // "#,*,VALT,0,2,377,1,-0.000012,-0.000012,0.001000"
    for (const QByteArray &line : chrony.chronyc(QStringLiteral("sources")).split('\n')) {
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
        ChronyDaemon chrony;
        const QString error = chrony.start(QString(), QProcess::MergedChannels);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QByteArray started;
        QTRY_VERIFY2_WITH_TIMEOUT((started += chrony.output()).contains(
                                      "Disabled control of system clock"),
                                  started.constData(), 5000);

        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyReceiver"));
        SimulatorProcess simulator(link);
        QVERIFY(simulator.waitForLink());
        writeSettings(dir.path(),
                      { { "Ports/Com1", link },
                        { "Refclock/socket", chrony.sampleSocket() },
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
            source = valtoraSource(chrony);
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
            = chrony.chronyc(QStringLiteral("tracking")).trimmed().split(',');
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
