import { test } from "node:test";
import assert from "node:assert/strict";
import { installJpegDecoder, serveJpegDecoding } from "../../../reader/src/shared/jpegDecoding.js";

// A worker and its page joined by a channel; the page's engine decoder is a stub.
function pair({ serve = true, decode = async (blob) => new Uint8Array(await blob.arrayBuffer()).buffer } = {}) {
  const { port1: page, port2: worker } = new MessageChannel();
  const scope = {
    addEventListener: (type, fn) => worker.addEventListener(type, fn),
    postMessage: (message, transfer) => worker.postMessage(message, transfer),
  };
  installJpegDecoder(scope);
  const saved = globalThis.createImageBitmap;
  globalThis.createImageBitmap = decode;
  if (serve) serveJpegDecoding(page);
  page.start();
  worker.start();
  // Ports keep their order: once a message sent after the offer is in, so is the offer.
  const settled = new Promise((resolve) => worker.addEventListener("message", resolve, { once: true }));
  page.postMessage(null);
  const close = () => {
    page.close();
    worker.close();
    globalThis.createImageBitmap = saved;
  };
  return { Decoder: scope.ImageDecoder, settled, close };
}

test("the worker hands JPEGs to the page only once the page has offered, and never hangs", async () => {
  const cases = [
    { name: "served", serve: true, supported: true, result: "bytes" },
    { name: "nobody serves", serve: false, supported: false },
    { name: "engine cannot decode", serve: true, supported: true, decode: async () => { throw new Error("bad"); }, result: "error" },
  ];
  for (const c of cases) {
    const { Decoder, settled, close } = pair(c);
    try {
      await settled;
      assert.equal(await Decoder.isTypeSupported("image/jpeg"), c.supported, c.name);
      assert.equal(await Decoder.isTypeSupported("image/bmp"), false, c.name);
      if (!c.supported) continue;
      // pdf.js passes a view into the whole file's buffer: only a copy may travel.
      const file = new Uint8Array([0, 0xff, 0xd8, 1, 2, 3, 0xff, 0xd9, 0]);
      const view = file.subarray(1, 8);
      const decoding = new Decoder({ data: view, type: "image/jpeg" }).decode();
      if (c.result === "error") {
        await assert.rejects(decoding, /bad/, c.name);
      } else {
        const { image } = await decoding;
        assert.deepEqual([...new Uint8Array(image)], [...view], c.name);
      }
      assert.equal(file.byteLength, 9, `${c.name}: the file's buffer stays`);
    } finally {
      close();
    }
  }
});
