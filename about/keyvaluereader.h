#pragma once

#include "registryreader.h"

#include <array>
#include <string>

// How one registry look-up ended.
enum class KeyValueStatus {
    Read, // the value was read
    NotRead, // the key or the value is missing or cannot be opened
    Failed, // the value came back empty, which the rules cannot take apart
};

struct KeyValueAnswer
{
    KeyValueStatus status = KeyValueStatus::NotRead;
    // False for a value type we do not understand: the caller's text stays as it was.
    bool assigns = false;
    // The text in the ANSI code page: the value itself, or "&h" and hexadecimal digits.
    std::string value;
};

// Reads one registry value the way the About box has always read it: a buffer of 1024
// zero bytes, the trailing zero of a text dropped by looking at the last returned byte, and a
// 32-bit number turned into "&h" followed by the hexadecimal code of each of its bytes,
// highest first, without leading zeros. Header-only and free of Qt, so that the same rules
// run here and against the real registry under Windows.
class KeyValueReader
{
public:
    static constexpr std::uint32_t kAccessMask = 0x2003F;
    static constexpr std::uint32_t kBufferSize = 1024;

    explicit KeyValueReader(RegistryReader &registry)
        : m_registry(registry)
    {
    }

    KeyValueAnswer read(std::uint32_t root, const std::string &keyName,
                        const std::string &valueName) const
    {
        KeyValueAnswer answer;
        RegistryKeyHandle key = 0;
        if (m_registry.openKey(root, keyName, kAccessMask, key) != 0) {
            m_registry.closeKey(key);
            answer.assigns = true;
            return answer;
        }

        std::array<unsigned char, kBufferSize> buffer {};
        std::uint32_t size = kBufferSize;
        std::uint32_t type = 0;
        if (m_registry.queryValue(key, valueName, type, buffer.data(), size) != 0) {
            m_registry.closeKey(key);
            answer.assigns = true;
            return answer;
        }

        // An empty value leaves no last byte to look at. Treat it as a failure of its own,
        // but still give the key back.
        if (size == 0) {
            m_registry.closeKey(key);
            answer.status = KeyValueStatus::Failed;
            return answer;
        }
        // The buffer holds no more than its size, whatever length a layer claims.
        std::uint32_t kept = size < kBufferSize ? size : kBufferSize;
        if (buffer[kept - 1] == 0) {
            --kept;
        }

        if (type == kRegistryTextType) {
            answer.assigns = true;
            answer.value.assign(reinterpret_cast<const char *>(buffer.data()), kept);
        } else if (type == kRegistryNumberType) {
            answer.assigns = true;
            for (std::uint32_t index = kept; index > 0; --index) {
                answer.value += hexadecimal(buffer[index - 1]);
            }
            answer.value.insert(0, "&h");
        }
        m_registry.closeKey(key);
        answer.status = KeyValueStatus::Read;
        return answer;
    }

private:
    static std::string hexadecimal(unsigned char byte)
    {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        std::string text;
        if (byte >= 16) {
            text += kDigits[byte / 16];
        }
        text += kDigits[byte % 16];
        return text;
    }

    RegistryReader &m_registry;
};
