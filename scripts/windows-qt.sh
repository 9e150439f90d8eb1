#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (x86_64-w64-mingw32) once per machine: qtbase, Qt Serial Port and
# Qt Charts at the version of the installed host Qt, which a cross build needs for its tools.
# Debian ships no Qt for mingw, so this is the one slow step of the Windows build (about 40
# minutes of processor time); the result is kept outside the tree and reused while its version
# and options match.
#
#   bash scripts/windows-qt.sh          build when needed, then print the install folder
#
# Sources: the folder named by VALTORA_QT_SOURCES when set (checked against its SHA256SUMS),
# else Debian's archive through `apt-get source` (which checks them against the archive's index).
# Prints the folder of the installed Qt as its last line of output.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
start=$SECONDS

say() {
    local elapsed=$((SECONDS - start))
    printf 'windows-qt [%d:%02d] %s\n' $((elapsed / 60)) $((elapsed % 60)) "$*" >&2
}

host_cmake_dir=/usr/lib/x86_64-linux-gnu/cmake
version_file=$host_cmake_dir/Qt6/Qt6ConfigVersionImpl.cmake
if [ ! -f "$version_file" ]; then
    echo "windows-qt: no host Qt 6 ($version_file); run scripts/setup.sh first" >&2
    exit 1
fi
version=$(sed -n 's/^set(PACKAGE_VERSION "\([0-9.]*\)")$/\1/p' "$version_file")
[ -n "$version" ] || { echo "windows-qt: cannot read the host Qt version" >&2; exit 1; }

cache=${VALTORA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/valtora}
prefix=$cache/qt-$version-mingw64
work=$cache/qt-$version-mingw64-build
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

# Lean: only what VALTORA uses (Core, Gui, Widgets, Network; Serial Port and Charts). Windows
# has no wintab sources in Debian's tarball (tabletevent), and Qt 6.4 builds its schannel
# backend even without SSL, and fails.
base_options=(
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=$host_cmake_dir
    -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_pkg_config=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_concurrent=OFF
    -DFEATURE_xml=OFF -DFEATURE_zstd=OFF -DFEATURE_openssl=OFF -DINPUT_openssl=no
    -DFEATURE_jpeg=OFF -DFEATURE_freetype=OFF -DFEATURE_direct2d=OFF -DFEATURE_tuiotouch=OFF
    -DFEATURE_tabletevent=OFF -DFEATURE_schannel=OFF -DFEATURE_system_zlib=OFF
)
module_options=(-DCMAKE_BUILD_TYPE=Release -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF)
modules=(qtserialport qtcharts)

# Qt 6.4 compiles the DirectWrite font database into Qt Gui only together with Direct2D, but
# its Windows platform plugin asks for it whenever DirectWrite 3 is there: without Direct2D the
# plugin cannot link. The plugin then uses the GDI font database, as it does by default.
patch_qtbase() {
    sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
        "$1/src/plugins/platforms/windows/qwindowsintegration.cpp"
}

# The stamp holds a hash of everything that shapes the result; a different one means rebuild.
stamp_text=$(printf '%s\n' "$version" "${base_options[@]}" "${module_options[@]}" \
    "${modules[@]}" "$(x86_64-w64-mingw32-g++-posix --version | head -n1)")
stamp_text+=$'\n'$(cat "$toolchain")$'\n'$(declare -f patch_qtbase)
stamp_hash=$(printf '%s' "$stamp_text" | sha256sum | cut -d' ' -f1)
stamp=$prefix/valtora-qt.stamp
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$stamp_hash" ]; then
    say "Qt $version for Windows is ready in $prefix"
    echo "$prefix"
    exit 0
fi

for tool in x86_64-w64-mingw32-g++-posix cmake ninja dpkg-source; do
    command -v "$tool" >/dev/null || {
        echo "windows-qt: $tool is missing; run scripts/setup.sh first" >&2
        exit 1
    }
done

say "building Qt $version for Windows into $prefix (about 40 minutes of processor time)"
rm -rf "$prefix"
# A build that stopped part-way with the same sources and options goes on where it stopped.
work_stamp=$work/valtora-qt-work.stamp
resume=
if [ -f "$work_stamp" ] && [ "$(cat "$work_stamp")" = "$stamp_hash" ] \
    && [ -f "$work/qtbase/build.ninja" ]; then
    resume=1
    say "going on with the build that stopped in $work"
else
    rm -rf "$work"
fi
mkdir -p "$work" "$prefix"
# The installed Qt's qt-cmake loads the toolchain file it was built with: keep a copy of it
# beside the Qt, so the Qt stays usable when this tree moves.
cp "$toolchain" "$prefix/mingw-w64-x86_64.cmake"
toolchain=$prefix/mingw-w64-x86_64.cmake
sources=$work/sources
base_dir=$sources/qtbase
mkdir -p "$sources"

# --- sources -----------------------------------------------------------------------------
if [ -n "$resume" ]; then
    :
