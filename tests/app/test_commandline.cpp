#include "app/commandline.h"

#include <QTest>

// The answers of the command line, read before the program starts anything.
class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void answer_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode"); // -1: the program starts
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("error");
        const QString version = QStringLiteral("VALTORA " VALTORA_PROJECT_VERSION "\n");
        const QString usage = QStringLiteral("Usage: valtora [options]\n");
        const QString tryHelp = QStringLiteral("Try 'valtora --help'.\n");
        QTest::newRow("nothing starts") << QStringList() << -1 << QString() << QString();
        QTest::newRow("--version") << QStringList { "--version" } << 0 << version << QString();
        QTest::newRow("-v") << QStringList { "-v" } << 0 << version << QString();
        QTest::newRow("--help") << QStringList { "--help" } << 0 << usage << QString();
        QTest::newRow("-h before an unknown word")
            << QStringList { "-h", "-style", "Fusion" } << 0 << usage << QString();
        QTest::newRow("unknown option") << QStringList { "--bogus" } << 2 << QString()
                                        << "valtora: Unknown option 'bogus'.\n" + tryHelp;
        QTest::newRow("a value for --version")
            << QStringList { "--version=2" } << 2 << QString()
            << "valtora: Unexpected value after '--version'.\n" + tryHelp;
        QTest::newRow("an argument") << QStringList { "now" } << 2 << QString()
                                     << "valtora: unexpected argument 'now'.\n" + tryHelp;
        QTest::newRow("Qt's options start")
            << QStringList { "-style", "Fusion", "-platform", "xcb", "-reverse" } << -1 << QString()
            << QString();
        QTest::newRow("a folder of plugins of the user's choosing")
            << QStringList { "-platformpluginpath", "/tmp" } << 2 << QString()
            << "valtora: Unknown option 'platformpluginpath'.\n" + tryHelp;
        QTest::newRow("an option hidden as a value")
            << QStringList { "-style", "-platformpluginpath", "-style", "/tmp" } << 2 << QString()
            << "valtora: -style wants a value, not '-platformpluginpath'.\n" + tryHelp;
        QTest::newRow("Qt's option without its value")
            << QStringList { "-style" } << 2 << QString()
            << "valtora: Missing value after '-style'.\n" + tryHelp;
    }
    void answer()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(QString, error);
        const CommandLine::Answer answer
            = CommandLine::answer(QStringList { QStringLiteral("/usr/bin/valtora") } + arguments);
        QCOMPARE(answer.exitCode.value_or(-1), exitCode);
        // The usage is checked by its first line, and that it names the two options only.
        if (output.startsWith(QLatin1String("Usage:"))) {
            QVERIFY2(answer.output.startsWith(output), qPrintable(answer.output));
            QVERIFY(answer.output.contains(QLatin1String("--version")));
            QVERIFY(!answer.output.contains(QLatin1String("style")));
        } else {
            QCOMPARE(answer.output, output);
        }
        QCOMPARE(answer.error, error);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
