// The registry layer against the real registry, under the machine root the launcher reads.
#include "about/keyvaluereader.h"
#include "about/nativeregistry.h"

#include <cstdio>
#include <windows.h>

int main()
{
    const char *const testKey = "SOFTWARE\\ValtoraRegistryTest";
    HKEY written = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, testKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &written,
                    nullptr);
    const char path[] = "C:\\Tools\\info.exe";
    const DWORD number = 0xABC;
    RegSetValueExA(written, "PATH", 0, REG_SZ, reinterpret_cast<const BYTE *>(path), sizeof path);
    RegSetValueExA(written, "N", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number), 4);
    RegCloseKey(written);

    const auto registry = createNativeRegistry();
    const KeyValueReader reader(*registry);
    const KeyValueAnswer found = reader.read(kRegistryLocalMachine, testKey, "path");
    const KeyValueAnswer numeric = reader.read(kRegistryLocalMachine, testKey, "N");
    const KeyValueAnswer missing = reader.read(kRegistryLocalMachine, testKey, "MISSING");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, testKey);
    if (found.status != KeyValueStatus::Read || found.value != path || numeric.value != "&h0ABC"
        || missing.status != KeyValueStatus::NotRead || !missing.assigns) {
        std::printf("FAILED: read \"%s\", \"%s\"; or a missing value not refused\n",
                    found.value.c_str(), numeric.value.c_str());
        return 1;
    }
    std::printf("wine_registry: all checks passed\n");
    return 0;
}
