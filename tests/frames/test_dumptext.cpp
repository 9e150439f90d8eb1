#include "frames/dumptext.h"
#include "frames/receptionlogic.h"
#include "manualclock.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// A text of the given length without "AA" whose characters tell their position apart.
QString filler(qsizetype length)
{
    QString text;
    text.reserve(length);
    for (qsizetype index = 0; index < length; ++index) {
        text.append(QChar(char16_t(u'a' + index % 23)));
    }
    return text;
}

} // namespace

class TestDumpText : public QObject
{
    Q_OBJECT
private slots:
    void cutBeforeAppend_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("kept");
        QTest::newRow("empty") << 0 << 0;
        QTest::newRow("10000 unchanged") << 10000 << 10000;
        QTest::newRow("10001 cut to last 7905") << 10001 << 7905;
        QTest::newRow("10004 cut to last 7908") << 10004 << 7908;
    }
    void cutBeforeAppend()
    {
        QFETCH(int, length);
        QFETCH(int, kept);
        DumpText dump;
        const QString before = filler(length);
        QVERIFY(!dump.append(before));
        QVERIFY(!dump.append(QStringLiteral(" 03 ")));
        QCOMPARE(dump.text(), before.right(kept) + QStringLiteral(" 03 "));
    }

    void lineBreakBeforeStartByte_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("appended");
        QTest::newRow("start byte") << QStringLiteral(" AA ") << QStringLiteral("\r\nAA ");
        QTest::newRow("other byte") << QStringLiteral(" A1 ") << QStringLiteral(" A1 ");
        QTest::newRow("lone letter") << QStringLiteral(" A ") << QStringLiteral(" A ");
        QTest::newRow("two start bytes")
            << QStringLiteral(" AA  AA ") << QStringLiteral("\r\nAA \r\nAA ");
        QTest::newRow("start byte after text")
            << QStringLiteral(" 03  AA ") << QStringLiteral(" 03 \r\nAA ");
    }
    void lineBreakBeforeStartByte()
    {
        QFETCH(QString, data);
        QFETCH(QString, appended);
        DumpText dump;
        QVERIFY(!dump.append(QStringLiteral("x")));
        QVERIFY(!dump.append(data));
        QCOMPARE(dump.text(), QStringLiteral("x") + appended);
    }

    // Nothing stands before a start byte at the very front of the data: that step fails, is
    // reported, and the data goes in unchanged.
    void startByteAtFrontFails()
    {
        DumpText dump;
        const Outcome failure = dump.append(QStringLiteral("AA 03"));
        QVERIFY(failure);
        QCOMPARE(failure->text, QStringLiteral("Invalid procedure call or argument"));
        QCOMPARE(dump.text(), QStringLiteral("AA 03"));
    }

    void showDataReportsAndGoesOn()
    {
        ManualClock clock;
        ReceptionLogic logic(clock, [] { return false; });
        QSignalSpy failures(&logic, &ReceptionLogic::showDataFailed);
        QSignalSpy dumps(&logic, &ReceptionLogic::dumpChanged);
        logic.ShowData(QStringLiteral("AA  AA "));
        QCOMPARE(failures.count(), 1);
        QCOMPARE(failures.at(0).at(0).toString(),
                 QStringLiteral("showdata:Invalid procedure call or argument"));
        // The second start byte still gets its line break.
        QCOMPARE(logic.dump().text(), QStringLiteral("AA \r\nAA "));
        QCOMPARE(dumps.count(), 1);
    }

    void oneLinePerFrame()
    {
        ManualClock clock;
        ReceptionLogic logic(clock, [] { return false; });
        QByteArray frame;
        for (const int value :
             { 0xAA, 0xA1, 0xA2, 0x20, 0x03, 0x08, 0x23, 0x04, 0x12, 0x13, 0x04, 0x03 }) {
            frame.append(char(value));
        }
        logic.receiveBytes(frame + frame.left(5), 1);
        logic.receiveBytes(frame.mid(5) + frame, 2);
        const QStringList lines = logic.dump().text().split(QStringLiteral("\r\n"));
        const QString line = QStringLiteral("AA  A1  A2  20  03  08  23  04  12  13  04  03 ");
        QCOMPARE(lines, (QStringList { QString(), line, line, line }));
    }

    // The view learns only what changed: appends as appends, a cut of what it already shows
    // as a removal counted in shown characters (a CR LF pair is one).
    void changeAfterCut()
    {
        DumpText dump;
        QString start = filler(10000);
        start.insert(100, QStringLiteral("\r\n"));
        start.insert(2000, QStringLiteral("\r\n"));
        QVERIFY(!dump.append(start + QStringLiteral("tail")));
        DumpText::Change first = dump.takeChange();
        QVERIFY(!first.replaceAll);
        QCOMPARE(first.removeFromFront, 0);
        QCOMPARE(first.text, dump.text());
        QVERIFY(!dump.hasChange());

        QVERIFY(!dump.append(QStringLiteral(" 03 ")));
        const DumpText::Change second = dump.takeChange();
        QVERIFY(!second.replaceAll);
        QCOMPARE(second.removeFromFront, 2096 - 2);
        QCOMPARE(second.text, QStringLiteral(" 03 "));
    }

    void cutIntoUnshownTextReplacesAll()
    {
        DumpText dump;
        QVERIFY(!dump.append(filler(50)));
        (void)dump.takeChange();
        QVERIFY(!dump.append(filler(10000)));
        QVERIFY(!dump.append(QStringLiteral(" 03 ")));
        const DumpText::Change change = dump.takeChange();
        QVERIFY(change.replaceAll);
        QCOMPARE(change.text, dump.text());
    }

    void cutThroughLineBreakReplacesAll()
    {
        DumpText dump;
        QString start = filler(10100);
        start.replace(2095, 2, QStringLiteral("\r\n"));
        QVERIFY(!dump.append(start));
        (void)dump.takeChange();
        QVERIFY(!dump.append(QStringLiteral(" 03 ")));
        const DumpText::Change change = dump.takeChange();
        QVERIFY(change.replaceAll);
        QVERIFY(dump.text().startsWith(QLatin1Char('\n')));
    }

    void adoptedViewTextIsShown()
    {
        DumpText dump;
        QVERIFY(!dump.append(QStringLiteral(" 01 ")));
        (void)dump.takeChange();
        dump.adoptViewText(QString());
        QVERIFY(!dump.hasChange());
        QVERIFY(!dump.append(QStringLiteral(" AA ")));
        QCOMPARE(dump.text(), QStringLiteral("\r\nAA "));
        QCOMPARE(dump.takeChange().text, QStringLiteral("\r\nAA "));
    }

    // Text the view has not got yet stays behind what the view now shows.
    void adoptKeepsUnseenText()
    {
        DumpText dump;
        QVERIFY(!dump.append(QStringLiteral(" 01 ")));
        (void)dump.takeChange();
        QVERIFY(!dump.append(QStringLiteral(" 02 ")));
        dump.adoptViewText(QStringLiteral("typed"));
        QCOMPARE(dump.text(), QStringLiteral("typed 02 "));
        const DumpText::Change change = dump.takeChange();
        QVERIFY(!change.replaceAll);
        QCOMPARE(change.text, QStringLiteral(" 02 "));
    }
};

QTEST_GUILESS_MAIN(TestDumpText)
#include "test_dumptext.moc"
