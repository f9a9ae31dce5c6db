// One reader page: loads the flipbook the host names, shows it as a book and
// keeps the toolbar, panels and announcements in step with it.
import { bookUrl, capText, cssUrl, readConfig, TITLE_MAX_GRAPHEMES } from "./config.js";
import { pageAnnouncement, pagesOf } from "./layout.js";
import { contentsMessage, drawnMessage, foundMessage, onScreenMessage, openPdfMessage, positionMessage, post, printMessage } from "../shared/bridge.js";
import { contentsReport } from "./contentsReport.js";
import { tocFromMetadata, tocFromOutline } from "./toc.js";
import { Book } from "./Book.js";
import { applyViewState, readViewState, viewReport } from "./viewState.js";
import { t } from "../shared/strings.js";
import { Find } from "./Find.js";
import { PageImages } from "./PageImages.js";
import { PdfSource } from "./PdfSource.js";
import { TextIndex } from "./TextIndex.js";
import { TextLayers } from "./TextLayers.js";
import { Thumbnails } from "./Thumbnails.js";
import { Contents } from "./Contents.js";
import { ShownText } from "./ShownText.js";
import { labelOf, pageDisplay } from "./pageLabels.js";
import { pagesOnScreen, RTL, tooltipFor } from "./direction.js";

const $ = (id) => document.getElementById(id);
// The host is told where the reader is once the pages have stopped turning.
const POSITION_DELAY_MS = 500;
// The shape a page takes when its PDF gives it none that can be drawn.
const A4 = { width: 595, height: 842 };

export class Reader {
  #session = 0;
  #config = null;
  #source = null;
  #images = null;
  #thumbs = null;
  #text = null;
  #startPage = 1;
  #startView = {};
  #told = 0;
  #toldView = "";
  #drawnTold = false;
  #spread = null;
  #toldOnScreen = "";
  #positionTimer = 0;
  book = null;
  textIndex = null;
  /** Printed page labels, one per page, or null. */
  pageLabels = null;

