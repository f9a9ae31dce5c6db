#!/usr/bin/env bash
# Shows that a thumbnail costs the same whatever the book's size: the PDF is
# read from the archive in place, only where its first page needs it.
# Builds flipbooks around one real page padded with an unreferenced stream to
# 1 MiB, 100 MiB and 1 GiB (PDF stored, as the service and `pack` write it),
# then reports for `brivane-flip thumbnail` the median time, the peak resident
# set size and the bytes it read. Run by hand:  bench/thumbnail-cost.sh [build-dir]
set -euo pipefail
build=${1:-build}
flip=$(realpath "$build/bin/brivane-flip")
runs=${RUNS:-10}
work=$(mktemp -d "${TMPDIR:-/tmp}/brivane-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

make_flipbook() {  # name size-in-bytes
    python3 - "$work/$1.flip" "$2" <<'PY'
import hashlib, json, sys, zipfile
out, size = sys.argv[1], int(sys.argv[2])
content = b"0.2 0.4 0.8 rg 50 50 500 700 re f"
head = b"%PDF-1.4\n"
objects = [b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
           b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>",
           b"<< /Length %d >>\nstream\n%s\nendstream" % (len(content), content)]
body, offsets = bytearray(head), []
for i, o in enumerate(objects, 1):
    offsets.append(len(body))
    body += b"%d 0 obj\n%s\nendobj\n" % (i, o)
def tail(pad_offset, xref_at):
    t = b"xref\n0 6\n0000000000 65535 f \n" + b"".join(b"%010d 00000 n \n" % o for o in offsets + [pad_offset])
    return t + b"trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % xref_at
pad_head = b"5 0 obj\n<< /Length %013d >>\nstream\n"
pad_tail = b"\nendstream\nendobj\n"
pad_offset = len(body)
padding = max(0, size - len(body) - len(pad_head % 0) - len(pad_tail) - len(tail(pad_offset, size)))
xref_at = pad_offset + len(pad_head % padding) + padding + len(pad_tail)
total = xref_at + len(tail(pad_offset, xref_at))
width, height, pages = 612, 792, 1
text = f"{width}-{height}-{pages}-{total}"
meta = {"app": 1, "id": hashlib.sha256(text.encode()).hexdigest()[:41],
        "width": width, "height": height, "num_pages": pages, "design": {"title": "Benchmark"}}
with zipfile.ZipFile(out, "w", zipfile.ZIP_STORED, allowZip64=True) as z:
    z.writestr("metadata.brivane", json.dumps(meta).replace("/", "\\/"))
    with z.open(zipfile.ZipInfo("flipbook.pdf"), "w", force_zip64=total >= 2**31) as pdf:
        pdf.write(bytes(body))
        pdf.write(pad_head % padding)
        chunk = b"\0" * (1 << 20)
        left = padding
        while left:
            n = min(left, len(chunk))
            pdf.write(chunk[:n])
            left -= n
        pdf.write(pad_tail + tail(pad_offset, xref_at))
PY
}

printf '%-5s | %-26s | %-13s | %s\n' PDF "thumbnail ms: median/min/max" "peak RSS KiB" "bytes read (read/pread calls)"
for size_spec in 1M:1048576 100M:104857600 1G:1073741824; do
    name=${size_spec%%:*}
    make_flipbook "$name" "${size_spec#*:}"
    file="$work/$name.flip"
    sync "$file"
    "$flip" thumbnail "$file" "$work/cover.png" >/dev/null
    times=()
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        "$flip" thumbnail "$file" "$work/cover.png" >/dev/null
        times+=($(( ($(date +%s%N) - start) / 1000 )))
    done
    sorted=($(printf '%s\n' "${times[@]}" | sort -n))
    rss=$( { /usr/bin/time -v "$flip" thumbnail "$file" "$work/cover.png" >/dev/null; } 2>&1 | awk -F': ' '/Maximum resident/ {print $2}')
    read_bytes=$(strace -f -e trace=read,pread64 -e signal=none "$flip" thumbnail "$file" "$work/cover.png" 2>&1 >/dev/null |
        awk -v f="$file" '/= [0-9]+$/ {n += $NF; c++} END {printf "%d (%d)", n, c}')
    printf '%-5s | %8.1f %8.1f %8.1f | %13s | %s\n' "$name" \
        "$(echo "${sorted[$((runs / 2))]} / 1000" | bc -l)" "$(echo "${sorted[0]} / 1000" | bc -l)" \
        "$(echo "${sorted[$((runs - 1))]} / 1000" | bc -l)" "$rss" "$read_bytes"
    rm -f "$file"
done
