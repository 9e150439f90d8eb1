#pragma once

#include <QFile>
#include <QString>
#include <string>

// A path as the native file layers take it: the file system's encoding on Linux, UTF-8 on
// Windows.
inline std::string nativeFilePath(const QString &path)
{
#ifdef Q_OS_WIN
    return path.toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}
