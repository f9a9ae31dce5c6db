// The book on screen: spreads or single pages sized to the stage, turned by a
// leaf that rotates about the spine. The leaf always hangs on the right-hand
// half: its front is a right-hand page, its back a left-hand page.
import {
  clampPage, nextPage, pageSize, pagesAround, previousPage, spreadAnchor, spreadOf, usesSpreads,
} from "./layout.js";
import { PageTurn } from "./PageTurn.js";

export class Book {
  #stage;
  #el;
  #images;
  #onChange;
  #count = 0;
  #aspect = 0.7071;
  #spreads = false;
  #page = 1;
  #zoom = 1;
  #size = { width: 1, height: 1 };
  #slots;
  #turn;

  constructor(stage, images, onChange) {
    this.#stage = stage;
    this.#images = images;
    this.#onChange = onChange;
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
    stage.replaceChildren(this.#el);
    this.#turn = new PageTurn(this, leaf);
  }

  get element() { return this.#el; }
  get page() { return this.#page; }
  get pageCount() { return this.#count; }
  get spreads() { return this.#spreads; }
  get zoom() { return this.#zoom; }
  get pageWidth() { return this.#size.width; }
  get spread() { return spreadOf(this.#page, this.#count, this.#spreads); }
  get turning() { return this.#turn.active; }

  open(count, aspect, page = 1) {
    this.#count = count;
    this.#aspect = aspect > 0 ? aspect : this.#aspect;
    this.#page = clampPage(page, count);
    this.layout();
  }

  /** Fits the book to the stage again, keeping the page the reader is on. */
  layout() {
    if (this.#count === 0) return;
    this.#turn.finish();
    const width = this.#stage.clientWidth;
    const height = this.#stage.clientHeight;
    const margin = Math.min(32, width * 0.04);
    this.#spreads = usesSpreads(width - 2 * margin, height - 2 * margin, this.#aspect, this.#count);
    this.#size = pageSize(width - 2 * margin, height - 2 * margin, this.#aspect, this.#spreads, this.#zoom);
    const { width: pw, height: ph } = this.#size;
    this.#el.classList.toggle("spreads", this.#spreads);
    this.#el.style.width = `${this.#spreads ? 2 * pw : pw}px`;
    this.#el.style.height = `${ph}px`;
    this.#el.style.setProperty("--page-width", `${pw}px`);
    this.#el.style.setProperty("--page-units", String(pw));
    this.#images.setPixelWidth(pw * (window.devicePixelRatio || 1), this.#aspect);
    this.#page = spreadAnchor(this.#page, this.#count, this.#spreads);
    this.show(this.spread);
    this.#settle();
  }

  setZoom(zoom) {
    const stage = this.#stage;
    const cx = (stage.scrollLeft + stage.clientWidth / 2) / Math.max(1, stage.scrollWidth);
    const cy = (stage.scrollTop + stage.clientHeight / 2) / Math.max(1, stage.scrollHeight);
    this.#zoom = zoom;
    stage.classList.toggle("zoomed", zoom > 1);
    this.layout();
    stage.scrollLeft = cx * stage.scrollWidth - stage.clientWidth / 2;
    stage.scrollTop = cy * stage.scrollHeight - stage.clientHeight / 2;
  }

  /** Puts the pages of `spread` into the two slots (single pages use the right one). */
  show(spread) {
    this.#fill(this.#slots.left, spread.left);
    this.#fill(this.#slots.right, spread.single ?? spread.right);
  }

  pageElement(number) {
    return number === null ? null : this.#images.element(number);
  }

  goTo(page, { animate = true } = {}) {
    const target = spreadAnchor(clampPage(page, this.#count), this.#count, this.#spreads);
    if (target === this.#page && !this.#turn.active) return;
    this.#turn.finish();
    const from = this.#page;
    if (target === from) return;
    this.dropSelection();
    const near = target === nextPage(from, this.#count, this.#spreads) || target === previousPage(from, this.#count, this.#spreads);
    this.#page = target;
    if (animate && this.#zoom === 1 && near && this.#turn.start(from, target)) {
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

  next() { this.goTo(nextPage(this.#page, this.#count, this.#spreads)); }
  previous() { this.goTo(previousPage(this.#page, this.#count, this.#spreads)); }

  /** Spread of `page` under the current layout (used by the turn). */
  spreadFor(page) {
    return spreadOf(page, this.#count, this.#spreads);
  }

  /** Called by the turn when a drag started by the reader lands on `page`. */
  landed(page) {
    this.dropSelection();
    this.#page = page;
    this.#onChange(this.spread);
  }

  /** A selection on pages that turn away would be left hanging over others. */
  dropSelection() {
    const selection = document.getSelection();
    if (selection?.rangeCount && this.#el.contains(selection.anchorNode)) selection.removeAllRanges();
  }

  #settle() {
    this.#images.prefetch(pagesAround(this.#page, this.#count, this.#spreads));
    this.#onChange(this.spread);
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
