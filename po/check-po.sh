#!/usr/bin/env bash
# Keeps the translations in step with the sources: every file that marks texts
# for translation is listed in POTFILES, and every language's catalogue
# translates exactly the template's texts: none missing, none fuzzy, none left
# over from texts the sources no longer have.
set -euo pipefail
src=${1:?usage: check-po.sh SOURCE_DIR POT}
pot=${2:?usage: check-po.sh SOURCE_DIR POT}
cd "$src"
problems=()

mapfile -t listed < <(grep -v '^#' po/POTFILES | sed '/^$/d')
for file in "${listed[@]}"; do
  [ -f "$file" ] || problems+=("POTFILES lists $file, which does not exist")
done
mapfile -t marking < <(
  grep -rlE --include='*.cpp' --include='*.h' '\b(N_|_|C_)\(' app base document print tools web
  grep -rlE --include='*.js' '\b(t|N_)\(' reader/src
  grep -rlE --include='*.html' 'data-i18n|aria-label=|title=' reader/src
  ls data/*.in)
for file in "${marking[@]}"; do
  printf '%s\n' "${listed[@]}" | grep -qxF "$file" || problems+=("$file marks texts to translate but is not in po/POTFILES")
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
while read -r lang; do
  case $lang in ''|'#'*) continue ;; esac
  merged=$scratch/$lang.po
  msgmerge --quiet --no-fuzzy-matching -o "$merged" "po/$lang.po" "$pot"
  stats=$(LC_ALL=C msgfmt --check --statistics -o /dev/null "$merged" 2>&1)
  [[ $stats =~ (fuzzy|untranslated) ]] && problems+=("po/$lang.po: $stats")
  if [ -n "$(msgattrib --only-obsolete "$merged")" ]; then
    problems+=("po/$lang.po translates texts the sources no longer have (run: cmake --build build -t update-po)")
  fi
done < po/LINGUAS

if [ ${#problems[@]} -gt 0 ]; then
  printf 'check-po: %s\n' "${problems[@]}" >&2
  exit 1
fi
echo "check-po: ok (${#listed[@]} files)"
