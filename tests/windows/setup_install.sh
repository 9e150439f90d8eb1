#!/usr/bin/env bash
# The setup program under wine: a silent install (/S) puts VALTORA into Program Files with its
# Start-menu entry and the sign-in task, the installed program starts and shows its window,
# and the uninstaller (also silent) removes every file it installed and the task, while the
# settings in the registry stay.
#   setup_install.sh SETUP.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
setup=$(realpath "$1")
root=$(cd "$here/../.." && pwd)
check=setup
# shellcheck source=tests/windows/session.sh
source "$here/session.sh"
fail() {
    echo "setup_install: $*" >&2
    exit 1
}
clean_up() {
    local status=$?
    end_session
    exit "$status"
}
trap clean_up EXIT

"${wine_run[@]}" wineboot -i >/dev/null 2>&1 || fail "wineboot failed"
# Windows always runs its Task Scheduler; wine starts it on demand, too slowly for the first
# call to find it, so it is started before the setup runs.
for _ in $(seq 15); do
    started=$("${wine_run[@]}" net start schedule 2>&1 || true)
    grep -qi 'started successfully\|already been started' <<<"$started" && break
    sleep 2
done
program_files="$WINEPREFIX/drive_c/Program Files/VALTORA"
tasks="$WINEPREFIX/drive_c/windows/system32/tasks"
reg_add Properties jiaoshimiao 7
# Wine links COM1 to the machine's /dev/ttyS0, whose opening can hang on a virtual machine:
# the port is one wine has no device for, so the start says so in a box and goes on.
reg_add Ports Com1 COM9

echo "setup_install: installing silently"
"${wine_run[@]}" "$setup" /S || fail "the setup program failed"
# The silent setup returns before its last files are settled on some wine versions.
for _ in $(seq 60); do
    [ -f "$program_files/Uninstall.exe" ] && break
    sleep 0.5
done
for file in valtora.exe Qt6Core.dll Qt6Charts.dll Qt6SerialPort.dll libstdc++-6.dll \
    platforms/qwindows.dll styles/qwindowsvistastyle.dll fonts/tahoma.ttf Uninstall.exe; do
    [ -f "$program_files/$file" ] || fail "$file was not installed"
done
installed=$(cd "$program_files" && find . -type f | sort)
echo "setup_install: $(wc -l <<<"$installed") files in Program Files\\VALTORA"
find "$WINEPREFIX/drive_c" -path '*Start Menu*' -iname 'VALTORA.lnk' | grep -q . \
    || fail "no Start-menu entry"
[ -f "$tasks/VALTORA" ] || fail "no sign-in task"
# Wine keeps only part of a task's definition (no trigger, no rights): the description shows
# that the setup's own definition was registered.
grep -qa 'Starts VALTORA at sign-in with the right to set the clock' "$tasks/VALTORA" \
    || fail "the sign-in task is not the setup's"

echo "setup_install: starting the installed program"
VALTORA_CLOCK=simulated "${wine_run[@]}" "C:\\Program Files\\VALTORA\\valtora.exe" \
    >"$work/program.log" 2>&1 &
program_pid=$!
window=
for _ in $(seq 120); do
    window=$(xdotool search --onlyvisible --name '^VALTORA$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    sleep 0.5
done
[ -n "$window" ] || fail "the installed program showed no window: $(cat "$work/program.log")"
kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
# Ended on its own, the wine session saves the registry to disk; killed, it may not.
timeout 60 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null || true

[ -n "$(reg_value Properties jiaoshimiao)" ] \
    || fail "the settings were lost before the uninstaller ran"
echo "setup_install: uninstalling silently"
# As from the Start menu: the uninstaller copies itself away, starts the copy and returns.
"${wine_run[@]}" "C:\\Program Files\\VALTORA\\Uninstall.exe" /S || fail "the uninstaller failed"
for _ in $(seq 120); do
    [ ! -e "$program_files/Uninstall.exe" ] && break
    sleep 0.5
done
left=$(cd "$program_files" 2>/dev/null && find . -type f | grep -v '^./logfile.txt$' || true)
[ -z "$left" ] || fail "the uninstaller left files behind: $left"
[ ! -e "$tasks/VALTORA" ] || fail "the uninstaller left the sign-in task"
find "$WINEPREFIX/drive_c" -path '*Start Menu*' -iname 'VALTORA.lnk' | grep -q . \
    && fail "the uninstaller left the Start-menu entry"
[ -n "$(reg_value Properties jiaoshimiao)" ] || fail "the uninstaller removed the settings"
echo "setup_install: passed"
