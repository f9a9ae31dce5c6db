#!/usr/bin/env bash
# Completes brivane-flip command lines the way bash would and compares the
# candidates: subcommands, options, and which files each argument offers.
set -uo pipefail
completion=${1:?usage: check-completion.sh COMPLETION_FILE}
framework=/usr/share/bash-completion/bash_completion
[ -r "$framework" ] || { echo "check-completion: bash-completion is not installed"; exit 77; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
mkdir assets
touch book.flip other.flip doc.pdf cover.png notes.txt

# shellcheck disable=SC1090
source "$framework"
source "$completion"

failures=0
expect() {
  local line=$1 want=$2
  read -r -a COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMPREPLY=()
  _brivane_flip brivane-flip "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ' | sed 's/ $//')
  if [ "$got" != "$want" ]; then
    echo "check-completion: '$line' offers '$got', want '$want'" >&2
    failures=$((failures + 1))
  fi
}

expect "brivane-flip " "check open pack thumbnail title"
expect "brivane-flip th" "thumbnail"
expect "brivane-flip check " "assets book.flip other.flip"
expect "brivane-flip title b" "book.flip"
expect "brivane-flip pack " "assets doc.pdf"
expect "brivane-flip pack doc.pdf --" "--assets --force --output --subtitle --title"
expect "brivane-flip pack doc.pdf -o " "assets book.flip other.flip"
expect "brivane-flip pack doc.pdf --assets " "assets"
expect "brivane-flip thumbnail -" "--size --timeout -s -t"
expect "brivane-flip thumbnail -s " "1024 128 256 512"
expect "brivane-flip thumbnail -s 128 " "assets book.flip other.flip"
expect "brivane-flip thumbnail book.flip " "assets cover.png"
expect "brivane-flip thumbnail -t 5 book.flip c" "cover.png"

[ $failures -eq 0 ] && echo "check-completion: ok"
exit $((failures > 0))
