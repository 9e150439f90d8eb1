#pragma once

#include "common/errorvalue.h"

#include <QHash>
#include <QString>
#include <memory>

class QSettings;

// The per-user settings store: organisation and application "VALTORA", every value a text.
// On Linux that is $XDG_CONFIG_HOME/VALTORA/VALTORA.conf; on Windows the registry key below,
// one subkey per section ("Properties", "Ports"), values REG_SZ texts. A missing key reads
// as "".
class SettingsStore
{
public:
    static constexpr const char *kPropertiesSection = "Properties";
    static constexpr const char *kPortsSection = "Ports";
    // A value that could not be written to the file.
    static constexpr int kErrorNotSaved = 75;
    static constexpr const char *kWindowsRegistryKey
        = "HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\VALTORA";

    SettingsStore();
    // A store in the given INI file, for tools and tests that must not touch the user's own.
    explicit SettingsStore(const QString &iniFilePath);
    ~SettingsStore();

    QString value(const QString &section, const QString &key) const;
    // Writes at once, so a value survives an abrupt end of the program. When the file cannot
    // be written (read-only, a full disk) the error says which file and why; the value still
    // reads back as set for the rest of the run, and goes out with the next write that works.
    Outcome setValue(const QString &section, const QString &key, const QString &text);

    QString fileName() const;

    // A value given for this run alone (on a command line, say): it reads back before the
    // file's own and is never written.
    void setOverride(const QString &section, const QString &key, const QString &text);

private:
    void open();
    QString problemOfStore() const;

    QString m_iniFilePath; // empty: the user's own store
    std::unique_ptr<QSettings> m_settings;
    // Values set in this run that are not in the file yet, by their full key.
    QHash<QString, QString> m_unsaved;
    QHash<QString, QString> m_overrides;
};
