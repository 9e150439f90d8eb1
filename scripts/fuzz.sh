#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/ (the normal build is not touched) and runs them.
#   scripts/fuzz.sh --check           build, and run each target once over its seed corpus
#   scripts/fuzz.sh TARGET SECONDS [OPTION...]
#                                     build, and fuzz TARGET (or "all", one after the other)
#                                     for at most SECONDS, with more libFuzzer options
#                                     (-runs=N stops after N inputs)
# New inputs go to build-fuzz/corpus/TARGET, never into the tree; a crash leaves its input
# in build-fuzz/crashes/ and ends the script with an error. Needs clang and libFuzzer
# (the test command's set-up installs them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$root/build-fuzz
targets=(fuzz_receive fuzz_settings fuzz_tracking fuzz_simulator)

if [ $# -eq 1 ] && [ "$1" = --check ]; then
    mode=check
    chosen=("${targets[@]}")
elif [ $# -ge 2 ] && [[ $2 =~ ^[0-9]+$ ]]; then
    mode=fuzz
    seconds=$2
    extra=("${@:3}")
    if [ "$1" = all ]; then
        chosen=("${targets[@]}")
    elif [[ " ${targets[*]} " == *" $1 "* ]]; then
        chosen=("$1")
    else
        echo "unknown fuzz target $1; one of: all ${targets[*]}" >&2
        exit 2
    fi
else
    echo "usage: $0 --check | $0 TARGET|all SECONDS [OPTION...]" >&2
    exit 2
fi

VALTORA_SETUP_TESTS=1 CC=clang CXX=clang++ bash "$root/scripts/build.sh" "$build_dir" --target fuzz_all \
    -DVALTORA_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null

# Qt keeps some allocations for the life of the process; leaks are not what this looks for.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Nothing here sets a clock, and nothing may.
no_clock_right=(setpriv --inh-caps=-sys_time --bounding-set=-sys_time)
mkdir -p "$build_dir/crashes"
for target in "${chosen[@]}"; do
    seeds=$root/tests/fuzz/corpus/$target
    if [ "$mode" = check ]; then
        "${no_clock_right[@]}" "$build_dir/fuzz/$target" "$seeds"/* 2>"$build_dir/$target.log" \
            || { cat "$build_dir/$target.log" >&2; exit 1; }
        echo "$target: $(ls "$seeds" | wc -l) seeds pass"
        continue
    fi
    # Inputs longer than a few frames or lines find nothing new and only slow the run.
    case $target in
    fuzz_tracking) max_len=256 ;;
    *) max_len=128 ;;
    esac
    corpus=$build_dir/corpus/$target
    mkdir -p "$corpus"
    log=$build_dir/$target.log
    status=0
    nice -n 5 "${no_clock_right[@]}" "$build_dir/fuzz/$target" "$corpus" "$seeds" \
        -max_total_time="$seconds" -max_len=$max_len -artifact_prefix="$build_dir/crashes/$target-" \
        -print_final_stats=1 "${extra[@]}" >"$log" 2>&1 || status=$?
    echo "$target: $(grep -E '^#[0-9]+' "$log" | tail -1)"
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log" || true
    if [ $status -ne 0 ]; then
        tail -40 "$log" >&2
        exit 1
    fi
done
