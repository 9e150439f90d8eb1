#pragma once

#include "registryreader.h"

#include <string>
#include <vector>

// The registry stand-in for desktops without one. It has exactly one value: "PATH" under
// the system-information key of the machine root, whose text is the full path of the first
// system-information program found on the search path. Every other key and value is missing.
class ToolPathRegistry : public RegistryReader
{
public:
    static constexpr const char *kKeyName = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    static constexpr const char *kValueName = "PATH";

    // `searchPath` is a list of folders joined by ':' as in the PATH variable.
    explicit ToolPathRegistry(std::string searchPath);

    long openKey(std::uint32_t root, const std::string &keyName, std::uint32_t accessMask,
                 RegistryKeyHandle &key) override;
    long queryValue(RegistryKeyHandle key, const std::string &valueName, std::uint32_t &type,
                    unsigned char *data, std::uint32_t &size) override;
    long closeKey(RegistryKeyHandle key) override;

    // The programs we look for, best first.
    static const std::vector<std::string> &toolNames();
    // The full path of the first tool found in the folders of `searchPath`, or "".
    static std::string findTool(const std::string &searchPath);

private:
    std::string m_searchPath;
};
