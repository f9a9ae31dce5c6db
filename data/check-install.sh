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
  share/brivane-reader/data/help.html
  share/applications/com.brivane.Reader.desktop
  share/metainfo/com.brivane.Reader.metainfo.xml
  share/mime/packages/com.brivane.Reader.xml
  share/icons/hicolor/scalable/apps/com.brivane.Reader.svg
  share/icons/hicolor/symbolic/apps/com.brivane.Reader-symbolic.svg
  share/icons/hicolor/scalable/mimetypes/application-x-brivane-flipbook.svg
  share/thumbnailers/com.brivane.Reader.thumbnailer
  share/man/man1/brivane-flip.1.gz
  share/man/man1/brivane-reader.1.gz
  share/bash-completion/completions/brivane-flip
  share/locale/de/LC_MESSAGES/brivane-reader.mo
  share/locale/fr/LC_MESSAGES/brivane-reader.mo
  share/brivane-reader/locale/de.json
  share/brivane-reader/locale/fr.json
)
[ -x "$build/bin/brivane-reader" ] && expected+=(bin/brivane-reader)
for f in "${expected[@]}"; do
  [ -e "$prefix/$f" ] || fail "missing after install: $f"
done
[ -x "$prefix/bin/brivane-flip" ] || fail "installed brivane-flip is not executable"

[ -f "$sample" ] || fail "no sample flipbook at $sample"
cp "$sample" "$elsewhere/copy.flip"
(cd "$elsewhere" && "$prefix/bin/brivane-flip" check copy.flip) || fail "installed brivane-flip check rejected the sample"

# The thumbnailer as a file manager runs it: its Exec line with %s, %i, %o
# filled in, the program found on PATH.
thumbnailer=$prefix/share/thumbnailers/com.brivane.Reader.thumbnailer
grep -qx 'MimeType=application/x-brivane-flipbook;' "$thumbnailer" || fail "thumbnailer is not for flipbooks"
exec_line=$(sed -n 's/^Exec=//p' "$thumbnailer")
exec_line=${exec_line//%s/128}
exec_line=${exec_line//%i/$elsewhere/copy.flip}
exec_line=${exec_line//%o/$elsewhere/cover.png}
(cd "$elsewhere" && PATH="$prefix/bin:$PATH" eval "$exec_line") || fail "the thumbnailer failed: $exec_line"
file "$elsewhere/cover.png" | grep -Eq 'PNG image data, (128 x [0-9]+|[0-9]+ x 128),' ||
  fail "the thumbnail is not a 128 pixel PNG: $(file "$elsewhere/cover.png")"

# The installed MIME package must make *.flip files our type.
if command -v update-mime-database >/dev/null && command -v gio >/dev/null; then
  update-mime-database "$prefix/share/mime"
  type=$(cd "$elsewhere" && XDG_DATA_HOME="$elsewhere/none" XDG_DATA_DIRS="$prefix/share" \
    gio info -a standard::content-type copy.flip | sed -n 's/.*standard::content-type: //p')
  [ "$type" = application/x-brivane-flipbook ] || fail "copy.flip is seen as '$type'"
fi
echo "check-install: ok ($prefix)"
