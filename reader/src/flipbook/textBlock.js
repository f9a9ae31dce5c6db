// Where a page's text lies: the box around its lines, in shares of the page.
// A press inside it belongs to selecting; outside it, to turning or panning.

/** The box around `rects` (each { left, top, right, bottom }), or null when there are none. */
export function blockOf(rects) {
  let block = null;
  for (const r of rects) {
    if (!(r.right > r.left && r.bottom > r.top)) continue;
    block = block
      ? { left: Math.min(block.left, r.left), top: Math.min(block.top, r.top), right: Math.max(block.right, r.right), bottom: Math.max(block.bottom, r.bottom) }
      : { left: r.left, top: r.top, right: r.right, bottom: r.bottom };
  }
  return block;
}

/** `rect` as shares of `frame` (both in the same coordinates), so it survives zooming. */
export function shareOf(rect, frame) {
  const w = Math.max(1, frame.right - frame.left);
  const h = Math.max(1, frame.bottom - frame.top);
  return {
    left: (rect.left - frame.left) / w,
    top: (rect.top - frame.top) / h,
    right: (rect.right - frame.left) / w,
    bottom: (rect.bottom - frame.top) / h,
  };
}

/** Whether the point at shares (`x`, `y`) of the page lies in `block`, grown by `slack` (a share) each way. */
export function insideBlock(x, y, block, slack = 0) {
  return block !== null && x >= block.left - slack && x <= block.right + slack && y >= block.top - slack && y <= block.bottom + slack;
}

/**
 * Index of the rect (each { left, top, right, bottom }) nearest the point:
 * a line level with it first, then the nearest across, so a press beside or
 * between lines lands on the line it is at. -1 when there are none.
 */
export function nearestRect(rects, x, y) {
  let best = -1;
  let score = Infinity;
  rects.forEach((r, i) => {
    const dy = Math.max(0, r.top - y, y - r.bottom);
    const dx = Math.max(0, r.left - x, x - r.right);
    const s = dy * 1e4 + dx;
    if (r.right > r.left && s < score) [best, score] = [i, s];
  });
  return best;
}
