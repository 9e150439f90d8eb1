#include "common/intervaltimer.h"
#include "common/numbertext.h"
#include "common/settingsstore.h"
#include "common/twips.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestCommon : public QObject
{
    Q_OBJECT
private slots:
    // A stored text's leading number, rounded half to even, as a 16-bit number (99999: none).
    void int16FromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("blanks, sign, fraction, letters") << "  -7.5x" << -8;
        QTest::newRow("plus sign") << "+3" << 3;
        QTest::newRow("letters first") << "abc30" << 0;
        QTest::newRow("sign alone") << "-" << 0;
        QTest::newRow("upper edge") << "32767" << 32767;
        QTest::newRow("upper edge half rounds out") << "32767.5" << 99999;
        QTest::newRow("lower edge half rounds inside") << "-32768.5" << -32768;
    }
    void int16FromText()
    {
        QFETCH(QString, text);
        const auto result = toInt16(leadingNumber(text));
        QTEST(result ? int(*result) : 99999, "expected");
    }

    void twipsAt96Dpi()
    {
        QCOMPARE(twipsToPixels(15), 1);
        QCOMPARE(twipsToPixels(7692), 513); // 512.8
    }

    // A failed write is kept and stored by the next good one; a hand-edited list reads whole.
    void storeRecoversFromAFailedWrite()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("cfg")); // a file, not a folder
        QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
        const QString path = dir.filePath(QStringLiteral("cfg/VALTORA.conf"));
        const QString section = QStringLiteral("Properties");
        {
            SettingsStore store(path);
            QVERIFY(store.setValue(section, QStringLiteral("shiqu1"), QStringLiteral("北京时间")));
            QVERIFY(QFile::remove(blocker));
            QVERIFY(!store.setValue(section, QStringLiteral("Echo"), QStringLiteral("True")));
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append) && file.write("portSettings=19200,e,7,1\n") > 0);
        file.close();
        const SettingsStore again(path);
        QCOMPARE(again.value(section, QStringLiteral("shiqu1")), QStringLiteral("北京时间"));
        QCOMPARE(again.value(section, QStringLiteral("portSettings")),
                 QStringLiteral("19200,e,7,1"));
    }

    void timerIntervalZeroNeverTicksAndNegativeIsRefused()
    {
        IntervalTimer timer(0);
        timer.setEnabled(true);
        QVERIFY(!timer.isTicking());
        QVERIFY(timer.setInterval(-1).has_value());
        QCOMPARE(timer.interval(), 0);
        QVERIFY(!timer.setInterval(5).has_value());
        QVERIFY(timer.isTicking());
    }
};

QTEST_GUILESS_MAIN(TestCommon)
#include "test_common.moc"
