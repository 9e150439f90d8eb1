#pragma once

#include "keyvaluereader.h"
#include "registryreader.h"

#include <QString>
#include <functional>
#include <memory>

// Starts the system's information tool, found through two registry values: first the
// tool's full path, then the folder it lives in. Every way this can go wrong ends in one
// message. The registry, starting a program, the file-existence test and the message are
// replaceable, so the order of the steps can be checked without a registry or a desktop.
class SystemInformationLauncher
{
public:
    static constexpr const char *kPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    static constexpr const char *kPathValue = "PATH";
    static constexpr const char *kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
    static constexpr const char *kFolderValue = "MSINFO";
    static constexpr const char *kToolFileName = "\\MSINFO32.EXE";
    static QString unavailableMessage();

    // Starts a program in a normal window that takes the focus; true when it started.
    using Starter = std::function<bool(const QString &path)>;
    using ExistenceTest = std::function<bool(const QString &path)>;
    using MessageReporter = std::function<void(const QString &text)>;

    // Uses the platform's registry, starts programs detached, tests files on disk and
    // reports the message as a warning until a reporter is set.
    SystemInformationLauncher();
    ~SystemInformationLauncher();

    void setRegistry(std::unique_ptr<RegistryReader> registry);
    void setStarter(Starter starter);
    void setExistenceTest(ExistenceTest test);
    void setMessageReporter(MessageReporter reporter);

    void StartSysInfo();
    // Reads a value of the key `KeyName` under the root `KeyRoot` into `KeyVal`. True when
    // it was read. A missing key or value empties `KeyVal`; a value type other than text or
    // a 32-bit number leaves it as it was.
    bool GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                     QString &KeyVal);

private:
    KeyValueStatus lookUp(quint32 root, const QString &keyName, const QString &valueName,
                          QString &value);
    bool startTool(const QString &path);
    void reportUnavailable();

    std::unique_ptr<RegistryReader> m_registry;
    Starter m_starter;
    ExistenceTest m_existenceTest;
    MessageReporter m_messageReporter;
};
