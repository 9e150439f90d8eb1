#pragma once

#include <cstdint>
#include <string>

// An opened registry key as the system hands it out; 0 is "no key".
using RegistryKeyHandle = std::uintptr_t;

// The root of the machine-wide keys, as the registry numbers it.
constexpr std::uint32_t kRegistryLocalMachine = 0x80000002u;
// The value types the About box knows: a text and a 32-bit number.
constexpr std::uint32_t kRegistryTextType = 1;
constexpr std::uint32_t kRegistryNumberType = 4;
// What the registry answers for a key or value that is not there.
constexpr long kRegistryNotFound = 2;
// What it answers when the value does not fit the buffer.
constexpr long kRegistryMoreData = 234;

// The three registry calls the system-information launcher needs, so that the launcher's
// rules can run against the real registry on Windows, a stand-in elsewhere, and a fake in
// tests. Texts cross in the system's ANSI code page. Every call answers 0 on success and a
// system error code otherwise. Kept free of Qt so the Windows layer compiles on its own.
class RegistryReader
{
public:
    virtual ~RegistryReader() = default;

    virtual long openKey(std::uint32_t root, const std::string &keyName, std::uint32_t accessMask,
                         RegistryKeyHandle &key)
        = 0;
    // Writes at most `size` bytes of the value into `data`; on return `size` holds the
    // value's length in bytes and `type` its type.
    virtual long queryValue(RegistryKeyHandle key, const std::string &valueName,
                            std::uint32_t &type, unsigned char *data, std::uint32_t &size)
        = 0;
    // Closing "no key" is allowed and does nothing.
    virtual long closeKey(RegistryKeyHandle key) = 0;
};
