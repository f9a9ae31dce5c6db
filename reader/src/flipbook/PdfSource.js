// The document behind the book: loading with pdf.js and rendering single pages
// to PNG object URLs (images survive being moved and cloned; canvases do not).
import {
  GlobalWorkerOptions, PDFDataRangeTransport, PDFWorker, getDocument,
} from "pdfjs-dist/legacy/build/pdf.mjs";
import { bookUrl } from "./config.js";
import { fitsShape } from "./layout.js";
import { directionFromPreferences, LTR } from "./direction.js";
import { usefulLabels } from "./pageLabels.js";
import { serveJpegDecoding } from "../shared/jpegDecoding.js";
import { post } from "../shared/bridge.js";

const FILE_ASSETS = new URL("pdfjs/", document.baseURI).href;
// Where the host serves the workspace, file URLs are closed to the page: its
// own pdf.js assets come through the host's scheme too.
const ASSETS = bookUrl(FILE_ASSETS) ?? FILE_ASSETS;
GlobalWorkerOptions.workerSrc = `${FILE_ASSETS}pdf.worker.mjs`;

// A worker may only start from the page's own origin; the scheme's copy
// starts from a blob of it.
async function startWorker() {
  if (ASSETS === FILE_ASSETS) return new PDFWorker();
  const response = await fetch(`${ASSETS}pdf.worker.mjs`);
  if (!response.ok) throw new Error(`worker: ${response.status}`);
  const source = new Blob([await response.arrayBuffer()], { type: "text/javascript" });
  const url = URL.createObjectURL(source);
  try {
    const port = new Worker(url, { type: "module" });
    serveJpegDecoding(port);
    return new PDFWorker({ port });
  } finally {
    setTimeout(() => URL.revokeObjectURL(url), 60000);
  }
}

// Starting the worker takes longer than opening a book, so it starts with the
// page, before the host sends the configuration, and serves every book after.
let worker = startWorker();

async function sharedWorker() {
  if ((await worker).destroyed) worker = startWorker();
  return worker;
}

// Bytes per range request. pdf.js asks for whole chunks; see bench/first-page.
export const RANGE_CHUNK = 16 * 1024;
// The first read: a PDF up to this size comes in one request and is read whole.
const FIRST_READ = 64 * 1024;
// Read with the first: where a PDF not made for reading by ranges keeps its
// cross-reference table, which pdf.js would otherwise read one chunk, and one
// round trip, at a time (four for the 1024-page book).
const TAIL_READ = 256 * 1024;

/** Fetches bytes [begin, end) of url; the answer must be exactly that part. */
async function fetchRange(url, begin, end) {
  const response = await fetch(url, { headers: { Range: `bytes=${begin}-${end - 1}` } });
  if (response.status !== 206 && response.status !== 200) {
    throw Object.assign(new Error(`range ${begin}-${end}: ${response.status}`), { missing: response.status === 404 });
  }
  const total = Number(/\/(\d+)$/.exec(response.headers.get("Content-Range") ?? "")?.[1] ?? response.headers.get("Content-Length"));
  const bytes = new Uint8Array(await response.arrayBuffer());
  if (response.status === 200 && begin > 0) throw new Error("ranges not served");
  return { bytes: response.status === 200 ? bytes.subarray(0, end - begin) : bytes, total };
}

/** The last `length` bytes of url and where they begin, or null. */
async function fetchTail(url, length) {
  const response = await fetch(url, { headers: { Range: `bytes=-${length}` } });
  const range = /^bytes (\d+)-(\d+)\/(\d+)$/.exec(response.headers.get("Content-Range") ?? "");
  if (response.status !== 206 || !range) {
    // Never the whole file in place of its end.
    await response.body?.cancel();
    return null;
  }
  const bytes = new Uint8Array(await response.arrayBuffer());
  return bytes.length === Number(range[2]) - Number(range[1]) + 1 ? { begin: Number(range[1]), bytes } : null;
}

