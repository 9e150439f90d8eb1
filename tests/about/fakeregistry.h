#pragma once

#include "about/registryreader.h"

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A registry held in memory that records what was asked of it. A value may claim a size
// other than its bytes, the way a misbehaving layer could.
class FakeRegistry : public RegistryReader
{
public:
    struct Value
    {
        std::uint32_t type = kRegistryTextType;
        std::string bytes;
        std::optional<std::uint32_t> claimedSize;
    };

    void setValue(const std::string &key, const std::string &name, Value value)
    {
        m_keys[key][name] = std::move(value);
    }
    void setText(const std::string &key, const std::string &name, const std::string &text)
    {
        setValue(key, name, Value { kRegistryTextType, text + '\0', {} });
    }
    void addKey(const std::string &key) { m_keys[key]; }

    long openKey(std::uint32_t root, const std::string &keyName, std::uint32_t accessMask,
                 RegistryKeyHandle &key) override
    {
        openedKeys.push_back(keyName);
        accessMasks.push_back(accessMask);
        key = 0;
        const auto found = m_keys.find(keyName);
        if (root != kRegistryLocalMachine || found == m_keys.end()) {
            return kRegistryNotFound;
        }
        m_handles.push_back(keyName);
        key = m_handles.size();
        ++openCount;
        return 0;
    }

    long queryValue(RegistryKeyHandle key, const std::string &valueName, std::uint32_t &type,
                    unsigned char *data, std::uint32_t &size) override
    {
        queriedValues.push_back(valueName);
        if (key == 0 || key > m_handles.size()) {
            return 6; // invalid handle
        }
        const auto &values = m_keys[m_handles[key - 1]];
        const auto found = values.find(valueName);
        if (found == values.end()) {
            return kRegistryNotFound;
        }
        const Value &value = found->second;
        if (value.bytes.size() > size) {
            size = static_cast<std::uint32_t>(value.bytes.size());
            return kRegistryMoreData;
        }
        std::memcpy(data, value.bytes.data(), value.bytes.size());
        type = value.type;
        size = value.claimedSize.value_or(static_cast<std::uint32_t>(value.bytes.size()));
        return 0;
    }

    long closeKey(RegistryKeyHandle key) override
    {
        closedHandles.push_back(key);
        if (key != 0) {
            ++closeCount;
        }
        return 0;
    }

    std::vector<std::string> openedKeys;
    std::vector<std::uint32_t> accessMasks;
    std::vector<std::string> queriedValues;
    std::vector<RegistryKeyHandle> closedHandles;
    int openCount = 0;
    int closeCount = 0;

private:
    std::map<std::string, std::map<std::string, Value>> m_keys;
    std::vector<std::string> m_handles;
};
