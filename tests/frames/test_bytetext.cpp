#include "frames/bytetext.h"

#include <QTest>

class TestByteText : public QObject
{
    Q_OBJECT
private slots:
    void text_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0x00 << QStringLiteral("00");
        QTest::newRow("end byte") << 0x03 << QStringLiteral("03");
        QTest::newRow("nine") << 0x09 << QStringLiteral("09");
        QTest::newRow("first letter alone") << 0x0A << QStringLiteral("A");
        QTest::newRow("last letter alone") << 0x0F << QStringLiteral("F");
        QTest::newRow("first two digits") << 0x10 << QStringLiteral("10");
        QTest::newRow("digit then letter") << 0x1F << QStringLiteral("1F");
        QTest::newRow("bcd fifty-nine") << 0x59 << QStringLiteral("59");
        QTest::newRow("header") << 0xA1 << QStringLiteral("A1");
        QTest::newRow("start byte") << 0xAA << QStringLiteral("AA");
        QTest::newRow("letter then digit") << 0xB0 << QStringLiteral("B0");
        QTest::newRow("top") << 0xFF << QStringLiteral("FF");
    }
    void text()
    {
        QFETCH(int, byte);
        QFETCH(QString, expected);
        QCOMPARE(byteText(quint8(byte)), expected);
    }

    // Only the six single-letter bytes give one character; every text is distinct, so the
    // assembler's comparisons with "AA" and "03" can never hit a different byte.
    void everyByte()
    {
        QSet<QString> seen;
        for (int byte = 0; byte < 256; ++byte) {
            const QString text = byteText(quint8(byte));
            const bool single = byte >= 0x0A && byte <= 0x0F;
            QCOMPARE(text.size(), single ? 1 : 2);
            QCOMPARE(text, text.toUpper());
            QVERIFY2(!seen.contains(text), qPrintable(text));
            seen.insert(text);
            if (!single) {
                QCOMPARE(text.toInt(nullptr, 16), byte);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestByteText)
#include "test_bytetext.moc"
