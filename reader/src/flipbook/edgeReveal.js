// When a bar of the full-screen page shows: the pointer at the screen's edge
// calls it, and it stays while the pointer is over it. Showing waits a moment
// so a pointer passing the edge on its way elsewhere brings nothing; hiding
// waits longer so a bar does not vanish under a hand that slipped off it.

export const EDGE_PX = 4;
export const SHOW_DELAY_MS = 180;
export const HIDE_DELAY_MS = 800;

/**
 * Which bars the pointer wants at `y` (CSS pixels from the top of a page
 * `height` high): { top, bottom }. A bar already shown is wanted while the
 * pointer is over it; `topBar`/`bottomBar` are the bars' heights.
 */
export function wantedBars({ y, height, topBar, bottomBar, shown = { top: false, bottom: false }, edge = EDGE_PX }) {
  if (!Number.isFinite(y) || !(height > 0)) return { top: false, bottom: false };
  const top = y <= edge || (shown.top && y <= topBar);
  const bottom = y >= height - edge || (shown.bottom && y >= height - bottomBar);
  return { top, bottom };
}

/** How long a bar waits before it follows the pointer's wish. */
export function revealDelay(show) {
  return show ? SHOW_DELAY_MS : HIDE_DELAY_MS;
}
