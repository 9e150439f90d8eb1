#!/usr/bin/env bash
# Puts the faults listed in tests/mutations.txt into a scratch copy of the tree, one at a time,
# and says which test caught each. The tests named for a mutation run first; only when none of
# them fails is everything built and the whole suite run (without the Windows and package
# tests). The working tree is only read: all building and changing happens in the copy.
#   scripts/mutate.sh [ID...]        every mutation, or only the ones named
#   scripts/mutate.sh --check        only check that each find text occurs once in the tree
# The copy and its build folder stay in $VALTORA_MUTATE_DIR (default /tmp/valtora-mutate), so
# a later run builds only what changed; $VALTORA_MUTATE_JOBS sets the build jobs (default 1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
list=$root/tests/mutations.txt
work=${VALTORA_MUTATE_DIR:-/tmp/valtora-mutate}
jobs=${VALTORA_MUTATE_JOBS:-1}
src=$work/src
build=$work/build
logs=$work/logs
suite_exclude='^(wine_|windows_|package_)'
export QT_QPA_PLATFORM=offscreen
# No test may set this machine's clock, not even as root.
no_clock_right=(setpriv --inh-caps=-sys_time --bounding-set=-sys_time)

# Replaces FIND by REPLACE (both from the environment, with \n, \t and \\ escapes) in the
# file, which must hold FIND exactly once; with "count" it only checks that.
edit() {
    perl -e '
        sub unescape { my $s = shift; $s =~ s/\\([nt\\])/$1 eq "n" ? "\n" : $1 eq "t" ? "\t" : "\\"/ge; $s }
        my ($mode, $path) = @ARGV;
        my ($find, $replace) = (unescape($ENV{FIND}), unescape($ENV{REPLACE}));
        open my $in, "<", $path or die "cannot read $path\n";
        my $text = do { local $/; <$in> };
        my $count = () = $text =~ /\Q$find\E/g;
        die "the find text occurs $count times\n" if $count != 1;
        exit 0 if $mode eq "count";
        substr($text, index($text, $find), length $find) = $replace;
        open my $out, ">", $path or die "cannot write $path\n";
        print $out $text;
    ' "$@"
}

# Splits a line of the list into id, file, find, replace and tests (empty fields allowed).
parse() {
    local rest=$1
    id=${rest%%$'\t'*}; rest=${rest#*$'\t'}
    file=${rest%%$'\t'*}; rest=${rest#*$'\t'}
    find=${rest%%$'\t'*}; rest=${rest#*$'\t'}
    replace=${rest%%$'\t'*}; tests=${rest#*$'\t'}
}

# The copy follows the tree's files, tracked or new; a copied file gets a new time, so the
# build sees every change, also one back to an older state.
sync_copy() {
    mkdir -p "$src" "$logs"
    git -C "$root" ls-files -co --exclude-standard >"$work/files"
    while IFS= read -r path; do
        if [ -f "$root/$path" ] && ! cmp -s "$root/$path" "$src/$path"; then
            mkdir -p "$(dirname "$src/$path")"
            cp "$root/$path" "$src/$path"
        fi
    done <"$work/files"
    # A file gone from the tree goes from the copy too, or CMake's globs would still find it.
    (cd "$src" && find . -type f -printf '%P\n') | { grep -vxFf "$work/files" || true; } |
        while IFS= read -r gone; do rm -f "$src/$gone"; done
}

build_targets() {
    nice -n 10 cmake --build "$build" -j "$jobs" "$@" >>"$log" 2>&1
}

# Runs ctest with the given selection; prints the first failed test, if any.
run_tests() {
    local output
    output=$(cd "$build" && "${no_clock_right[@]}" ctest --output-on-failure -j 2 "$@" 2>&1) && return 0
    printf '%s\n' "$output" >>"$log"
    printf '%s\n' "$output" | awk '/tests FAILED:/ { on = 1; next } on && / - / && !done { print $3; done = 1 }'
}

lines=()
while IFS= read -r line; do
    case $line in '#'* | '') continue ;; esac
    parse "$line"
    if [ $# -eq 0 ] || [ "${1:-}" = "--check" ] || printf '%s\n' "$@" | grep -qxF "$id"; then
        lines+=("$line")
    fi
done <"$list"

[ ${#lines[@]} -gt 0 ] || { echo "no such mutation in $list: $*"; exit 1; }
if [ "${1:-}" = "--check" ]; then
    bad=0
    for line in "${lines[@]}"; do
        parse "$line"
        FIND=$find REPLACE=$replace edit count "$root/$file" 2>/dev/null ||
            { echo "$id: the find text does not occur exactly once in $file"; bad=1; }
    done
    exit $bad
fi

start=$SECONDS
sync_copy
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVALTORA_WERROR=ON >/dev/null
fi

# Without any mutation every named test must exist and pass, or a kill would mean nothing.
log=$logs/baseline.log
: >"$log"
all_tests=$(for line in "${lines[@]}"; do parse "$line"; echo "$tests"; done | tr ' ' '\n' |
    sort -u | grep .)
build_targets --target $all_tests valtora valtora-sim || { echo "baseline: build failed, see $log"; exit 1; }
known=$(cd "$build" && ctest -N | awk '/Test +#/ { print $3 }')
for name in $all_tests; do
    printf '%s\n' "$known" | grep -qxF "$name" || { echo "baseline: no test $name"; exit 1; }
done
failed=$(run_tests -R "^($(echo $all_tests | tr ' ' '|'))\$")
[ -z "$failed" ] || { echo "baseline: $failed fails without any mutation, see $log"; exit 1; }

killed=0 survived=0 not_applied=0
for line in "${lines[@]}"; do
    parse "$line"
    log=$logs/$id.log
    : >"$log"
    cp "$src/$file" "$work/original"
    result=not-applied detail=
    if ! FIND=$find REPLACE=$replace edit apply "$src/$file" 2>>"$log"; then
        detail="find text not found once in $file"
    else
        targets=$tests
        case " $tests" in *" test_e2e_"*) targets="$tests valtora valtora-sim" ;; esac
        if ! build_targets --target $targets; then
            detail="build failed, see $log"
        else
            failed=$(run_tests -R "^($(echo $tests | tr ' ' '|'))\$")
            if [ -z "$failed" ]; then
                if ! build_targets; then
                    detail="full build failed, see $log"
                else
                    failed=$(run_tests -E "$suite_exclude" --stop-on-failure)
                fi
            fi
            if [ -z "$detail" ]; then
                if [ -n "$failed" ]; then result=killed detail=$failed; else result=survived; fi
            fi
        fi
    fi
    cp "$work/original" "$src/$file"
    case $result in
    killed) killed=$((killed + 1)) ;;
    survived) survived=$((survived + 1)) ;;
    *) not_applied=$((not_applied + 1)) ;;
    esac
    printf '%-40s %-12s %s\n' "$id" "$result" "$detail"
done

echo "total ${#lines[@]}: killed $killed, survived $survived, not applied $not_applied" \
    "($((SECONDS - start)) s)"
[ $((survived + not_applied)) -eq 0 ]
