// The book on screen: spreads or single pages sized to the stage, turned by a
// leaf that rotates about the spine, or every page in one scrolled column.
// The leaf always hangs on the half the reader turns onward (the right, or
// the left in a right-to-left book): its front is the page that half shows,
// its back a page of the other. Each page keeps its own shape; pages meet at
// the spine with their bottoms level.
import {
  centred, clampPage, fitSpread, nextPage, pagesOf, pairAspect, pagesAround, previousPage, spreadAnchor,
  spreadOf, usesSpreads,
} from "./layout.js";
import { PageTurn } from "./PageTurn.js";
import { directionOf, LTR, placeSpread, RTL } from "./direction.js";
import { ScrollView } from "./ScrollView.js";
import { TextBlocks } from "./TextBlocks.js";
import { clampZoom, keepPoint, scrollOf, shareAt, ZoomHold } from "./zoom.js";

export const VIEWS = ["spread", "single", "scroll"];
export const FITS = ["page", "width"];

export class Book {
  #stage;
  #el;
  #images;
  #onChange;
  #shapes;
  #count = 0;
  #spreads = false;
  #page = 1;
  // The page the reader asked for; a spread stands on its left page, a switch to one page goes to this one.
  #asked = 1;
  #zoom = 1;
  #mode = "spread";
  #fitMode = "page";
  #scroll = null;
  #room = { width: 1, height: 1 };
  #judged = { width: 0, height: 0 };
  #fit = null;
  #direction = LTR;
  #slots;
  #turn;
  #hold = new ZoomHold();
  textBlocks = new TextBlocks();

  /**
   * `shapes.of(number)` is a page's { width, height }, known or a stand-in;
   * `shapes.lookUp(numbers)` learns the real ones, which come back through `reshaped`.
   */
  constructor(stage, images, onChange, shapes) {
    this.#stage = stage;
    this.#images = images;
    this.#onChange = onChange;
    this.#shapes = shapes;
    images.setSizer((number) => this.pageBox(number));
    this.#el = document.createElement("div");
    this.#el.className = "book";
    this.#slots = {
      left: this.#slot("left"),
      right: this.#slot("right"),
    };
    const leaf = document.createElement("div");
    leaf.className = "leaf idle";
    // The leaf only repeats pages that the slots already show.
    leaf.setAttribute("aria-hidden", "true");
    this.#el.append(this.#slots.left, this.#slots.right, leaf);
    // A stage that held another book's column scrolls no more.
    stage.classList.remove("scroll-view", "zoomed");
    stage.replaceChildren(this.#el);
    this.#turn = new PageTurn(this, leaf, this.textBlocks);
  }

