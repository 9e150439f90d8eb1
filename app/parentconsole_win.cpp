#include "app/parentconsole.h"

#include <cstdio>
#include <windows.h>

void attachToParentConsole()
{
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != nullptr && output != INVALID_HANDLE_VALUE
        && GetFileType(output) != FILE_TYPE_UNKNOWN) {
        return; // redirected: the caller wants it there
    }
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
}
