#pragma once

#include "registryreader.h"

#include <memory>

// The registry of the platform we run on: the real one on Windows; elsewhere a small
// stand-in that knows where this desktop's system-information program lives.
std::unique_ptr<RegistryReader> createNativeRegistry();
