// A book as printed books are numbered: roman front matter, a body counted from
// 1 and an appendix "A-1", "A-2" (/PageLabels). Some of its text is spelt the
// way older producers spell it: Latin ligatures and Arabic presentation forms,
// laid out left to right as drawn, each glyph mapped to that form.
import { readFileSync } from "node:fs";
import { readerModule } from "./makePdf.mjs";

const { PDFDocument, PDFName, PDFString, StandardFonts, rgb } = readerModule("pdf-lib");
const FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

export const LABELS = ["i", "ii", "iii", "iv", ...Array.from({ length: 24 }, (_, i) => String(i + 1)), "A-1", "A-2"];
// Page (1-based) -> lines of text in forms, logical order; drawn reversed where Arabic.
const KHUTUT = "\u0627\ufedf\ufea8\ufec4\ufeee\u0637";
const ARABIYYA = "\u0627\ufedf\ufecc\ufeae\ufe91\ufef4\ufe94";
const SALAM = "\ufeb3\ufefc\ufee1";
export const FORMS_TEXT = {
  3: ["the o\ufb03ce \ufb01les"],
  21: [`${KHUTUT} ${ARABIYYA}`, "a \ufb01ne o\ufb03ce", SALAM],
  26: [`${KHUTUT} ${SALAM}`],
};
// Matches in the whole book of a query for Arabic forms, one with a lam-alef ligature, and one with a Latin ligature.
export const FORMS_COUNTS = { "العربية": 1, "سلام": 2, office: 2 };

/** Glyph ids and advance widths (per 1000 units) of a TrueType font's characters. */
function glyphs(font) {
  const entries = (count, at, size) => Array.from({ length: count }, (_, i) => at + size * i);
  const tables = Object.fromEntries(entries(font.readUInt16BE(4), 12, 16).map((o) => [font.toString("latin1", o, o + 4), font.readUInt32BE(o + 8)]));
  const { cmap, head, hhea, hmtx } = tables;
  // The Windows full-repertoire subtable (3, 10), format 12: groups of [first code, last code, first glyph].
  const record = entries(font.readUInt16BE(cmap + 2), cmap + 4, 8).find((o) => font.readUInt16BE(o) === 3 && font.readUInt16BE(o + 2) === 10);
  const sub = cmap + font.readUInt32BE(record + 4);
  const groups = entries(font.readUInt32BE(sub + 12), sub + 16, 12).map((o) => [0, 4, 8].map((k) => font.readUInt32BE(o + k)));
  const unitsPerEm = font.readUInt16BE(head + 18);
  const metrics = font.readUInt16BE(hhea + 34);
  const idOf = (c) => {
    const group = groups.find(([first, last]) => c >= first && c <= last);
    return group ? group[2] + c - group[0] : 0;
  };
  const widthOf = (id) => Math.round((font.readUInt16BE(hmtx + 4 * Math.min(id, metrics - 1)) * 1000) / unitsPerEm);
  return { idOf, widthOf };
}

const ARABIC = /[\u0600-\u06ff\ufb50-\ufdff\ufe70-\ufeff]/u;

/** The PDF bytes: `LABELS.length` pages, printed labels large at the top. */
export async function makeLabelledPdf() {
  const doc = await PDFDocument.create();
  const helvetica = await doc.embedFont(StandardFonts.Helvetica);
  const fontBytes = readFileSync(FONT_FILE);
  const { idOf, widthOf } = glyphs(fontBytes);
  const used = new Map();
  const encode = (line) => {
    // Right-to-left words are drawn as they look: last letter first.
    const drawn = line.split(" ").map((word) => (ARABIC.test(word) ? [...word].reverse().join("") : word));
    if (ARABIC.test(line)) drawn.reverse();
    let hex = "";
    for (const ch of drawn.join(" ")) {
      const id = idOf(ch.codePointAt(0));
      if (id === 0) throw new Error(`no glyph for U+${ch.codePointAt(0).toString(16)}`);
      used.set(id, ch);
      hex += id.toString(16).padStart(4, "0");
    }
    return hex;
  };
  const pages = LABELS.map((label, i) => {
    const page = doc.addPage([420, 595]);
    page.drawText(label, { x: 40, y: 520, size: 48, font: helvetica, color: rgb(0.15, 0.2, 0.3) });
    page.drawText(`Sheet ${i + 1} of the numbered book`, { x: 40, y: 480, size: 14, font: helvetica });
    return page;
  });
  const lines = Object.entries(FORMS_TEXT).map(([n, texts]) => [Number(n), texts.map(encode)]);

  const hex4 = (n) => n.toString(16).padStart(4, "0");
  const units = (ch) => [...ch].map((c) => hex4(c.codePointAt(0))).join("");
  const toUnicode = [
    "/CIDInit /ProcSet findresource begin 12 dict begin begincmap",
    "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def /CMapName /Forms def /CMapType 2 def",
    "1 begincodespacerange <0000> <FFFF> endcodespacerange",
    `${used.size} beginbfchar`,
    ...[...used].map(([id, ch]) => `<${hex4(id)}> <${units(ch)}>`),
    "endbfchar endcmap CMapName currentdict /CMap defineresource pop end end",
  ].join("\n");
  const file = doc.context.register(doc.context.flateStream(fontBytes, { Length1: fontBytes.length }));
  const descriptor = doc.context.register(doc.context.obj({
    Type: "FontDescriptor", FontName: "DejaVuSans", Flags: 32, FontBBox: [-1021, -463, 1793, 1232], ItalicAngle: 0,
    Ascent: 928, Descent: -236, CapHeight: 729, StemV: 80, FontFile2: file,
  }));
  const widths = [...used.keys()].sort((a, b) => a - b).flatMap((id) => [id, [widthOf(id)]]);
  const cid = doc.context.register(doc.context.obj({
    Type: "Font", Subtype: "CIDFontType2", BaseFont: "DejaVuSans", FontDescriptor: descriptor, CIDToGIDMap: "Identity",
    CIDSystemInfo: { Registry: PDFString.of("Adobe"), Ordering: PDFString.of("Identity"), Supplement: 0 }, W: widths,
  }));
  const font = doc.context.register(doc.context.obj({
    Type: "Font", Subtype: "Type0", BaseFont: "DejaVuSans", Encoding: "Identity-H", DescendantFonts: [cid],
    ToUnicode: doc.context.register(doc.context.flateStream(toUnicode)),
  }));
  for (const [n, hexes] of lines) {
    const page = pages[n - 1];
    const name = page.node.newFontDictionary("Forms", font);
    const ops = hexes.map((hex, k) => `BT /${name.asString().slice(1)} 20 Tf 40 ${400 - 36 * k} Td <${hex}> Tj ET`).join("\n");
    const stream = doc.context.register(doc.context.flateStream(ops));
    page.node.addContentStream(stream);
  }

  const nums = [0, { S: "r" }, 4, { S: "D" }, 28, { S: "D", P: PDFString.of("A-") }];
  doc.catalog.set(PDFName.of("PageLabels"), doc.context.obj({ Nums: nums.map((v) => (typeof v === "number" ? v : doc.context.obj(v))) }));
  return doc.save({ useObjectStreams: false });
}

// node makeLabelledPdf.mjs <out.pdf>: the same book for the desktop test.
if (import.meta.url === `file://${process.argv[1]}`) {
  await (await import("node:fs/promises")).writeFile(process.argv[2], await makeLabelledPdf());
}
