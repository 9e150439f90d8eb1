#!/usr/bin/env bash
# Configures VALTORA into a build folder and builds it, or only the named targets.
#   scripts/build.sh [BUILD_DIR] [--target NAME]... [-DOPTION=VALUE]...
# BUILD_DIR defaults to build/. The run and the test command both use build/ with the same
# options, so running one after the other never rebuilds what the first one built: a change
# of compile options would make every source compile again. CMAKE_BUILD_PARALLEL_LEVEL sets
# the number of parallel jobs (default: one per processor).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVALTORA_WERROR=ON)
targets=()
while [ $# -gt 0 ]; do
    case $1 in
    --target)
        targets+=("$2")
        shift 2
        ;;
    -D*)
        options+=("$1")
        shift
        ;;
    *)
        if [ -n "$build_dir" ]; then
            echo "usage: $0 [BUILD_DIR] [--target NAME]... [-DOPTION=VALUE]..." >&2
            exit 2
        fi
        build_dir=$1
        shift
        ;;
    esac
done
build_dir=${build_dir:-$root/build}

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build_dir" -G Ninja "${options[@]}" >/dev/null
build=(cmake --build "$build_dir" --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}")
if [ ${#targets[@]} -gt 0 ]; then
    build+=(--target "${targets[@]}")
fi
"${build[@]}"
