// The page overview: a scrolling column with room for every page, in which only
// the buttons near the visible part exist and only visible ones are rendered,
// so a book of 200,000 pages costs what a book of twenty does. Its rows pair
// pages as the book's spreads do, on the sides the book's direction puts them,
// and share one pitch; each page is fitted, in its own shape, into a frame of
// page 1's shape.
import { LruCache } from "./LruCache.js";
import { t } from "../shared/strings.js";
import { visibleRange } from "./layout.js";
import { LTR, overviewCell, overviewPages, overviewRows } from "./direction.js";

// Two a row in the panel's 240 pixels, beside its scroll bar.
const THUMB_WIDTH = 96;
const THUMB_CACHE = 48;
// Button padding, the gap above the label and the label's line, in CSS pixels.
const CHROME = 12 + 4 + 16;
const GAP = 10;
// Buttons kept beyond each edge of the view, so keyboard focus can move on.
const SPARE = 4;
// Engines cap an element's height (WebKit near 33.5 million pixels); past this
// the column is shorter than its rows and scrolling moves through it faster.
const MAX_HEIGHT = 4e6;

export class Thumbnails {
  #list;
  #scroller;
  #source;
  #onPick;
  #cache;
  #count = 0;
  #direction = LTR;
  #first = { width: 1, height: 1 };
  #imageHeight = 0;
  #buttons = new Map();
  #current = [];
  #frame = 0;
  #resize;
  #onScroll = () => this.#schedule();
  /** The caption under page `page`: its printed label where the book has them. */
  labelOf = (page) => String(page);

