#include "common/intervaltimer.h"
#include "common/settingsstore.h"
#include "common/simulatedclock.h"
#include "common/twips.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSharedHelpers : public QObject
{
    Q_OBJECT
private slots:
    void twipsAt96Dpi_data()
    {
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("one pixel") << 15 << 1;
        QTest::newRow("client width") << 7968 << 531;
        QTest::newRow("half rounds up") << 7692 << 513;
        QTest::newRow("zero") << 0 << 0;
    }
    void twipsAt96Dpi()
    {
        QFETCH(int, twips);
        QFETCH(int, pixels);
        QCOMPARE(twipsToPixels(twips), pixels);
    }

    void storeReadsMissingAsEmptyAndKeepsTexts()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("VALTORA.conf"));
        {
            SettingsStore store(path);
            QCOMPARE(store.value(QStringLiteral("Properties"), QStringLiteral("CommPort")),
                     QString());
            store.setValue(QStringLiteral("Properties"), QStringLiteral("portSettings"),
                           QStringLiteral("9600,n,8,1"));
            store.setValue(QStringLiteral("Properties"), QStringLiteral("shiqu1"),
                           QStringLiteral("北京时间"));
        }
        SettingsStore again(path);
        QCOMPARE(again.value(QStringLiteral("Properties"), QStringLiteral("portSettings")),
                 QStringLiteral("9600,n,8,1"));
        QCOMPARE(again.value(QStringLiteral("Properties"), QStringLiteral("shiqu1")),
                 QStringLiteral("北京时间"));
    }

    // A write that fails keeps the value for the run; once the file can be written again, the
    // next write takes it out too.
    void storeRecoversFromAFailedWrite()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("cfg")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString path = dir.filePath(QStringLiteral("cfg/VALTORA.conf"));
        const QString section = QStringLiteral("Properties");
        SettingsStore store(path);
        QVERIFY(store.setValue(section, QStringLiteral("CommPort"), QStringLiteral("3")));
        QCOMPARE(store.value(section, QStringLiteral("CommPort")), QStringLiteral("3"));
        QVERIFY(blocker.remove());
        QVERIFY(!store.setValue(section, QStringLiteral("Echo"), QStringLiteral("True")));
        QCOMPARE(SettingsStore(path).value(section, QStringLiteral("CommPort")),
                 QStringLiteral("3"));
    }

    void storeReadsHandEditedListsWhole()
    {
        // A user who maps a port by hand writes the value without quotes.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("VALTORA.conf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Properties]\nportSettings=19200,e,7,1\n[Ports]\nCom1=/dev/ttyUSB0\n");
        file.close();
        SettingsStore store(path);
        QCOMPARE(store.value(QStringLiteral("Properties"), QStringLiteral("portSettings")),
                 QStringLiteral("19200,e,7,1"));
        QCOMPARE(store.value(QStringLiteral("Ports"), QStringLiteral("Com1")),
                 QStringLiteral("/dev/ttyUSB0"));
    }

    void timerIntervalZeroNeverTicksAndNegativeIsRefused()
    {
        IntervalTimer timer(0);
        QSignalSpy ticks(&timer, &IntervalTimer::tick);
        timer.setEnabled(true);
        QVERIFY(!timer.isTicking());
        QTest::qWait(30);
        QCOMPARE(ticks.count(), 0);

        QVERIFY(timer.setInterval(-1).has_value());
        QCOMPARE(timer.interval(), 0);

        QVERIFY(!timer.setInterval(5).has_value());
        QVERIFY(timer.isTicking());
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 2, 2000);
        timer.setEnabled(false);
        QVERIFY(!timer.isTicking());
        QCOMPARE(timer.interval(), 5);
    }

    void simulatedClockMovesOnlyItself()
    {
        const QDateTime start(QDate(2026, 12, 5), QTime(23, 59, 50));
        SimulatedClock clock(start);
        QVERIFY(qAbs(clock.now().msecsTo(start)) < 1000);
        const QDateTime hostBefore = QDateTime::currentDateTime();
        QVERIFY(!clock.setTime(QTime(8, 0, 0)).has_value());
        QCOMPARE(clock.now().date(), QDate(2026, 12, 5));
        QVERIFY(qAbs(clock.now().time().msecsTo(QTime(8, 0, 0))) < 1000);
        QVERIFY(!clock.setDate(QDate(2027, 1, 1)).has_value());
        QCOMPARE(clock.now().date(), QDate(2027, 1, 1));
        QVERIFY(qAbs(clock.now().time().msecsTo(QTime(8, 0, 0))) < 1000);
        // The host's clock went on as before.
        QVERIFY(qAbs(QDateTime::currentDateTime().msecsTo(hostBefore)) < 1000);
    }
};

QTEST_GUILESS_MAIN(TestSharedHelpers)
#include "test_sharedhelpers.moc"