// Range requests in flight at once. More only queue up in the host.
const PARALLEL_RANGES = 4;
// pdf.js reads a long cross-reference table one chunk, and one round trip, at
// a time; a request that follows on from the last one reads twice as far
// ahead, up to this (12 MB of table: 750 round trips otherwise).
const MAX_READ_AHEAD = 1024 * 1024;

/**
 * Hands pdf.js the ranges it asks for, from the host's book scheme, so page 1
 * of a large PDF costs what the pages it needs weigh, not the whole file.
 * The newest request goes first: it is what a page on screen waits for, while
 * an older burst (pdf.js reading every page's dictionary) can wait.
 */
class RangeTransport extends PDFDataRangeTransport {
  #url;
  #failed;
  #read;
  #tail;
  #waiting = [];
  #running = 0;
  #closed = false;
  #lastEnd = -1;
  #ahead = RANGE_CHUNK;

  constructor(url, total, initial, tail, failed, read) {
    super(total, initial);
    this.#url = url;
    this.#tail = tail;
    this.#failed = failed;
    this.#read = read;
  }

  requestDataRange(begin, end) {
    const tail = this.#tail;
    if (tail && begin >= tail.begin && end <= tail.begin + tail.bytes.length) {
      const bytes = tail.bytes.slice(begin - tail.begin, end - tail.begin);
      Promise.resolve().then(() => this.#closed || this.onDataRange(begin, bytes));
      return;
    }
    this.#ahead = begin === this.#lastEnd ? Math.min(this.#ahead * 2, MAX_READ_AHEAD) : RANGE_CHUNK;
    const stop = Math.min(this.length, Math.max(end, begin + this.#ahead));
    this.#lastEnd = stop;
    this.#waiting.push([begin, stop]);
    this.#next();
  }

  /** pdf.js keeps what it was given; the end of the file is not needed twice. */
  forgetTail() {
    this.#tail = null;
  }

  abort() {
    this.#closed = true;
    this.#waiting = [];
  }

  #next() {
    while (!this.#closed && this.#running < PARALLEL_RANGES && this.#waiting.length > 0) {
      const [begin, end] = this.#waiting.pop();
      this.#running += 1;
      fetchRange(this.#url, begin, end)
        .then(
          ({ bytes }) => {
            if (this.#closed) return;
            this.#read(bytes.length);
            this.onDataRange(begin, bytes);
          },
          (error) => this.#failed(error),
        )
        .finally(() => {
          this.#running -= 1;
          this.#next();
        });
    }
  }
}

const COMMON = {
  cMapUrl: `${ASSETS}cmaps/`,
  cMapPacked: true,
  standardFontDataUrl: `${ASSETS}standard_fonts/`,
  // JPEG 2000, JBIG2 and fax images and ICC colour need these; the worker
  // reads them itself (pdf.js only trusts http for that, so it is told). No
  // iccUrl: through pdf.js's CMYK profile DeviceCMYK drew duller than poppler
  // draws it (bench/fidelity, function_based_shading_cmyk.pdf).
  wasmUrl: `${ASSETS}wasm/`,
  useWasm: true,
  useWorkerFetch: true,
  isEvalSupported: false,
  enableXfa: false,
  stopAtErrors: false,
};

/** Ids of the images pdf.js could not decode, in an object store of a page or the document. */
function failedImages(objects) {
  const ids = [];
  for (const [id, data] of objects) if (data === null) ids.push(id);
  return ids;
}

export class PdfSource {
  #task;
  #opening;
  #doc = null;
  #canvas = document.createElement("canvas");
  #queue = Promise.resolve();
  #destroyed = false;
  #bytesRead = 0;
  // Widths and heights by page, NaN while unknown: searching a long book looks every page up.
  #shapes = null;
  #reported = new Set();
  /** Called with the bytes read so far, while the document loads by ranges. */
  onRead = null;
  /** Called with a page's number when its shape becomes known. */
  onShape = null;

  /** url: a file URL, or the host's book scheme address, which is read by ranges. */
  constructor(url) {
    this.#opening = /^[a-z][a-z0-9+.-]*:/i.test(url) && !/^(file|blob|data|https?):/i.test(url)
      ? this.#openRanged(url)
      : sharedWorker().then((w) => getDocument({ ...COMMON, url, worker: w }));
  }

  async #openRanged(url) {
    const [{ bytes, total }, tail, w] = await Promise.all([
      fetchRange(url, 0, FIRST_READ),
      fetchTail(url, TAIL_READ).catch(() => null),
      sharedWorker(),
    ]);
    const read = (n) => {
      this.#bytesRead += n;
      this.onRead?.(this.#bytesRead);
    };
    read(bytes.length + (tail?.bytes.length ?? 0));
    if (!Number.isInteger(total) || total <= bytes.length) {
      return getDocument({ ...COMMON, data: bytes, worker: w });
    }
    let failed = null;
    const transport = new RangeTransport(url, total, bytes, tail, (error) => {
      failed = error;
      task.destroy();
    }, read);
    const task = getDocument({
      ...COMMON,
      range: transport,
      rangeChunkSize: RANGE_CHUNK,
      // Only what the pages on screen need: no reading ahead of the whole file.
      disableAutoFetch: true,
      disableStream: true,
      worker: w,
    });
    task.promise.then(() => transport.forgetTail(), () => {});
    task.promise.catch(() => {}).then(() => failed && console.warn(`PDF range read failed: ${failed}`));
    return task;
  }

  async open() {
    this.#task = await this.#opening;
    if (this.#destroyed) throw new Error("closed");
    this.#doc = await this.#task.promise;
    return this.#doc;
  }

  get pageCount() {
    return this.#doc?.numPages ?? 0;
  }

  /** Page `number`'s { width, height } in points, rotation and user unit applied, or null while unknown. */
  shapeOf(number) {
    const width = this.#shapes?.[2 * (number - 1)];
    return width > 0 ? { width, height: this.#shapes[2 * number - 1] } : null;
  }

  /** Learns page `number`'s shape (its dictionary only, not its content). */
  async shape(number) {
    await this.#page(number);
    return this.shapeOf(number);
  }

  /** Learns the shapes of `numbers` in the background. */
  lookUp(numbers) {
    for (const n of numbers) if (!this.shapeOf(n)) this.#page(n).catch(() => {});
  }

  // Every page lookup teaches the page's shape, so the book lays it out right.
  async #page(number) {
    const page = await this.#doc.getPage(number);
    if (!this.shapeOf(number)) {
      const { width, height } = page.getViewport({ scale: 1 });
      this.#shapes ??= new Float64Array(2 * this.#doc.numPages);
      this.#shapes.set([width, height], 2 * (number - 1));
      if (!this.#destroyed) this.onShape?.(number);
    }
    return page;
  }

  /**
   * Renders page `number` to exactly `size` ({ width, height }) device pixels.
   * Renders run one at a time on one canvas so memory does not grow with the
   * queue. A page that could not be drawn rejects with an error whose
   * `notDrawn` is set; one drawn without some of its images resolves with
   * `incomplete` saying why.
   */
  render(number, size, wanted = () => true, type = "image/png") {
    const job = this.#queue.then(() => {
      if (!wanted()) throw new Error("skipped");
      return this.#renderNow(number, size, type);
    });
    this.#queue = job.catch(() => {});
    return job;
  }

  async #renderNow(number, size, type) {
    if (this.#destroyed) throw new Error("closed");
    const page = await this.#page(number);
    const base = page.getViewport({ scale: 1 });
    const width = Math.max(1, Math.round(size.width));
    const height = Math.max(1, Math.round(size.height));
    // Sized from a stand-in shape before the page's own was known: the book
    // asks again at the right size, and a squeezed page must never show.
    if (!fitsShape(width, height, base.width / base.height)) throw new Error("reshaped");
    const viewport = page.getViewport({ scale: width / base.width });
    const canvas = this.#canvas;
    canvas.width = width;
    canvas.height = height;
    const context = canvas.getContext("2d", { alpha: false });
    context.fillStyle = "#fff";
    context.fillRect(0, 0, width, height);
    // Whole pixels both ways: the height may differ from the page's by a fraction.
    const transform = [1, 0, 0, height / viewport.height, 0, 0];
    const incomplete = await this.#draw(number, page, { canvasContext: context, canvas, viewport, transform, annotationMode: 1 });
    const blob = await new Promise((resolve, reject) =>
      canvas.toBlob((b) => (b ? resolve(b) : reject(new Error("encode"))), type, 0.85));
    canvas.width = 1;
    canvas.height = 1;
    page.cleanup();
    return { url: URL.createObjectURL(blob), width, height, incomplete };
  }

  // pdf.js draws what it can: an image it cannot decode is left out, its data
  // resolved to null, and the page looks finished. Such a page is reported
  // (once, whoever asked for it): a drawing that failed rejects, one that
  // lost images resolves with why, so the rest of the page still shows.
  async #draw(number, page, params) {
    const before = new Set(failedImages(page.commonObjs));
    try {
      await page.render(params).promise;
    } catch (error) {
      if (this.#destroyed || error?.name === "RenderingCancelledException") throw error;
      const reason = String(error?.message ?? error);
      params.canvas.width = 1;
      params.canvas.height = 1;
      page.cleanup();
      this.#report(number, reason);
      throw Object.assign(new Error(reason), { notDrawn: true });
    }
    const lost = [...failedImages(page.objs), ...failedImages(page.commonObjs).filter((id) => !before.has(id))];
    if (lost.length === 0) return null;
    const reason = `${lost.length} image${lost.length > 1 ? "s" : ""} could not be decoded`;
    this.#report(number, reason);
    return reason;
  }

  #report(number, reason) {
    if (this.#reported.has(number)) return;
    this.#reported.add(number);
    // The host writes every message it gets to its log, and acts on none
    // that is not an action: the diagnostic reaches the program's output.
    const line = `Page ${number} could not be drawn: ${reason}`;
    if (!post(line)) console.warn(line);
  }

  /** The page's text items (extracted by the worker) and its unscaled viewport. */
  async textContent(number) {
    const page = await this.#page(number);
    // Read by hand: WebKitGTK's streams cannot be iterated with for await.
    // Ligatures and presentation forms stay as drawn: folded before the
    // glyph runs are put in reading order, a right-to-left ligature comes
    // out with its letters swapped. Searching folds them itself.
    const reader = page.streamTextContent({ disableNormalization: true }).getReader();
    const content = { items: [], styles: Object.create(null), lang: null };
    for (let part = await reader.read(); !part.done; part = await reader.read()) {
      content.lang ??= part.value.lang;
      Object.assign(content.styles, part.value.styles);
      for (const item of part.value.items) content.items.push(item);
    }
    return { content, viewport: page.getViewport({ scale: 1 }) };
  }

  /** The page's annotations and its unscaled viewport, which places them on a turned page. */
  async links(number) {
    const page = await this.#page(number);
    const annotations = await page.getAnnotations({ intent: "display" });
    return { annotations, viewport: page.getViewport({ scale: 1 }) };
  }

  /** 1-based page of a named or explicit destination, or null. */
  async resolveDest(dest) {
    const explicit = typeof dest === "string" ? await this.#doc.getDestination(dest) : dest;
    if (!Array.isArray(explicit) || explicit.length === 0) return null;
    const ref = explicit[0];
    if (Number.isInteger(ref)) return ref + 1;
    if (ref && typeof ref === "object") return (await this.#doc.getPageIndex(ref)) + 1;
    return null;
  }

  /** The printed page labels, one per page, or null when the PDF gives none worth showing. */
  async labels() {
    return usefulLabels(await this.#doc.getPageLabels(), this.pageCount);
  }

  async outline() {
    return (await this.#doc.getOutline()) ?? [];
  }

  /** "rtl" when the book asks to be read right to left, else "ltr"; a catalogue that cannot be read asks nothing. */
  async direction() {
    try {
      return directionFromPreferences(await this.#doc?.getViewerPreferences());
    } catch {
      return LTR;
    }
  }

  async destroy() {
    this.#destroyed = true;
    const task = this.#task ?? (await this.#opening.catch(() => null));
    await task?.destroy();
  }
}
