// Toolbar, keyboard, wheel, swipe and panning for the reader page.
import { commandForKey } from "./keys.js";
import { labelOf, pageOfEntry } from "./pageLabels.js";
import { zoomIn, zoomOut } from "./layout.js";
import { opposite, RTL, swipeStep } from "./direction.js";

const $ = (id) => document.getElementById(id);
const WHEEL_STEP = 60;
const WHEEL_PAUSE = 350;
const SWIPE_MIN = 50;

export class Controls {
  #reader;
  #wheel = { sum: 0, until: 0 };

  constructor(reader) {
    this.#reader = reader;
    const click = (id, fn) => $(id).addEventListener("click", fn);
    click("btn-first", () => this.run("first"));
    click("btn-prev", () => this.run("previous"));
    click("btn-next", () => this.run("next"));
    click("btn-last", () => this.run("last"));
    click("btn-direction", () => this.run("direction"));
    click("btn-zoom-in", () => this.run("zoomIn"));
    click("btn-zoom-out", () => this.run("zoomOut"));
    click("btn-zoom-fit", () => this.run("zoomFit"));
    click("btn-fullscreen", () => this.run("fullscreen"));
    click("btn-openpdf", () => reader.openPdf());
    click("btn-print", () => this.run("print"));
    click("btn-find", () => (reader.find.isOpen ? reader.find.close() : reader.find.open()));
    click("btn-thumbs", () => this.#toggle("thumbs-panel", "btn-thumbs"));
    click("btn-contents", () => this.#toggle("contents-panel", "btn-contents"));
    for (const close of document.querySelectorAll("[data-close]")) {
      close.addEventListener("click", () => this.#closePanels());
    }
    $("btn-fullscreen").hidden = !document.fullscreenEnabled;
    document.addEventListener("fullscreenchange", () =>
      $("btn-fullscreen").setAttribute("aria-pressed", String(Boolean(document.fullscreenElement))));

    const input = $("page-input");
    input.addEventListener("change", () => this.#enterPage());
    input.addEventListener("keydown", (e) => {
      if (e.key !== "Enter" && e.key !== "Escape") return;
      // Either way the arrow keys turn pages again afterwards.
      e.preventDefault();
      e.stopPropagation();
      if (e.key === "Enter") this.#enterPage();
      else this.#showPage();
      $("stage").focus({ preventScroll: true });
    });
    input.addEventListener("focus", () => input.select());

    document.addEventListener("keydown", (e) => this.#key(e));
    $("stage").addEventListener("wheel", (e) => this.#wheelTurn(e), { passive: false });
    this.#swipeAndPan($("stage"));
  }

  run(command) {
    const reader = this.#reader;
    const book = reader.book;
    switch (command) {
      case "print": return reader.print();
      case "fullscreen": return toggleFullscreen();
      case "close": return reader.find.isOpen ? reader.find.close() : this.#closePanels();
      case "find": return reader.find.open();
      case "findNext": return reader.find.step(1);
      case "findPrevious": return reader.find.step(-1);
      case "pageEntry": return $("page-input").focus();
      case "selectAll": return reader.selectShownText();
      default: break;
    }
    if (!book) return undefined;
    switch (command) {
      case "first": return book.goTo(1);
      case "previous": return book.previous();
      case "next": return book.next();
      case "last": return book.goTo(book.pageCount);
      case "zoomIn": return this.#zoom(zoomIn(book.zoom));
      case "zoomOut": return this.#zoom(zoomOut(book.zoom));
      case "zoomFit": return this.#zoom(1);
      case "direction": return book.setDirection(opposite(book.direction));
      default: return undefined;
    }
  }

  #zoom(level) {
    this.#reader.book.setZoom(level);
    $("zoom-level").textContent = `${Math.round(level * 100)}%`;
    $("btn-zoom-out").disabled = level <= 1;
    $("btn-zoom-fit").disabled = level <= 1;
  }

  #enterPage() {
    const book = this.#reader.book;
    const input = $("page-input");
    if (!book) return;
    const page = pageOfEntry(input.value, this.#reader.pageLabels, book.pageCount);
    if (page !== null) book.goTo(page);
    this.#showPage();
  }

  #showPage() {
    const book = this.#reader.book;
    if (book) $("page-input").value = labelOf(this.#reader.pageLabels, book.spread.single ?? book.spread.left ?? book.spread.right);
  }

  #key(event) {
    const target = event.target;
    const typing = target instanceof HTMLInputElement;
    const onControl = target instanceof HTMLButtonElement || target instanceof HTMLAnchorElement;
    // Space and Enter belong to a focused button or link.
    if (onControl && (event.key === " " || event.key === "Enter")) return;
    const book = this.#reader.book;
    const command = commandForKey(event, { zoomed: (book?.zoom ?? 1) > 1, typing, direction: book?.direction });
    if (command === null) return;
    event.preventDefault();
    this.run(command);
  }

  #wheelTurn(event) {
    const book = this.#reader.book;
    if (!book) return;
    if (event.ctrlKey) {
      event.preventDefault();
      this.#zoom(event.deltaY < 0 ? zoomIn(book.zoom) : zoomOut(book.zoom));
      return;
    }
    if (book.zoom > 1) return;
    event.preventDefault();
    const now = performance.now();
    if (now < this.#wheel.until) return;
    // Sideways, the wheel moves on toward the side the book reads to.
    const across = book.direction === RTL ? -event.deltaX : event.deltaX;
    const delta = Math.abs(event.deltaX) > Math.abs(event.deltaY) ? across : event.deltaY;
    this.#wheel.sum += event.deltaMode === 0 ? delta : delta * 40;
    if (Math.abs(this.#wheel.sum) < WHEEL_STEP) return;
    if (this.#wheel.sum > 0) book.next();
    else book.previous();
    this.#wheel = { sum: 0, until: now + WHEEL_PAUSE };
  }

  // Touch swipes turn pages; a mouse drag on a zoomed book pans it.
  #swipeAndPan(stage) {
    let start = null;
    stage.addEventListener("pointerdown", (e) => {
      const book = this.#reader.book;
      if (!book || e.button !== 0) return;
      // Words are for selecting, not for dragging the book about.
      if (e.pointerType === "mouse" && e.target instanceof Element && e.target.closest(".textLayer > *")) return;
      start = { x: e.clientX, y: e.clientY, left: stage.scrollLeft, top: stage.scrollTop, id: e.pointerId, type: e.pointerType };
      if (book.zoom > 1 && e.pointerType === "mouse") stage.classList.add("panning");
    });
    stage.addEventListener("pointermove", (e) => {
      const book = this.#reader.book;
      if (!start || e.pointerId !== start.id || !book || book.zoom <= 1 || start.type !== "mouse") return;
      stage.scrollLeft = start.left - (e.clientX - start.x);
      stage.scrollTop = start.top - (e.clientY - start.y);
    });
    const end = (e) => {
      const book = this.#reader.book;
      stage.classList.remove("panning");
      if (!start || e.pointerId !== start.id) return;
      const dx = e.clientX - start.x;
      const dy = e.clientY - start.y;
      const touch = start.type !== "mouse";
      start = null;
      if (!book || !touch || book.zoom > 1 || book.turning) return;
      if (Math.abs(dx) > SWIPE_MIN && Math.abs(dx) > 2 * Math.abs(dy)) {
        if (swipeStep(dx, book.direction) > 0) book.next();
        else book.previous();
      }
    };
    stage.addEventListener("pointerup", end);
    stage.addEventListener("pointercancel", () => {
      start = null;
      stage.classList.remove("panning");
    });
  }

  #toggle(panelId, buttonId) {
    const panel = $(panelId);
    const open = panel.hidden;
    this.#closePanels();
    if (!open) return;
    panel.hidden = false;
    $(buttonId).setAttribute("aria-expanded", "true");
    if (panelId === "thumbs-panel") this.#reader.revealThumbnails();
    (panel.querySelector("[aria-current]") ?? panel.querySelector("button:not([data-close])") ?? panel).focus();
    this.#reader.book?.layout();
  }

  #closePanels() {
    for (const [panel, button] of [["thumbs-panel", "btn-thumbs"], ["contents-panel", "btn-contents"]]) {
      if (!$(panel).hidden) {
        const hadFocus = $(panel).contains(document.activeElement);
        $(panel).hidden = true;
        $(button).setAttribute("aria-expanded", "false");
        if (hadFocus) $(button).focus();
      }
    }
  }
}

function toggleFullscreen() {
  if (!document.fullscreenEnabled) return;
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  else document.documentElement.requestFullscreen().catch(() => {});
}
