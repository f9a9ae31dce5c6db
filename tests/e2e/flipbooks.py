"""Flipbooks made for the scenarios: real ones packed by brivane-flip from PDFs
with recognisable page colours, and damaged or too-new variants of them."""
import json
import subprocess
import zipfile
from pathlib import Path

PAGE_W, PAGE_H = 420, 595
RED = (220, 30, 30)
BLUE = (30, 60, 220)


def write_pdf(path: Path, colours, link=None):
    """A PDF whose pages are filled with the given colours. link, if set, is a
    URI annotation over the middle of the first page."""
    objects = [None, None]  # the catalog and the page tree, filled in last

    def add(body):
        objects.append(body)
        return len(objects)

    kids = []
    for n, (r, g, b) in enumerate(colours):
        stream = (f"{r / 255:.3f} {g / 255:.3f} {b / 255:.3f} rg 0 0 {PAGE_W} {PAGE_H} re f\n"
                  f"1 1 1 rg {PAGE_W / 2 - 30} {PAGE_H / 2 - 30} 60 60 re f\n").encode()
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


def pack(flip_tool: Path, out: Path, colours, title, subtitle=None, link=None):
    pdf = write_pdf(out.with_suffix(".pdf"), colours, link)
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


def broken_variants(src: Path, folder: Path):
    """Files the check rejects as invalid, one for each of its two invalid results:
    no readable metadata (not even an archive), and metadata that no longer matches."""
    folder.mkdir(parents=True, exist_ok=True)
    not_zip = folder / "not-a-zip.flip"
    not_zip.write_bytes(b"%PDF-1.4 this is not an archive\n" * 20)
    return {"not a ZIP archive": not_zip, "fingerprint mismatch": rewrite_metadata(
        src, folder / "tampered.flip", lambda m: {**m, "num_pages": m.get("num_pages", 1) + 1})}
