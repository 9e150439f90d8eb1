#include "frames/refreshthrottle.h"

#include <QElapsedTimer>
#include <QTest>

class TestRefreshThrottle : public QObject
{
    Q_OBJECT
private slots:
    void firstRequestRunsAtOnce()
    {
        int runs = 0;
        RefreshThrottle throttle(100, [&runs] { ++runs; });
        throttle.request();
        QCOMPARE(runs, 1);
        QVERIFY(!throttle.isPending());
    }

    void closeRequestsAreGathered()
    {
        int runs = 0;
        RefreshThrottle throttle(100, [&runs] { ++runs; });
        QElapsedTimer sinceFirst;
        sinceFirst.start();
        throttle.request();
        for (int request = 0; request < 50; ++request) {
            throttle.request();
        }
        QCOMPARE(runs, 1);
        QVERIFY(throttle.isPending());
        QTRY_COMPARE(runs, 2);
        // Not before the interval was over.
        QVERIFY(sinceFirst.elapsed() >= 95);
        QVERIFY(!throttle.isPending());
    }

    void flushRunsAGatheredRequest()
    {
        int runs = 0;
        RefreshThrottle throttle(10000, [&runs] { ++runs; });
        throttle.flush();
        QCOMPARE(runs, 0); // nothing gathered, nothing to run
        throttle.request();
        throttle.request();
        QCOMPARE(runs, 1);
        throttle.flush();
        QCOMPARE(runs, 2);
        QVERIFY(!throttle.isPending());
    }
};

QTEST_GUILESS_MAIN(TestRefreshThrottle)
#include "test_refreshthrottle.moc"
