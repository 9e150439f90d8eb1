#include "app/applicationfonts.h"
#include "app/commandline.h"
#include "app/frmterminal.h"
#include "app/messageboxes.h"
#include "app/notificationicon.h"
#include "app/pluginfolders.h"
#include "app/singleinstance.h"
#include "common/terminationsignals.h"
#include "common/clockselection.h"
#include "common/processguard.h"
#include "common/settingsstore.h"
#include "correction/correctionlog.h"
#include "history/trackingfile.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>

int main(int argc, char *argv[])
{
    // Before anything else runs: no code of the user's choosing may run with the right to
    // set the clock, and nothing but the clock-setting call holds it in effect.
    ProcessGuard::removeCodeLoadingVariables();
    ProcessGuard::keepOnlyTheClockRight();

    // --help and --version answer without a display, a port or the settings.
    const CommandLine::Answer commandLine = CommandLine::handle(argc, argv);
    if (commandLine.exitCode) {
        return *commandLine.exitCode;
    }
    const bool secureMode = ProcessGuard::isSecureMode();
    PluginFolders::keepToSystemFolders(secureMode);
    QApplication application(argc, argv);
    PluginFolders::checkAfterStart(secureMode);
    // The title is the name the settings are stored under, the window caption, and the
    // caption of every message box.
    QCoreApplication::setOrganizationName(QStringLiteral("VALTORA"));
    QCoreApplication::setApplicationName(QStringLiteral("VALTORA"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(VALTORA_VERSION_MAJOR)
                                                .arg(VALTORA_VERSION_MINOR)
                                                .arg(VALTORA_VERSION_PATCH));
    // Closing the window only hides it; the program ends through "EXIT SYSTEM".
    QApplication::setQuitOnLastWindowClosed(false);

    ClockSelection selection = selectSystemClock(qEnvironmentVariable("VALTORA_CLOCK"));
    if (!selection.clock) {
        std::fprintf(stderr, "%s\n", qPrintable(selection.error));
        return 2;
    }
    if (!selection.notice.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(selection.notice));
    }

    loadApplicationFonts();
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    QApplication::setFont(font);
    QIcon icon;
    for (const int size : { 16, 32, 48, 256 }) {
        icon.addFile(QStringLiteral(":/icons/valtora-%1.png").arg(size), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);

    SettingsStore store;
    // A second start leaves the port to the running copy and only brings its window up.
    const QString lockFolder = SingleInstance::userFolder();
    if (lockFolder.isEmpty()) {
        std::fprintf(stderr,
                     "VALTORA: no folder of this user's own for the one-copy lock; "
                     "starting without it.\n");
    }
    SingleInstance instance(lockFolder, store.fileName());
    if (!instance.claim()) {
        std::fprintf(stderr,
                     "VALTORA already runs for this user and settings file; its window "
                     "was brought up.\n");
        return 0;
    }
    MessageBoxes messageBoxes;
    NotificationIcon notificationIcon(icon);
    frmTerminal window(TerminalServices {
        *selection.clock, store, messageBoxes, notificationIcon, CorrectionLog::defaultFilePath(),
        CorrectionLog::fallbackFilePath(), TrackingFile::defaultFilePath() });
    QObject::connect(&instance, &SingleInstance::showRequested, &window,
                     &frmTerminal::cSysTray1_MouseDown);
    window.setStartedAtLogin(commandLine.autostart);
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &window,
                     &frmTerminal::endOnTermination);
    // A signal that comes while a start-up message box is open ends only the box's own
    // event loop; the program must end all the same.
    bool terminated = false;
    QObject::connect(&termination, &TerminationSignals::terminationRequested,
                     [&terminated] { terminated = true; });
    window.Form_Load();
    if (terminated) {
        return 0;
    }
    window.show();
    return application.exec();
}
