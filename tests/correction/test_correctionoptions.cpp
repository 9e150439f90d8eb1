#include "common/intervaltimer.h"
#include "correction/correctionsettings.h"
#include "correctiontesthelpers.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QString describe(const CorrectionOptions &options)
{
    return QStringLiteral("correct %1 %2, delay %3 %4, mask %5 %6, zone %7 [%8] [%9]")
        .arg(options.correctOn)
        .arg(options.correctPeriod)
        .arg(options.delayOn)
        .arg(options.delayMs)
        .arg(options.maskOn)
        .arg(options.maskMinutes)
        .arg(options.zoneOn)
        .arg(options.zoneSignal, options.zoneComputer);
}

} // namespace

// The conversions of the stored and typed texts; the options panel test covers the controls,
// the timers and the OK button.
class TestCorrectionOptions : public QObject
{
    Q_OBJECT
private slots:
    // expected: "correct on period, delay on ms, mask on minutes, zone on [signal] [computer]".
    void load_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("expected");
        const auto row
            = [](const char *name, const char *stored, bool refused, const char *expected) {
                  QTest::newRow(name)
                      << QString::fromUtf8(stored) << refused << QString::fromUtf8(expected);
              };
        row("empty store", "", false, "correct 0 0, delay 0 0, mask 0 0, zone 0 [] []");
        row("flags 5 and -1 are true, a word is false",
            "jiaoshiflag=5;gaojingflag=-1;pingbiflag=yes;shiquflag= 2x", false,
            "correct 1 0, delay 1 0, mask 0 0, zone 1 [] []");
        row("7.5 rounds to even 8", "jiaoshimiao=7.5", false,
            "correct 0 8, delay 0 0, mask 0 0, zone 0 [] []");
        row("6.5 rounds to even 6", "jiaoshimiao=6.5", false,
            "correct 0 6, delay 0 0, mask 0 0, zone 0 [] []");
        row("leading numbers", "jiaoshimiao=30abc;gaojingmiao= 300 ms;pingbifen=-5", false,
            "correct 0 30, delay 0 300, mask 0 -5, zone 0 [] []");
        row("time-zone texts as stored", "shiqu1=北京时间 , UTC+8;shiqu2=  x  ", false,
            "correct 0 0, delay 0 0, mask 0 0, zone 0 [北京时间 , UTC+8] [  x  ]");
        row("period out of range stops before the delay flag",
            "jiaoshiflag=1;jiaoshimiao=32768;gaojingflag=1;gaojingmiao=300;pingbiflag=1;shiqu1=A",
            true, "correct 1 0, delay 0 0, mask 0 0, zone 0 [] []");
        row("minutes rounding past the edge stop before the zone",
            "jiaoshiflag=1;jiaoshimiao=5;gaojingflag=1;gaojingmiao=-32768;pingbiflag=1;"
            "pingbifen=32767.5;shiquflag=1;shiqu1=A",
            true, "correct 1 5, delay 1 -32768, mask 1 0, zone 0 [] []");
        row("lower edge half rounds inside", "pingbifen=-32768.5;shiqu1=B", false,
            "correct 0 0, delay 0 0, mask 0 -32768, zone 0 [B] []");
    }
    void load()
    {
        QFETCH(QString, stored);
        QTemporaryDir folder;
        SettingsStore store(folder.filePath(QStringLiteral("settings.ini")));
        storeTexts(store, stored);
        CorrectionOptions options;
        IntervalTimer timer3;
        IntervalTimer timer4;
        CorrectionSettings settings(store, options, timer3, timer4);
        QTEST(settings.loadOptions().has_value(), "refused");
        QTEST(describe(options), "expected");
    }

    // value -1: the text cannot be used.
    void typedNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("7.5 to 8") << "7.5" << 8;
        QTest::newRow("blanks around 6.5 to 6") << "  6.5 " << 6;
        QTest::newRow("minus half to 0") << "-0.5" << 0;
        QTest::newRow("upper edge") << "32767" << 32767;
        QTest::newRow("lower edge") << "-32768" << -32768;
        QTest::newRow("just over") << "32768" << -1;
        QTest::newRow("rounds over") << "32767.5" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("word") << "abc" << -1;
        QTest::newRow("number then letters") << "30abc" << -1;
        QTest::newRow("infinity") << "inf" << -1;
        QTest::newRow("not a number") << "nan" << -1;
        QTest::newRow("huge") << "1e300" << -1;
    }
    void typedNumber()
    {
        QFETCH(QString, text);
        QTEST(int(CorrectionSettings::typedNumber(text).value_or(-1)), "value");
    }
};

QTEST_GUILESS_MAIN(TestCorrectionOptions)
#include "test_correctionoptions.moc"
