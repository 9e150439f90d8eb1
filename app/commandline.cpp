#include "commandline.h"

#include "about/versioninformation.h"
#include "parentconsole.h"

#include <QCommandLineParser>
#include <cstdio>

namespace {

constexpr int kBadUsage = 2;
const QString kProgram = QStringLiteral("valtora");

// What QGuiApplication and QApplication take from the command line themselves. They are
// accepted here so that "valtora -style Fusion" still starts, and kept out of the usage.
// "-platformpluginpath" is not among them: it would load code from a folder of the user's
// choosing into a program that may hold the right to set the clock.
const QStringList kWindowSystemOptionsWithValue = {
    QStringLiteral("platform"),
    QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),
    QStringLiteral("qmljsdebugger"),
    QStringLiteral("qwindowgeometry"),
    QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"),
    QStringLiteral("session"),
    QStringLiteral("display"),
    QStringLiteral("geometry"),
    QStringLiteral("title"),
    QStringLiteral("icon"),
    QStringLiteral("name"),
    QStringLiteral("style"),
    QStringLiteral("stylesheet"),
};
const QStringList kWindowSystemSwitches = {
    QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
    QStringLiteral("dograb"),  QStringLiteral("sync"),
};

QString usage(const QCommandLineParser &parser)
{
    // The parser names the program after the first argument only once an application object
    // exists, and there is none yet.
    QString text = parser.helpText();
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
    text.replace(0, lineEnd, QStringLiteral("Usage: %1 [options]").arg(kProgram));
    return text;
}

} // namespace

CommandLine::Answer CommandLine::answer(const QStringList &arguments)
{
    QCommandLineParser parser;
    // Qt's own options come with one dash ("-style"): read "-name" as a word, not as letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Keeps this computer's clock right from a time receiver on a serial "
                       "port.\nStarted without options, it opens its window."));
    const QCommandLineOption help({ QStringLiteral("h"), QStringLiteral("help") },
                                  QStringLiteral("Show this text and end."));
    const QCommandLineOption version({ QStringLiteral("v"), QStringLiteral("version") },
                                     QStringLiteral("Show the version and end."));
    const QCommandLineOption autostart(
        QStringLiteral("autostart"),
        QStringLiteral("Started at login: a port that will not open is said in a notification "
                       "balloon instead of a message box."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(autostart);
    for (const QString &name : kWindowSystemOptionsWithValue) {
        QCommandLineOption option(name, QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const QString &name : kWindowSystemSwitches) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    const QString tryHelp = QStringLiteral("\nTry '%1 --help'.\n").arg(kProgram);
    if (!parser.parse(arguments)) {
        return Answer { kBadUsage, QString(),
                        kProgram + QStringLiteral(": ") + parser.errorText() + tryHelp };
    }
    // Qt reads some of its options before the others and does not know which take values:
    // an option hidden as another one's value would reach it as an option of its own.
    for (const QString &name : kWindowSystemOptionsWithValue) {
        for (const QString &value : parser.values(name)) {
            if (value.startsWith(QLatin1Char('-'))) {
                return Answer {
                    kBadUsage, QString(),
                    QStringLiteral("%1: -%2 wants a value, not '%3'.").arg(kProgram, name, value)
                        + tryHelp
                };
            }
        }
    }
    if (!parser.positionalArguments().isEmpty()) {
        return Answer { kBadUsage, QString(),
                        QStringLiteral("%1: unexpected argument '%2'.")
                                .arg(kProgram, parser.positionalArguments().constFirst())
                            + tryHelp };
    }
    if (parser.isSet(help)) {
        return Answer { 0, usage(parser), QString() };
    }
    if (parser.isSet(version)) {
        const VersionInformation information = VersionInformation::application();
        return Answer { 0,
                        information.title + QLatin1Char(' ') + information.versionText()
                            + QLatin1Char('\n'),
                        QString() };
    }
    Answer starts;
    starts.autostart = parser.isSet(autostart);
    return starts;
}

CommandLine::Answer CommandLine::handle(int argc, char *argv[])
{
    QStringList arguments;
    for (int index = 0; index < argc; ++index) {
        arguments.append(QString::fromLocal8Bit(argv[index]));
    }
    const Answer result = answer(arguments);
    if (result.exitCode) {
        attachToParentConsole();
    }
    if (!result.output.isEmpty()) {
        std::fputs(result.output.toLocal8Bit().constData(), stdout);
    }
    if (!result.error.isEmpty()) {
        std::fputs(result.error.toLocal8Bit().constData(), stderr);
    }
    return result;
}
