# Cross compiling for 64-bit Windows with Debian's mingw-w64 compilers. The posix-thread
# variants are the ones Qt needs: std::thread, std::mutex and friends are missing from the
# win32-thread ones.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VALTORA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VALTORA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VALTORA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VALTORA_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VALTORA_MINGW_TRIPLE})
# A Qt for Windows built by scripts/windows-qt.sh lives outside the tree; CMAKE_PREFIX_PATH
# names it, and it must be searched as a target root, never the host's /usr.
if(DEFINED ENV{VALTORA_WINDOWS_QT})
    list(APPEND CMAKE_FIND_ROOT_PATH $ENV{VALTORA_WINDOWS_QT})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
