#!/usr/bin/env bash
# Shows that the file check costs the same whatever the PDF's size: it reads
# the metadata entry and the central directory, never the PDF's bytes.
# Builds flipbooks with stored PDFs of 1 MiB, 100 MiB and 1 GiB under a
# temporary directory, then times `brivane-flip check` on each and reports
# its peak resident set size. Run by hand:  bench/check-cost.sh [build-dir]
set -euo pipefail
build=${1:-build}
flip=$(realpath "$build/bin/brivane-flip")
inproc=$(realpath "$build/bench/brivane-validate-bench")
runs=${RUNS:-20}
work=$(mktemp -d "${TMPDIR:-/tmp}/brivane-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

make_flipbook() {  # name size-in-bytes
    python3 - "$work/$1.flip" "$2" <<'PY'
import hashlib, json, sys, zipfile
out, size = sys.argv[1], int(sys.argv[2])
width, height, pages = 800, 600, 40
text = f"{width}-{height}-{pages}-{size}"
meta = {"app": 1, "id": hashlib.sha256(text.encode()).hexdigest()[:41],
        "width": width, "height": height, "num_pages": pages,
        "design": {"title": "Benchmark", "subtitle": f"{size} bytes"}}
with zipfile.ZipFile(out, "w", zipfile.ZIP_STORED, allowZip64=True) as z:
    z.writestr("metadata.brivane", json.dumps(meta).replace("/", "\\/"))
    with z.open(zipfile.ZipInfo("flipbook.pdf"), "w", force_zip64=size >= 2**31) as pdf:
        chunk = b"%PDF-1.5\n" + b"0" * (1024 * 1024 - 9)
        left = size
        while left:
            n = min(left, len(chunk))
            pdf.write(chunk[:n])
            left -= n
PY
}

printf '%-6s | %-30s | %-28s | %s\n' PDF "brivane-flip check: median/min/max ms" "in-process: median/min/max us, bytes read" "peak RSS KiB, answer"
for size_spec in 1M:1048576 100M:104857600 1G:1073741824; do
    name=${size_spec%%:*}
    make_flipbook "$name" "${size_spec#*:}"
    file="$work/$name.flip"
    sync "$file"  # let writeback of the new file finish before timing
    # Warm runs only: had the check read the PDF, the page cache would show it
    # in the times anyway as a cost growing with the size.
    "$flip" check "$file" >/dev/null
    times=()
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        answer=$("$flip" check "$file" | tail -n1)
        times+=($(( ($(date +%s%N) - start) / 1000 )))
    done
    sorted=($(printf '%s\n' "${times[@]}" | sort -n))
    rss=$( { /usr/bin/time -v "$flip" check "$file" >/dev/null; } 2>&1 | awk -F': ' '/Maximum resident/ {print $2}')
    read -r med lo hi bytes inanswer < <("$inproc" "$file" 500)
    printf '%-6s | %8.2f %8.2f %8.2f %12s | %8s %8s %8s %7s %3s | %6s %s\n' "$name" \
        "$(echo "${sorted[$((runs / 2))]} / 1000" | bc -l)" "$(echo "${sorted[0]} / 1000" | bc -l)" \
        "$(echo "${sorted[$((runs - 1))]} / 1000" | bc -l)" "" "$med" "$lo" "$hi" "$bytes" "$inanswer" "$rss" "$answer"
    rm -f "$file"
done