  constructor(list, source, onPick) {
    this.#list = list;
    this.#scroller = list.parentElement;
    this.#source = source;
    this.#onPick = onPick;
    this.#cache = new LruCache(THUMB_CACHE, (url, page) => {
      URL.revokeObjectURL(url);
      this.#buttons.get(page)?.querySelector("img")?.removeAttribute("src");
    });
    this.#resize = new ResizeObserver(() => this.#schedule());
  }

  get pitch() {
    return this.#imageHeight + CHROME + GAP;
  }

  get #fullHeight() {
    return overviewRows(this.#count) * this.pitch;
  }

  // Where the view's top edge is in the full column, and back.
  #ratio() {
    const view = this.#scroller.clientHeight;
    const real = Math.min(this.#fullHeight, MAX_HEIGHT) - view;
    return real > 0 ? Math.max(1, (this.#fullHeight - view) / real) : 1;
  }

  /** Buttons that exist right now (a window onto the book, never the whole of it). */
  get builtCount() {
    return this.#buttons.size;
  }

  /** `first` is page 1's shape, the frame every thumbnail is fitted into. */
  build(count, first) {
    this.destroy();
    this.#count = count;
    this.#first = first;
    const aspect = first.width / first.height;
    this.#imageHeight = Math.max(1, Math.round(THUMB_WIDTH / (aspect > 0 ? aspect : 0.7071)));
    this.#list.style.height = `${Math.min(this.#fullHeight, MAX_HEIGHT)}px`;
    this.#scroller.addEventListener("scroll", this.#onScroll, { passive: true });
    this.#resize.observe(this.#scroller);
    this.#update();
  }

  /** Marks the pages on screen and keeps the first of them in view. */
  mark(pages) {
    this.#current = pages;
    for (const [page, button] of this.#buttons) this.#markButton(button, page);
    this.reveal(pages[0], "nearest");
  }

  /** Scrolls `page` into view ("nearest" or "center") and builds the buttons around it. */
  reveal(page, block = "center") {
    if (!(page >= 1 && page <= this.#count)) return;
    const scroller = this.#scroller;
    const ratio = this.#ratio();
    const top = overviewCell(page, this.#direction).row * this.pitch;
    const view = scroller.clientHeight;
    const at = scroller.scrollTop * ratio;
    let want = at;
    if (block === "center") want = top - (view - this.pitch) / 2;
    else if (top < at) want = top;
    else if (top + this.pitch > at + view) want = top + this.pitch - view;
    if (want !== at) scroller.scrollTop = want / ratio;
    this.#update();
  }

  /** Puts the pages of each row on the sides a book read in `direction` shows them. */
  setDirection(direction) {
    this.#direction = direction;
    for (const [page, button] of this.#buttons) this.#place(button, page);
  }

  /** Page `number`'s shape is known now: its thumbnail takes it. */
  reshaped(number) {
    const img = this.#buttons.get(number)?.querySelector("img");
    if (img) this.#size(img, number);
  }

  destroy() {
    cancelAnimationFrame(this.#frame);
    this.#frame = 0;
    this.#resize.disconnect();
    this.#scroller.removeEventListener("scroll", this.#onScroll);
    this.#cache.clear();
    this.#buttons.clear();
    this.#count = 0;
    this.#list.replaceChildren();
    this.#list.style.height = "";
  }

  #schedule() {
    if (this.#frame === 0) this.#frame = requestAnimationFrame(() => this.#update());
  }

  #update() {
    cancelAnimationFrame(this.#frame);
    this.#frame = 0;
    if (this.#count === 0) return;
    const { scrollTop, clientHeight } = this.#scroller;
    const at = scrollTop * this.#ratio();
    const rows = overviewRows(this.#count);
    const shown = visibleRange(at, clientHeight, this.pitch, rows);
    const { first, last } = overviewPages(Math.max(0, shown.first - 1 - SPARE), Math.min(rows, shown.last + SPARE) - 1, this.#count);
    for (const [page, button] of this.#buttons) {
      // The focused button stays, so the keyboard does not lose its place.
      if ((page < first || page > last) && !button.contains(document.activeElement)) {
        button.remove();
        this.#buttons.delete(page);
      }
    }
    for (let page = first; page <= last; page++) {
      if (!this.#buttons.has(page)) this.#list.append(this.#button(page));
    }
    // Rows sit at their full spacing around the view, whatever the column's scale.
    for (const [page, button] of this.#buttons) {
      button.style.top = `${scrollTop + overviewCell(page, this.#direction).row * this.pitch - at}px`;
    }
    // Nothing is rendered while the panel is closed.
    if (clientHeight === 0) return;
    const visible = overviewPages(shown.first - 1, shown.last - 1, this.#count);
    for (let page = visible.first; page <= visible.last; page++) this.#render(page);
  }

  #button(page) {
    const button = document.createElement("button");
    button.type = "button";
    button.className = "thumb";
    button.dataset.page = String(page);
    const printed = this.labelOf(page);
    button.setAttribute("aria-label", t("Page {page}", { page: printed }));
    button.style.height = `${this.pitch - GAP}px`;
    const frame = document.createElement("span");
    frame.className = "thumb-frame";
    frame.style.width = `${THUMB_WIDTH}px`;
    frame.style.height = `${this.#imageHeight}px`;
    const img = document.createElement("img");
    img.alt = "";
    this.#size(img, page);
    const cached = this.#cache.get(page);
    if (cached) img.src = cached;
    frame.append(img);
    const label = document.createElement("span");
    label.textContent = printed;
    button.append(frame, label);
    button.addEventListener("click", () => this.#onPick(page));
    this.#markButton(button, page);
    this.#place(button, page);
    this.#buttons.set(page, button);
    return button;
  }

  // The page's box inside the frame, in whole device pixels.
  #fitted(page) {
    const shape = this.#source.shapeOf(page) ?? this.#first;
    const dpr = window.devicePixelRatio || 1;
    const scale = Math.min(THUMB_WIDTH / shape.width, this.#imageHeight / shape.height);
    return {
      width: Math.max(1, Math.round(shape.width * scale * dpr)) / dpr,
      height: Math.max(1, Math.round(shape.height * scale * dpr)) / dpr,
    };
  }

  #size(img, page) {
    const box = this.#fitted(page);
    img.style.width = `${box.width}px`;
    img.style.height = `${box.height}px`;
  }

  #place(button, page) {
    const side = overviewCell(page, this.#direction).side;
    button.classList.toggle("left", side === "left");
    button.classList.toggle("right", side === "right");
  }

  #markButton(button, page) {
    if (this.#current.includes(page)) button.setAttribute("aria-current", "page");
    else button.removeAttribute("aria-current");
  }

  #render(page) {
    const button = this.#buttons.get(page);
    const img = button?.querySelector("img");
    if (!img || img.getAttribute("src") || button.dataset.rendering || button.classList.contains("failed")) return;
    const cached = this.#cache.get(page);
    if (cached) {
      img.src = cached;
      return;
    }
    button.dataset.rendering = "1";
    const stillVisible = () => this.#buttons.get(page) === button && this.#inView(page);
    this.#source
      .shape(page)
      .then(() => {
        const box = this.#fitted(page);
        const dpr = window.devicePixelRatio || 1;
        return this.#source.render(page, { width: box.width * dpr, height: box.height * dpr }, stillVisible, "image/jpeg");
      })
      .then((result) => {
        if (this.#count === 0) return URL.revokeObjectURL(result.url);
        this.#cache.set(page, result.url);
        const now = this.#buttons.get(page)?.querySelector("img");
        if (now) now.src = result.url;
        if (result.incomplete) button.title = t("Part of this page could not be drawn");
        return undefined;
      })
      .catch((error) => {
        if (!error?.notDrawn) return;
        button.classList.add("failed");
        button.title = t("This page could not be drawn");
      })
      .finally(() => delete button.dataset.rendering);
  }

  #inView(page) {
    const { scrollTop, clientHeight } = this.#scroller;
    const shown = visibleRange(scrollTop * this.#ratio(), clientHeight, this.pitch, overviewRows(this.#count));
    const row = overviewCell(page, this.#direction).row + 1;
    return clientHeight > 0 && row >= shown.first - 1 && row <= shown.last + 1;
  }
}
