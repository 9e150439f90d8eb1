#include "settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>

namespace {

// Why a file cannot be written, in the system's own words. Only looks, and writes nothing
// but a scratch file that goes away again.
QString writeProblem(const QString &filePath)
{
    const QFileInfo file(filePath);
    if (file.exists()) {
        QFile existing(filePath);
        if (!existing.open(QIODevice::ReadWrite)) {
            return existing.errorString();
        }
    }
    // The nearest folder that exists is where the file, or the folders up to it, are made.
    QString folder = file.absolutePath();
    while (!QFileInfo::exists(folder) && folder != QDir::rootPath()) {
        folder = QFileInfo(folder).absolutePath();
    }
    if (!QFileInfo(folder).isDir()) {
        QFile blocked(filePath);
        blocked.open(QIODevice::WriteOnly);
        return blocked.errorString();
    }
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("VALTORA-XXXXXX")));
    if (!probe.open()) {
        return probe.errorString();
    }
    // A full disk takes a new name but not the contents.
    const QByteArray contents(qMax<qint64>(file.size(), 4096), '\n');
    if (probe.write(contents) != contents.size() || !probe.flush()) {
        return probe.errorString();
    }
    return QStringLiteral("the file could not be replaced");
}

} // namespace

SettingsStore::SettingsStore()
{
    open();
}

SettingsStore::SettingsStore(const QString &iniFilePath)
    : m_iniFilePath(iniFilePath)
{
    open();
}

SettingsStore::~SettingsStore() = default;

void SettingsStore::open()
{
    // An earlier one goes first: two on one file share what they have read of it.
    m_settings.reset();
    if (m_iniFilePath.isEmpty()) {
#ifdef Q_OS_WIN
        // Where Windows programs of this kind keep their settings by application name, so a
        // user's existing port settings and correction options are found.
        m_settings = std::make_unique<QSettings>(QLatin1String(kWindowsRegistryKey),
                                                 QSettings::NativeFormat);
#else
        m_settings
            = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                          QStringLiteral("VALTORA"), QStringLiteral("VALTORA"));
#endif
    } else {
        m_settings = std::make_unique<QSettings>(m_iniFilePath, QSettings::IniFormat);
    }
    for (auto unsaved = m_unsaved.cbegin(); unsaved != m_unsaved.cend(); ++unsaved) {
        m_settings->setValue(unsaved.key(), unsaved.value());
    }
}

QString SettingsStore::value(const QString &section, const QString &key) const
{
    const QString fullKey = section + QLatin1Char('/') + key;
    if (const auto given = m_overrides.constFind(fullKey); given != m_overrides.cend()) {
        return *given;
    }
    const QVariant stored = m_settings->value(fullKey);
    // A hand-edited INI line such as "portSettings=9600,n,8,1" reads back as a list of
    // texts; the program always meant the whole line.
    if (stored.typeId() == QMetaType::QStringList) {
        return stored.toStringList().join(QLatin1Char(','));
    }
    return stored.toString();
}

Outcome SettingsStore::setValue(const QString &section, const QString &key, const QString &text)
{
    const QString fullKey = section + QLatin1Char('/') + key;
    m_settings->setValue(fullKey, text);
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError) {
        m_unsaved.clear();
        return std::nullopt;
    }
    m_unsaved.insert(fullKey, text);
    const ErrorValue failure {
        kErrorNotSaved,
        QStringLiteral("Could not save the settings to %1: %2. What you chose stays in effect "
                       "until the program ends.")
            .arg(QDir::toNativeSeparators(fileName()), problemOfStore())
    };
    // QSettings reports a failed write for the rest of its life, also once the file can be
    // written again: a fresh one judges the next write on its own.
    open();
    return failure;
}

QString SettingsStore::problemOfStore() const
{
#ifdef Q_OS_WIN
    if (m_iniFilePath.isEmpty()) {
        // The registry says no more than that it refused.
        return QStringLiteral("the registry refused the value");
    }
#endif
    return writeProblem(fileName());
}

QString SettingsStore::fileName() const
{
    return m_settings->fileName();
}

void SettingsStore::setOverride(const QString &section, const QString &key, const QString &text)
{
    m_overrides.insert(section + QLatin1Char('/') + key, text);
}