  constructor() {
    new ResizeObserver(() => this.book?.layout()).observe($("stage"));
    // A new pixel ratio (another screen, another scale) needs pages of other pixel sizes.
    const watchRatio = () => matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener("change", () => {
      this.book?.layout();
      watchRatio();
    }, { once: true });
    watchRatio();
    // A change of view, fit or zoom need not move the page: it is told all the same.
    $("stage").addEventListener("bookview", () => this.#tellLater());
    this.find = new Find(this);
    this.shown = new ShownText(this);
    let found = "";
    this.find.onStatus = (status) => {
      if (status !== found) post(foundMessage(status));
      found = status;
    };
    this.contents = new Contents($("contents"), (page) => this.goTo(page), (page) => labelOf(this.pageLabels, page));
  }

  /** The host names the page and view to open at; it may come before or after the book has opened. */
  resumeAt(page, state) {
    const n = Number(page);
    const valid = Number.isInteger(n) && n >= 1;
    const view = readViewState(state);
    if (!this.book) {
      if (valid) this.#startPage = n;
      this.#startView = view;
      return;
    }
    if (valid) this.book.goTo(n, { animate: false });
    applyViewState(this.book, view);
  }

  /** Draws the find bar's marks again on the pages in the book. */
  refreshMarks() {
    if (this.#text && this.book) this.#text.refresh(this.book.element);
  }

  /** Takes a configuration from the host; a later one replaces the book. */
  async load(raw) {
    const session = ++this.#session;
    this.#startPage = 1;
    this.#startView = {};
    this.#toldView = "";
    this.#spread = null;
    this.#toldOnScreen = "";
    await this.#close();
    const config = readConfig(raw, document.baseURI);
    this.#config = config;
    this.#showTitles(config);
    if (config.error) return this.#fail(t("The flipbook cannot be shown"), t(config.error));

    this.#setBusy(true);
    const source = new PdfSource(bookUrl(config.pdfUrl) ?? config.pdfUrl);
    this.#source = source;
    this.pageLabels = null;
    source.onRead = (bytes) => {
      if (session === this.#session) $("loading-text").textContent = loadingText(bytes);
    };
    let count;
    let first;
    let direction;
    try {
      await source.open();
      count = source.pageCount;
      direction = await source.direction();
      // Page 1 stands in for pages whose shapes are not known yet; the start page and its
      // neighbours (one of them shares its spread) are laid out right away.
      first = (await source.shape(1)) ?? A4;
      const start = Math.min(this.#startPage, count);
      const near = start > 1 ? [start - 1, start, start + 1].filter((n) => n <= count) : [];
      // A damaged page there shows as damaged; it does not stop the book from opening.
      const labels = source.labels().catch(() => null);
      await Promise.all(near.map((n) => source.shape(n).catch(() => null)));
      this.pageLabels = await labels;
    } catch (error) {
      if (session !== this.#session) return undefined;
      return this.#fail(t("The flipbook cannot be opened"), describeLoadError(error));
    }
    if (session !== this.#session) return undefined;
    if (count < 1) return this.#fail(t("The flipbook cannot be opened"), t("Its PDF has no pages."));

    this.#text = new TextLayers(source);
    this.#text.marks = (number) => [...this.find.marks(number), ...this.shown.marks(number)];
    this.textIndex = new TextIndex(source);
    this.#images = new PageImages(source, $("stage"), (target) => this.#followLink(target), this.#text);
    const shapes = { of: (n) => source.shapeOf(n) ?? first, lookUp: (numbers) => source.lookUp(numbers) };
    $("page-input").classList.toggle("labelled", this.pageLabels !== null);
    $("page-input").inputMode = this.pageLabels ? "text" : "numeric";
    this.book = new Book($("stage"), this.#images, (spread) => this.#changed(spread), shapes);
    source.onShape = (n) => {
      this.book?.reshaped(n);
      this.#thumbs?.reshaped(n);
    };
    document.body.classList.add("has-book");
    this.#told = 0;
    this.book.setDirection(direction);
    this.book.open(count, Math.min(this.#startPage, count));
    applyViewState(this.book, this.#startView);
    // From here each page shows its own loading state.
    source.onRead = null;
    $("loading-text").textContent = "";
    $("page-count").textContent = String(count);
    // The overview and the contents wait until the first pages are on screen.
    await this.#images.settled();
    if (session !== this.#session) return undefined;
    this.#setBusy(false);
    this.#thumbs = new Thumbnails($("thumbs"), source, (page) => this.goTo(page));
    this.#thumbs.setDirection(this.book.direction);
    this.#thumbs.labelOf = (page) => labelOf(this.pageLabels, page);
    this.#thumbs.build(count, first);
    this.#thumbs.mark(pagesOf(this.book.spread));
    this.#loadContents(config, source, count, session);
    return undefined;
  }

  get config() {
    return this.#config;
  }

  goTo(page) {
    this.book?.goTo(page);
  }

  /** Selects the text of the pages on screen, and nothing around them. */
  selectShownText() {
    if (this.book) this.#text?.selectShown($("stage"));
  }

  /** The overview panel has opened: centre the current page in it. */
  revealThumbnails() {
    if (this.book) this.#thumbs?.reveal(this.book.page);
  }

  openPdf() {
    if (this.#config?.path) post(openPdfMessage(this.#config.path));
  }

  print() {
    if (!this.#config?.path) return;
    // "Current page" must be what is on screen now, not half a second ago.
    clearTimeout(this.#positionTimer);
    this.#tellPosition();
    post(printMessage(this.#config.path));
  }

  async #followLink(target) {
    if (target.kind === "external") {
      window.open(target.url, "_blank");
      return;
    }
    const page = await this.#source?.resolveDest(target.dest).catch(() => null);
    if (page) this.goTo(page);
  }

  #changed(spread) {
    this.#spread = spread;
    const count = this.book.pageCount;
    const pages = pagesOf(spread);
    const input = $("page-input");
    if (document.activeElement !== input) input.value = labelOf(this.pageLabels, pages[0]);
    input.title = pageDisplay(this.pageLabels, pages[0], count);
    $("announce").textContent = pageAnnouncement(spread, count);
    const first = pages[0] <= 1;
    const last = pages[pages.length - 1] >= count;
    $("btn-first").disabled = first;
    $("btn-prev").disabled = first;
    $("btn-next").disabled = last;
    $("btn-last").disabled = last;
    this.#thumbs?.mark(pages);
    this.#showDirection(this.book.direction);
    this.contents.mark(pages);
    this.shown.update(pages);
    clearTimeout(this.#positionTimer);
    this.#positionTimer = setTimeout(() => this.#tellPosition(), POSITION_DELAY_MS);
  }

  // The page bar runs the way the book reads; the rest of the chrome keeps the language's direction.
  #showDirection(direction) {
    const rtl = direction === RTL;
    document.body.classList.toggle("book-rtl", rtl);
    this.#thumbs?.setDirection(direction);
    $("btn-direction").setAttribute("aria-pressed", String(rtl));
    for (const id of ["btn-prev", "btn-next"]) {
      const button = $(id);
      button.dataset.title ??= button.title;
      button.title = tooltipFor(button.dataset.title, direction);
    }
  }

  #tellPosition() {
    const page = this.book?.page;
    if (!page) return;
    if (page !== this.#told) post(positionMessage(page));
    this.#told = page;
    const view = viewReport(this.book);
    if (view !== "" && view !== this.#toldView) post(view);
    this.#toldView = view;
    const shown = this.#spread ? onScreenMessage(pagesOnScreen(this.#spread, this.book.direction)) : "";
    if (shown !== "" && shown !== this.#toldOnScreen) post(shown);
    this.#toldOnScreen = shown;
  }

  // Once the reader has settled, like a turn of the page.
  #tellLater() {
    clearTimeout(this.#positionTimer);
    this.#positionTimer = setTimeout(() => this.#tellPosition(), POSITION_DELAY_MS);
  }

  async #loadContents(config, source, count, session) {
    let entries = tocFromMetadata(config.metadata, count);
    if (entries.length === 0) {
      entries = await tocFromOutline(await source.outline().catch(() => []), (dest) => source.resolveDest(dest));
    }
    if (session !== this.#session) return;
    this.contents.show(entries);
    post(contentsMessage(contentsReport(entries)));
    if (this.book) this.contents.mark(pagesOf(this.book.spread));
    $("btn-contents").hidden = entries.length === 0;
  }

  #showTitles(config) {
    const title = displayText(config.title);
    const subtitle = displayText(config.subtitle);
    $("title").textContent = title;
    $("subtitle").textContent = subtitle;
    document.title = title !== "" ? title : "Brivane Reader";
    const stage = $("main");
    stage.style.backgroundColor = "";
    stage.style.backgroundImage = "";
    const background = config.background;
    if (background?.color) stage.style.backgroundColor = background.color;
    if (background?.image) stage.style.backgroundImage = cssUrl(bookUrl(background.image) ?? background.image);
    document.body.classList.toggle("custom-background", Boolean(background));
  }

  #fail(heading, text) {
    this.#setBusy(false);
    document.body.classList.remove("has-book");
    const box = $("message");
    box.querySelector("h2").textContent = heading;
    box.querySelector("p").textContent = text;
    box.hidden = false;
  }

  #setBusy(busy) {
    $("loading").hidden = !busy;
    if (!busy) $("loading-text").textContent = "";
    $("main").setAttribute("aria-busy", String(busy));
    if (!busy) this.#tellDrawn();
  }

  // Once the frame holding the pages (or the reason there are none) has been
  // painted and handed on: the host's picture over the view goes only then.
  #tellDrawn() {
    if (this.#drawnTold) return;
    this.#drawnTold = true;
    const page = this.book?.spread ? Math.min(...pagesOf(this.book.spread)) : 0;
    requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(() => post(drawnMessage(page)), 0)));
  }

  async #close() {
    $("message").hidden = true;
    clearTimeout(this.#positionTimer);
    this.find.reset();
    this.shown.clear();
    this.#text?.clear();
    this.#text = null;
    this.textIndex = null;
    document.body.classList.remove("has-book");
    $("btn-contents").hidden = true;
    this.contents.show([]);
    this.pageLabels = null;
    this.#thumbs?.destroy();
    this.#thumbs = null;
    this.#images?.clear();
    this.#images = null;
    this.book = null;
    $("stage").replaceChildren();
    const source = this.#source;
    this.#source = null;
    await source?.destroy().catch(() => {});
  }
}

/** What the loading hint says while the first pages' bytes come in. */
function loadingText(bytes) {
  const mb = bytes / 1e6;
  return t("Loading the first page… {mb} MB read", { mb: mb < 10 ? mb.toFixed(1) : Math.round(mb) });
}

// A title of megabytes would cost the page its memory; what fits on a line is plenty.
function displayText(text) {
  return capText(htmlToText(capText(text ?? "", 8 * TITLE_MAX_GRAPHEMES)), TITLE_MAX_GRAPHEMES);
}

/** Plain text of a title that may carry markup or character references; never parsed into the page. */
export function htmlToText(text) {
  if (!/[<&]/.test(text)) return text;
  const doc = new DOMParser().parseFromString(text, "text/html");
  return (doc.body?.textContent ?? "").replace(/\s+/g, " ").trim();
}

function describeLoadError(error) {
  const name = error?.name ?? "";
  if (error?.missing === true || name === "MissingPDFException") {
    return t("Its PDF could not be found. Try opening the flipbook again.");
  }
  if (name === "InvalidPDFException") return t("Its PDF is damaged and cannot be read.");
  if (name === "PasswordException") return t("Its PDF is protected by a password.");
  return t("Its PDF could not be read.");
}
