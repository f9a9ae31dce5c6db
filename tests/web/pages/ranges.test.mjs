// The shipped pdf.js worker reading a PDF by ranges, the way the reader does
// behind the host's book scheme: opening a book and showing a page must cost a
// few requests, not one per page of the book.
import { test } from "node:test";
import assert from "node:assert/strict";
import { join } from "node:path";
import { pathToFileURL } from "node:url";
import { DATA_DIR } from "./harness.mjs";
import { rawPdf, readerModule } from "./makePdf.mjs";

const { GlobalWorkerOptions, PDFDataRangeTransport, getDocument } = await import(pathToFileURL(readerModule.resolve("pdfjs-dist/legacy/build/pdf.mjs")).href);
GlobalWorkerOptions.workerSrc = pathToFileURL(join(DATA_DIR, "pdfjs", "pdf.worker.mjs")).href;
const CHUNK = 16 * 1024;

// A flat page tree, each page followed by a stream of padding as an image page
// would be: no page dictionary shares a chunk with another.
function flatPdf(pages) {
  const content = `% ${".".repeat(3 * CHUNK)}\n0 0 420 595 re f\n`;
  const kids = Array.from({ length: pages }, (_, i) => `${3 + 2 * i} 0 R`).join(" ");
  return new TextEncoder().encode(rawPdf(["<< /Type /Catalog /Pages 2 0 R >>", `<< /Type /Pages /Count ${pages} /Kids [${kids}] >>`,
    ...Array.from({ length: pages }, (_, i) => [`<< /Type /Page /Parent 2 0 R /MediaBox [0 0 420 595] /Contents ${4 + 2 * i} 0 R >>`,
      `<< /Length ${content.length} >>\nstream\n${content}\nendstream`]).flat()]));
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

test("opening a long flat book by ranges and reaching a page costs requests for that page, not for the book", async () => {
  const transport = new CountingTransport(flatPdf(600));
  const task = getDocument({ range: transport, rangeChunkSize: CHUNK, disableAutoFetch: true, disableStream: true, isEvalSupported: false });
  try {
    const doc = await task.promise;
    assert.equal(doc.numPages, 600);
    assert.ok(transport.requests <= 4, `${transport.requests} requests to open`);
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
