// The About box's registry layer and reading rules against the real registry: the test writes
// its own values under the machine root first, as the launcher reads there, and removes them.
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
    const auto set = [written](const char *name, DWORD type, const void *data, DWORD size) {
        expect(RegSetValueExA(written, name, 0, type, static_cast<const BYTE *>(data), size)
                   == ERROR_SUCCESS,
               std::string("write ") + name);
    };
    const char path[] = "C:\\Tools\\info.exe";
    const char folder[] = "C:\\Tools\\";
    const DWORD number = 0x12345678;
    const DWORD small = 0x102; // 02 01 00 00
    const BYTE binary[] = { 1, 2, 3 };
    set("PATH", REG_SZ, path, sizeof path);
    set("FOLDER", REG_SZ, folder, sizeof folder);
    set("NUMBER", REG_DWORD, &number, sizeof number);
    set("SMALL", REG_DWORD, &small, sizeof small);
    set("BINARY", REG_BINARY, binary, sizeof binary);
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
        { kTestKey, "FOLDER", KeyValueStatus::Read, true, "C:\\Tools\\" },
        { kTestKey, "NUMBER", KeyValueStatus::Read, true, "&h12345678" },
        // The last zero byte is taken for a text's end, the other one stays.
        { kTestKey, "SMALL", KeyValueStatus::Read, true, "&h012" },
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
    expect(registry->closeKey(key) == ERROR_SUCCESS, "close an open key");
    expect(registry->closeKey(0) == ERROR_SUCCESS, "closing no key is harmless");

    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestKey);
    if (failures == 0) {
        std::printf("wine_registry: all checks passed\n");
    }
    return failures == 0 ? 0 : 1;
}
