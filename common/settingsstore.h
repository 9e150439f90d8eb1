#pragma once

#include <QString>

#include <memory>

class QSettings;

// The per-user settings store: organisation and application "VALTORA", every value a text.
// On Linux that is $XDG_CONFIG_HOME/VALTORA/VALTORA.conf, on Windows the registry under the
// current user. A missing key reads as "".
class SettingsStore
{
public:
    static constexpr const char *kPropertiesSection = "Properties";
    static constexpr const char *kPortsSection = "Ports";

    SettingsStore();
    // A store in the given INI file, for tools and tests that must not touch the user's own.
    explicit SettingsStore(const QString &iniFilePath);
    ~SettingsStore();

    QString value(const QString &section, const QString &key) const;
    // Writes at once, so a value survives an abrupt end of the program.
    void setValue(const QString &section, const QString &key, const QString &text);

    QString fileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};
