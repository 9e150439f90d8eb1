#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The command line, read before anything else starts: "--help" and "--version" answer on
// standard output and end the program, a mistake is named on standard error and ends it with
// exit code 2, and anything else starts the program as usual. The window system's standard
// options (-style, -platform, -display ...) are left for the application object to take.
class CommandLine
{
public:
    struct Answer
    {
        // Without an exit code the program starts.
        std::optional<int> exitCode;
        QString output; // for standard output
        QString error; // for standard error
        // Started by the login start entry: nothing may wait for an answer then.
        bool autostart = false;
    };

    // `arguments` as the program got them, its own name first.
    static Answer answer(const QStringList &arguments);

    // Answers on the standard streams; with an exit code the program must end here.
    static Answer handle(int argc, char *argv[]);
};
