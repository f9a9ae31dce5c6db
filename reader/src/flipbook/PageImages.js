// Page elements for the book: each carries its own size and shows its page as
// an image of exactly that many device pixels, with its links laid over it.
// Rendered images are kept in a small cache; everything else is dropped as the
// reader moves on.
import { LruCache } from "./LruCache.js";
import { linkTarget, rectToBox } from "./links.js";
import { t } from "../shared/strings.js";

const IMAGE_CACHE = 14;
// Past this many pixels a page costs more memory than zooming in gains sharpness:
// beyond it the render is stretched (at 1x, a page about 3400 x 4700 pixels).
const MAX_PIXELS = 16e6;
// Decoded renders held in all, about 190 MB: at high zoom a few pages fill it,
// and those not on screen go first.
const PIXEL_BUDGET = 48e6;
const LINK_CACHE = 40;

export class PageImages {
  #source;
  #root;
  #onLink;
  #text;
  #images = new LruCache(IMAGE_CACHE, (entry) => URL.revokeObjectURL(entry.url));
  #links = new LruCache(LINK_CACHE);
  #pending = new Map();
  #sizer = () => ({ width: 1, height: 1 });
  #wanted = new Set();
  #failed = new Set();

  /** `root` holds every page element; `onLink(target)` follows a clicked link; `text` lays text over pages. */
  constructor(source, root, onLink, text = null) {
    this.#source = source;
    this.#root = root;
    this.#onLink = onLink;
    this.#text = text;
  }

  get cachedCount() {
    return this.#images.size;
  }

  /** `sizer(number)` gives a page's box in CSS pixels; a new size renders the page again. */
  setSizer(sizer) {
    this.#sizer = sizer;
  }

  /**
   * A page element for `number`. A `quiet` one shows a render already made
   * but asks for nothing (no render, no text, no links) until `wake` is called:
   * pages flying past in a fast scroll are not worth the work.
   */
  element(number, { quiet = false } = {}) {
    const page = document.createElement("div");
    page.className = "page";
    page.dataset.page = String(number);
    const box = this.#sizer(number);
    page.style.width = `${box.width}px`;
    page.style.height = `${box.height}px`;
    // The text layer scales its glyphs by this, and a turned page's layer is laid out across.
    page.style.setProperty("--page-units", String(box.width));
    page.style.setProperty("--page-w", `${box.width}px`);
    page.style.setProperty("--page-h", `${box.height}px`);
    const img = document.createElement("img");
    img.alt = t("Page {page}", { page: number });
    img.draggable = false;
    img.decoding = "sync";
    const links = document.createElement("div");
    links.className = "links";
    page.append(img, links);
    if (quiet) {
      page.dataset.quiet = "";
      this.#show(page, number, false);
    } else {
      this.#show(page, number);
      // The caller puts the element into the book right after this returns.
      queueMicrotask(() => this.#dress(page, number));
    }
    return page;
  }

  /** Brings a quiet page element to life: rendered, with its text and links. */
  wake(page) {
    if (!("quiet" in page.dataset)) return;
    delete page.dataset.quiet;
    const number = Number(page.dataset.page);
    this.#show(page, number);
    this.#dress(page, number);
  }

  #dress(page, number) {
    this.#showLinks(page, number);
    // A leaf's faces only repeat a page for the length of a turn.
    if (page.parentElement?.matches(".slot, .column")) this.#text?.attach(page, number);
  }

  /** Renders `pages` (nearest first) and forgets renders nobody wants any more. */
  prefetch(pages) {
    this.#wanted = new Set(pages.map((n) => this.#key(n)));
    for (const n of pages) this.#request(n);
  }

  /** Resolves once every page element in the book shows a sharp image. */
  async settled() {
    await Promise.all([...this.#pending.values()]);
  }

  clear() {
    this.#images.clear();
    this.#links.clear();
    this.#pending.clear();
    this.#failed.clear();
  }

  // Exactly the box's device pixels, so the image is never resampled; past the
  // memory bound it is drawn smaller and stretched.
  #pixels(number) {
    const box = this.#sizer(number);
    const dpr = window.devicePixelRatio || 1;
    const shrink = Math.min(1, Math.sqrt(MAX_PIXELS / (box.width * box.height * dpr * dpr)));
    return { width: Math.max(1, Math.round(box.width * dpr * shrink)), height: Math.max(1, Math.round(box.height * dpr * shrink)) };
  }

  #key(number, size = this.#pixels(number)) {
    return `${number}@${size.width}x${size.height}`;
  }

