#include "common/intervaltimer.h"
#include "common/settingsstore.h"
#include "correction/correctionsettings.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

using Stored = QList<QPair<QString, QString>>;

const QString kSection = QString::fromLatin1(SettingsStore::kPropertiesSection);

} // namespace

class TestCorrectionOptions : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_folder.isValid());
        m_store = std::make_unique<SettingsStore>(
            m_folder.filePath(QStringLiteral("case%1.ini").arg(++m_case)));
    }

    void load_data()
    {
        QTest::addColumn<Stored>("stored");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("correctOn");
        QTest::addColumn<int>("correctPeriod");
        QTest::addColumn<bool>("delayOn");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("maskOn");
        QTest::addColumn<int>("maskMinutes");
        QTest::addColumn<bool>("zoneOn");
        QTest::addColumn<QString>("zoneSignal");

        const auto key = [](const char *name, const char *text) {
            return qMakePair(QString::fromLatin1(name), QString::fromUtf8(text));
        };
        QTest::newRow("empty store")
            << Stored {} << false << false << 0 << false << 0 << false << 0 << false << QString();
        QTest::newRow("flags 5 and -1 are true, a word is false")
            << Stored { key("jiaoshiflag", "5"), key("gaojingflag", "-1"), key("pingbiflag", "yes"),
                        key("shiquflag", " 2x") }
            << false << true << 0 << true << 0 << false << 0 << true << QString();
        QTest::newRow("7.5 rounds to even 8")
            << Stored { key("jiaoshimiao", "7.5") } << false << false << 8 << false << 0 << false
            << 0 << false << QString();
        QTest::newRow("6.5 rounds to even 6")
            << Stored { key("jiaoshimiao", "6.5") } << false << false << 6 << false << 0 << false
            << 0 << false << QString();
        QTest::newRow("30abc reads its leading 30")
            << Stored { key("jiaoshimiao", "30abc"), key("gaojingmiao", " 300 ms"),
                        key("pingbifen", "-5") }
            << false << false << 30 << false << 300 << false << -5 << false << QString();
        QTest::newRow("time-zone text as stored")
            << Stored { key("shiqu1", "北京时间 , UTC+8"), key("shiqu2", "  x  ") } << false
            << false << 0 << false << 0 << false << 0 << false
            << QString::fromUtf8("北京时间 , UTC+8");
        QTest::newRow("period out of range stops before the delay flag")
            << Stored { key("jiaoshiflag", "1"), key("jiaoshimiao", "32768"),
                        key("gaojingflag", "1"), key("gaojingmiao", "300"),
                        key("pingbiflag", "1"),  key("shiqu1", "A") }
            << true << true << 0 << false << 0 << false << 0 << false << QString();
        QTest::newRow("minutes rounding past the edge stop before the zone")
            << Stored { key("jiaoshiflag", "1"), key("jiaoshimiao", "5"),
                        key("gaojingflag", "1"), key("gaojingmiao", "-32768"),
                        key("pingbiflag", "1"),  key("pingbifen", "32767.5"),
                        key("shiquflag", "1"),   key("shiqu1", "A") }
            << true << true << 5 << true << -32768 << true << 0 << false << QString();
        QTest::newRow("lower edge half rounds inside")
            << Stored { key("pingbifen", "-32768.5"), key("shiqu1", "B") } << false << false << 0
            << false << 0 << false << -32768 << false << QStringLiteral("B");
    }
    void load()
    {
        QFETCH(Stored, stored);
        for (const auto &[key, text] : stored) {
            m_store->setValue(kSection, key, text);
        }
        CorrectionOptions options;
        IntervalTimer timer3;
        IntervalTimer timer4;
        CorrectionSettings settings(*m_store, options, timer3, timer4);

        const Outcome outcome = settings.loadOptions();

        QTEST(outcome.has_value(), "refused");
        QTEST(options.correctOn, "correctOn");
        QTEST(int(options.correctPeriod), "correctPeriod");
        QTEST(options.delayOn, "delayOn");
        QTEST(int(options.delayMs), "delayMs");
        QTEST(options.maskOn, "maskOn");
        QTEST(int(options.maskMinutes), "maskMinutes");
        QTEST(options.zoneOn, "zoneOn");
        QTEST(options.zoneSignal, "zoneSignal");
    }

    void armTimers_data()
    {
        QTest::addColumn<bool>("correctOn");
        QTest::addColumn<bool>("delayOn");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<int>("timer3Interval");
        QTest::addColumn<bool>("timer3Enabled");
        QTest::addColumn<int>("timer4Interval");
        QTest::addColumn<bool>("timer4Enabled");
        QTest::newRow("both off") << false << false << 0 << false << 1000 << false << 0 << false;
        QTest::newRow("both on") << true << true << 300 << false << 1000 << true << 300 << true;
        QTest::newRow("delay on with 0 never ticks")
            << false << true << 0 << false << 1000 << false << 0 << true;
        QTest::newRow("negative delay stops before enabling")
            << true << true << -5 << true << 1000 << false << 0 << false;
    }
    void armTimers()
    {
        QFETCH(bool, correctOn);
        QFETCH(bool, delayOn);
        QFETCH(int, delayMs);
        CorrectionOptions options;
        options.correctOn = correctOn;
        options.delayOn = delayOn;
        options.delayMs = qint16(delayMs);
        IntervalTimer timer3;
        IntervalTimer timer4;
        CorrectionSettings settings(*m_store, options, timer3, timer4);

        QTEST(settings.armTimers().has_value(), "refused");
        QTEST(timer3.interval(), "timer3Interval");
        QTEST(timer3.isEnabled(), "timer3Enabled");
        QTEST(timer4.interval(), "timer4Interval");
        QTEST(timer4.isEnabled(), "timer4Enabled");
        QCOMPARE(timer4.isTicking(), timer4.isEnabled() && timer4.interval() > 0);
    }

    void typedNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<int>("value");
        QTest::newRow("7.5 to 8") << QStringLiteral("7.5") << true << 8;
        QTest::newRow("blanks around 6.5 to 6") << QStringLiteral("  6.5 ") << true << 6;
        QTest::newRow("minus half to 0") << QStringLiteral("-0.5") << true << 0;
        QTest::newRow("upper edge") << QStringLiteral("32767") << true << 32767;
        QTest::newRow("lower edge") << QStringLiteral("-32768") << true << -32768;
        QTest::newRow("just over") << QStringLiteral("32768") << false << 0;
        QTest::newRow("rounds over") << QStringLiteral("32767.5") << false << 0;
        QTest::newRow("empty") << QString() << false << 0;
        QTest::newRow("word") << QStringLiteral("abc") << false << 0;
        QTest::newRow("number then letters") << QStringLiteral("30abc") << false << 0;
        QTest::newRow("infinity") << QStringLiteral("inf") << false << 0;
        QTest::newRow("not a number") << QStringLiteral("nan") << false << 0;
        QTest::newRow("huge") << QStringLiteral("1e300") << false << 0;
    }
    void typedNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, usable);
        QFETCH(int, value);
        const auto number = CorrectionSettings::typedNumber(text);
        QCOMPARE(number.has_value(), usable);
        if (usable) {
            QCOMPARE(int(*number), value);
        }
    }

    void applyKeepsWhatCannotBeUsed_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("delay");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<int>("expectedPeriod");
        QTest::addColumn<int>("expectedDelay");
        QTest::addColumn<int>("expectedMinutes");
        QTest::newRow("all words") << QStringLiteral("abc") << QStringLiteral("x")
                                   << QStringLiteral("?") << 10 << 200 << 5;
        QTest::newRow("all empty") << QString() << QString() << QString() << 10 << 200 << 5;
        QTest::newRow("out of range") << QStringLiteral("40000") << QStringLiteral("-40000")
                                      << QStringLiteral("32768") << 10 << 200 << 5;
        QTest::newRow("negative delay only") << QStringLiteral("30") << QStringLiteral("-1")
                                             << QStringLiteral("7") << 30 << 200 << 7;
        QTest::newRow("good delay, bad period") << QStringLiteral("30abc") << QStringLiteral("950")
                                                << QStringLiteral("1") << 10 << 950 << 1;
    }
    void applyKeepsWhatCannotBeUsed()
    {
        QFETCH(QString, period);
        QFETCH(QString, delay);
        QFETCH(QString, minutes);
        CorrectionOptions options;
        options.correctPeriod = 10;
        options.delayMs = 200;
        options.maskMinutes = 5;
        IntervalTimer timer3;
        IntervalTimer timer4;
        QVERIFY(!timer4.setInterval(200));
        timer4.setEnabled(true);
        CorrectionSettings settings(*m_store, options, timer3, timer4);
        CorrectionChoices choices;
        choices.correctOn = true;
        choices.correctPeriodText = period;
        choices.delayMsText = delay;
        choices.maskMinutesText = minutes;
        choices.zoneSignal = QStringLiteral("z");

        const Outcome refusal = settings.applyChoices(choices);

        QFETCH(int, expectedPeriod);
        QFETCH(int, expectedDelay);
        QFETCH(int, expectedMinutes);
        QVERIFY(refusal.has_value());
        QCOMPARE(int(options.correctPeriod), expectedPeriod);
        QCOMPARE(int(options.delayMs), expectedDelay);
        QCOMPARE(int(options.maskMinutes), expectedMinutes);
        QCOMPARE(timer4.interval(), expectedDelay);
        QVERIFY(timer4.isTicking());
        // The good choices are taken all the same.
        QCOMPARE(options.correctOn, true);
        QCOMPARE(options.zoneSignal, QStringLiteral("z"));
    }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<SettingsStore> m_store;
    int m_case = 0;
};

QTEST_GUILESS_MAIN(TestCorrectionOptions)
#include "test_correctionoptions.moc"
