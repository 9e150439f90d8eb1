#include "versioninformation.h"

VersionInformation VersionInformation::application()
{
    VersionInformation information;
    information.title = QStringLiteral("VALTORA");
    information.fileDescription = QStringLiteral("VALTORA");
    information.comments = QStringLiteral("VALTORA");
    information.major = VALTORA_VERSION_MAJOR;
    information.minor = VALTORA_VERSION_MINOR;
    information.revision = VALTORA_VERSION_PATCH;
    return information;
}

QString VersionInformation::versionText() const
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString VersionInformation::resourceVersionText() const
{
    return QStringLiteral("%1.%2.%3")
        .arg(major)
        .arg(minor, 2, 10, QLatin1Char('0'))
        .arg(revision, 4, 10, QLatin1Char('0'));
}
