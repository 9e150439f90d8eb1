// The About box's registry layer against the real registry: the test writes its own values
// under the machine root first, as the launcher reads there, and removes them.
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

} // namespace

int main()
{
    HKEY written = nullptr;
    expect(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           &written, nullptr)
               == ERROR_SUCCESS,
           "create the test key");
    const char path[] = "C:\\Tools\\info.exe";
    const DWORD number = 0x102; // 02 01 00 00
    const BYTE binary[] = { 1, 2, 3 };
    RegSetValueExA(written, "PATH", 0, REG_SZ, reinterpret_cast<const BYTE *>(path), sizeof path);
    RegSetValueExA(written, "NUMBER", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number),
                   sizeof number);
    RegSetValueExA(written, "BINARY", 0, REG_BINARY, binary, sizeof binary);
    RegCloseKey(written);

    const auto registry = createNativeRegistry();
    const KeyValueReader reader(*registry);
    const struct
    {
        const char *key, *name;
        KeyValueStatus status;
        bool assigns;
        const char *value;
    } checks[] = {
        { kTestKey, "PATH", KeyValueStatus::Read, true, "C:\\Tools\\info.exe" },
        { kTestKey, "path", KeyValueStatus::Read, true, "C:\\Tools\\info.exe" },
        // The last zero byte is taken for a text's end, the other one stays.
        { kTestKey, "NUMBER", KeyValueStatus::Read, true, "&h012" },
        { kTestKey, "BINARY", KeyValueStatus::Read, false, "" },
        { kTestKey, "MISSING", KeyValueStatus::NotRead, true, "" },
        { "SOFTWARE\\ValtoraNoSuchKey", "PATH", KeyValueStatus::NotRead, true, "" },
    };
    for (const auto &check : checks) {
        const KeyValueAnswer answer = reader.read(kRegistryLocalMachine, check.key, check.name);
        expect(answer.status == check.status && answer.assigns == check.assigns
                   && answer.value == check.value,
               std::string(check.name) + ": \"" + answer.value + "\", expected \"" + check.value
                   + "\"");
    }

    RegistryKeyHandle key = 0;
    expect(registry->openKey(kRegistryLocalMachine, kTestKey, KeyValueReader::kAccessMask, key)
               == ERROR_SUCCESS,
           "open with the launcher's access mask");
    unsigned char tiny[4] = {};
    std::uint32_t size = sizeof tiny;
    std::uint32_t type = 0;
    expect(registry->queryValue(key, "PATH", type, tiny, size) == ERROR_MORE_DATA,
           "a value larger than the buffer is refused");
    expect(registry->closeKey(key) == ERROR_SUCCESS && registry->closeKey(0) == ERROR_SUCCESS,
           "close an open key, and no key harmlessly");

    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestKey);
    if (failures == 0) {
        std::printf("wine_registry: all checks passed\n");
    }
    return failures == 0 ? 0 : 1;
}
