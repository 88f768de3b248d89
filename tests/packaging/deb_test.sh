#!/usr/bin/env bash
# Builds the package from a build directory into a scratch folder and checks its contents: the
# programs root-owned in /opt/tarrow, the desktop, autostart and systemd files, and a postinst that
# makes the directory setgid and sticky without enabling any sender, and the packages the windows
# need beyond their libraries (their face, Qt's translations).
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "deb_test: $*" >&2; exit 1; }

# Fast compression: the test reads the file list, not the archive size.
(cd "$build" && cpack -G DEB -D CPACK_DEBIAN_COMPRESSION_TYPE=none -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$out"/tarrow_*.deb 2>/dev/null | head -n 1 || true)
[ -n "$deb" ] || fail "no tarrow_*.deb in the cpack output"

listing=$(dpkg-deb -c "$deb")
for path in ./opt/tarrow/TARROW ./opt/tarrow/TARROW_Manual ./opt/tarrow/tarrow-send \
            ./usr/share/applications/tarrow-manual.desktop ./usr/share/tarrow/autostart/TARROW.desktop \
            ./lib/systemd/system/tarrow-send.service ./lib/systemd/system/tarrow-send.timer; do
    line=$(grep -E " ${path//./\\.}\$" <<<"$listing") || fail "$path missing from the package"
    case "$path" in ./opt/tarrow/*)
        [[ $line == -rwxr-xr-x\ root/root* ]] || fail "$path is not a root-owned program: $line" ;;
    esac
done
# Nothing is enabled on install: no file in an autostart or timers.target.wants folder.
if grep -E 'xdg/autostart|\.wants/' <<<"$listing"; then fail "the package enables a sender"; fi

dpkg-deb -e "$deb" "$out/control"
grep -q 'chmod 3775 /opt/tarrow' "$out/control/postinst" || fail "postinst does not make /opt/tarrow setgid and sticky"
grep -q 'chown root:tarrow /opt/tarrow' "$out/control/postinst" || fail "postinst does not give /opt/tarrow to the group"
if grep -Eq 'systemctl|autostart' "$out/control/postinst"; then fail "postinst enables a sender"; fi
grep -q '^Package: tarrow$' "$out/control/control" || fail "package name"
depends=$(grep '^Depends:' "$out/control/control") || fail "no Depends"
for package in ca-certificates fonts-liberation qt6-translations-l10n; do
    grep -Eq "[ ,]$package(,| |\$)" <<<"$depends" || fail "the package does not depend on $package: $depends"
done
echo "deb_test: $(basename "$deb") ok ($(grep -c . <<<"$listing") entries)"