  /** What holds the pages on screen: the book, or the column of the continuous view. */
  get element() { return this.#scroll?.element ?? this.#el; }
  get page() { return this.#scroll?.page ?? this.#page; }
  get pageCount() { return this.#count; }
  get spreads() { return this.#spreads; }
  get zoom() { return this.#zoom; }
  get view() { return this.#mode; }
  get fit() { return this.#fitMode; }
  get direction() { return this.#direction; }
  /** Whether the pages are wider than the stage, so sideways keys and drags pan before they turn. */
  get overflowsX() { return this.#scroll ? this.#scroll.overflowsX : this.#fit?.width > this.#stage.clientWidth + 1; }
  /** Width of the page the leaf turns, in CSS pixels. */
  get pageWidth() {
    if (!this.#fit) return 1;
    return this.#direction === RTL && this.#spreads ? this.#fit.spine : this.#fit.width - this.#fit.spine;
  }
  /** Whether the pages are larger than the stage either way. */
  get overflows() {
    const stage = this.#stage;
    if (this.#scroll) return stage.scrollHeight > stage.clientHeight + 1 || stage.scrollWidth > stage.clientWidth + 1;
    return this.#fit !== null && (this.#fit.width > stage.clientWidth + 1 || this.#fit.height > stage.clientHeight + 1);
  }
  get spread() { return this.#scroll?.spread ?? spreadOf(this.#page, this.#count, this.#spreads); }
  get turning() { return this.#turn.active; }

  open(count, page = 1) {
    this.#count = count;
    this.#judged = { width: 0, height: 0 };
    this.#page = clampPage(page, count);
    this.#asked = this.#page;
    // A view chosen before the book opened (a restored one) takes effect now.
    if (this.#mode === "scroll") {
      this.#scroll ??= new ScrollView(this.#stage, this.#images, this.#shapes, this.#onChange);
      this.#scroll.attach(count, this.#page, this.#zoom, this.#fitMode);
    } else {
      this.layout();
    }
    this.#told();
  }

  /** Shows the book as "spread", "single" or "scroll", on the page the reader is on. */
  setView(view) {
    if (!VIEWS.includes(view) || view === this.#mode) return;
    const page = this.#scroll?.page ?? (pagesOf(this.spread).includes(this.#asked) ? this.#asked : this.#page);
    this.#mode = view;
    this.#hold.clear();
    if (this.#count === 0) return;
    this.#turn.finish();
    this.#judged = { width: 0, height: 0 };
    this.#stage.scrollTo(0, 0);
    if (view === "scroll") {
      this.#scroll = new ScrollView(this.#stage, this.#images, this.#shapes, this.#onChange);
      this.#stage.classList.remove("zoomed");
      this.#scroll.attach(this.#count, page, this.#zoom, this.#fitMode);
      return void this.#told();
    }
    if (this.#scroll) {
      this.#scroll.detach();
      this.#scroll = null;
      this.#stage.replaceChildren(this.#el);
    }
    this.#page = clampPage(page, this.#count);
    this.#asked = this.#page;
    this.layout();
    this.#told();
  }

  /** Fits the pages to the whole view ("page") or to its width ("width"), at the fitted zoom. */
  setFit(fit) {
    if (!FITS.includes(fit)) return;
    this.#fitMode = fit;
    this.setZoom(1);
  }

  /** Fits the book to the stage again, keeping the page the reader is on. */
  layout() {
    if (this.#count === 0) return;
    if (this.#scroll) return void this.#scroll.layout(this.#zoom, this.#fitMode);
    this.#turn.finish();
    const width = this.#stage.clientWidth;
    const height = this.#stage.clientHeight;
    const margin = Math.min(32, width * 0.04);
    const view = { width: width - 2 * margin, height: height - 2 * margin };
    // Judged on the pages the reader is on when the view changes size, so
    // turning and zooming never change how pages pair up.
    const judged = this.#judged;
    if (this.#zoom === 1 && (view.width !== judged.width || view.height !== judged.height)) {
      const pair = spreadOf(this.#page, this.#count, true);
      const aspect = pairAspect(this.#shapeOf(pair.left), this.#shapeOf(pair.right));
      this.#spreads = this.#mode === "spread" && usesSpreads(view.width, view.height, aspect, this.#count);
      this.#judged = view;
    }
    this.#room = view;
    this.#el.classList.toggle("spreads", this.#spreads);
    this.#page = spreadAnchor(this.#page, this.#count, this.#spreads);
    this.show(this.spread);
    this.#settle();
  }

  /** Reads the book in `direction` ("ltr" or "rtl") from now on; other values change nothing. */
  setDirection(direction) {
    const wanted = directionOf(direction);
    if (wanted === null || wanted === this.#direction) return;
    this.#turn.finish();
    this.#direction = wanted;
    this.#el.classList.toggle("rtl", wanted === RTL);
    // The column reads top to bottom either way; it shows the direction once it is left.
    if (this.#count > 0 && !this.#scroll) {
      this.show(this.spread);
      this.#settle();
    }
    this.#told();
  }

  /** CSS size of page `number` as its own spread shows it. */
  pageBox(number) {
    if (this.#scroll) return this.#scroll.boxOf(number);
    const s = spreadOf(number, this.#count, this.#spreads);
    const fit = this.#fitOf(s);
    const placed = placeSpread(s, this.#direction);
    return (placed.left === number ? fit.left : fit.right) ?? fit.right ?? fit.left;
  }

  /** A page's real shape has arrived: the pages on screen take it if it changes them. */
  reshaped(number) {
    if (this.#scroll) return void this.#scroll.reshaped();
    if (this.#count === 0 || this.#turn.active) return;
    const shown = this.spread;
    if (![shown.single, shown.left, shown.right].includes(number)) return;
    const fit = this.#fitOf(shown);
    const was = this.#fit;
    if (was && fit.width === was.width && fit.height === was.height && fit.spine === was.spine
      && this.#slotsMatch(fit)) return;
    this.show(shown);
  }

  /**
   * Zooms to `level` times the fitted size, keeping the point under `anchor`
   * (client coordinates) in place; without one, the middle of the view.
   */
  setZoom(level, anchor = null) {
    const stage = this.#stage;
    const at = stage.getBoundingClientRect();
    const point = anchor ?? { x: at.left + stage.clientWidth / 2, y: at.top + stage.clientHeight / 2 };
    this.#zoom = clampZoom(level);
    if (this.#count === 0) return;
    if (this.#scroll) this.#scroll.layout(this.#zoom, this.#fitMode, point);
    else {
      const share = this.#hold.place(point, performance.now(), scrollOf(stage), () => shareAt(point, this.#el.getBoundingClientRect()));
      this.layout();
      const { dx, dy } = keepPoint(point, share, this.#el.getBoundingClientRect());
      stage.scrollLeft += dx;
      stage.scrollTop += dy;
      this.#hold.left(scrollOf(stage));
    }
    this.#told();
  }

  // The toolbar and whoever keeps the reader's place hear of every change of view, fit or zoom.
  #told() {
    this.#stage.dispatchEvent(new CustomEvent("bookview"));
  }

  /** Puts the pages of `spread` (in reading order) into the two slots (single pages use the right one). */
  show(spread) {
    // A turn shows pages of two spreads at once: the book keeps the shape of the one the reader is on.
    this.#place(this.#fitOf(this.spread));
    const placed = placeSpread(spread, this.#direction);
    this.#fill(this.#slots.left, placed.left);
    this.#fill(this.#slots.right, placed.single ?? placed.right);
  }

  pageElement(number) {
    return number === null ? null : this.#images.element(number);
  }

  goTo(page, { animate = true } = {}) {
    if (this.#scroll) {
      // Only a neighbour glides into view: a long way would render every page on it.
      const near = Math.abs(clampPage(page, this.#count) - this.#scroll.page) <= 2;
      return void this.#scroll.goTo(page, { smooth: animate && near });
    }
    this.#hold.clear();
    this.#asked = clampPage(page, this.#count);
    const target = spreadAnchor(this.#asked, this.#count, this.#spreads);
    if (target === this.#page && !this.#turn.active) return;
    this.#turn.finish();
    const from = this.#page;
    if (target === from) return;
    this.dropSelection();
    const near = target === nextPage(from, this.#count, this.#spreads) || target === previousPage(from, this.#count, this.#spreads);
    this.#page = target;
    if (animate && this.#zoom <= 1 && !this.overflowsX && near && this.#turn.start(from, target)) {
      // Rendering shares the main thread with the animation: look ahead once the leaf lands.
      this.#onChange(this.spread);
      return;
    }
    this.show(this.spread);
    this.#settle();
  }

  /** Called by the turn once its leaf has landed. */
  turned() {
    this.#settle();
  }

  next() { this.goTo(nextPage(this.page, this.#count, this.#spreads && !this.#scroll)); }
  previous() { this.goTo(previousPage(this.page, this.#count, this.#spreads && !this.#scroll)); }

  /** Scrolls the stage along `axis` ("x" or "y") to where a page is read from ("start") or where it ends ("end"). */
  showEdge(edge, axis) {
    const stage = this.#stage;
    const to = edge === "end" ? Infinity : 0;
    if (axis === "x") stage.scrollLeft = Math.min(to, stage.scrollWidth);
    else stage.scrollTop = Math.min(to, stage.scrollHeight);
  }

  /** Spread of `page` under the current layout (used by the turn). */
  spreadFor(page) {
    return spreadOf(page, this.#count, this.#spreads);
  }

  /** Called by the turn when a drag started by the reader lands on `page`. */
  landed(page) {
    this.dropSelection();
    this.#page = page;
    this.#asked = page;
    this.#onChange(this.spread);
  }

  /** A selection on pages that turn away would be left hanging over others. */
  dropSelection() {
    const selection = document.getSelection();
    if (selection?.rangeCount && this.#el.contains(selection.anchorNode)) selection.removeAllRanges();
  }

  #settle() {
    const around = pagesAround(this.#page, this.#count, this.#spreads);
    this.#images.prefetch(around);
    // Rendering the pages around teaches their shapes; those a second turn
    // ahead are looked up once the pages on screen no longer wait for bytes.
    const further = nextPage(nextPage(this.#page, this.#count, this.#spreads), this.#count, this.#spreads);
    const ahead = pagesAround(further, this.#count, this.#spreads).filter((n) => !around.includes(n));
    if (ahead.length > 0) this.#images.settled().then(() => this.#shapes.lookUp(ahead));
    this.#onChange(this.spread);
  }

  #shapeOf(number) {
    return number === null ? null : this.#shapes.of(number);
  }

  // Boxes of the pages of `spread` (in reading order) as they sit on screen.
  #fitOf(spread) {
    spread = placeSpread(spread, this.#direction);
    const dpr = window.devicePixelRatio || 1;
    const shapes = spread.single !== null
      ? { single: this.#shapeOf(spread.single) }
      : { left: this.#shapeOf(spread.left), right: this.#shapeOf(spread.right) };
    return fitSpread(shapes, this.#room.width, this.#room.height, this.#zoom, dpr, this.#fitMode);
  }

  // Sizes the book and the slots around the spine, and sets it on whole device pixels.
  #place(fit) {
    this.#fit = fit;
    const el = this.#el;
    const dpr = window.devicePixelRatio || 1;
    const stage = this.#stage;
    const at = stage.getBoundingClientRect();
    // Pages larger than the stage are panned; scrollbars would take room and change the fit.
    stage.classList.toggle("zoomed", fit.width > stage.clientWidth + 1 || fit.height > stage.clientHeight + 1);
    el.style.width = `${fit.width}px`;
    el.style.height = `${fit.height}px`;
    el.style.margin = `${centred(stage.clientHeight, fit.height, at.top + stage.clientTop, dpr)}px 0 0 `
      + `${centred(stage.clientWidth, fit.width, at.left + stage.clientLeft, dpr)}px`;
    el.style.setProperty("--spine", `${fit.spine}px`);
    el.style.setProperty("--page-width", `${fit.width - fit.spine}px`);
  }

  #slotsMatch(fit) {
    return ["left", "right"].every((side) => {
      const page = this.#slots[side].firstChild;
      const box = fit[side];
      return !page || !box || (page.style.width === `${box.width}px` && page.style.height === `${box.height}px`);
    });
  }

  #slot(side) {
    const slot = document.createElement("div");
    slot.className = `slot ${side}`;
    return slot;
  }

  #fill(slot, number) {
    const current = slot.firstChild;
    if (number === null) {
      slot.replaceChildren();
      slot.classList.add("empty");
      return;
    }
    slot.classList.remove("empty");
    if (current && current.dataset.page === String(number)) {
      current.replaceWith(this.#images.element(number));
      return;
    }
    slot.replaceChildren(this.#images.element(number));
  }
}
