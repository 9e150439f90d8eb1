#!/usr/bin/env bash
# Runs wine_baudrate under wine with a real COM port: wine maps COM42 to the receiver
# simulator's pseudo-terminal, the test sets a new speed through the control block, and the
# tty itself must then show it.
#   wine_baudrate.sh TEST.exe   (WINEPREFIX set by the Windows check script)
set -euo pipefail
exe=$1
here=$(cd "$(dirname "$0")" && pwd)
bin_dir=${VALTORA_BIN_DIR:-$here/../../build/bin}
simulator=$bin_dir/valtora-sim
if [ ! -x "$simulator" ]; then
    echo "wine_baudrate: $simulator is missing; build valtora-sim first" >&2
    exit 1
fi

# The first start of wine makes the prefix; the port's link goes in once it exists.
wine cmd /c exit >/dev/null 2>&1 || true
link=$WINEPREFIX/ttyReceiver
"$simulator" --link "$link" >/dev/null &
simulator_pid=$!
trap 'kill "$simulator_pid" 2>/dev/null || true; wait "$simulator_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -e "$link" ] && break
    sleep 0.1
done

ln -sfn "$link" "$WINEPREFIX/dosdevices/com42"
speed_before=$(stty -F "$link" speed)
# Windows programs end their lines with CR LF.
output=$(wine "$exe" COM42 "$speed_before" | tr -d '\r')
echo "$output"
speed_after=$(stty -F "$link" speed)
echo "tty speed: $speed_before before, $speed_after after"
set_line=$(grep '^set ' <<<"$output" || true)
[ -n "$set_line" ] && [ "${set_line#set }" = "$speed_after" ] && grep -q '^all passed' <<<"$output"
