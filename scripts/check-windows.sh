#!/usr/bin/env bash
# Compiles every Windows native layer (*_win.cpp: plain C++ against the Win32 API) with the
# mingw-w64 cross compiler, so the Windows side cannot rot unseen.
#   scripts/check-windows.sh compile        compile each layer
#   scripts/check-windows.sh wine TEST.cpp  build a Windows test program with its folder's
#                                           layers and run it under wine
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
compiler=x86_64-w64-mingw32-g++
flags=(-std=c++20 -Wall -Wextra -Werror -I"$root")
out=$(mktemp -d)
prefix=$out/prefix

# The outcome is the check's, never the clean-up's.
clean_up() {
    local status=$?
    bash "$root/scripts/wine-remove-prefix.sh" "$prefix"
    rm -rf "$out" 2>/dev/null || { sleep 1 && rm -rf "$out" 2>/dev/null; } \
        || echo "check-windows: could not remove $out" >&2
    exit "$status"
}
trap clean_up EXIT

case "${1:-compile}" in
compile)
    count=0
    while IFS= read -r -d '' source; do
        "$compiler" "${flags[@]}" -c "$source" -o "$out/$(basename "$source").o"
        count=$((count + 1))
    done < <(find "$root" -path "$root/build*" -prune -o -path "$root/tests" -prune \
                 -o -name '*_win.cpp' -print0)
    echo "compiled $count Windows native layers"
    ;;
wine)
    test_source=$2
    folder=$(basename "$(dirname "$test_source")")
    layers=("$root/$folder"/*_win.cpp)
    exe="$out/$(basename "$test_source" .cpp).exe"
    "$compiler" "${flags[@]}" -static "$test_source" "${layers[@]}" -o "$exe" \
        -ladvapi32 -luser32 -lkernel32
    export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # A test may come with a script that prepares the Windows side (registry values).
    prepare="${test_source%.cpp}.sh"
    # Tests that make windows need a display; without one they get a virtual X server.
    display=()
    if [ -z "${DISPLAY:-}" ]; then
        display=(xvfb-run -a)
    fi
    # Wine sets this machine's clock for a Windows program that asks while the process holds
    # the right to: never give it that right, whoever runs this.
    no_clock_right=(setpriv --inh-caps=-sys_time --bounding-set=-sys_time)
    if [ -f "$prepare" ]; then
        "${no_clock_right[@]}" "${display[@]}" bash "$prepare" "$exe"
    else
        "${no_clock_right[@]}" "${display[@]}" wine "$exe"
    fi
    ;;
*)
    echo "usage: $0 compile | wine TEST.cpp" >&2
    exit 2
    ;;
esac
