// JPEG decoding for the pdf.js worker, done by the engine on the page's side.
// pdf.js decodes JPEGs in script unless the engine offers ImageDecoder, which
// WebKit does not: ~0.4 s for a 200 dpi page, and tens of megabytes of buffers
// left behind per page. A worker cannot hand a Blob to createImageBitmap in
// WebKit, so the worker sends the bytes to the page and gets a bitmap back.

const OFFER = "brivane-jpeg-offer";
const REQUEST = "brivane-jpeg-decode";
const REPLY = "brivane-jpeg-decoded";

/** Page side: decodes what `worker` asks for; call right after creating it. */
export function serveJpegDecoding(worker) {
  worker.addEventListener("message", async (event) => {
    const request = event.data?.[REQUEST];
    if (!request) return;
    try {
      const blob = new Blob([request.bytes], { type: "image/jpeg" });
      // pdf.js's own decoder ignores embedded colour profiles; so does this.
      const image = await createImageBitmap(blob, { colorSpaceConversion: "none" });
      worker.postMessage({ [REPLY]: { id: request.id, image } }, [image]);
    } catch (error) {
      worker.postMessage({ [REPLY]: { id: request.id, error: String(error) } });
    }
  });
  worker.postMessage({ [OFFER]: true });
}

/**
 * Worker side: an ImageDecoder with just what pdf.js uses, for JPEGs it has
 * checked are safe to hand over. It answers "unsupported" until the page has
 * offered to decode, so a worker nobody serves keeps pdf.js's own decoder.
 */
export function installJpegDecoder(scope) {
  if (typeof scope.ImageDecoder !== "undefined") return;
  let offered = false;
  let next = 0;
  const waiting = new Map();
  scope.addEventListener("message", (event) => {
    if (event.data?.[OFFER]) offered = true;
    const reply = event.data?.[REPLY];
    const pending = reply && waiting.get(reply.id);
    if (!pending) return;
    waiting.delete(reply.id);
    if (reply.image) pending.resolve({ image: reply.image });
    else pending.reject(new Error(reply.error));
  });
  scope.ImageDecoder = class {
    #bytes;

    static isTypeSupported(type) {
      return Promise.resolve(offered && type === "image/jpeg");
    }

    constructor({ data }) {
      // A copy: `data` may be a view into the whole file's buffer.
      this.#bytes = data.slice();
    }

    decode() {
      const id = ++next;
      const bytes = this.#bytes;
      this.#bytes = null;
      return new Promise((resolve, reject) => {
        waiting.set(id, { resolve, reject });
        scope.postMessage({ [REQUEST]: { id, bytes } }, [bytes.buffer]);
      });
    }

    close() {
      this.#bytes = null;
    }
  };
}
