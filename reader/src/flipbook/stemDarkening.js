// Small text drawn by the engine from a page's own fonts comes out lighter
// than the desktop's viewer draws it: the glyphs are neither hinted nor
// darkened at small sizes. A hairline outline in the text's colour gives its
// stems back the weight they have there.

// Measured in WebKitGTK against poppler on a paper and a book: 0.2 px brings
// the stems' contrast to poppler's without thickening them past it (0.3 did).
/** Text is darkened while its em is smaller than this, in device pixels. */
export const DARKEN_UP_TO_EM = 36;
/** Outline width in device pixels (half of it lands outside the glyph). */
export const DARKEN_WIDTH = 0.2;

/**
 * Width of the outline, in the units of a canvas transform `m` (a DOMMatrix
 * or {a, b, c, d}), for text whose font is `fontPx` of those units; 0 when
 * the text is large enough to need none.
 */
export function stemDarkening(m, fontPx, width = DARKEN_WIDTH) {
  const scale = Math.sqrt(Math.abs(m.a * m.d - m.b * m.c));
  if (!(scale > 0) || !(fontPx > 0)) return 0;
  const em = fontPx * scale;
  return em < DARKEN_UP_TO_EM ? width / scale : 0;
}

/** Readies `ctx` to outline the text it fills; true when it should. */
export function darkenText(ctx, fontPx) {
  const width = stemDarkening(ctx.getTransform(), fontPx);
  if (width === 0) return false;
  ctx.lineWidth = width;
  ctx.strokeStyle = ctx.fillStyle;
  ctx.lineJoin = "round";
  return true;
}
