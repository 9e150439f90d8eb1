// Reads values from the real registry through the About box's registry layer and its
// reading rules. It writes its own values first (the machine root, as the launcher reads),
// so it needs nothing but a fresh prefix, and removes them again at the end.
#include "about/keyvaluereader.h"
#include "about/nativeregistry.h"

#include <cstdio>
#include <string>
#include <windows.h>

namespace {

const char *const kTestKey = "SOFTWARE\\ValtoraRegistryTest";
int failures = 0;

void expect(bool condition, const std::string &what)
{
    if (!condition) {
        std::printf("FAILED: %s\n", what.c_str());
        ++failures;
    }
}

bool writeValues()
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr)
        != ERROR_SUCCESS) {
        return false;
    }
    const std::string path = "C:\\Tools\\info.exe";
    bool written
        = RegSetValueExA(key, "PATH", 0, REG_SZ, reinterpret_cast<const BYTE *>(path.c_str()),
                         static_cast<DWORD>(path.size() + 1))
        == ERROR_SUCCESS;
    const std::string folder = "C:\\Tools\\";
    written = written
        && RegSetValueExA(key, "FOLDER", 0, REG_SZ, reinterpret_cast<const BYTE *>(folder.c_str()),
                          static_cast<DWORD>(folder.size() + 1))
            == ERROR_SUCCESS;
    const DWORD number = 0x12345678;
    written = written
        && RegSetValueExA(key, "NUMBER", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number),
                          sizeof number)
            == ERROR_SUCCESS;
    const DWORD small = 0x102;
    written = written
        && RegSetValueExA(key, "SMALL", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&small),
                          sizeof small)
            == ERROR_SUCCESS;
    const BYTE binary[] = { 1, 2, 3 };
    written = written
        && RegSetValueExA(key, "BINARY", 0, REG_BINARY, binary, sizeof binary) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

void check(const KeyValueReader &reader, const char *name, KeyValueStatus status, bool assigns,
           const std::string &value)
{
    const KeyValueAnswer answer = reader.read(kRegistryLocalMachine, kTestKey, name);
    const std::string what = std::string("value ") + name;
    expect(answer.status == status, what + ": status");
    expect(answer.assigns == assigns, what + ": assigns");
    expect(answer.value == value,
           what + ": text \"" + answer.value + "\", expected \"" + value + "\"");
}

} // namespace

int main()
{
    if (!writeValues()) {
        std::printf("FAILED: could not write the test values\n");
        return 1;
    }
    const auto registry = createNativeRegistry();
    const KeyValueReader reader(*registry);

    check(reader, "PATH", KeyValueStatus::Read, true, "C:\\Tools\\info.exe");
    check(reader, "path", KeyValueStatus::Read, true, "C:\\Tools\\info.exe");
    check(reader, "FOLDER", KeyValueStatus::Read, true, "C:\\Tools\\");
    check(reader, "NUMBER", KeyValueStatus::Read, true, "&h12345678");
    // 02 01 00 00: the last zero byte is taken for a text's end, the other one stays.
    check(reader, "SMALL", KeyValueStatus::Read, true, "&h012");
    check(reader, "BINARY", KeyValueStatus::Read, false, "");
    check(reader, "MISSING", KeyValueStatus::NotRead, true, "");

    const KeyValueAnswer missingKey
        = reader.read(kRegistryLocalMachine, "SOFTWARE\\ValtoraNoSuchKey", "PATH");
    expect(missingKey.status == KeyValueStatus::NotRead, "missing key: status");
    expect(missingKey.assigns && missingKey.value.empty(), "missing key: empties the text");

    RegistryKeyHandle key = 0;
    expect(registry->openKey(kRegistryLocalMachine, kTestKey, KeyValueReader::kAccessMask, key)
               == ERROR_SUCCESS,
           "open with the launcher's access mask");
    unsigned char tiny[4] = {};
    std::uint32_t size = sizeof tiny;
    std::uint32_t type = 0;
    expect(registry->queryValue(key, "PATH", type, tiny, size) == ERROR_MORE_DATA,
           "a value larger than the buffer is refused");
    expect(registry->closeKey(key) == ERROR_SUCCESS, "close an open key");
    expect(registry->closeKey(0) == ERROR_SUCCESS, "closing no key is harmless");

    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestKey);
    if (failures == 0) {
        std::printf("wine_registry: all checks passed\n");
    }
    return failures == 0 ? 0 : 1;
}
