#include "serial/currentportview.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// "-" stands for a part that cannot be read, so the control stays as it was.
QString shown(const std::optional<QString> &text)
{
    return text.value_or(u"-"_s);
}
} // namespace

class TestCurrentPortView : public QObject
{
    Q_OBJECT
private slots:
    // The usual values are also shown through the port panel; these rows are the text's
    // edge cases and the "1.5" shift, which the pseudo-terminal cannot take.
    void settingsByPosition_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QStringList>("parts"); // speed, parity, data bits, stop bits
        QTest::newRow("115200,e,7,1.5")
            << u"115200,e,7,1.5"_s << QStringList { "115200", "Even", "7", "1.5" };
        QTest::newRow("three-digit speed, 1.5")
            << u"110,o,5,1.5"_s << QStringList { "110", "Odd", "5", "1.5" };
        QTest::newRow("space") << u"300,s,5,1"_s << QStringList { "300", "Space", "5", "1" };
        QTest::newRow("fallback speed")
            << u"76800,n,8,1"_s << QStringList { "76800", "None", "8", "1" };
        // The letter is compared as written; the port always reports lower case.
        QTest::newRow("upper-case letter")
            << u"9600,N,8,1"_s << QStringList { "9600", "-", "8", "1" };
        QTest::newRow("unknown letter") << u"9600,x,8,1"_s << QStringList { "9600", "-", "8", "1" };
        QTest::newRow("no speed") << u"n,8,1"_s << QStringList { "-", "None", "8", "1" };
        QTest::newRow("one character") << u"1"_s << QStringList { "-", "-", "-", "1" };
        QTest::newRow("empty") << QString() << QStringList { "-", "-", "-", "-" };
        QTest::newRow("point in a short text") << u"1.5"_s << QStringList { "-", "-", "-", "1.5" };
    }
    void settingsByPosition()
    {
        QFETCH(QString, settings);
        const CurrentPortView view = CurrentPortView::fromPort(settings, 1, 0, false);
        QTEST(QStringList({ shown(view.speedText), shown(view.parityText), shown(view.dataBitsText),
                            shown(view.stopBitsText) }),
              "parts");
    }

    void portFlowAndEcho_data()
    {
        QTest::addColumn<int>("commPort");
        QTest::addColumn<int>("handshaking");
        QTest::addColumn<bool>("echo");
        QTest::addColumn<int>("portIndex");
        QTest::addColumn<int>("flowIndex");
        QTest::addColumn<int>("echoIndex");
        QTest::newRow("first port, no flow") << 1 << 0 << false << 0 << 0 << 0;
        QTest::newRow("last port, Xon/RTS, echo") << 16 << 3 << true << 15 << 3 << 1;
        QTest::newRow("port 17") << 17 << 1 << false << -1 << 1 << 0;
        QTest::newRow("port 0, flow 4") << 0 << 4 << false << -1 << -1 << 0;
        QTest::newRow("negative flow") << 3 << -1 << true << 2 << -1 << 1;
    }
    void portFlowAndEcho()
    {
        QFETCH(int, commPort);
        QFETCH(int, handshaking);
        QFETCH(bool, echo);
        const CurrentPortView view
            = CurrentPortView::fromPort(u"9600,n,8,1"_s, commPort, handshaking, echo);
        QTEST(view.portIndex.value_or(-1), "portIndex");
        QTEST(view.flowIndex.value_or(-1), "flowIndex");
        QTEST(view.echoIndex, "echoIndex");
    }
};

QTEST_GUILESS_MAIN(TestCurrentPortView)
#include "test_currentportview.moc"
