#include "settingsstore.h"

#include <QSettings>
#include <QStringList>

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("VALTORA"),
                                             QStringLiteral("VALTORA")))
{}

SettingsStore::SettingsStore(const QString &iniFilePath)
    : m_settings(std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat))
{}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::value(const QString &section, const QString &key) const
{
    const QVariant stored = m_settings->value(section + QLatin1Char('/') + key);
    // A hand-edited INI line such as "portSettings=9600,n,8,1" reads back as a list of
    // texts; the program always meant the whole line.
    if (stored.typeId() == QMetaType::QStringList) {
        return stored.toStringList().join(QLatin1Char(','));
    }
    return stored.toString();
}

void SettingsStore::setValue(const QString &section, const QString &key, const QString &text)
{
    m_settings->setValue(section + QLatin1Char('/') + key, text);
    m_settings->sync();
}

QString SettingsStore::fileName() const
{
    return m_settings->fileName();
}
