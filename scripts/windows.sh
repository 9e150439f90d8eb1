#!/usr/bin/env bash
# Builds VALTORA for 64-bit Windows on this Debian machine and tests it under wine.
#   bash scripts/windows.sh
# 1. Qt for Windows, once per machine (scripts/windows-qt.sh; about 40 minutes of processor
#    time the first time, then reused from ~/.cache/valtora/).
# 2. build-windows/: valtora.exe and the tests that can run on Windows, with the mingw-w64
#    toolchain file in cmake/; build-windows/deploy/ runs as it is.
# 3. The setup program VALTORA-<version>-win64-setup.exe and a zip of deploy/ (CPack).
# 4. The tests under wine through CTest, the end-to-end run of deploy/valtora.exe on a
#    pseudo-terminal fed by the Linux receiver simulator, and the setup installed, started and
#    uninstalled.
# Wine would set this machine's clock for a Windows program that asks while the process holds
# the right to set it: everything here runs without that right.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
start=$SECONDS

if [ "$(id -u)" -eq 0 ] && [ -z "${VALTORA_WINDOWS_NO_CLOCK_RIGHT:-}" ]; then
    export VALTORA_WINDOWS_NO_CLOCK_RIGHT=1
    exec setpriv --inh-caps=-sys_time --bounding-set=-sys_time bash "$0" "$@"
fi

say() {
    local elapsed=$((SECONDS - start))
    printf 'windows [%d:%02d] %s\n' $((elapsed / 60)) $((elapsed % 60)) "$*" >&2
}

bash "$root/scripts/setup.sh"
qt=$(bash "$root/scripts/windows-qt.sh" | tail -n1)

# The Linux receiver simulator feeds the end-to-end run.
say "building the Linux receiver simulator"
bash "$root/scripts/build.sh" "$root/build" --target valtora-sim >/dev/null
simulator=$root/build/bin/valtora-sim

build=$root/build-windows
if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
fi
export WINEPREFIX=$build/wine
emulator="/usr/bin/env;WINEPREFIX=$WINEPREFIX;VALTORA_WINDOWS_QT=$qt;$root/scripts/wine-run.sh"
say "configuring $build"
VALTORA_WINDOWS_QT=$qt cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DVALTORA_WERROR=ON \
    "-DCMAKE_CROSSCOMPILING_EMULATOR=$emulator" \
    -DVALTORA_LINUX_SIMULATOR="$simulator" >/dev/null
say "building"
cmake --build "$build" --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"

say "making the setup program and the zip"
(cd "$build" && cpack -G NSIS >/dev/null && cpack -G ZIP >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
setup_program=$build/VALTORA-$version-win64-setup.exe
[ -f "$setup_program" ] || { echo "windows: $setup_program was not made" >&2; exit 1; }

# The tests' own wine prefix, without a display: wine's null driver still gives Qt the
# hidden windows its event loop needs.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    say "making the tests' wine prefix"
    VALTORA_WINDOWS_QT= "$root/scripts/wine-run.sh" wineboot -i >/dev/null 2>&1
    "$root/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
        >/dev/null 2>&1
    # The desktop process that the prefix's making started has no display driver: a window
    # program started beside it waits for good. A new wine session reads the null driver.
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
fi
say "running the tests under wine"
(cd "$build" && ctest --output-on-failure --timeout 600)

say "done: $build/deploy ($(du -sh "$build/deploy" | cut -f1)), $(basename "$setup_program")" \
    "($(du -h "$setup_program" | cut -f1))"
