#!/usr/bin/env bash
# Unpack benchmark, run by hand: brivane-flip open against bsdtar, 7z and
# unzip on a ~200 MB flipbook. usage: bench/unpack-bench.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
rounds="${2:-5}"

missing=()
command -v bsdtar >/dev/null || missing+=(libarchive-tools)
command -v 7z >/dev/null || missing+=(p7zip-full)
command -v unzip >/dev/null || missing+=(unzip)
[ -x /usr/bin/time ] || missing+=(time)
if [ ${#missing[@]} -gt 0 ]; then
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

work="${BENCH_DIR:-/var/tmp/brivane-bench}"
mkdir -p "$work"
[ -f "$work/bench.flip" ] || python3 "$here/make-bench-flipbook.py" "$work/bench.flip"
python3 "$here/unpack-bench.py" "$build/bin/brivane-flip" "$work/bench.flip" "$rounds"

if [ "${BENCH_BIG_ENTRY:-0}" != 0 ]; then
  # Peak memory while one entry grows to 1 GiB.
  [ -f "$work/big.flip" ] || python3 "$here/make-bench-flipbook.py" "$work/big.flip" --big-entry 1024
  python3 "$here/unpack-bench.py" "$build/bin/brivane-flip" "$work/big.flip" 1
fi
