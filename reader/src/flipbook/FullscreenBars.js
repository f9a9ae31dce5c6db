// The reader's bars while the window shows the book alone: out of the page's
// flow, so the book keeps its place when they slide in over it.
import { revealDelay, wantedBars } from "./edgeReveal.js";

const SIDES = ["top", "bottom"];

export class FullscreenBars {
  #bars;
  #active = false;
  #shown = { top: false, bottom: false };
  #timers = { top: 0, bottom: 0 };

  /** bars: { top, bottom } elements. */
  constructor(bars) {
    this.#bars = bars;
    document.addEventListener("pointermove", (e) => this.#follow(e.clientY));
    document.documentElement.addEventListener("pointerleave", () => this.#follow(Number.NaN));
    // Keys reach a hidden bar's controls too; the bar shows while it holds the focus.
    for (const side of SIDES) {
      bars[side].addEventListener("focusin", () => this.#show(side, true));
      bars[side].addEventListener("focusout", (e) => {
        if (!bars[side].contains(e.relatedTarget)) this.#show(side, false);
      });
    }
  }

  get active() {
    return this.#active;
  }

  /** focusTo: where the keys go when a bar that held them steps aside. */
  set(active, focusTo) {
    this.#active = Boolean(active);
    for (const side of SIDES) this.#show(side, false);
    document.body.classList.toggle("fullscreen", this.#active);
    if (this.#active && SIDES.some((side) => this.#bars[side].contains(document.activeElement))) {
      focusTo?.focus({ preventScroll: true });
    }
  }

  /** Shows a bar at once, for keys that need one of its controls. */
  reveal(side) {
    if (this.#active) this.#show(side, true);
  }

  #follow(y) {
    if (!this.#active) return;
    const want = wantedBars({
      y, height: window.innerHeight, shown: this.#shown,
      topBar: this.#bars.top.offsetHeight, bottomBar: this.#bars.bottom.offsetHeight,
    });
    for (const side of SIDES) {
      if (want[side] === this.#shown[side] || this.#bars[side].contains(document.activeElement)) {
        clearTimeout(this.#timers[side]);
        this.#timers[side] = 0;
      } else if (!this.#timers[side]) {
        this.#timers[side] = setTimeout(() => this.#show(side, want[side]), revealDelay(want[side]));
      }
    }
  }

  #show(side, show) {
    clearTimeout(this.#timers[side]);
    this.#timers[side] = 0;
    this.#shown[side] = show && this.#active;
    document.body.classList.toggle(`show-${side}`, this.#shown[side]);
  }
}
