// Geometry of the continuous view: pages stacked in one column with a gap
// between them. Offsets are kept as prefix sums so finding the pages in view is
// a binary search, whatever the length of the book.

export const COLUMN_GAP = 12;

/**
 * Scale (CSS pixels per page unit) that fits `shape` to a view of `width` x
 * `height`: the whole page for "page", its width for "width", times `zoom`.
 */
export function columnScale(shape, width, height, fit, zoom) {
  const w = Math.max(1, width);
  const h = Math.max(1, height);
  const base = fit === "width" ? w / shape.width : Math.min(w / shape.width, h / shape.height);
  return base * zoom;
}

/** tops[i] is where page i + 1 starts; tops[count] is the column's height. */
export function stack(heights, gap = COLUMN_GAP) {
  const tops = new Float64Array(heights.length + 1);
  tops[0] = gap;
  for (let i = 0; i < heights.length; i++) tops[i + 1] = tops[i] + heights[i] + gap;
  return tops;
}

/** The page whose slot (the page and the gap after it) holds `y`. */
export function pageAtY(tops, y) {
  const count = tops.length - 1;
  if (count < 1) return 1;
  let [lo, hi] = [0, count - 1];
  while (lo < hi) {
    const mid = (lo + hi + 1) >> 1;
    if (tops[mid] <= y) lo = mid;
    else hi = mid - 1;
  }
  return lo + 1;
}

/** Pages that meet the band `top`..`top + height`, widened by `extra` pages each way. */
export function shownRange(tops, top, height, extra = 0) {
  const count = tops.length - 1;
  if (count < 1) return { first: 1, last: 0 };
  const first = Math.max(1, pageAtY(tops, top) - extra);
  const last = Math.min(count, pageAtY(tops, top + Math.max(0, height)) + extra);
  return { first, last };
}

/**
 * The page the reader is on: the one at the top of the view, unless less than
 * half of it is left there, then the one after it.
 */
export function currentPage(tops, scrollTop, gap = COLUMN_GAP) {
  const count = tops.length - 1;
  const page = pageAtY(tops, scrollTop);
  const bottom = tops[page] - gap;
  const height = bottom - tops[page - 1];
  return page < count && bottom - scrollTop < height / 2 ? page + 1 : page;
}

/** Where the view scrolls to for page `number` to start at its top. */
export function topOf(tops, number, gap = COLUMN_GAP) {
  return Math.max(0, tops[number - 1] - gap / 2);
}
