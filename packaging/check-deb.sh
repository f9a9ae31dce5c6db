#!/usr/bin/env bash
# Builds the Debian package from a finished build, unpacks it and checks what
# a user installing it gets: the files in their places, computed
# dependencies, no maintainer scripts, and no lintian errors.
set -euo pipefail
build=$(cd "${1:?usage: check-deb.sh BUILD_DIR VERSION}" && pwd)
version=${2:?usage: check-deb.sh BUILD_DIR VERSION}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "check-deb: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log" >&2; fail "cpack failed"; }
deb=$out/brivane-reader_${version}_amd64.deb
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$out")"

dpkg-deb -x "$deb" "$out/root"
dpkg-deb -e "$deb" "$out/control"
expected=(
  usr/bin/brivane-reader
  usr/bin/brivane-flip
  usr/share/brivane-reader/data/main.html
  usr/share/brivane-reader/data/flipbook.html
  usr/share/brivane-reader/data/help.html
  usr/share/brivane-reader/locale/de.json
  usr/share/brivane-reader/locale/fr.json
  usr/share/locale/de/LC_MESSAGES/brivane-reader.mo
  usr/share/locale/fr/LC_MESSAGES/brivane-reader.mo
  usr/share/applications/com.brivane.Reader.desktop
  usr/share/metainfo/com.brivane.Reader.metainfo.xml
  usr/share/mime/packages/com.brivane.Reader.xml
  usr/share/thumbnailers/com.brivane.Reader.thumbnailer
  usr/share/icons/hicolor/scalable/apps/com.brivane.Reader.svg
  usr/share/man/man1/brivane-flip.1.gz
  usr/share/man/man1/brivane-reader.1.gz
  usr/share/bash-completion/completions/brivane-flip
  usr/share/doc/brivane-reader/copyright
  usr/share/doc/brivane-reader/changelog.gz
)
for f in "${expected[@]}"; do
  [ -e "$out/root/$f" ] || fail "the package lacks /$f"
done
stray=$(cd "$out/root" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[ -z "$stray" ] || fail "files outside /usr: $stray"

for script in preinst postinst prerm postrm; do
  [ ! -e "$out/control/$script" ] || fail "the package has a $script script; triggers do that work"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libgtk-4-1 libwebkitgtk-6.0-4 libpoppler-glib8 libzip4; do
  [[ $depends == *"$lib "* || $depends == *"$lib," || $depends == *"$lib" ]] || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Architecture)" = amd64 ] || fail "architecture is not amd64"

if ! command -v lintian >/dev/null; then
  echo "check-deb: lintian is not installed" >&2
  exit 77
fi
lintian --no-tag-display-limit "$deb" >"$out/lintian.log" 2>&1 || true
if grep -q '^E: ' "$out/lintian.log"; then
  grep '^E: ' "$out/lintian.log" >&2
  fail "lintian reports errors"
fi
echo "check-deb: ok ($(basename "$deb"); Depends: $depends)"
sed -n 's/^W: /lintian warning: /p' "$out/lintian.log"
