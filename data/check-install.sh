#!/usr/bin/env bash
# Installs the build into a throw-away prefix and uses it from elsewhere: the
# layout must let the installed programs find their data without the build tree.
set -euo pipefail
build=$(cd "${1:?usage: check-install.sh BUILD_DIR}" && pwd)
sample=$build/samples/sample.flip
prefix=$(mktemp -d)
elsewhere=$(mktemp -d)
trap 'rm -rf "$prefix" "$elsewhere"' EXIT

fail() { echo "check-install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
  bin/brivane-flip
  share/brivane-reader/data/main.html
  share/brivane-reader/data/flipbook.html
  share/applications/com.brivane.Reader.desktop
  share/metainfo/com.brivane.Reader.metainfo.xml
  share/mime/packages/com.brivane.Reader.xml
  share/icons/hicolor/scalable/apps/com.brivane.Reader.svg
  share/icons/hicolor/symbolic/apps/com.brivane.Reader-symbolic.svg
  share/icons/hicolor/scalable/mimetypes/application-x-brivane-flipbook.svg
)
[ -x "$build/bin/brivane-reader" ] && expected+=(bin/brivane-reader)
for f in "${expected[@]}"; do
  [ -e "$prefix/$f" ] || fail "missing after install: $f"
done
[ -x "$prefix/bin/brivane-flip" ] || fail "installed brivane-flip is not executable"

[ -f "$sample" ] || fail "no sample flipbook at $sample"
cp "$sample" "$elsewhere/copy.flip"
(cd "$elsewhere" && "$prefix/bin/brivane-flip" check copy.flip) || fail "installed brivane-flip check rejected the sample"

# The installed MIME package must make *.flip files our type.
if command -v update-mime-database >/dev/null && command -v gio >/dev/null; then
  update-mime-database "$prefix/share/mime"
  type=$(cd "$elsewhere" && XDG_DATA_HOME="$elsewhere/none" XDG_DATA_DIRS="$prefix/share" \
    gio info -a standard::content-type copy.flip | sed -n 's/.*standard::content-type: //p')
  [ "$type" = application/x-brivane-flipbook ] || fail "copy.flip is seen as '$type'"
fi
echo "check-install: ok ($prefix)"
