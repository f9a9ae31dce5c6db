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
