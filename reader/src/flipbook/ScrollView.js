// The continuous view: every page in one column, scrolled through. Only the
// pages in and next to the view have elements; the column's height stands in
// for the rest, so a book of thousands of pages costs what a few pages do.
import { COLUMN_GAP, columnScale, currentPage, pageAtY, shownRange, stack, topOf } from "./column.js";
import { centred, clampPage, snap } from "./layout.js";
import { keepPoint, scrollOf, shareAt, ZoomHold } from "./zoom.js";

const MARGIN = 16;
// While a smooth scroll to a page runs, that page is the one the reader is on.
const GLIDE_MS = 700;
// Pages render once the column has stood still this long: drawing one takes
// longer than a frame, and pages scrolled straight past need never be drawn.
const STILL_MS = 150;

export class ScrollView {
  #stage;
  #images;
  #shapes;
  #onChange;
  #el;
  #count = 0;
  #boxes = [];
  #tops = new Float64Array(1);
  #width = 0;
  #shown = new Map();
  #page = 1;
  #pinned = null;
  #frame = 0;
  #listening = null;
  #scrolledAt = -Infinity;
  #stillTimer = 0;
  #hold = new ZoomHold();

  constructor(stage, images, shapes, onChange) {
    this.#stage = stage;
    this.#images = images;
    this.#shapes = shapes;
    this.#onChange = onChange;
    this.#el = document.createElement("div");
    this.#el.className = "column";
  }

