#include "frames/dumptext.h"
#include "framestest.h"

#include <QTest>

namespace {

// A text of the given length without "AA" whose characters tell their position apart.
QString filler(qsizetype length)
{
    QString text;
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
        QVERIFY(!dump.append(u" 03 "_s));
        QCOMPARE(dump.text(), before.right(kept) + u" 03 "_s);
    }

    void lineBreakBeforeStartByte_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("appended");
        QTest::newRow("start byte") << u" AA "_s << u"\r\nAA "_s;
        QTest::newRow("other byte") << u" A1 "_s << u" A1 "_s;
        QTest::newRow("two start bytes") << u" AA  AA "_s << u"\r\nAA \r\nAA "_s;
        QTest::newRow("start byte after text") << u" 03  AA "_s << u" 03 \r\nAA "_s;
    }
    void lineBreakBeforeStartByte()
    {
        QFETCH(QString, data);
        QFETCH(QString, appended);
        DumpText dump;
        QVERIFY(!dump.append(u"x"_s));
        QVERIFY(!dump.append(data));
        QCOMPARE(dump.text(), u"x"_s + appended);
    }

    // Nothing stands before a start byte at the front of the data: that step fails and is
    // reported, and the rest of the append still runs.
    void showDataReportsAndGoesOn()
    {
        Reception reception;
        QSignalSpy failures(&reception.logic, &ReceptionLogic::showDataFailed);
        QSignalSpy dumps(&reception.logic, &ReceptionLogic::dumpChanged);
        reception.logic.ShowData(u"AA  AA "_s);
        QCOMPARE(texts(failures), QStringList { u"showdata:Invalid procedure call or argument"_s });
        QCOMPARE(reception.logic.dump().text(), u"AA \r\nAA "_s);
        QCOMPARE(dumps.count(), 1);
    }

    // The view learns only what changed: an append as an append, a cut of text it shows as a
    // removal counted in shown characters (a CR LF pair is one). A cut into text it has not
    // got yet, or through a CR LF pair, sends the whole text instead.
    void viewChange_data()
    {
        QTest::addColumn<QString>("seen");
        QTest::addColumn<QString>("unseen");
        QTest::addColumn<int>("removed"); // -1: the whole text
        QString twoBreaks = filler(10000);
        twoBreaks.insert(100, u"\r\n"_s);
        twoBreaks.insert(2000, u"\r\n"_s);
        QString breakAtCut = filler(10100);
        breakAtCut.replace(2095, 2, u"\r\n"_s);
        QTest::newRow("no cut") << filler(50) << filler(60) << 0;
        QTest::newRow("cut of shown text") << twoBreaks << u"tail"_s << 2096 - 2;
        QTest::newRow("cut into unseen text") << filler(50) << filler(10000) << -1;
        QTest::newRow("cut through line break") << breakAtCut << QString() << -1;
    }
    void viewChange()
    {
        QFETCH(QString, seen);
        QFETCH(QString, unseen);
        QFETCH(int, removed);
        DumpText dump;
        QVERIFY(!dump.append(seen));
        QCOMPARE(dump.takeChange().text, seen);
        QVERIFY(!dump.hasChange());
        QVERIFY(!dump.append(unseen));
        QVERIFY(!dump.append(u" 03 "_s));
        const DumpText::Change change = dump.takeChange();
        QCOMPARE(change.replaceAll, removed < 0);
        if (removed < 0) {
            QCOMPARE(change.text, dump.text());
        } else {
            QCOMPARE(change.removeFromFront, removed);
            QCOMPARE(change.text, unseen + u" 03 "_s);
        }
    }
};

QTEST_GUILESS_MAIN(TestDumpText)
#include "test_dumptext.moc"
