// Zoom levels (1 is the fitted size) and the scroll changes that keep a point
// of the page where it was while the level changes.

export const ZOOM_MIN = 0.25;
export const ZOOM_MAX = 8;
export const ZOOM_STEPS = [0.25, 0.33, 0.5, 0.67, 0.8, 1, 1.25, 1.5, 2, 3, 4, 6, 8];
// A wheel notch (about 100 px) zooms by roughly a fifth; touchpads and pinches
// send smaller deltas and so zoom in proportion.
const WHEEL_PIXELS_PER_E = 500;

export function clampZoom(level) {
  const z = Number(level);
  if (!Number.isFinite(z) || z <= 0) return 1;
  return Math.min(ZOOM_MAX, Math.max(ZOOM_MIN, z));
}

export function zoomIn(level) {
  return ZOOM_STEPS.find((z) => z > level + 1e-6) ?? ZOOM_MAX;
}

export function zoomOut(level) {
  return ZOOM_STEPS.findLast((z) => z < level - 1e-6) ?? ZOOM_MIN;
}

/** The level after a Ctrl+wheel (or pinch) event's vertical delta. */
export function wheelZoom(level, deltaY, deltaMode = 0) {
  const pixels = deltaMode === 1 ? deltaY * 40 : deltaMode === 2 ? deltaY * 800 : deltaY;
  return clampZoom(level * Math.exp(-pixels / WHEEL_PIXELS_PER_E));
}

/** A level typed by the reader ("150", "150 %", "87,5%"), or null when it is none. */
export function parseZoomEntry(text) {
  const m = /^\s*(\d+(?:[.,]\d*)?)\s*%?\s*$/.exec(String(text ?? ""));
  if (!m) return null;
  const percent = Number(m[1].replace(",", "."));
  return percent > 0 ? clampZoom(percent / 100) : null;
}

export function zoomText(level) {
  return `${Math.round(level * 100)}%`;
}

export const scrollOf = (el) => ({ left: el.scrollLeft, top: el.scrollTop });

/** Where `point` (client coordinates) lies in `box` ({ left, top, width, height }), as shares of it. */
export function shareAt(point, box) {
  return { fx: (point.x - box.left) / Math.max(1, box.width), fy: (point.y - box.top) / Math.max(1, box.height) };
}

/**
 * How far to scroll so that the place at `share` of the content is under
 * `point` again, the content's box being `after` (measured before scrolling).
 */
export function keepPoint(point, share, after) {
  return { dx: after.left + share.fx * after.width - point.x, dy: after.top + share.fy * after.height - point.y };
}

/**
 * Remembers where a zoom started. Zooming in steps rounds each to the scroll
 * range (a book narrower than the view stays centred), so each step measured
 * afresh would drift; while the pointer stays put and nothing else scrolled,
 * every step keeps the place the first one found under it.
 */
export class ZoomHold {
  #held = null;
  #ms;

  constructor(ms = 10_000) {
    this.#ms = ms;
  }

  /** The place held for `point` at time `now` with the view scrolled to `where`, or `measure()`'s answer, then held. */
  place(point, now, where, measure) {
    const held = this.#held;
    const same = held && Math.abs(held.x - point.x) <= 1 && Math.abs(held.y - point.y) <= 1 && now < held.until
      && Math.abs(held.left - where.left) <= 1 && Math.abs(held.top - where.top) <= 1;
    const place = same ? held.place : measure();
    this.#held = { x: point.x, y: point.y, place, until: now + this.#ms, left: NaN, top: NaN };
    return place;
  }

  /** Where the zoom left the view: the next step holds the place only from there. */
  left(where) {
    if (this.#held) Object.assign(this.#held, { left: where.left, top: where.top });
  }

  clear() {
    this.#held = null;
  }
}

/**
 * Where a pan of `delta` from `position` lands in a scroller whose range is
 * 0..`limit`, or null when the view already stands at that edge: then the
 * key or wheel that asked for it turns the page instead.
 */
export function pan(position, limit, delta) {
  if (delta === 0) return null;
  if (delta > 0 ? position >= limit - 1 : position <= 1) return null;
  return Math.min(Math.max(0, limit), Math.max(0, position + delta));
}
