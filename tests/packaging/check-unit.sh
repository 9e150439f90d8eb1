#!/usr/bin/env bash
# The reference-clock service's unit as systemd reads it: no mistakes (systemd-analyze verify,
# against the built program) and an exposure systemd-analyze security rates safe (2.0 or
# less). Skipped (77) where systemd-analyze is missing.
#   check-unit.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source=$1
build=$2
command -v systemd-analyze >/dev/null || { echo "check-unit: no systemd-analyze"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unit=$work/valtora-refclock@ttyS0.service
sed "s|/usr/bin/valtora-refclock|$build/bin/valtora-refclock|" \
    "$source/packaging/valtora-refclock@.service" >"$unit"
output=$(systemd-analyze verify --man=no "$unit" 2>&1) || {
    echo "check-unit: verify failed: $output" >&2
    exit 1
}
[ -z "$output" ] || { echo "check-unit: verify says: $output" >&2; exit 1; }
systemd-analyze security --offline=true --threshold=20 "$unit" | tail -1
