// A generated book that asks to be read right to left, as a book in Arabic,
// Hebrew or Japanese does: its catalogue carries /ViewerPreferences /Direction /R2L.
import { createRequire } from "node:module";
import { makePdf } from "./makePdf.mjs";

const { PDFDocument, PDFName } = createRequire(new URL("../../../reader/package.json", import.meta.url))("pdf-lib");

/** The pages of makePdf(count), read in `direction` as the catalogue names it ("R2L", "L2R"). */
export async function makeRightToLeftPdf(count, direction = "R2L") {
  const doc = await PDFDocument.load(await makePdf(count));
  doc.catalog.set(PDFName.of("ViewerPreferences"), doc.context.obj({ Direction: PDFName.of(direction) }));
  return doc.save();
}

// node makeRightToLeftPdf.mjs <out.pdf> <pages>: the same book for the WebKit check.
if (import.meta.url === `file://${process.argv[1]}`) {
  await (await import("node:fs/promises")).writeFile(process.argv[2], await makeRightToLeftPdf(Number(process.argv[3] ?? 12)));
}
