#!/usr/bin/env bash
# Builds the Debian package with CPack and checks its contents, its dependencies (computed
# from the programs' shared libraries), its maintainer scripts and what lintian says of it,
# without installing it.
#   check-package.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
package=$out/valtora_${version}_amd64.deb

fail() { echo "check-package: $*" >&2; exit 1; }
[ -f "$package" ] || fail "no $(basename "$package") in: $(ls "$out")"
contents=$(dpkg-deb -c "$package")
for file in ./usr/bin/valtora ./usr/bin/valtora-sim ./usr/share/applications/valtora.desktop \
            ./etc/xdg/autostart/valtora.desktop ./usr/share/icons/hicolor/48x48/apps/valtora.png \
            ./usr/share/doc/valtora/README.md ./usr/share/doc/valtora/copyright \
            ./usr/share/doc/valtora/changelog.gz ./usr/share/man/man1/valtora.1.gz; do
    grep -q " $file\$" <<<"$contents" || fail "$file not in the package"
done
depends=$(dpkg-deb -f "$package" Depends)
for library in libqt6core6 libqt6widgets6 libqt6serialport6 libcap2 libcap2-bin; do
    grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done
info=$(dpkg-deb -I "$package")
grep -q ' postinst' <<<"$info" && grep -q ' postrm' <<<"$info" || fail "maintainer scripts missing"
scripts=$(mktemp -d -p "$out")
dpkg-deb -e "$package" "$scripts"
grep -q 'dpkg-statoverride --update --add root valtora 0750 "$program"' "$scripts/postinst" \
    || fail "postinst does not restrict the program to the group"
grep -q 'setcap cap_sys_time+p ' "$scripts/postinst" || fail "postinst gives no permitted clock right"
grep -q 'groupdel valtora' "$scripts/postrm" || fail "postrm leaves the group behind"
sh -n "$scripts/postinst" && sh -n "$scripts/postrm" || fail "a maintainer script does not parse"
# A change to the login start entry survives an upgrade.
grep -qx /etc/xdg/autostart/valtora.desktop "$scripts/conffiles" || fail "autostart is no conffile"
# Debian's own checks, without errors or warnings (the overrides give the reason for each
# finding that is meant so).
# Its temporary files go with the rest: lintian leaves some behind.
findings=$(TMPDIR=$out lintian --fail-on error,warning "$package" 2>&1) \
    || fail "lintian: $findings"
# The reference-clock service comes with its unit, user, man page and chrony examples, and
# the package never enables it.
for file in ./usr/bin/valtora-refclock ./usr/lib/systemd/system/valtora-refclock@.service \
            ./usr/lib/sysusers.d/valtora-refclock.conf ./usr/share/man/man8/valtora-refclock.8.gz \
            ./usr/share/doc/valtora/examples/chrony-valtora.conf \
            ./usr/share/doc/valtora/examples/chrony-service-valtora-refclock.conf; do
    grep -q " $file\$" <<<"$contents" || fail "$file not in the package"
done
grep -q '\blibsystemd0\b' <<<"$depends" || fail "Depends lacks libsystemd0: $depends"
grep -q 'systemd-sysusers valtora-refclock.conf' "$scripts/postinst" \
    || fail "postinst makes no user for the service"
! grep -q 'systemctl enable' "$scripts/postinst" || fail "postinst enables the service"
echo "check-package: $(basename "$package") holds the programs, Depends: $depends"
