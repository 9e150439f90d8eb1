#include "nativeregistry.h"
#include "toolpathregistry.h"

#include <cstdlib>

std::unique_ptr<RegistryReader> createNativeRegistry()
{
    const char *searchPath = std::getenv("PATH");
    return std::make_unique<ToolPathRegistry>(searchPath != nullptr ? searchPath : "");
}
