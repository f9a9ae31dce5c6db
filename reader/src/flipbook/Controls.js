// Toolbar, keyboard, wheel, swipe and panning for the reader page.
import { BlankSelection } from "./BlankSelection.js";
import { FullscreenBars } from "./FullscreenBars.js";
import { bridgeHandler, fullscreenMessage, post } from "../shared/bridge.js";
import { commandForKey, panForKey } from "./keys.js";
import { labelOf, pageOfEntry } from "./pageLabels.js";
import { opposite, RTL, swipeStep } from "./direction.js";
import { pan, parseZoomEntry, wheelZoom, ZOOM_MAX, ZOOM_MIN, zoomIn, zoomOut, zoomText } from "./zoom.js";

const $ = (id) => document.getElementById(id);
const WHEEL_STEP = 60;
const WHEEL_PAUSE = 350;
const SWIPE_MIN = 50;
const LINE_STEP = 60;
const SCREEN_SHARE = 0.9;
const VIEW_BUTTONS = { spread: "btn-view-spread", single: "btn-view-single", scroll: "btn-view-scroll" };

export class Controls {
  #reader;
  #wheel = { sum: 0, until: 0 };
  #bars;

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
    click("btn-fit-width", () => this.run("fitWidth"));
    click("btn-view-spread", () => this.run("viewSpread"));
    click("btn-view-single", () => this.run("viewSingle"));
    click("btn-view-scroll", () => this.run("viewScroll"));
    this.#zoomEntry($("zoom-level"));
    click("btn-fullscreen", () => this.run("fullscreen"));
    click("btn-openpdf", () => reader.openPdf());
    click("btn-print", () => this.run("print"));
    click("btn-find", () => (reader.find.isOpen ? reader.find.close() : reader.find.open()));
    click("btn-thumbs", () => this.#toggle("thumbs-panel", "btn-thumbs"));
    click("btn-contents", () => this.#toggle("contents-panel", "btn-contents"));
    for (const close of document.querySelectorAll("[data-close]")) {
      close.addEventListener("click", () => this.#closePanels());
    }
    // In the program the window goes full screen and the bars step aside; in
    // a plain browser the page itself does.
    this.#bars = new FullscreenBars({ top: document.querySelector(".topbar"), bottom: document.querySelector(".pager") });
    $("btn-fullscreen").hidden = !bridgeHandler() && !document.fullscreenEnabled;
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
    new BlankSelection($("stage"), { contains: (...args) => this.#reader.book?.textBlocks.contains(...args) ?? false });
    // However the view changes (toolbar, keys, a restored state), the toolbar shows it.
    $("stage").addEventListener("bookview", () => this.sync());
  }

  /** Shows the book's view, fit and zoom on the toolbar. */
  sync() {
    const book = this.#reader.book;
    if (!book) return;
    for (const [view, id] of Object.entries(VIEW_BUTTONS)) $(id).setAttribute("aria-pressed", String(book.view === view));
    const fitted = Math.abs(book.zoom - 1) < 1e-6;
    $("btn-zoom-fit").setAttribute("aria-pressed", String(fitted && book.fit === "page"));
    $("btn-fit-width").setAttribute("aria-pressed", String(fitted && book.fit === "width"));
    $("btn-zoom-out").disabled = book.zoom <= ZOOM_MIN + 1e-6;
    $("btn-zoom-in").disabled = book.zoom >= ZOOM_MAX - 1e-6;
    const entry = $("zoom-level");
    if (document.activeElement !== entry) entry.value = zoomText(book.zoom);
  }

  run(command) {
    const reader = this.#reader;
    const book = reader.book;
    switch (command) {
      case "print": return reader.print();
      case "openPdf": return reader.openPdf();
      case "fullscreen": return post(fullscreenMessage(!this.#bars.active)) || toggleFullscreen();
      case "close": return this.#close();
      case "find": return reader.find.open();
      case "findNext": return reader.find.step(1);
      case "findPrevious": return reader.find.step(-1);
      case "pageEntry":
        this.#bars.reveal("bottom");
        return $("page-input").focus();
      case "selectAll": return reader.selectShownText();
      default: break;
    }
    if (!book) return undefined;
    switch (command) {
      case "first": return book.goTo(1);
      case "previous": return book.previous();
      case "next": return book.next();
      case "last": return book.goTo(book.pageCount);
      case "zoomIn": return book.setZoom(zoomIn(book.zoom));
      case "zoomOut": return book.setZoom(zoomOut(book.zoom));
      case "zoomFit": return book.setFit("page");
      case "fitWidth": return book.setFit("width");
      case "viewSpread": return book.setView("spread");
      case "viewSingle": return book.setView("single");
      case "viewScroll": return book.setView("scroll");
      case "direction": return book.setDirection(opposite(book.direction));
      default: return undefined;
    }
  }

  // Typed levels take effect on Enter; Enter and Escape hand the keys back to the book.
  #zoomEntry(input) {
    const apply = () => {
      const level = parseZoomEntry(input.value);
      if (level !== null) this.#reader.book?.setZoom(level);
      input.value = zoomText(this.#reader.book?.zoom ?? 1);
    };
    input.addEventListener("change", apply);
    input.addEventListener("focus", () => input.select());
    input.addEventListener("keydown", (e) => {
      if (e.key !== "Enter" && e.key !== "Escape") return;
      e.preventDefault();
      e.stopPropagation();
      if (e.key === "Enter") apply();
      else input.value = zoomText(this.#reader.book?.zoom ?? 1);
      $("stage").focus({ preventScroll: true });
    });
  }

  // Moves the stage along one axis; false when it already stands at that edge.
  #pan(axis, delta) {
    const stage = $("stage");
    if (axis === "x") {
      const to = pan(stage.scrollLeft, stage.scrollWidth - stage.clientWidth, delta);
      if (to === null) return false;
      stage.scrollLeft = to;
    } else {
      const to = pan(stage.scrollTop, stage.scrollHeight - stage.clientHeight, delta);
      if (to === null) return false;
      stage.scrollTop = to;
    }
    return true;
  }

  #enterPage() {
    const book = this.#reader.book;
    const input = $("page-input");
    if (!book) return;
    const page = pageOfEntry(input.value, this.#reader.pageLabels, book.pageCount);
    // The box shows the spread's first page after Enter; a change event as it loses focus must not go back to it.
    if (page !== null && page !== book.page) book.goTo(page);
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
    const command = commandForKey(event, { typing, direction: this.#reader.book?.direction });
    if (command === null) return;
    event.preventDefault();
    const book = this.#reader.book;
    const move = typing ? null : panForKey(event);
    if (!book || !move) return void this.run(command);
    // Over a page larger than the view the key pans; only at the edge does it turn.
    const stage = $("stage");
    const screen = move.axis === "x" ? stage.clientWidth : stage.clientHeight;
    // Only pages larger than the view pan: a leaf at rest may reach past the stage without being read.
    if (book.overflows && this.#pan(move.axis, move.sign * (move.step === "screen" ? screen * SCREEN_SHARE : LINE_STEP))) return;
    // The column scrolls from page to page by itself; up and down never jump.
    if (book.view === "scroll" && move.axis === "y") return;
    const from = book.page;
    this.run(command);
    if (book.view !== "scroll" && book.page !== from) book.showEdge(move.sign > 0 ? "start" : "end", move.axis);
  }

  #wheelTurn(event) {
    const book = this.#reader.book;
    if (!book) return;
    if (event.ctrlKey) {
      // Browsers send pinches on a touchpad as Ctrl+wheel too.
      event.preventDefault();
      book.setZoom(wheelZoom(book.zoom, event.deltaY, event.deltaMode), { x: event.clientX, y: event.clientY });
      return;
    }
    if (book.view === "scroll") return;
    const sideways = Math.abs(event.deltaX) > Math.abs(event.deltaY);
    const delta = sideways ? event.deltaX : event.deltaY;
    // A page larger than the view scrolls first; the wheel turns once it stands at the edge.
    const stage = $("stage");
    const limit = sideways ? stage.scrollWidth - stage.clientWidth : stage.scrollHeight - stage.clientHeight;
    if (book.overflows && pan(sideways ? stage.scrollLeft : stage.scrollTop, limit, delta) !== null) return;
    event.preventDefault();
    const now = performance.now();
    if (now < this.#wheel.until) return;
    // Sideways, the wheel moves on toward the side the book reads to.
    const mirrored = sideways && book.direction === RTL;
    this.#wheel.sum += (mirrored ? -1 : 1) * (event.deltaMode === 0 ? delta : delta * 40);
    if (Math.abs(this.#wheel.sum) < WHEEL_STEP) return;
    const from = book.page;
    if (this.#wheel.sum > 0) book.next();
    else book.previous();
    const towardEnd = (mirrored ? -1 : 1) * this.#wheel.sum > 0;
    if (book.page !== from) book.showEdge(towardEnd ? "start" : "end", sideways ? "x" : "y");
    this.#wheel = { sum: 0, until: now + WHEEL_PAUSE };
  }

  // Touch swipes turn pages; a mouse drag outside the text of pages larger than the view pans them.
  #swipeAndPan(stage) {
    let start = null;
    stage.addEventListener("pointerdown", (e) => {
      const book = this.#reader.book;
      if (!book || e.button !== 0) return;
      // Words, and the blank between them, are for selecting, not for dragging the book about.
      if (e.pointerType === "mouse" && e.target instanceof Element
        && (e.target.closest(".textLayer > *") || book.textBlocks.contains(e.target, e.clientX, e.clientY))) return;
      const pans = book.overflows && e.pointerType === "mouse";
      start = { x: e.clientX, y: e.clientY, left: stage.scrollLeft, top: stage.scrollTop, id: e.pointerId, type: e.pointerType, pans };
      if (pans) stage.classList.add("panning");
    });
    stage.addEventListener("pointermove", (e) => {
      if (!start || e.pointerId !== start.id || !start.pans) return;
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
      if (!book || !touch || book.overflows || book.view === "scroll" || book.turning) return;
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

  /** The host's word that the window shows the book alone, or no longer. */
  fullscreenChanged(active) {
    this.#bars.set(active, $("stage"));
    $("btn-fullscreen").setAttribute("aria-pressed", String(this.#bars.active));
    this.#reader.book?.layout();
  }

  // Escape closes what lies over the book first, and only then leaves full screen.
  #close() {
    if (this.#reader.find.isOpen) return this.#reader.find.close();
    if (this.#closePanels()) return undefined;
    if (this.#bars.active) post(fullscreenMessage(false));
    return undefined;
  }

  #closePanels() {
    let closed = false;
    for (const [panel, button] of [["thumbs-panel", "btn-thumbs"], ["contents-panel", "btn-contents"]]) {
      if (!$(panel).hidden) {
        const hadFocus = $(panel).contains(document.activeElement);
        $(panel).hidden = true;
        $(button).setAttribute("aria-expanded", "false");
        if (hadFocus) $(button).focus();
        closed = true;
      }
    }
    return closed;
  }
}

function toggleFullscreen() {
  if (!document.fullscreenEnabled) return;
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  else document.documentElement.requestFullscreen().catch(() => {});
}
