"""Flipbooks made for the scenarios: real ones packed by brivane-flip from PDFs
with recognisable page colours, and damaged or too-new variants of them."""
import json
import struct
import subprocess
import zipfile
import zlib
from pathlib import Path

PAGE_W, PAGE_H = 420, 595
RED = (220, 30, 30)
BLUE = (30, 60, 220)


def write_pdf(path: Path, colours, link=None, band=None):
    """A PDF whose pages are filled with the given colours. link, if set, is a
    URI annotation over the middle of the first page. band, if set, darkens the
    left third of each page to that share of its colour instead of the white square."""
    objects = [None, None]  # the catalog and the page tree, filled in last

    def add(body):
        objects.append(body)
        return len(objects)

    kids = []
    for n, (r, g, b) in enumerate(colours):
        stream = f"{r / 255:.3f} {g / 255:.3f} {b / 255:.3f} rg 0 0 {PAGE_W} {PAGE_H} re f\n"
        if band is None:
            stream += f"1 1 1 rg {PAGE_W / 2 - 30} {PAGE_H / 2 - 30} 60 60 re f\n"
        else:
            dark = " ".join(f"{c * band / 255:.3f}" for c in (r, g, b))
            stream += f"{dark} rg 0 0 {PAGE_W / 3:.1f} {PAGE_H} re f\n"
        stream = stream.encode()
        content = add(b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"endstream")
        annots = b""
        if link and n == 0:
            x0, y0 = PAGE_W * 0.2, PAGE_H * 0.2
            annots = b" /Annots [%d 0 R]" % add(
                f"<< /Type /Annot /Subtype /Link /Rect [{x0} {y0} {PAGE_W - x0} {PAGE_H - y0}] "
                f"/Border [0 0 0] /A << /S /URI /URI ({link}) >> >>".encode())
        kids.append(add(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] /Contents %d 0 R%s >>"
                        % (PAGE_W, PAGE_H, content, annots)))
    objects[0] = b"<< /Type /Catalog /Pages 2 0 R >>"
    objects[1] = b"<< /Type /Pages /Kids [%s] /Count %d >>" % (b" ".join(b"%d 0 R" % k for k in kids), len(kids))
    out, offsets = bytearray(b"%PDF-1.4\n"), []
    for i, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % i + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % o for o in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    path.write_bytes(bytes(out))
    return path


def write_many_pages_pdf(path: Path, count, rgb, fanout=100):
    """A PDF of count pages that all draw one shared content stream, in a page
    tree of fanout kids per node as PDF producers write it, in one pass:
    200,000 pages come to about 25 MB."""
    r, g, b = (c / 255 for c in rgb)
    stream = f"{r:.3f} {g:.3f} {b:.3f} rg 0 0 {PAGE_W} {PAGE_H} re f\n".encode()
    groups = (count + fanout - 1) // fanout
    first_group, first_page = 4, 4 + groups
    out, offsets = bytearray(b"%PDF-1.4\n"), []

    def obj(body):
        offsets.append(len(out))
        out.extend(b"%d 0 obj\n" % len(offsets) + body + b"\nendobj\n")

    def refs(numbers):
        return b" ".join(b"%d 0 R" % n for n in numbers)
    obj(b"<< /Type /Catalog /Pages 2 0 R >>")
    obj(b"<< /Type /Pages /Kids [%s] /Count %d >>" % (refs(range(first_group, first_page)), count))
    obj(b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"endstream")
    for group in range(groups):
        pages = range(group * fanout, min(count, (group + 1) * fanout))
        obj(b"<< /Type /Pages /Parent 2 0 R /Kids [%s] /Count %d >>" % (refs(first_page + p for p in pages), len(pages)))
    for page in range(count):
        obj(b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 %d %d] /Contents 3 0 R >>"
            % (first_group + page // fanout, PAGE_W, PAGE_H))
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(offsets) + 1)
    out += b"".join(b"%010d 00000 n \n" % o for o in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(offsets) + 1, xref)
    path.write_bytes(bytes(out))
    return path


def write_png(path: Path, rgb, size=64):
    """A solid-colour PNG."""
    row = b"\x00" + bytes(rgb) * size
    chunk = lambda kind, data: (struct.pack(">I", len(data)) + kind + data
                                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0))
                     + chunk(b"IDAT", zlib.compress(row * size)) + chunk(b"IEND", b""))
    return path


def pack(flip_tool: Path, out: Path, colours, title, subtitle=None, link=None, band=None):
    pdf = write_pdf(out.with_suffix(".pdf"), colours, link, band)
    args = [str(flip_tool), "pack", str(pdf), "-o", str(out), "--title", title, "--force"]
    subprocess.run(args + (["--subtitle", subtitle] if subtitle else []), check=True, capture_output=True, timeout=60)
    return out


def rewrite_metadata(src: Path, dst: Path, change):
    """Copies a flipbook, passing its metadata through change(dict) -> dict."""
    with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item)
            if item.filename == "metadata.brivane":
                data = json.dumps(change(json.loads(data))).encode()
            zout.writestr(item, data)
    return dst


def rewrite_entries(src: Path, dst: Path, metadata_text=None, entries=None):
    """Copies a flipbook with its metadata replaced by raw text (which need
    not be anything Python's json could write) and entries added or replaced."""
    entries = dict(entries or {})
    with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item)
            if item.filename == "metadata.brivane" and metadata_text is not None:
                data = metadata_text.encode()
            zout.writestr(item, entries.pop(item.filename, data))
        for name, data in entries.items():
            zout.writestr(name, data)
    return dst


def metadata_of(src: Path):
    with zipfile.ZipFile(src) as z:
        return json.loads(z.read("metadata.brivane"))


def broken_variants(src: Path, folder: Path):
    """Files the check rejects as invalid, one for each of its two invalid results:
    no readable metadata (not even an archive), and metadata that no longer matches."""
    folder.mkdir(parents=True, exist_ok=True)
    not_zip = folder / "not-a-zip.flip"
    not_zip.write_bytes(b"%PDF-1.4 this is not an archive\n" * 20)
    return {"not a ZIP archive": not_zip, "fingerprint mismatch": rewrite_metadata(
        src, folder / "tampered.flip", lambda m: {**m, "num_pages": m.get("num_pages", 1) + 1})}
