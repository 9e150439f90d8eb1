#pragma once

#include "common/settingsstore.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// Stores "key=text;key=text" in the "Properties" section.
inline void storeTexts(SettingsStore &store, const QString &pairs)
{
    for (const QString &pair : pairs.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        store.setValue(QLatin1String(SettingsStore::kPropertiesSection), pair.left(equals),
                       pair.mid(equals + 1));
    }
}

// The whole file, or "<missing>" when it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
