#include "applicationfonts.h"

#include <QFile>
#include <QFontDatabase>

void loadApplicationFonts()
{
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        return;
    }
    const QStringList files = { QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"),
                                QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf") };
    for (const QString &file : files) {
        if (QFile::exists(file)) {
            QFontDatabase::addApplicationFont(file);
        }
    }
}