  #show(page, number, ask = true) {
    const img = page.firstChild;
    const key = this.#key(number);
    const entry = this.#images.get(key) ?? this.#anySize(number);
    if (entry) {
      if (img.getAttribute("src") !== entry.url) img.src = entry.url;
      page.classList.remove("loading");
      if (entry.incomplete) this.#addNotice(page, t("Part of this page could not be drawn"));
    } else {
      page.classList.add("loading");
    }
    if (ask && entry?.key !== key) this.#request(number);
  }

  // Oldest first, drops renders no page element shows until the rest fit the budget.
  #trim() {
    const pixels = (key) => key.slice(key.indexOf("@") + 1).split("x").reduce((a, b) => a * Number(b), 1);
    const keys = this.#images.keys();
    let total = keys.reduce((sum, key) => sum + pixels(key), 0);
    for (const key of keys) {
      if (total <= PIXEL_BUDGET) return;
      const shown = [...this.#root.querySelectorAll(`.page[data-page="${key.slice(0, key.indexOf("@"))}"] img`)]
        .some((img) => img.getAttribute("src") === this.#images.peek(key).url);
      if (shown) continue;
      total -= pixels(key);
      this.#images.delete(key);
    }
  }

  // A render at another zoom stands in, stretched, until the sharp one is ready.
  #anySize(number) {
    const prefix = `${number}@`;
    for (const key of this.#images.keys()) if (key.startsWith(prefix)) return this.#images.peek(key);
    return undefined;
  }

  #request(number) {
    const size = this.#pixels(number);
    const key = this.#key(number, size);
    if (this.#images.has(key) || this.#pending.has(key)) return;
    const current = () => this.#key(number) === key;
    if (this.#failed.has(number)) return void queueMicrotask(() => this.#showFailed(number));
    // Queued renders the reader has paged past are skipped when their turn comes.
    const wanted = () =>
      this.#wanted.has(key) || (current() && this.#root.querySelector(`.page[data-page="${number}"]`) !== null);
    const job = this.#source
      .render(number, size, wanted)
      .then(async (result) => {
        // Decoded ahead, and held decoded, so a turn does not stall on it.
        const decoded = new Image();
        decoded.src = result.url;
        await decoded.decode().catch(() => {});
        this.#images.set(key, { url: result.url, key, decoded, incomplete: Boolean(result.incomplete) });
        this.#trim();
        if (current()) {
          for (const page of this.#root.querySelectorAll(`.page[data-page="${number}"]`)) this.#show(page, number);
        }
      })
      .catch((error) => {
        this.#pending.delete(key);
        if (error?.notDrawn) return void this.#showFailed(number);
        // Skipped while out of view, then shown again before the skip was known: ask once more.
        const skipped = error?.message === "skipped";
        if (skipped && current() && this.#root.querySelector(`.page[data-page="${number}"]:not([data-quiet])`)) this.#request(number);
      })
      .finally(() => this.#pending.get(key) === job && this.#pending.delete(key));
    this.#pending.set(key, job);
  }

  // Never a silent white page: the page says it could not be drawn.
  #showFailed(number) {
    this.#failed.add(number);
    for (const page of this.#root.querySelectorAll(`.page[data-page="${number}"]`)) {
      page.classList.replace("loading", "failed") || page.classList.add("failed");
      this.#addNotice(page, t("This page could not be drawn"));
    }
  }

  #addNotice(page, text) {
    if (page.querySelector(".failed-notice")) return;
    const notice = document.createElement("p");
    notice.className = "failed-notice";
    notice.textContent = text;
    page.append(notice);
  }

  async #showLinks(page, number) {
    let links = this.#links.get(number);
    if (!links) {
      try {
        links = await this.#source.links(number);
      } catch {
        return;
      }
      this.#links.set(number, links);
    }
    const layer = page.lastChild;
    if (layer.childElementCount > 0 || !page.isConnected) return;
    for (const annotation of links.annotations) {
      const target = linkTarget(annotation);
      const box = target && rectToBox(annotation.rect, links.viewport);
      if (!box) continue;
      const a = document.createElement("a");
      a.className = "link";
      a.href = target.kind === "external" ? target.url : "#";
      a.title = target.kind === "external" ? target.url : t("Go to linked page");
      a.setAttribute("aria-label", target.kind === "external" ? t("Open {address}", { address: target.url }) : t("Go to linked page"));
      a.style.left = `${box.left * 100}%`;
      a.style.top = `${box.top * 100}%`;
      a.style.width = `${box.width * 100}%`;
      a.style.height = `${box.height * 100}%`;
      a.addEventListener("pointerdown", (e) => e.stopPropagation());
      a.addEventListener("click", (e) => {
        e.preventDefault();
        e.stopPropagation();
        this.#onLink(target);
      });
      layer.append(a);
    }
  }
}
