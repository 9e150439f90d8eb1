#include "about/nativeregistry.h"

#include <windows.h>

namespace {

// The real registry. The roots are numbered as 32-bit values (0x80000002 for the machine
// keys), but a key handle is as wide as a pointer: widen the number with its sign, as the
// system's own definitions of the roots do, or a 64-bit program would open nothing.
class WindowsRegistry : public RegistryReader
{
public:
    long openKey(std::uint32_t root, const std::string &keyName, std::uint32_t accessMask,
                 RegistryKeyHandle &key) override
    {
        const auto rootKey = reinterpret_cast<HKEY>(
            static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExA(rootKey, keyName.c_str(), 0, accessMask, &opened);
        key = status == ERROR_SUCCESS ? reinterpret_cast<RegistryKeyHandle>(opened) : 0;
        return status;
    }

    long queryValue(RegistryKeyHandle key, const std::string &valueName, std::uint32_t &type,
                    unsigned char *data, std::uint32_t &size) override
    {
        DWORD valueType = 0;
        DWORD valueSize = size;
        const LONG status = RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.c_str(),
                                             nullptr, &valueType, data, &valueSize);
        type = valueType;
        size = valueSize;
        return status;
    }

    long closeKey(RegistryKeyHandle key) override
    {
        if (key == 0) {
            return ERROR_SUCCESS;
        }
        return RegCloseKey(reinterpret_cast<HKEY>(key));
    }
};

} // namespace

std::unique_ptr<RegistryReader> createNativeRegistry()
{
    return std::make_unique<WindowsRegistry>();
}
