#!/usr/bin/env bash
# Runs a Windows program of the Windows build under wine: the tests (CTest's emulator), the
# end-to-end checks and the setup program.
#   WINEPREFIX=... [VALTORA_WINDOWS_QT=qt-folder] scripts/wine-run.sh PROGRAM.exe [ARGUMENTS]
# With VALTORA_WINDOWS_QT the program finds Qt's and the compiler's libraries and Qt's plugins
# where they were built, so a test program runs from its build folder.
#
# Wine sets the host's clock when a Windows program asks and the process holds the right to
# set it (CAP_SYS_TIME). This script never lets wine run with it: it drops the right from every
# set first, and refuses to go on if it cannot.
set -euo pipefail

if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-run: WINEPREFIX is not set; refusing to use the default prefix" >&2
    exit 2
fi

has_clock_right() { # CAP_SYS_TIME is bit 25 of the named capability set
    local set
    set=$(awk -v name="$1:" '$1 == name { print $2 }' /proc/self/status)
    (( (16#$set >> 25) & 1 ))
}
# Root may gain the right at any time while it is in the bounding set; another user only
# holds it when it was given to this process.
if has_clock_right CapEff || has_clock_right CapPrm || has_clock_right CapAmb \
    || { [ "$(id -u)" -eq 0 ] && has_clock_right CapBnd; }; then
    if [ -n "${VALTORA_WINE_NO_CLOCK_RIGHT:-}" ]; then
        echo "wine-run: could not drop the right to set the clock; not starting wine" >&2
        exit 2
    fi
    export VALTORA_WINE_NO_CLOCK_RIGHT=1
    exec setpriv --inh-caps=-sys_time --bounding-set=-sys_time "$0" "$@"
fi

export WINEDEBUG=${WINEDEBUG:--all}
# No download prompts for .NET or the HTML engine in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}

if [ -n "${VALTORA_WINDOWS_QT:-}" ]; then
    compiler=x86_64-w64-mingw32-g++-posix
    folders=("$VALTORA_WINDOWS_QT/bin")
    for library in libstdc++-6.dll libwinpthread-1.dll; do
        folders+=("$(dirname "$(realpath "$("$compiler" -print-file-name=$library)")")")
    done
    path=
    for folder in "${folders[@]}"; do
        path+="${path:+;}$(windows_path "$folder")"
    done
    export WINEPATH=$path
    QT_PLUGIN_PATH=$(windows_path "$VALTORA_WINDOWS_QT/plugins")
    export QT_PLUGIN_PATH
fi

exec wine "$@"
