#include "applicationfonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QStandardPaths>

namespace {

// Where the free faces may lie: a "fonts" folder beside the program (the Windows setup brings
// them), the program's own folder, the system's font folders, and Wine's font folder under the
// system's data folders (Debian's fonts-wine: /usr/share/wine/fonts).
QStringList fontFolders()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    QStringList folders { QDir(programFolder).filePath(QStringLiteral("fonts")), programFolder };
    folders += QStandardPaths::standardLocations(QStandardPaths::FontsLocation);
    folders
        += QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                     QStringLiteral("wine/fonts"), QStandardPaths::LocateDirectory);
    return folders;
}

QString findFontFile(const QString &file)
{
    for (const QString &folder : fontFolders()) {
        const QFileInfo candidate(QDir(folder).filePath(file));
        if (candidate.isFile()) {
            return candidate.filePath();
        }
    }
    return {};
}

// Loads the files of a family the system does not have; returns the ids, -1 for a file that
// is missing or unreadable.
QList<int> loadMissingFamily(const QString &family, const QStringList &files)
{
    QList<int> ids;
    if (QFontDatabase::families().contains(family)) {
        return ids;
    }
    for (const QString &file : files) {
        const QString path = findFontFile(file);
        ids.append(path.isEmpty() ? -1 : QFontDatabase::addApplicationFont(path));
    }
    return ids;
}

// How much a face darkens a line of digits: the sum of its pixels' darkness.
qint64 inkOf(const QFont &font)
{
    QImage image(480, 60, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("2026-12-05 23:59:58"));
    painter.end();
    qint64 ink = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            ink += 255 - line[x];
        }
    }
    return ink;
}

} // namespace

void loadApplicationFonts()
{
    const QList<int> tahoma = loadMissingFamily(
        QStringLiteral("Tahoma"), { QStringLiteral("tahoma.ttf"), QStringLiteral("tahomabd.ttf") });
    loadMissingFamily(QStringLiteral("Small Fonts"), { QStringLiteral("small_fonts.ttf") });

    // Wine's bold Tahoma is wider than its regular face but draws no heavier, so the display
    // labels would not look bold. Without that face the regular one is emboldened instead.
    if (tahoma.size() == 2 && tahoma.at(0) >= 0 && tahoma.at(1) >= 0) {
        QFont font(QStringLiteral("Tahoma"));
        font.setPointSize(24);
        const qint64 regularInk = inkOf(font);
        font.setBold(true);
        if (inkOf(font) < regularInk * 6 / 5) {
            QFontDatabase::removeApplicationFont(tahoma.at(1));
        }
    }
}
