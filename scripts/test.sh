#!/usr/bin/env bash
# Builds VALTORA with warnings as errors and runs every test on the offscreen platform,
# without the right to set the clock, so no test can ever move this machine's clock.
#   scripts/test.sh              the normal build in build/
#   scripts/test.sh --sanitize   the same suite built with AddressSanitizer and
#                                UndefinedBehaviorSanitizer in build-sanitize/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

build_dir=$root/build
options=()
exclude=()
if [ "${1:-}" = "--sanitize" ]; then
    build_dir=$root/build-sanitize
    options+=(-DVALTORA_SANITIZE=ON)
    # The Windows layers are not built by this compiler, and the package is made from the
    # normal build; both ran in the normal pass.
    exclude=(-E '^(wine_|windows_|package_)')
    # Qt keeps some allocations for the life of the process; leaks are not what this
    # pass looks for.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

# The tests also need a time daemon and a message bus of their own (set-up installs them).
VALTORA_SETUP_TESTS=1 bash "$root/scripts/build.sh" "$build_dir" "${options[@]}"

# Where clang can link a libFuzzer target, the fuzz targets are built too (in build-fuzz/)
# and each runs once over its seed corpus; .ci/run fuzzes them for a minute each.
if [ "${1:-}" != "--sanitize" ] && command -v clang++ >/dev/null 2>&1 \
    && echo 'extern "C" int LLVMFuzzerTestOneInput(const char *, long) { return 0; }' \
        | clang++ -fsanitize=fuzzer -x c++ - -o /dev/null 2>/dev/null; then
    bash "$root/scripts/fuzz.sh" --check
fi

export QT_QPA_PLATFORM=offscreen
# Drop CAP_SYS_TIME from every set, so that not even root's tests can set the clock.
no_clock_right=(setpriv --inh-caps=-sys_time --bounding-set=-sys_time)
cd "$build_dir"
"${no_clock_right[@]}" ctest --output-on-failure --timeout 600 -j 2 "${exclude[@]}"
