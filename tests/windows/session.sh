# What both Windows checks share, sourced after `set -euo pipefail` with $root (the tree) and
# $check (a short name) set: a private X display and no right to set the clock, a throw-away
# wine prefix in a work folder, VALTORA's registry settings, and the session's end.

# A display of our own, never the user's; and wine would set this machine's clock for a
# Windows program that asks while the process may: root drops the right first.
if [ -z "${VALTORA_WINE_SESSION:-}" ]; then
    export VALTORA_WINE_SESSION=1
    no_clock_right=()
    if [ "$(id -u)" -eq 0 ]; then
        no_clock_right=(setpriv --inh-caps=-sys_time --bounding-set=-sys_time)
    fi
    exec "${no_clock_right[@]}" xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
        bash "$0" "$@"
fi

work=$(mktemp -d "/tmp/valtora-wine-$check-XXXXXX")
export WINEPREFIX=$work/prefix
wine_run=("$root/scripts/wine-run.sh")

registry_key='HKCU\Software\VB and VBA Program Settings\VALTORA'
reg_add() { # SECTION NAME TEXT
    "${wine_run[@]}" reg add "$registry_key\\$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null
}
reg_value() { # SECTION NAME: the text, or nothing
    "${wine_run[@]}" reg query "$registry_key\\$1" /v "$2" 2>/dev/null | tr -d '\r' \
        | awk -v name="$2" '$1 == name && $2 == "REG_SZ" { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}

# Ends every program of the wine session, then removes the prefix and the work folder.
end_session() {
    timeout 60 wineserver -k 2>/dev/null || true
    wait 2>/dev/null || true
    bash "$root/scripts/wine-remove-prefix.sh" "$WINEPREFIX"
    rm -rf "$work" 2>/dev/null || { sleep 1 && rm -rf "$work"; } || true
}
