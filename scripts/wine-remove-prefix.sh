#!/usr/bin/env bash
# Ends the wine session of a throw-away prefix and removes the prefix, together with the
# server folder that Debian's wine makes for it in the temporary folder (named in the prefix's
# file "wineserver"), which would otherwise stay behind after every run.
#   scripts/wine-remove-prefix.sh PREFIX
set -uo pipefail
# Only wine's server runs here, but nothing of wine runs with the right to set the clock.
if [ "$(id -u)" -eq 0 ] && [ -z "${VALTORA_REMOVING_PREFIX:-}" ]; then
    export VALTORA_REMOVING_PREFIX=1
    exec setpriv --inh-caps=-sys_time --bounding-set=-sys_time bash "$0" "$@"
fi
prefix=$1
[ -d "$prefix" ] || exit 0
# The server lives on for a moment after the last program and still writes into the prefix.
WINEPREFIX=$prefix timeout 60 wineserver -w 2>/dev/null \
    || WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
server=$(cat "$prefix/wineserver" 2>/dev/null || true)
rm -rf "$prefix" 2>/dev/null || { sleep 1 && rm -rf "$prefix"; } \
    || echo "wine-remove-prefix: could not remove $prefix" >&2
if [[ $server =~ ^wine-[A-Za-z0-9]+$ ]]; then
    rm -rf "${TMPDIR:-/tmp}/$server"
fi
