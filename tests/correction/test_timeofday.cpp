#include "correction/timeofday.h"

#include <QTest>
#include <limits>

class TestTimeOfDay : public QObject
{
    Q_OBJECT
private slots:
    void timetosecond_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint32>("seconds");
        QTest::newRow("plain") << "12:34:56" << 45296;
        QTest::newRow("blanks around") << "  07:05:09 " << 25509;
        QTest::newRow("one-digit hour") << "8:05:03" << 29103;
        QTest::newRow("one-digit fields read by position") << "8:5:3" << 28800;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("24 hours unchecked") << "24:00:00" << 86400;
        QTest::newRow("no range checks") << "99:99:99" << 362439;
        QTest::newRow("letters count 0") << "ab:cd:ef" << 0;
        QTest::newRow("short text") << "7" << 25207; // hours 7 and seconds 7
        QTest::newRow("tab is not trimmed") << "\t12:34:56" << 3656;
        QTest::newRow("negative hours") << "-1:00:00" << -3600;
        QTest::newRow("half on an even total rounds down") << "1.5" << 3600;
        QTest::newRow("lone half second to even 0") << "00:00:.5" << 0;
        QTest::newRow("seconds are the last two characters") << "00:00:1.5" << 0;
        QTest::newRow("fraction rounds up") << "00:01:.7" << 61;
    }
    void timetosecond()
    {
        QFETCH(QString, text);
        QTEST(::timetosecond(text), "seconds");
    }

    // An empty text means the overflow failure.
    void secondtotime_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("one") << 1.0 << "00:00:01";
        QTest::newRow("59") << 59.0 << "00:00:59";
        QTest::newRow("one hour") << 3600.0 << "01:00:00";
        QTest::newRow("afternoon") << 45296.0 << "12:34:56";
        QTest::newRow("last second of the day") << 86399.0 << "23:59:59";
        QTest::newRow("zero") << 0.0 << "00:00:00";
        QTest::newRow("negative") << -5.0 << "00:00:00";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "00:00:00";
        QTest::newRow("59.5 keeps its minute") << 59.5 << "00:00:60";
        QTest::newRow("3599.5 keeps its hour") << 3599.5 << "00:59:60";
        QTest::newRow("0.5 to even 0") << 0.5 << "00:00:00";
        QTest::newRow("1.5 to even 2") << 1.5 << "00:00:02";
        QTest::newRow("2.5 to even 2") << 2.5 << "00:00:02";
        QTest::newRow("no wrap at 24 hours") << 86400.0 << "24:00:00";
        QTest::newRow("three-digit hours") << 360000.0 << "100:00:00";
        QTest::newRow("last value that fits") << 2147486399.0 << "596523:59:59";
        QTest::newRow("fraction below the limit") << 2147486399.5 << "596523:59:60";
        QTest::newRow("first value that overflows") << 2147486400.0 << "";
        QTest::newRow("far beyond") << 1e300 << "";
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "";
    }
    void secondtotime()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        const Result<QString> result = ::secondtotime(seconds);
        QCOMPARE(result.ok() ? result.value() : result.error().text,
                 text.isEmpty() ? QStringLiteral("Overflow") : text);
    }

    void roundTripOverADay()
    {
        for (qint32 n = 1; n <= 86399; ++n) {
            const Result<QString> text = ::secondtotime(n);
            if (!text.ok() || ::timetosecond(text.value()) != n) {
                QFAIL(qPrintable(QString::number(n)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestTimeOfDay)
#include "test_timeofday.moc"
