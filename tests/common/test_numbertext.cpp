#include "common/numbertext.h"

#include <QTest>

class TestNumberText : public QObject
{
    Q_OBJECT
private slots:
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("blanks then number") << QStringLiteral("   42") << 42.0;
        QTest::newRow("sign and fraction") << QStringLiteral("-7.5x") << -7.5;
        QTest::newRow("plus sign") << QStringLiteral("+3") << 3.0;
        QTest::newRow("trailing letters") << QStringLiteral("30abc") << 30.0;
        QTest::newRow("letters first") << QStringLiteral("abc30") << 0.0;
        QTest::newRow("lone point") << QStringLiteral(".") << 0.0;
        QTest::newRow("fraction only") << QStringLiteral(".5") << 0.5;
        QTest::newRow("colon after digit") << QStringLiteral("5:") << 5.0;
        QTest::newRow("colon first") << QStringLiteral(":3") << 0.0;
        QTest::newRow("sign alone") << QStringLiteral("-") << 0.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(::leadingNumber(text), expected);
    }

    void int16_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<int>("expected");
        QTest::newRow("7.5 to even 8") << 7.5 << true << 8;
        QTest::newRow("6.5 to even 6") << 6.5 << true << 6;
        QTest::newRow("-2.5 to even -2") << -2.5 << true << -2;
        QTest::newRow("upper edge") << 32767.0 << true << 32767;
        QTest::newRow("upper edge half rounds out") << 32767.5 << false << 0;
        QTest::newRow("lower edge") << -32768.0 << true << -32768;
        QTest::newRow("lower edge half rounds to even inside") << -32768.5 << true << -32768;
        QTest::newRow("too large") << 43200.0 << false << 0;
    }
    void int16()
    {
        QFETCH(double, value);
        QFETCH(bool, fits);
        QFETCH(int, expected);
        const auto result = toInt16(value);
        QCOMPARE(result.has_value(), fits);
        if (fits) {
            QCOMPARE(int(*result), expected);
        }
    }

    void int32Range()
    {
        QCOMPARE(toInt32(2147483647.0).value(), 2147483647);
        QVERIFY(!toInt32(2147483648.0).has_value());
        QCOMPARE(toInt32(-2147483648.0).value(), std::numeric_limits<qint32>::min());
        QVERIFY(!toInt32(std::numeric_limits<double>::quiet_NaN()).has_value());
    }

    void boolean_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected"); // -1: not a Boolean
        QTest::newRow("True") << QStringLiteral("True") << 1;
        QTest::newRow("false any case") << QStringLiteral("fAlSe") << 0;
        QTest::newRow("number not zero") << QStringLiteral("-1") << 1;
        QTest::newRow("zero") << QStringLiteral("0") << 0;
        QTest::newRow("empty") << QString() << -1;
        QTest::newRow("word") << QStringLiteral("yes") << -1;
    }
    void boolean()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const auto result = booleanFromText(text);
        QCOMPARE(result.has_value(), expected >= 0);
        if (result) {
            QCOMPARE(int(*result), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "test_numbertext.moc"
