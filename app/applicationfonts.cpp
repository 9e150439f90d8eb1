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

// How much a face darkens one character: the sum of its pixels' darkness.
qint64 inkOf(const QFont &font, QChar character)
{
    QImage image(60, 60, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, QString(character));
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

// Whether the family's bold draws every digit clearly heavier than its regular face. Wine's
// free bold Tahoma does not: it is wider, but only a few of its digits (4, 7) are heavier, so
// a bold date would mix two weights.
bool boldIsHeavierInEveryDigit(const QString &family)
{
    QFont font(family);
    font.setPointSize(24);
    QFont bold = font;
    bold.setBold(true);
    for (char digit = '0'; digit <= '9'; ++digit) {
        if (inkOf(bold, QLatin1Char(digit)) < inkOf(font, QLatin1Char(digit)) * 6 / 5) {
            return false;
        }
    }
    return true;
}

} // namespace

void loadApplicationFonts()
{
    const QList<int> tahoma = loadMissingFamily(
        QStringLiteral("Tahoma"), { QStringLiteral("tahoma.ttf"), QStringLiteral("tahomabd.ttf") });
    loadMissingFamily(QStringLiteral("Small Fonts"), { QStringLiteral("small_fonts.ttf") });

    // Without that face the regular one is emboldened evenly instead.
    if (tahoma.size() == 2 && tahoma.at(0) >= 0 && tahoma.at(1) >= 0
        && !boldIsHeavierInEveryDigit(QStringLiteral("Tahoma"))) {
        QFontDatabase::removeApplicationFont(tahoma.at(1));
    }
}
