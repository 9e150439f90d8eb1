#!/usr/bin/env bash
# End to end on Windows, under wine: the real deploy/valtora.exe on a private X server, its
# Com1 mapped to COM7 and wine's COM7 linked to a pseudo-terminal fed by the Linux receiver
# simulator, on the simulated clock, correction on through the registry.
#   - the window shows the received time (its large date and time change every second),
#   - logfile.txt beside valtora.exe gets correction records,
#   - the choices that "OK" on the "SYSTEM" page writes are in the registry, and in force, at
#     the next start.
#   e2e_window.sh DEPLOY_DIR SIMULATOR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
deploy=$(cd "$1" && pwd)
simulator=$2
root=$(cd "$here/../.." && pwd)
check=e2e
# shellcheck source=tests/windows/session.sh
source "$here/session.sh"
pids=()
fail() {
    echo "e2e_window: $*" >&2
    import -window root "$work/failure.png" 2>/dev/null \
        && cp "$work/failure.png" "${TMPDIR:-/tmp}/valtora-wine-e2e-failure.png" \
        && echo "e2e_window: screenshot in ${TMPDIR:-/tmp}/valtora-wine-e2e-failure.png" >&2
    exit 1
}
clean_up() {
    local status=$?
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    end_session
    rm -rf "$deploy/logfile.txt"
    exit "$status"
}
trap clean_up EXIT

echo "e2e_window: making a wine prefix"
"${wine_run[@]}" wineboot -i >/dev/null 2>&1 || fail "wineboot failed"

"$simulator" --link "$work/receiver" >/dev/null &
pids+=($!)
for _ in $(seq 50); do
    [ -e "$work/receiver" ] && break
    sleep 0.1
done
[ -e "$work/receiver" ] || fail "the simulator made no pseudo-terminal"
# Wine links COM1 to the machine's own /dev/ttyS0 at every start: VALTORA's port is COM7.
ln -sfn "$work/receiver" "$WINEPREFIX/dosdevices/com7"

reg_add Ports Com1 COM7
reg_add Properties CommPort 1
reg_add Properties portSettings 9600,n,8,1
reg_add Properties jiaoshiflag 1
reg_add Properties jiaoshimiao 2
[ "$(reg_value Properties jiaoshimiao)" = 2 ] || fail "could not prepare the registry"

rm -rf "$deploy/logfile.txt"
start_program() {
    VALTORA_CLOCK=simulated "${wine_run[@]}" "$deploy/valtora.exe" >"$work/program.log" 2>&1 &
    program_pid=$!
    pids+=("$program_pid")
    window=
    for _ in $(seq 120); do
        window=$(xdotool search --onlyvisible --name '^VALTORA$' 2>/dev/null | head -n1 || true)
        [ -n "$window" ] && break
        sleep 0.5
    done
    [ -n "$window" ] || fail "no VALTORA window within 60 s"
}
log_file=$deploy/logfile.txt
corrections() {
    local count
    count=$(grep -c 'SYSTEM TIME IS CHANGED TO :' "$log_file" 2>/dev/null) || true
    echo "${count:-0}"
}
wait_for_corrections() { # COUNT
    for _ in $(seq 120); do
        [ "$(corrections)" -ge "$1" ] && return 0
        sleep 0.5
    done
    fail "fewer than $1 correction records in $log_file: $(cat "$log_file" 2>/dev/null)"
}
# shellcheck source=tests/windows/layout.sh
source "$here/layout.sh"
# A shot of the large date and time (Label2 on the "INFORMATION" page).
shoot_time() { # FILE
    eval "$(xdotool getwindowgeometry --shell "$window")"
    import -window root -crop "${LABEL2[2]}x${LABEL2[3]}+$((X + LABEL2[0]))+$((Y + LABEL2[1]))" "$1"
}

echo "e2e_window: first start"
start_program
wait_for_corrections 2
echo "e2e_window: $(corrections) correction records in logfile.txt beside valtora.exe"
grep -m1 'SYSTEM TIME IS CHANGED TO :' "$deploy/logfile.txt"

shoot_time "$work/time1.png"
sleep 2.2
shoot_time "$work/time2.png"
changed=$(compare -metric AE "$work/time1.png" "$work/time2.png" null: 2>&1 || true)
[ "${changed%%.*}" -gt 50 ] || fail "the received time on the window did not change ($changed pixels)"
echo "e2e_window: the large time changed by $changed pixels in 2 s"

# "OK" on "SET-UP" -> "SYSTEM" stores every correction choice; the masking flag was never set.
[ -z "$(reg_value Properties pingbiflag)" ] || fail "pingbiflag was set before OK"
eval "$(xdotool getwindowgeometry --shell "$window")"
click() { # X Y within the window's client area
    xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1
    sleep 0.7
}
click "${SETUP_TAB[@]}"
click "${SYSTEM_TAB[@]}"
click "${SYSTEM_OK[@]}"
for _ in $(seq 20); do
    [ -n "$(reg_value Properties pingbiflag)" ] && break
    sleep 0.5
done
[ "$(reg_value Properties pingbiflag)" = 0 ] || fail "OK wrote no pingbiflag to the registry"
[ "$(reg_value Properties jiaoshiflag)" = 1 ] || fail "OK did not keep correction on"

echo "e2e_window: second start"
# Killed, as a crash would end it: its single-instance lock stays behind, and the next start
# must take it over. The wine session ends on its own, which saves the registry to disk.
kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
timeout 60 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null || true
# This time the program's folder cannot take logfile.txt (a folder in its place stands for
# Program Files, which a user cannot write): the records go to the per-user folder.
rm -f "$log_file"
mkdir "$log_file"
log_file=$(find "$WINEPREFIX/drive_c/users" -maxdepth 1 -mindepth 1 -type d ! -name Public \
    | head -n1)/AppData/Local/VALTORA/VALTORA/logfile.txt
start_program
[ "$(reg_value Properties pingbiflag)" = 0 ] || fail "pingbiflag is gone at the next start"
[ "$(reg_value Properties jiaoshimiao)" = 2 ] || fail "jiaoshimiao is gone at the next start"
wait_for_corrections 2
echo "e2e_window: correction on again at the next start: $(corrections) records in $log_file"
echo "e2e_window: passed"