elif [ -n "${VALTORA_QT_SOURCES:-}" ]; then
    say "sources from $VALTORA_QT_SOURCES"
    (cd "$VALTORA_QT_SOURCES" && sha256sum --quiet -c SHA256SUMS) || {
        echo "windows-qt: the sources in $VALTORA_QT_SOURCES do not match SHA256SUMS" >&2
        exit 1
    }
    dsc=$(ls "$VALTORA_QT_SOURCES"/qt6-base_"$version"*.dsc 2>/dev/null | head -n1)
    [ -n "$dsc" ] || { echo "windows-qt: no qt6-base $version source package" >&2; exit 1; }
    # dpkg-source checks the tarballs against the .dsc and applies Debian's patches.
    (cd "$sources" && dpkg-source -x "$dsc" qtbase >/dev/null)
    for module in "${modules[@]}"; do
        tarball=$VALTORA_QT_SOURCES/$module-everywhere-src-$version.tar.xz
        [ -f "$tarball" ] || { echo "windows-qt: $tarball is missing" >&2; exit 1; }
        mkdir -p "$sources/$module"
        tar -xJf "$tarball" -C "$sources/$module" --strip-components=1
    done
else
    # Debian's archive: a source list of our own when the machine has none.
    if ! grep -rqs '^[[:space:]]*deb-src\|^Types:.*deb-src' /etc/apt/sources.list \
            /etc/apt/sources.list.d/; then
        say "adding a deb-src list for Debian's archive"
        codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
        run_as_root=()
        [ "$(id -u)" -eq 0 ] || run_as_root=(sudo)
        printf 'deb-src http://deb.debian.org/debian %s main\n' "$codename" \
            | "${run_as_root[@]}" tee /etc/apt/sources.list.d/valtora-sources.list >/dev/null
        "${run_as_root[@]}" apt-get update -q
    fi
    say "sources from Debian's archive"
    declare -A package_of=([qtbase]=qt6-base [qtserialport]=qt6-serialport [qtcharts]=qt6-charts)
    for module in qtbase "${modules[@]}"; do
        package=${package_of[$module]}
        (cd "$sources" && apt-get source -q "$package" >/dev/null) || true
        unpacked=$(find "$sources" -maxdepth 1 -type d -name "$package-$version*" | head -n1)
        # A mirror may keep a package's index but not its tarballs (404).
        [ -n "$unpacked" ] || {
            echo "windows-qt: apt-get source $package gave nothing; set VALTORA_QT_SOURCES to a" \
                "folder holding the sources and their SHA256SUMS" >&2
            exit 1
        }
        mv "$unpacked" "$sources/$module"
    done
fi

# --- qtbase ------------------------------------------------------------------------------
if [ -z "$resume" ]; then
patch_qtbase "$base_dir"
echo "$stamp_hash" >"$work_stamp"
say "configuring qtbase"
cmake -S "$base_dir" -B "$work/qtbase" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${base_options[@]}" >"$work/qtbase-configure.log" 2>&1 || {
    tail -n 40 "$work/qtbase-configure.log" >&2
    echo "windows-qt: configuring qtbase failed; see $work/qtbase-configure.log" >&2
    exit 1
}
fi

# Ninja's own progress ("[123/1456]") is the progress report: every hundredth step is shown.
build() {
    local name=$1 dir=$2
    say "building $name"
    cmake --build "$dir" --parallel "$jobs" 2>&1 | tee "$work/$name-build.log" \
        | awk '/^\[[0-9]+\/[0-9]+\]/ { split(substr($1, 2), n, "/"); \
               if (n[1] % 100 == 0 || n[1] == n[2]) { print "  " $1; fflush() } }' >&2
    if [ "${PIPESTATUS[0]}" -ne 0 ]; then
        grep -B2 -A20 -m1 'FAILED\|error:' "$work/$name-build.log" >&2 || true
        echo "windows-qt: building $name failed; see $work/$name-build.log" >&2
        exit 1
    fi
    say "installing $name"
    cmake --install "$dir" >"$work/$name-install.log" 2>&1
}
build qtbase "$work/qtbase"

# --- modules, with the installed Qt's own qt-cmake ---------------------------------------
for module in "${modules[@]}"; do
    say "configuring $module"
    rm -rf "$work/$module"
    "$prefix/bin/qt-cmake" -S "$sources/$module" -B "$work/$module" -G Ninja \
        "${module_options[@]}" >"$work/$module-configure.log" 2>&1 || {
        tail -n 40 "$work/$module-configure.log" >&2
        echo "windows-qt: configuring $module failed; see $work/$module-configure.log" >&2
        exit 1
    }
    build "$module" "$work/$module"
done

echo "$stamp_hash" >"$stamp"
rm -rf "$work"
say "Qt $version for Windows installed in $prefix ($(du -sh "$prefix" | cut -f1))"
echo "$prefix"
