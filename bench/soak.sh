#!/usr/bin/env bash
# The long run of a user who leaves VALTORA going: the real program with the receiver
# simulator, correction every 5 seconds on the simulated clock, the receiver unplugged and
# plugged back every few minutes. Samples the program's memory, processor time, open
# descriptors and threads every 30 s, then prints their growth per hour and the log records
# against the attempts. A benchmark, not a test: run it by hand and write the figures down.
#   bench/soak.sh DURATION_SECONDS [REPLUG_EVERY_SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
duration=${1:?usage: bench/soak.sh DURATION_SECONDS [REPLUG_EVERY_SECONDS]}
replug_every=${2:-180}
bin=$root/build/bin
[ -x "$bin/valtora" ] && [ -x "$bin/valtora-sim" ] || {
    echo "soak: build first (bash scripts/build.sh)" >&2
    exit 2
}

work=$(mktemp -d)
link=$work/ttyReceiver
mkdir -p "$work/config/VALTORA" "$work/data" "$work/runtime"
chmod 0700 "$work/runtime"
cat >"$work/config/VALTORA/VALTORA.conf" <<SETTINGS
[Ports]
Com1=$link

[Properties]
jiaoshiflag=1
jiaoshimiao=5
SETTINGS
cp "$bin/valtora" "$work/valtora" # its logfile.txt lands beside it
cp "$bin/valtora-sim" "$work/valtora-sim" # a rebuild meanwhile changes nothing here

simulator=
start_simulator() {
    "$work/valtora-sim" --link "$link" >/dev/null &
    simulator=$!
    for _ in $(seq 50); do [ -e "$link" ] && return; sleep 0.1; done
}
stop_simulator() {
    kill "$simulator" 2>/dev/null || true
    wait "$simulator" 2>/dev/null || true
}
valtora=
cleanup() {
    stop_simulator
    [ -n "$valtora" ] && kill "$valtora" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

start_simulator
(cd "$work" && XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
    XDG_RUNTIME_DIR=$work/runtime VALTORA_CLOCK=simulated QT_QPA_PLATFORM=offscreen \
    exec ./valtora 2>/dev/null) &
valtora=$!

ticks_per_second=$(getconf CLK_TCK)
sample() { # elapsed rss_kb cpu_seconds descriptors threads
    local rss threads cpu
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$valtora/status")
    threads=$(awk '/^Threads:/ {print $2}' "/proc/$valtora/status")
    cpu=$(awk -v hz="$ticks_per_second" '{printf "%.2f", ($14 + $15) / hz}' "/proc/$valtora/stat")
    echo "$1 $rss $cpu $(ls "/proc/$valtora/fd" | wc -l) $threads"
}

samples=$work/samples
started=$SECONDS
next_replug=$replug_every
replugs=0
unplugged_seconds=0
while [ $((SECONDS - started)) -lt "$duration" ]; do
    sleep 30
    elapsed=$((SECONDS - started))
    kill -0 "$valtora" 2>/dev/null || { echo "soak: VALTORA ended after ${elapsed} s" >&2; exit 1; }
    sample "$elapsed" | tee -a "$samples"
    if [ "$elapsed" -ge "$next_replug" ]; then
        stop_simulator # unplugged: the pseudo-terminal goes away
        sleep 10
        start_simulator # plugged back: a new pseudo-terminal behind the same name
        replugs=$((replugs + 1))
        unplugged_seconds=$((unplugged_seconds + 10))
        next_replug=$((next_replug + replug_every))
    fi
done
elapsed=$((SECONDS - started))

log=$work/logfile.txt
records=$(wc -l <"$log")
whole=$(grep -c '^".*"'$'\r''$' "$log" || true)
set_lines=$(grep -c 'SYSTEM TIME IS CHANGED TO' "$log" || true)
refused=$(grep -c 'ERROR-CANNOT CORRECT TIME' "$log" || true)
# Every completed attempt writes one record; an attempt that fails at run time is tried again
# each second and writes one each time, so there are at least as many records as periods.
periods=$((elapsed / 5))

# Growth per hour from the first sample after the start-up minute to the last.
awk -v hours="$(echo "$elapsed" | awk '{print $1 / 3600}')" '
    $1 >= 60 && !first { first = 1; rss0 = $2; cpu0 = $3; fd0 = $4; th0 = $5; t0 = $1 }
    { rss = $2; cpu = $3; fd = $4; th = $5; t = $1 }
    END {
        span = (t - t0) / 3600
        printf "soak: %.2f h, RSS %d -> %d kB (%+.0f kB/h), CPU %.1f s (%.2f%% of a core),",
               hours, rss0, rss, (rss - rss0) / span, cpu, 100 * (cpu - cpu0) / (t - t0)
        printf " descriptors %d -> %d, threads %d -> %d\n", fd0, fd, th0, th
    }' "$samples"
echo "soak: $replugs replugs; log records $records (whole $whole): $set_lines corrections," \
     "$refused refused; $periods correction periods elapsed"
[ "$records" -eq "$whole" ] || { echo "soak: a log record is not whole" >&2; exit 1; }
