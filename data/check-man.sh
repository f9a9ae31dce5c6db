#!/usr/bin/env bash
# Renders each manual page as man would and fails on any warning from the
# formatter (bad macros, unbreakable lines, unknown escapes).
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: check-man.sh PAGE..." >&2; exit 2; }
status=0
for page in "$@"; do
  out=$(mktemp)
  if ! LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=all -E UTF-8 -l "$page" 2>"$out.err" >"$out"; then
    echo "check-man: man failed on $page" >&2
    status=1
  fi
  if [ -s "$out.err" ]; then
    echo "check-man: warnings for $page:" >&2
    cat "$out.err" >&2
    status=1
  fi
  grep -q '^NAME' "$out" || { echo "check-man: $page has no NAME section" >&2; status=1; }
  rm -f "$out" "$out.err"
done
[ $status -eq 0 ] && echo "check-man: ok ($# pages)"
exit $status
