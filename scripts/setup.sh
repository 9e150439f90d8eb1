#!/usr/bin/env bash
# Installs what VALTORA needs to build, run and test on Debian 12, when something is missing.
# Runs apt-get as root, or through sudo for a normal user.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-qpa-plugins libqt6svg6 libgl-dev
    qt6-charts-dev libqt6opengl6-dev
    xvfb xauth xdotool imagemagick
    fonts-wqy-microhei fonts-wine
    g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix wine wine64 nsis
    util-linux libcap2-bin libcap-dev desktop-file-utils dpkg-dev
    libsystemd-dev
)
# Only the tests need a time daemon (always started with -x, never controlling the clock), a
# message bus of their own, lintian for the package, and clang with libFuzzer for the fuzz
# targets; the run command does not bring them onto a user's machine.
if [ "${VALTORA_SETUP_TESTS:-}" = 1 ]; then
    packages+=(chrony dbus-daemon lintian clang libclang-rt-dev)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "VALTORA set-up: installing ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then
    run_as_root=()
elif command -v sudo >/dev/null 2>&1; then
    run_as_root=(sudo)
else
    echo "VALTORA set-up: these Debian packages are missing and I am neither root nor" \
         "allowed to use sudo: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# The tests start chronyd themselves, never controlling the clock. The package would start its
# own service, which does control it: where nothing forbids starting services during the
# install, forbid it for as long as the install runs.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | "${run_as_root[@]}" tee "$policy" >/dev/null
    "${run_as_root[@]}" chmod 755 "$policy"
    trap '"${run_as_root[@]}" rm -f "$policy"' EXIT
fi
"${run_as_root[@]}" apt-get update -q
"${run_as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
