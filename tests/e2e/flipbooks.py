"""Flipbooks made for the scenarios: real ones packed by brivane-flip from PDFs
with recognisable page colours, and damaged or too-new variants of them."""
import json
import shutil
import subprocess
import zipfile
from pathlib import Path

PAGE_W, PAGE_H = 420, 595
RED = (220, 30, 30)
BLUE = (30, 60, 220)
GREEN = (30, 170, 60)


def write_pdf(path: Path, colours, link=None):
    """A PDF whose pages are filled with the given colours. link, if set, is a
    URI annotation over the middle of the first page."""
    objects = []

    def add(body):
        objects.append(body)
        return len(objects)

    catalog = add(None)
    pages = add(None)
    kids = []
    for n, (r, g, b) in enumerate(colours):
        stream = (f"{r / 255:.3f} {g / 255:.3f} {b / 255:.3f} rg 0 0 {PAGE_W} {PAGE_H} re f\n"
                  f"1 1 1 rg {PAGE_W / 2 - 30} {PAGE_H / 2 - 30} 60 60 re f\n").encode()
        content = add(b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"endstream")
        annots = b""
        if link and n == 0:
            x0, y0 = PAGE_W * 0.2, PAGE_H * 0.2
            annot = add(f"<< /Type /Annot /Subtype /Link /Rect [{x0} {y0} {PAGE_W - x0} {PAGE_H - y0}] "
                        f"/Border [0 0 0] /A << /S /URI /URI ({link}) >> >>".encode())
            annots = b" /Annots [%d 0 R]" % annot
        kids.append(add(b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 %d %d] /Contents %d 0 R%s >>"
                        % (pages, PAGE_W, PAGE_H, content, annots)))
    objects[catalog - 1] = b"<< /Type /Catalog /Pages %d 0 R >>" % pages
    objects[pages - 1] = (b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % k for k in kids)
                          + b"] /Count %d >>" % len(kids))
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for i, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % i + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % o for o in offsets)
    out += b"trailer\n<< /Size %d /Root %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, catalog, xref)
    path.write_bytes(bytes(out))
    return path


def pack(flip_tool: Path, out: Path, colours, title, subtitle=None, link=None):
    pdf = write_pdf(out.with_suffix(".pdf"), colours, link)
    args = [str(flip_tool), "pack", str(pdf), "-o", str(out), "--title", title, "--force"]
    if subtitle:
        args += ["--subtitle", subtitle]
    subprocess.run(args, check=True, capture_output=True, timeout=60)
    return out


def rewrite_metadata(src: Path, dst: Path, change):
    """Copies a flipbook, passing its metadata through change(dict) -> bytes|dict|None
    (None drops the entry)."""
    with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item)
            if item.filename == "metadata.brivane":
                data = change(json.loads(data))
                if data is None:
                    continue
                if isinstance(data, dict):
                    data = json.dumps(data).encode()
            zout.writestr(item, data)
    return dst


def too_new(src, dst):
    return rewrite_metadata(src, dst, lambda m: {**m, "app": 2})


def broken_variants(src: Path, folder: Path):
    """Files the check must reject as invalid, by what is wrong with them."""
    folder.mkdir(parents=True, exist_ok=True)
    not_zip = folder / "not-a-zip.flip"
    not_zip.write_bytes(b"%PDF-1.4 this is not an archive\n" * 20)
    return {
        "no metadata": rewrite_metadata(src, folder / "no-meta.flip", lambda m: None),
        "metadata not JSON": rewrite_metadata(src, folder / "bad-json.flip", lambda m: b"{ not json"),
        "fingerprint mismatch": rewrite_metadata(
            src, folder / "tampered.flip", lambda m: {**m, "num_pages": m.get("num_pages", 1) + 1}),
        "not a ZIP archive": not_zip,
    }


def copy(src: Path, dst: Path):
    shutil.copyfile(src, dst)
    return dst
