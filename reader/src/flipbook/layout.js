// Which pages are on screen, and how big: the book's geometry without the DOM.
import { t } from "../shared/strings.js";

// Two pages side by side only when each stays at least this share of the
// height a single page would get; below it the pages become too small to read.
const SPREAD_MIN_SHARE = 0.75;
const SPREAD_MIN_WIDTH = 560;

/** Whether a view of this size shows double-page spreads for pages of this aspect (width / height). */
export function usesSpreads(viewWidth, viewHeight, pageAspect, pageCount) {
  if (pageCount < 3 || viewWidth < SPREAD_MIN_WIDTH || viewHeight <= 0 || !(pageAspect > 0)) return false;
  const single = Math.min(viewWidth / pageAspect, viewHeight);
  const spread = Math.min(viewWidth / 2 / pageAspect, viewHeight);
  return spread >= single * SPREAD_MIN_SHARE;
}

/**
 * Pages shown for `page` (1-based): the cover alone on the right, then pairs
 * (even left, odd right), and an even last page alone on the left.
 */
export function spreadOf(page, pageCount, spreads) {
  const p = clampPage(page, pageCount);
  if (!spreads) return { left: null, right: null, single: p };
  if (p === 1) return { left: null, right: 1, single: null };
  const left = p % 2 === 0 ? p : p - 1;
  return { left, right: left + 1 <= pageCount ? left + 1 : null, single: null };
}

/** The page that stands for the spread holding `page`: the one a turn starts from. */
export function spreadAnchor(page, pageCount, spreads) {
  const s = spreadOf(page, pageCount, spreads);
  return s.single ?? s.left ?? s.right;
}

export function pagesOf(spread) {
  return [spread.single, spread.left, spread.right].filter((p) => p !== null);
}

export function nextPage(page, pageCount, spreads) {
  const anchor = spreadAnchor(page, pageCount, spreads);
  if (!spreads) return Math.min(anchor + 1, pageCount);
  const target = anchor === 1 ? 2 : anchor + 2;
  return target > pageCount ? anchor : target;
}

export function previousPage(page, pageCount, spreads) {
  const anchor = spreadAnchor(page, pageCount, spreads);
  if (!spreads) return Math.max(anchor - 1, 1);
  return spreadAnchor(Math.max(anchor - 1, 1), pageCount, true);
}

export function clampPage(page, pageCount) {
  const n = Math.trunc(Number(page));
  if (!Number.isFinite(n) || pageCount < 1) return 1;
  return Math.min(Math.max(n, 1), pageCount);
}

/** Page number typed by the reader ("12", " 12 / 40"), or null when there is none. */
export function parsePageEntry(text, pageCount) {
  const m = /^\s*(\d+)\s*(\/.*)?$/.exec(String(text ?? ""));
  if (!m) return null;
  return clampPage(Number(m[1]), pageCount);
}

/** Snaps a CSS length to whole device pixels (never below one). */
export function snap(length, dpr = 1) {
  return Math.max(1, Math.round(length * dpr)) / dpr;
}

/**
 * Boxes of the pages shown, in CSS pixels that are whole device pixels, for
 * pages whose shapes are { width, height } (any unit). In spreads, `left` and
 * `right` share one scale that fits the pair to the view and keeps their sizes
 * relative; an empty side mirrors the other so the spine stays in the middle.
 * A single page (`single`) is fitted on its own. `spine` is where the pages
 * meet, measured from the book's left edge; bottoms are level. With `fit`
 * "width" the pages fill the view's width, however tall that makes them.
 */
export function fitSpread(shapes, viewWidth, viewHeight, zoom = 1, dpr = 1, fit = "page") {
  const vw = Math.max(1, viewWidth);
  // Fitting the width leaves the height free: the reader scrolls down the page.
  const vh = fit === "width" ? Infinity : Math.max(1, viewHeight);
  const boxOf = (shape, scale) => (shape ? { width: snap(shape.width * scale, dpr), height: snap(shape.height * scale, dpr) } : null);
  if (shapes.single) {
    const s = shapes.single;
    const box = boxOf(s, Math.min(vw / s.width, vh / s.height) * zoom);
    return { left: null, right: box, spine: 0, width: box.width, height: box.height };
  }
  const l = shapes.left ?? shapes.right;
  const r = shapes.right ?? shapes.left;
  const scale = Math.min(vw / (l.width + r.width), vh / Math.max(l.height, r.height)) * zoom;
  const [lb, rb] = [boxOf(l, scale), boxOf(r, scale)];
  return {
    left: shapes.left ? lb : null,
    right: shapes.right ? rb : null,
    spine: lb.width,
    width: lb.width + rb.width,
    height: Math.max(lb.height, rb.height),
  };
}

/** Offset that centres `size` in `room` on a device pixel boundary, counted from `origin` (where the room starts on screen). */
export function centred(room, size, origin = 0, dpr = 1) {
  const free = Math.max(0, (room - size) / 2);
  return Math.round((origin + free) * dpr) / dpr - origin;
}

/** Width over height of a spread's pages side by side, per page: what `usesSpreads` weighs. */
export function pairAspect(left, right) {
  const l = left ?? right;
  const r = right ?? left;
  if (!l) return 0;
  return (l.width + r.width) / 2 / Math.max(l.height, r.height);
}

/** Pages worth rendering ahead: the shown spread and its neighbours, nearest first. */
export function pagesAround(page, pageCount, spreads) {
  const here = spreadOf(page, pageCount, spreads);
  const next = spreadOf(nextPage(page, pageCount, spreads), pageCount, spreads);
  const prev = spreadOf(previousPage(page, pageCount, spreads), pageCount, spreads);
  const seen = new Set();
  const order = [];
  for (const s of [here, next, prev]) {
    for (const p of pagesOf(s)) {
      if (!seen.has(p)) {
        seen.add(p);
        order.push(p);
      }
    }
  }
  return order;
}

/** What the reader hears after a turn. */
export function pageAnnouncement(spread, pageCount) {
  const pages = pagesOf(spread);
  if (pages.length === 2) return t("Pages {first} and {second} of {count}", { first: pages[0], second: pages[1], count: pageCount });
  return t("Page {page} of {count}", { page: pages[0], count: pageCount });
}

/** Pages of a column of rows `pitch` pixels apart that show in a view scrolled to `scrollTop`. */
export function visibleRange(scrollTop, viewHeight, pitch, pageCount) {
  if (pageCount < 1 || !(pitch > 0)) return { first: 1, last: 0 };
  const top = Math.max(0, scrollTop);
  const first = Math.min(pageCount, Math.floor(top / pitch) + 1);
  const last = Math.min(pageCount, Math.max(first, Math.ceil((top + Math.max(0, viewHeight)) / pitch)));
  return { first, last };
}

/**
 * Whether a box of `width` x `height` whole pixels holds a page of `aspect`
 * (width / height): off by no more than rounding each side to a pixel, and a
 * few per cent, can explain. Anything further was sized for another shape.
 */
export function fitsShape(width, height, aspect) {
  if (!(width > 0 && height > 0 && aspect > 0)) return false;
  const offWidth = Math.abs(width - height * aspect) - (1 + aspect);
  const offHeight = Math.abs(height - width / aspect) - (1 + 1 / aspect);
  return offWidth <= 0.03 * width || offHeight <= 0.03 * height;
}
