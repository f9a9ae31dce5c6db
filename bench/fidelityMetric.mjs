// How far a page the reader drew is from poppler's drawing of the same page.
// Both images are box-averaged down first, so antialiasing and where a glyph's
// edge falls stop mattering; what remains are missing images, wrong colours,
// a wrong shape and blank pages.

export const TOLERANCE = Object.freeze({
  // Box size in pixels: at 4 a 10 pt line of text is ~3 cells high.
  reduce: 4,
  // A cell counts as different past this on its worst channel (0-255).
  channel: 48,
  // A page is drawn as poppler draws it while at most this share of cells differ.
  share: 0.03,
  // Cells this far from white are ink; a page with less ink than `blankInk` is blank.
  ink: 24,
  blankInk: 0.001,
  // Width / height may differ by this much (rounding to whole pixels).
  aspect: 0.02,
});

/** RGBA bytes averaged over `factor`-pixel boxes, as RGB floats; partial boxes at the edges count. */
export function reduce({ data, width, height }, factor) {
  const w = Math.ceil(width / factor);
  const h = Math.ceil(height / factor);
  const sum = new Float64Array(w * h * 3);
  const count = new Uint32Array(w * h);
  for (let y = 0; y < height; y++) {
    const row = Math.floor(y / factor) * w;
    for (let x = 0; x < width; x++) {
      const cell = row + Math.floor(x / factor);
      const at = (y * width + x) * 4;
      // Transparent pixels are paper.
      const alpha = data[at + 3] / 255;
      for (let c = 0; c < 3; c++) sum[cell * 3 + c] += data[at + c] * alpha + 255 * (1 - alpha);
      count[cell] += 1;
    }
  }
  const out = new Float32Array(w * h * 3);
  for (let i = 0; i < out.length; i++) out[i] = sum[i] / count[Math.floor(i / 3)];
  return { data: out, width: w, height: h };
}

/** The top left width x height of an RGBA image. */
export function crop(image, width, height) {
  if (image.width === width && image.height === height) return image;
  const data = new Uint8Array(width * height * 4);
  for (let y = 0; y < height; y++) data.set(image.data.subarray(y * image.width * 4, (y * image.width + width) * 4), y * width * 4);
  return { data, width, height };
}

/** Share of a reduced image's cells that are ink (not white). */
export function inkShare(reduced, ink = TOLERANCE.ink) {
  let n = 0;
  const cells = reduced.width * reduced.height;
  for (let i = 0; i < cells; i++) {
    const d = reduced.data;
    if (255 - Math.min(d[i * 3], d[i * 3 + 1], d[i * 3 + 2]) > ink) n += 1;
  }
  return n / Math.max(cells, 1);
}

/**
 * Compares the reader's image with poppler's, both RGBA of the same size.
 * Returns the share of differing cells, the mean difference, both ink shares and the verdict:
 * "ok", "blank" (poppler draws something, the reader nothing), "shape" or "differs".
 */
export function compare(reader, poppler, tolerance = TOLERANCE) {
  // Poppler's scaling may round a side a pixel the other way.
  if (Math.abs(reader.width - poppler.width) > 2 || Math.abs(reader.height - poppler.height) > 2) {
    throw new Error(`sizes differ: ${reader.width}x${reader.height} and ${poppler.width}x${poppler.height}`);
  }
  const width = Math.min(reader.width, poppler.width);
  const height = Math.min(reader.height, poppler.height);
  const a = reduce(crop(reader, width, height), tolerance.reduce);
  const b = reduce(crop(poppler, width, height), tolerance.reduce);
  let differing = 0;
  let total = 0;
  const cells = a.width * a.height;
  for (let i = 0; i < cells; i++) {
    let worst = 0;
    for (let c = 0; c < 3; c++) {
      const d = Math.abs(a.data[i * 3 + c] - b.data[i * 3 + c]);
      worst = Math.max(worst, d);
      total += d;
    }
    if (worst > tolerance.channel) differing += 1;
  }
  const share = differing / Math.max(cells, 1);
  // The mean difference per channel: colour shifts too small to count as faults.
  const mean = total / Math.max(cells * 3, 1);
  const readerInk = inkShare(a, tolerance.ink);
  const popplerInk = inkShare(b, tolerance.ink);
  let verdict = share <= tolerance.share ? "ok" : "differs";
  if (readerInk < tolerance.blankInk && popplerInk >= tolerance.blankInk) verdict = "blank";
  return { share, mean, readerInk, popplerInk, verdict };
}

/** "shape" when the reader's image has not the page's width / height, else null. */
export function shapeFault(width, height, pageAspect, tolerance = TOLERANCE) {
  return Math.abs(width / height / pageAspect - 1) > tolerance.aspect ? "shape" : null;
}
