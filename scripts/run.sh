#!/usr/bin/env bash
# Builds VALTORA and starts it with the receiver simulator on a pseudo-terminal and a
# simulated clock, in a settings location of its own: a newcomer sees live frames without a
# receiver, and neither the user's settings nor the computer's clock are touched.
# Ending the program ends the simulator.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$root/build
# Only the two programs: the tests and benchmarks are the test command's to build.
bash "$root/scripts/build.sh" "$build_dir" --target valtora --target valtora-sim

run_dir=$build_dir/run
mkdir -p "$run_dir/config/VALTORA"
link=$run_dir/ttyVALTORA
settings=$run_dir/config/VALTORA/VALTORA.conf
touch "$settings"

"$build_dir/bin/valtora-sim" --link "$link" &
simulator=$!
trap 'kill "$simulator" 2>/dev/null || true; wait "$simulator" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -e "$link" ] && break
    sleep 0.1
done

# Map port 1 to the simulator's pseudo-terminal in this run's own settings.
if grep -q '^\[Ports\]' "$settings"; then
    sed -i "/^\[Ports\]/,/^\[/{s|^Com1=.*|Com1=$link|}" "$settings"
    grep -q "^Com1=" "$settings" || sed -i "/^\[Ports\]/a Com1=$link" "$settings"
else
    printf '\n[Ports]\nCom1=%s\n' "$link" >>"$settings"
fi

export XDG_CONFIG_HOME=$run_dir/config
# The simulated clock's offsets are no history of this computer's clock: keep them apart.
export XDG_DATA_HOME=$run_dir/data
export VALTORA_CLOCK=${VALTORA_CLOCK:-simulated}
cd "$run_dir"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "VALTORA: no display found; starting on a virtual X server (xvfb-run)." >&2
    xvfb-run -a "$build_dir/bin/valtora" "$@"
else
    "$build_dir/bin/valtora" "$@"
fi
