// valtora-refclock: the receiver's time for chrony on a machine without a desktop. It wires
// the parts the window uses too; nothing here decides anything about frames or samples.

#include "common/clockselection.h"
#include "common/terminationsignals.h"
#include "journal.h"
#include "refclockoptions.h"
#include "refclockservice.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const Result<RefclockOptions> parsed = RefclockOptions::parse(arguments);
    if (!parsed.ok()) {
        std::fprintf(stderr, "valtora-refclock: %s\nTry 'valtora-refclock --help'.\n",
                     qPrintable(parsed.error().text));
        return parsed.error().number;
    }
    if (parsed.value().answer) {
        std::fputs(qPrintable(*parsed.value().answer), stdout);
        return 0;
    }
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("VALTORA"));
    QCoreApplication::setApplicationName(QStringLiteral("VALTORA"));

    // The host clock is only read (for a date), never set: chrony keeps the clock.
    const ClockSelection clock = selectSystemClock(QString());
    RefclockService service(parsed.value(), *clock.clock);
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &application,
                     [&service] {
                         service.stop();
                         QCoreApplication::exit(0);
                     });
    QObject::connect(&service, &RefclockService::failed, &application,
                     [] { QCoreApplication::exit(1); });
    service.start();
    return application.exec();
}
