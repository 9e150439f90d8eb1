#include "toolpathregistry.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr RegistryKeyHandle kToolKey = 1;

// Registry names do not care about letter case.
bool sameName(const std::string &left, const std::string &right)
{
    return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](char a, char b) {
        const auto lower
            = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(a) == lower(b);
    });
}

bool isExecutableFile(const std::string &path)
{
    struct stat status
    {
    };
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)
        && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

ToolPathRegistry::ToolPathRegistry(std::string searchPath)
    : m_searchPath(std::move(searchPath))
{
}

long ToolPathRegistry::openKey(std::uint32_t root, const std::string &keyName,
                               std::uint32_t accessMask, RegistryKeyHandle &key)
{
    (void)accessMask;
    key = 0;
    if (root != kRegistryLocalMachine || !sameName(keyName, kKeyName)) {
        return kRegistryNotFound;
    }
    key = kToolKey;
    return 0;
}

long ToolPathRegistry::queryValue(RegistryKeyHandle key, const std::string &valueName,
                                  std::uint32_t &type, unsigned char *data, std::uint32_t &size)
{
    if (key != kToolKey || !sameName(valueName, kValueName)) {
        return kRegistryNotFound;
    }
    const std::string tool = findTool(m_searchPath);
    if (tool.empty()) {
        return kRegistryNotFound;
    }
    // Like the real registry: the text with its terminating zero, or "more data" and the
    // size that would be needed.
    const auto needed = static_cast<std::uint32_t>(tool.size() + 1);
    type = kRegistryTextType;
    if (data == nullptr || size < needed) {
        size = needed;
        return kRegistryMoreData;
    }
    std::memcpy(data, tool.c_str(), needed);
    size = needed;
    return 0;
}

long ToolPathRegistry::closeKey(RegistryKeyHandle key)
{
    (void)key;
    return 0;
}

const std::vector<std::string> &ToolPathRegistry::toolNames()
{
    static const std::vector<std::string> names { "kinfocenter", "hardinfo2", "hardinfo",
                                                  "lshw-gtk" };
    return names;
}

std::string ToolPathRegistry::findTool(const std::string &searchPath)
{
    // The order of the tools matters more than the order of the folders: a desktop's own
    // information centre is preferred wherever it lives.
    for (const std::string &name : toolNames()) {
        std::size_t start = 0;
        while (start <= searchPath.size()) {
            std::size_t end = searchPath.find(':', start);
            if (end == std::string::npos) {
                end = searchPath.size();
            }
            const std::string folder = searchPath.substr(start, end - start);
            // An empty entry means the current folder; a tool found there is not one the
            // user installed, so it is not started.
            if (!folder.empty() && folder.front() == '/') {
                const std::string candidate
                    = folder.back() == '/' ? folder + name : folder + '/' + name;
                if (isExecutableFile(candidate)) {
                    return candidate;
                }
            }
            start = end + 1;
        }
    }
    return {};
}
