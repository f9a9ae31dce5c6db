// pdf.js turns a soft mask into the alpha it masks with through a canvas
// filter (an SVG filter it references by url). WebKit's canvas has no filters:
// the mask stayed opaque and what it should have faded drew at full strength
// (knockout_smask.pdf: 25% of the page off). Without filters the same sums run
// here, on the mask's pixels. build.mjs routes pdf.js's two places to this.

const CAN_FILTER = typeof CanvasRenderingContext2D !== "undefined" && "filter" in CanvasRenderingContext2D.prototype;

/**
 * RGBA pixels (not premultiplied) to the alpha a soft mask of `subtype`
 * gives: "Luminosity" weighs red, green and blue as pdf.js's filter does;
 * "Alpha" keeps the alpha. `map` (256 entries, 0-255) is the mask's transfer
 * function, or null.
 */
export function maskToAlpha(data, subtype, map) {
  const luminosity = subtype !== "Alpha";
  for (let i = 0; i < data.length; i += 4) {
    let a = luminosity ? Math.round(0.3 * data[i] + 0.59 * data[i + 1] + 0.11 * data[i + 2]) : data[i + 3];
    if (map) a = map[a];
    if (luminosity) data[i] = data[i + 1] = data[i + 2] = 0;
    data[i + 3] = a;
  }
  return data;
}

/** Draws `source` into `ctx` as mask alpha; `withFilter` is pdf.js's own way, used where canvases filter. */
export function drawMask(ctx, source, subtype, map, withFilter) {
  if (CAN_FILTER) {
    withFilter();
    return;
  }
  ctx.drawImage(source, 0, 0);
  const { width, height } = ctx.canvas;
  if (width === 0 || height === 0) return;
  const image = ctx.getImageData(0, 0, width, height);
  maskToAlpha(image.data, subtype, map);
  ctx.putImageData(image, 0, 0);
}
