#include "nativecommerror.h"

#include <windows.h>

namespace NativeCommError {

bool clearCommError(std::intptr_t handle)
{
    DWORD errors = 0;
    COMSTAT status {};
    return ClearCommError(reinterpret_cast<HANDLE>(handle), &errors, &status) != FALSE;
}

} // namespace NativeCommError