  get element() { return this.#el; }
  get page() { return this.#page; }
  get spread() { return { left: null, right: null, single: this.#page }; }
  get overflowsX() { return this.#width > this.#stage.clientWidth + 1; }

  /** Puts the column on the stage at `page`. */
  attach(count, page, zoom, fit) {
    this.#count = count;
    this.#stage.replaceChildren(this.#el);
    this.#stage.classList.add("scroll-view");
    this.#listening = new AbortController();
    this.#stage.addEventListener("scroll", () => {
      this.#scrolledAt = performance.now();
      this.#schedule();
    }, { passive: true, signal: this.#listening.signal });
    this.#measure(zoom, fit);
    // The page bar hears where the column opens even when it is the page it was on.
    this.#page = 0;
    this.goTo(page);
  }

  detach() {
    this.#listening?.abort();
    cancelAnimationFrame(this.#frame);
    clearTimeout(this.#stillTimer);
    this.#frame = 0;
    this.#shown.clear();
    this.#el.replaceChildren();
    this.#stage.classList.remove("scroll-view");
    this.#el.remove();
  }

  boxOf(number) {
    return this.#boxes[number - 1] ?? { width: 1, height: 1 };
  }

  /** Sizes the column again, keeping the point under `anchor` (client coordinates; the top of the view when none) in place. */
  layout(zoom, fit, anchor = null) {
    const stage = this.#stage;
    const at = stage.getBoundingClientRect();
    const point = anchor ?? { x: at.left + stage.clientWidth / 2, y: at.top };
    const measure = () => {
      const number = pageAtY(this.#tops, stage.scrollTop + point.y - at.top);
      return { number, share: shareAt(point, this.#boxAt(number, at)) };
    };
    // Only a zoom holds its place across steps; a resize or a new shape measures afresh.
    const place = anchor ? this.#hold.place(point, performance.now(), scrollOf(stage), measure) : measure();
    this.#measure(zoom, fit);
    const { dx, dy } = keepPoint(point, place.share, this.#boxAt(place.number, at));
    stage.scrollLeft += dx;
    stage.scrollTop += dy;
    if (anchor) this.#hold.left(scrollOf(stage));
    this.#update();
  }

  goTo(page, { smooth = false } = {}) {
    const number = clampPage(page, this.#count);
    const stage = this.#stage;
    const top = topOf(this.#tops, number);
    const limit = stage.scrollHeight - stage.clientHeight;
    this.#pinned = { page: number, top: Math.min(top, Math.max(0, limit)), until: smooth ? performance.now() + GLIDE_MS : 0 };
    stage.scrollTo({ top, behavior: smooth ? "smooth" : "instant" });
    this.#update();
  }

  /** A page's real shape has arrived: the column takes it, once per frame however many arrive. */
  reshaped() {
    this.#schedule(true);
  }

  #schedule(remeasure = false) {
    // A closed book's column may still hear its stage (another book's now): it stops listening.
    if (!this.#el.isConnected) return void this.#listening?.abort();
    this.#remeasure ||= remeasure;
    if (this.#frame) return;
    this.#frame = requestAnimationFrame(() => {
      this.#frame = 0;
      if (this.#remeasure) {
        this.#remeasure = false;
        this.layout(this.#zoom, this.#fit);
      } else {
        this.#update();
      }
    });
  }

  #remeasure = false;
  #zoom = 1;
  #fit = "page";

  // Page `number`'s box in client coordinates as the column stands now.
  #boxAt(number, at) {
    const box = this.boxOf(number);
    return {
      left: at.left - this.#stage.scrollLeft + centred(this.#width, box.width),
      top: at.top - this.#stage.scrollTop + this.#tops[number - 1],
      width: box.width,
      height: box.height,
    };
  }

  #measure(zoom, fit) {
    this.#zoom = zoom;
    this.#fit = fit;
    const stage = this.#stage;
    const dpr = window.devicePixelRatio || 1;
    const room = { width: stage.clientWidth - 2 * MARGIN, height: stage.clientHeight - 2 * COLUMN_GAP };
    const scale = columnScale(this.#shapes.of(1), room.width, room.height, fit, zoom);
    const boxes = new Array(this.#count);
    const heights = new Float64Array(this.#count);
    let widest = 0;
    for (let n = 1; n <= this.#count; n++) {
      const shape = this.#shapes.of(n);
      const box = { width: snap(shape.width * scale, dpr), height: snap(shape.height * scale, dpr) };
      boxes[n - 1] = box;
      heights[n - 1] = box.height;
      widest = Math.max(widest, box.width);
    }
    this.#boxes = boxes;
    this.#tops = stack(heights);
    this.#width = Math.max(stage.clientWidth, widest + 2 * MARGIN);
    this.#el.style.width = `${this.#width}px`;
    this.#el.style.height = `${this.#tops[this.#count]}px`;
    // Elements of another size are made again, at the new size.
    for (const [number, el] of this.#shown) {
      const box = boxes[number - 1];
      if (el.style.width !== `${box.width}px` || el.style.height !== `${box.height}px`) {
        el.remove();
        this.#shown.delete(number);
      } else {
        this.#place(el, number);
      }
    }
  }

  #place(el, number) {
    el.style.top = `${this.#tops[number - 1]}px`;
    el.style.left = `${centred(this.#width, this.#boxes[number - 1].width)}px`;
  }

  // Brings the elements in step with the view: made as they come near, dropped as they leave.
  #update() {
    if (!this.#el.isConnected) return;
    const stage = this.#stage;
    const top = stage.scrollTop;
    const height = stage.clientHeight;
    const near = shownRange(this.#tops, top, height, 1);
    const seen = shownRange(this.#tops, top, height, 0);
    for (const [number, el] of this.#shown) {
      if (number < near.first || number > near.last) {
        el.remove();
        this.#shown.delete(number);
      }
    }
    const moving = performance.now() - this.#scrolledAt < STILL_MS;
    const added = [];
    for (let n = near.first; n <= near.last; n++) {
      if (this.#shown.has(n)) continue;
      const el = this.#images.element(n, { quiet: moving });
      this.#place(el, n);
      this.#shown.set(n, el);
      added.push(el);
    }
    if (added.length) this.#el.append(...added);
    this.#follow(top);
    clearTimeout(this.#stillTimer);
    if (moving) this.#stillTimer = setTimeout(() => this.#update(), STILL_MS);
    else this.#settle(seen, near);
  }

  // The column stands still: the pages in view render first, then the ones beside them.
  #settle(seen, near) {
    const order = [];
    for (let n = seen.first; n <= seen.last; n++) order.push(n);
    if (near.last > seen.last) order.push(near.last);
    if (near.first < seen.first) order.push(near.first);
    for (const n of order) this.#images.wake(this.#shown.get(n));
    this.#images.prefetch(order);
    this.#shapes.lookUp(order);
  }

  #follow(top) {
    const pin = this.#pinned;
    let page;
    if (pin && (Math.abs(top - pin.top) <= 2 || performance.now() < pin.until)) page = pin.page;
    else {
      this.#pinned = null;
      page = currentPage(this.#tops, top);
    }
    if (page === this.#page) return;
    this.#page = page;
    this.#onChange(this.spread);
  }
}
