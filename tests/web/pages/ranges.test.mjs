// The shipped pdf.js worker reading a PDF by ranges, the way the reader does
// behind the host's book scheme: opening a book and showing a page must cost a
// few requests, not one per page of the book.
import { test } from "node:test";
import assert from "node:assert/strict";
import { createRequire } from "node:module";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

const DATA_DIR = process.env.BRIVANE_DATA_DIR ?? new URL("../../../build/share/brivane-reader/data", import.meta.url).pathname;
const pdfjs = createRequire(new URL("../../../reader/package.json", import.meta.url)).resolve("pdfjs-dist/legacy/build/pdf.mjs");
const { GlobalWorkerOptions, PDFDataRangeTransport, getDocument } = await import(pathToFileURL(pdfjs).href);
GlobalWorkerOptions.workerSrc = pathToFileURL(join(DATA_DIR, "pdfjs", "pdf.worker.mjs")).href;

const CHUNK = 16 * 1024;

// A flat page tree, each page followed by a stream of padding as an image page
// would be, with the cross-reference table at the end: no page dictionary
// shares a chunk with another.
function flatPdf(pages, padding = 3 * CHUNK) {
  const parts = [];
  const offsets = [];
  let length = 0;
  const write = (text) => {
    parts.push(text);
    length += text.length;
  };
  const obj = (n, body) => {
    offsets[n] = length;
    write(`${n} 0 obj\n${body}\nendobj\n`);
  };
  write("%PDF-1.7\n");
  const kids = Array.from({ length: pages }, (_, i) => `${3 + 2 * i} 0 R`).join(" ");
  obj(1, "<< /Type /Catalog /Pages 2 0 R >>");
  obj(2, `<< /Type /Pages /Count ${pages} /Kids [${kids}] >>`);
  for (let i = 0; i < pages; i++) {
    obj(3 + 2 * i, `<< /Type /Page /Parent 2 0 R /MediaBox [0 0 420 595] /Contents ${4 + 2 * i} 0 R >>`);
    const content = `% ${".".repeat(padding)}\n0 0 420 595 re f\n`;
    obj(4 + 2 * i, `<< /Length ${content.length} >>\nstream\n${content}\nendstream`);
  }
  const xref = length;
  write(`xref\n0 ${offsets.length}\n0000000000 65535 f \n`);
  for (let n = 1; n < offsets.length; n++) write(`${String(offsets[n]).padStart(10, "0")} 00000 n \n`);
  write(`trailer\n<< /Size ${offsets.length} /Root 1 0 R >>\nstartxref\n${xref}\n%%EOF\n`);
  return new TextEncoder().encode(parts.join(""));
}

class CountingTransport extends PDFDataRangeTransport {
  requests = 0;
  constructor(bytes) {
    super(bytes.length, bytes.slice(0, CHUNK));
    this.bytes = bytes;
  }
  requestDataRange(begin, end) {
    this.requests += 1;
    setTimeout(() => this.onDataRange(begin, this.bytes.slice(begin, end)), 0);
  }
}

async function open(bytes) {
  const transport = new CountingTransport(bytes);
  const task = getDocument({ range: transport, rangeChunkSize: CHUNK, disableAutoFetch: true, disableStream: true, isEvalSupported: false });
  return { doc: await task.promise, transport, task };
}

test("opening a long flat book by ranges and reaching a page costs requests for that page, not for the book", async () => {
  const { doc, transport, task } = await open(flatPdf(600));
  try {
    assert.equal(doc.numPages, 600);
    const opening = transport.requests;
    assert.ok(opening <= 4, `${opening} requests to open`);
    for (const number of [1, 2, 3]) {
      const before = transport.requests;
      await (await doc.getPage(number)).getOperatorList();
      assert.ok(transport.requests - before <= 3, `page ${number}: ${transport.requests - before} requests`);
    }
    // Far pages still resolve: the lookup reads the page tree up to them.
    assert.equal((await doc.getPage(600)).pageNumber, 600);
  } finally {
    await task.destroy();
  }
});
