#include "systeminformationlauncher.h"

#include "nativeregistry.h"

#include <QFileInfo>
#include <QProcess>
#include <QtDebug>

SystemInformationLauncher::SystemInformationLauncher()
    : m_registry(createNativeRegistry())
    , m_starter([](const QString &path) {
        // The path is the program itself, not a command line: a path with blanks needs no
        // quoting and nothing after it is taken for arguments.
        return !path.isEmpty() && QProcess::startDetached(path, {});
    })
    , m_existenceTest([](const QString &path) { return QFileInfo(path).isFile(); })
    , m_messageReporter([](const QString &text) { qWarning().noquote() << text; })
{
}

SystemInformationLauncher::~SystemInformationLauncher() = default;

QString SystemInformationLauncher::unavailableMessage()
{
    return QStringLiteral("此时系统信息无效");
}

void SystemInformationLauncher::setRegistry(std::unique_ptr<RegistryReader> registry)
{
    m_registry = std::move(registry);
}

void SystemInformationLauncher::setStarter(Starter starter)
{
    m_starter = std::move(starter);
}

void SystemInformationLauncher::setExistenceTest(ExistenceTest test)
{
    m_existenceTest = std::move(test);
}

void SystemInformationLauncher::setMessageReporter(MessageReporter reporter)
{
    m_messageReporter = std::move(reporter);
}

void SystemInformationLauncher::StartSysInfo()
{
    // Any failure below, a failing start included, ends in the one message.
    QString toolPath;
    const KeyValueStatus pathStatus = lookUp(kRegistryLocalMachine, QString::fromLatin1(kPathKey),
                                             QString::fromLatin1(kPathValue), toolPath);
    if (pathStatus == KeyValueStatus::Failed) {
        reportUnavailable();
        return;
    }
    if (pathStatus == KeyValueStatus::Read) {
        // The registry names the tool itself: trust it and let the start tell.
        if (!startTool(toolPath)) {
            reportUnavailable();
        }
        return;
    }

    QString folder;
    const KeyValueStatus folderStatus
        = lookUp(kRegistryLocalMachine, QString::fromLatin1(kFolderKey),
                 QString::fromLatin1(kFolderValue), folder);
    if (folderStatus == KeyValueStatus::Read) {
        // Appended as it is, even after a folder that ends in a backslash: the existence
        // test and the start see the same path.
        toolPath = folder + QString::fromLatin1(kToolFileName);
        if (m_existenceTest && m_existenceTest(toolPath) && startTool(toolPath)) {
            return;
        }
    }
    reportUnavailable();
}

bool SystemInformationLauncher::GetKeyValue(quint32 KeyRoot, const QString &KeyName,
                                            const QString &SubKeyRef, QString &KeyVal)
{
    return lookUp(KeyRoot, KeyName, SubKeyRef, KeyVal) == KeyValueStatus::Read;
}

KeyValueStatus SystemInformationLauncher::lookUp(quint32 root, const QString &keyName,
                                                 const QString &valueName, QString &value)
{
    if (!m_registry) {
        return KeyValueStatus::NotRead;
    }
    // The registry speaks the system's ANSI code page, which is the local 8-bit encoding.
    const KeyValueAnswer answer = KeyValueReader(*m_registry)
                                      .read(root, keyName.toLocal8Bit().toStdString(),
                                            valueName.toLocal8Bit().toStdString());
    if (answer.assigns) {
        value = QString::fromLocal8Bit(answer.value.data(),
                                       static_cast<qsizetype>(answer.value.size()));
    }
    return answer.status;
}

bool SystemInformationLauncher::startTool(const QString &path)
{
    return m_starter && m_starter(path);
}

void SystemInformationLauncher::reportUnavailable()
{
    if (m_messageReporter) {
        m_messageReporter(unavailableMessage());
    }
}
