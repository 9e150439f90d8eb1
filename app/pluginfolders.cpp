#include "pluginfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef Q_OS_WIN
// Outside any namespace: the resource's functions are declared where this is called.
static void dropCarriedQtConf()
{
    Q_CLEANUP_RESOURCE(valtora_secure_paths);
}
#endif

void PluginFolders::keepToSystemFolders(bool secureMode)
{
#ifdef Q_OS_WIN
    Q_UNUSED(secureMode)
#else
    // The program carries a qt.conf of its own, without folders, which Qt reads before any
    // qt.conf beside the program. A program started normally may use one beside it.
    if (!secureMode) {
        dropCarriedQtConf();
        return;
    }
    // Qt adds the program's folder to the plugin folders when the application object is made,
    // and keeps it whatever was set before, unless it stood in the list then and was taken
    // out: so it is put in through the (otherwise removed) variable and left out at once.
    const QString programFolder
        = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath())
              .canonicalPath();
    qputenv("QT_PLUGIN_PATH", QFile::encodeName(programFolder));
    QStringList folders = QCoreApplication::libraryPaths();
    qunsetenv("QT_PLUGIN_PATH");
    folders.removeAll(programFolder);
    QCoreApplication::setLibraryPaths(folders);
#endif
}

void PluginFolders::checkAfterStart(bool secureMode)
{
    if (secureMode) {
        QCoreApplication::removeLibraryPath(QCoreApplication::applicationDirPath());
    }
}
