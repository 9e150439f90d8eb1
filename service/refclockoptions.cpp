#include "refclockoptions.h"

#include "refclock/refclocksettings.h"
#include "serial/linesettings.h"

#include <QCommandLineParser>
#include <QFile>
#include <sys/un.h>

namespace {

constexpr int kBadUsage = 2;

ErrorValue badOption(const QString &text)
{
    return ErrorValue { kBadUsage, text };
}

// A whole decimal number from low to high, nothing else.
std::optional<int> wholeNumber(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || text.contains(QLatin1Char(' ')) || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

} // namespace

Result<RefclockOptions> RefclockOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Hands the time of a serial time receiver to chrony, on a machine without "
                       "a desktop.\nEvery frame that completes three consecutive seconds becomes "
                       "one sample on chrony's SOCK\nreference-clock socket."));
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("The receiver's serial device."),
                                    QStringLiteral("path"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port number n: the device that Com<n> of the "
                                                 "settings file's [Ports] section names."),
                                  QStringLiteral("n"));
    const QCommandLineOption line(QStringLiteral("line"),
                                  QStringLiteral("Speed, parity, data bits, stop bits "
                                                 "(default 9600,n,8,1)."),
                                  QStringLiteral("settings"));
    const QCommandLineOption socket(QStringLiteral("socket"),
                                    QStringLiteral("chrony's SOCK reference-clock socket; "
                                                   "without it no samples are sent."),
                                    QStringLiteral("path"));
    const QCommandLineOption latency(QStringLiteral("offset-ms"),
                                     QStringLiteral("The receiver's latency: how long after the "
                                                    "second it names a frame begins, -999 to "
                                                    "999 (default 0)."),
                                     QStringLiteral("ms"));
    const QCommandLineOption print(QStringLiteral("print"),
                                   QStringLiteral("One line per frame on standard output: the "
                                                  "received time, its arrival on this clock, "
                                                  "the offset and what went to chrony."));
    const QCommandLineOption help(QStringLiteral("help"), QStringLiteral("Show this text."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version."));
    parser.addOptions({ device, port, line, socket, latency, print, help, version });

    if (!parser.parse(arguments)) {
        return badOption(parser.errorText());
    }
    RefclockOptions options;
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        // Without an application object the parser cannot know the program's name.
        text.replace(0, text.indexOf(QLatin1Char('\n')),
                     QStringLiteral("Usage: valtora-refclock [options]"));
        options.answer
            = text
            + QStringLiteral(
                  "\nSIGTERM, SIGINT or SIGHUP end it. Exit codes: 0 ended by a signal,\n"
                  "1 the port could not be opened, 2 bad options.\n");
        return options;
    }
    if (parser.isSet(version)) {
        options.answer = QStringLiteral("valtora-refclock %1.%2.%3\n")
                             .arg(VALTORA_VERSION_MAJOR)
                             .arg(VALTORA_VERSION_MINOR)
                             .arg(VALTORA_VERSION_PATCH);
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return badOption(QStringLiteral("unexpected argument \"%1\"")
                             .arg(parser.positionalArguments().constFirst()));
    }
    // Each option once: a second value would silently win over the first.
    for (const QCommandLineOption *option : { &device, &port, &line, &socket, &latency }) {
        if (parser.values(*option).size() > 1) {
            return badOption(
                QStringLiteral("--%1 is given more than once").arg(option->names().constFirst()));
        }
    }
    if (parser.isSet(device) == parser.isSet(port)) {
        return badOption(QStringLiteral("give the receiver's port: either --device or --port"));
    }
    if (parser.isSet(device)) {
        options.device = parser.value(device);
        if (options.device.isEmpty()) {
            return badOption(QStringLiteral("--device wants a path"));
        }
    } else {
        const std::optional<int> number = wholeNumber(parser.value(port), 1, 32767);
        if (!number) {
            return badOption(QStringLiteral("--port wants a number from 1 to 32767, not \"%1\"")
                                 .arg(parser.value(port)));
        }
        options.port = *number;
    }
    if (parser.isSet(line)) {
        const std::optional<LineSettings> settings = LineSettings::fromText(parser.value(line));
        if (!settings) {
            return badOption(QStringLiteral("--line wants speed,parity,data bits,stop bits such "
                                            "as 9600,n,8,1, not \"%1\"")
                                 .arg(parser.value(line)));
        }
        options.lineSettings = settings->toText();
    }
    if (parser.isSet(socket)) {
        options.socketPath = parser.value(socket);
        // The socket's address holds so many bytes, its end included.
        const qsizetype longest = qsizetype(sizeof(sockaddr_un::sun_path)) - 1;
        if (options.socketPath.isEmpty()
            || QFile::encodeName(options.socketPath).size() > longest) {
            return badOption(QStringLiteral("--socket wants a path of 1 to %1 bytes").arg(longest));
        }
    }
    if (parser.isSet(latency)) {
        const int largest = RefclockSettings::kLargestLatencyMs;
        const std::optional<int> value = wholeNumber(parser.value(latency), -largest, largest);
        if (!value) {
            return badOption(QStringLiteral("--offset-ms wants whole milliseconds from -%1 to %1, "
                                            "not \"%2\"")
                                 .arg(largest)
                                 .arg(parser.value(latency)));
        }
        options.latencyMs = *value;
    }
    options.print = parser.isSet(print);
    return options;
}
