#include "serial/currentportview.h"

#include <QTest>

namespace {
const QString kNone = QStringLiteral("<none>");

QString shown(const std::optional<QString> &text)
{
    return text ? *text : kNone;
}
int shown(const std::optional<int> &index)
{
    return index ? *index : -1;
}
} // namespace

class TestCurrentPortView : public QObject
{
    Q_OBJECT
private slots:
    void settingsByPosition_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("parity");
        QTest::addColumn<QString>("dataBits");
        QTest::addColumn<QString>("stopBits");
        QTest::newRow("9600,n,8,1") << "9600,n,8,1"
                                    << "9600"
                                    << "None"
                                    << "8"
                                    << "1";
        QTest::newRow("115200,e,7,1.5") << "115200,e,7,1.5"
                                        << "115200"
                                        << "Even"
                                        << "7"
                                        << "1.5";
        QTest::newRow("19200,n,8,2") << "19200,n,8,2"
                                     << "19200"
                                     << "None"
                                     << "8"
                                     << "2";
        QTest::newRow("odd") << "4800,o,8,1"
                             << "4800"
                             << "Odd"
                             << "8"
                             << "1";
        QTest::newRow("mark") << "2400,m,7,2"
                              << "2400"
                              << "Mark"
                              << "7"
                              << "2";
        QTest::newRow("space") << "300,s,5,1"
                               << "300"
                               << "Space"
                               << "5"
                               << "1";
        QTest::newRow("three-digit speed, 1.5") << "110,o,5,1.5"
                                                << "110"
                                                << "Odd"
                                                << "5"
                                                << "1.5";
        QTest::newRow("fallback speed") << "76800,n,8,1"
                                        << "76800"
                                        << "None"
                                        << "8"
                                        << "1";
        // The letter is compared as written; the port always reports lower case.
        QTest::newRow("upper-case letter") << "9600,N,8,1"
                                           << "9600" << kNone << "8"
                                           << "1";
        QTest::newRow("unknown letter") << "9600,x,8,1"
                                        << "9600" << kNone << "8"
                                        << "1";
        QTest::newRow("no speed") << "n,8,1" << kNone << "None"
                                  << "8"
                                  << "1";
        QTest::newRow("one character") << "1" << kNone << kNone << kNone << "1";
        QTest::newRow("empty") << "" << kNone << kNone << kNone << kNone;
        QTest::newRow("point in a short text") << "1.5" << kNone << kNone << kNone << "1.5";
    }
    void settingsByPosition()
    {
        QFETCH(QString, settings);
        const CurrentPortView view = CurrentPortView::fromPort(settings, 1, 0, false);
        QTEST(shown(view.speedText), "speed");
        QTEST(shown(view.parityText), "parity");
        QTEST(shown(view.dataBitsText), "dataBits");
        QTEST(shown(view.stopBitsText), "stopBits");
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
            = CurrentPortView::fromPort(QStringLiteral("9600,n,8,1"), commPort, handshaking, echo);
        QTEST(shown(view.portIndex), "portIndex");
        QTEST(shown(view.flowIndex), "flowIndex");
        QTEST(view.echoIndex, "echoIndex");
    }
};

QTEST_GUILESS_MAIN(TestCurrentPortView)
#include "test_currentportview.moc"
