// node makeRightToLeftPdf.mjs <out.pdf> <pages>: a generated book that asks to be read right to left, for the WebKit check.
import { writeFile } from "node:fs/promises";
import { makePdf } from "./makePdf.mjs";

await writeFile(process.argv[2], await makePdf(Number(process.argv[3] ?? 12), "R2L"));
