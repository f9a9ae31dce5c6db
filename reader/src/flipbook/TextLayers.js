// Selectable text over the page images: pdf.js lays each text item out as a
// transparent span at the place the image shows it. The layer is sized by its
// page's --page-units, so zooming and resizing only change one CSS variable.
import { TextLayer } from "pdfjs-dist/legacy/build/pdf.mjs";
import { LruCache } from "./LruCache.js";
import { t } from "../shared/strings.js";
import { itemRanges, pageText, plainLetters } from "./textSearch.js";

const CONTENT_CACHE = 24;

export class TextLayers {
  #source;
  #contents = new LruCache(CONTENT_CACHE);
  #marks = () => [];
  #layers = new WeakMap();
  #listening = new AbortController();

  constructor(source) {
    this.#source = source;
    const signal = this.#listening.signal;
    document.addEventListener("selectionchange", () => this.#followSelection(), { signal });
    document.addEventListener("copy", (e) => this.#copy(e), { signal });
  }

  /** Selects the text of the pages that show in `root`, from the first one's start to the last one's end. */
  selectShown(root) {
    const view = root.getBoundingClientRect();
    const shown = [...root.querySelectorAll(".page .textLayer")].filter((layer) => {
      const box = layer.getBoundingClientRect();
      return box.width > 0 && box.right > view.left && box.left < view.right && box.bottom > view.top && box.top < view.bottom
        && !layer.closest("[aria-hidden='true']");
    });
    const selection = document.getSelection();
    selection.removeAllRanges();
    if (shown.length === 0) return;
    const range = document.createRange();
    range.setStart(shown[0], 0);
    const last = shown.at(-1);
    range.setEnd(last, last.childNodes.length);
    selection.addRange(range);
  }

  // Text is laid out as the PDF spells it; what goes to the clipboard reads as letters.
  #copy(event) {
    const selection = document.getSelection();
    if (!selection?.rangeCount || !event.clipboardData) return;
    const node = selection.getRangeAt(0).commonAncestorContainer;
    const element = node.nodeType === Node.ELEMENT_NODE ? node : node.parentElement;
    if (!element || !(element.closest(".textLayer") || element.querySelector(".textLayer"))) return;
    const text = selection.toString();
    const plain = plainLetters(text);
    if (plain === text) return;
    event.clipboardData.setData("text/plain", plain);
    event.preventDefault();
  }

  /** `marks(number)` gives [{ start, length, current }] in the folded text of page `number`. */
  set marks(fn) {
    this.#marks = fn;
  }

  /** Lays the text of page `number` over `pageEl` once the element is in the book. */
  async attach(pageEl, number) {
    let entry = this.#contents.get(number);
    if (!entry) {
      try {
        entry = await this.#source.textContent(number);
      } catch {
        return;
      }
      entry.map = pageText(entry.content.items, true).map;
      this.#contents.set(number, entry);
    }
    if (!pageEl.isConnected || pageEl.querySelector(".textLayer")) return;
    const container = document.createElement("div");
    container.className = "textLayer";
    container.setAttribute("role", "document");
    container.setAttribute("aria-label", t("Text of page {number}", { number }));
    // pdf.js sizes glyphs by a number, not a length: page units to CSS pixels.
    container.style.setProperty("--total-scale-factor", `calc(var(--page-units) / ${entry.viewport.width})`);
    const layer = new TextLayer({ textContentSource: entry.content, container, viewport: entry.viewport });
    pageEl.insertBefore(container, pageEl.querySelector(".links"));
    try {
      await layer.render();
    } catch {
      container.remove();
      return;
    }
    // While a drag selects, the blank between and beside lines belongs to this
    // block, which follows the selection's moving end: past a line's end the
    // selection stops there instead of jumping to the page's first or last word.
    const end = document.createElement("div");
    end.className = "endOfContent";
    container.append(end);
    container.addEventListener("pointerdown", () => {
      container.classList.add("selecting");
      document.addEventListener("pointerup", () => container.classList.remove("selecting"), { once: true });
    });
    this.#layers.set(container, { divs: layer.textDivs, texts: layer.textContentItemsStr });
    this.#highlight(container, number);
  }

  /** Marks matches again on every page element under `root`. */
  refresh(root) {
    for (const container of root.querySelectorAll(".page .textLayer")) {
      const number = Number(container.closest(".page").dataset.page);
      this.#highlight(container, number);
    }
  }

  #followSelection() {
    const layer = document.querySelector(".textLayer.selecting");
    const selection = document.getSelection();
    if (!layer || !selection?.rangeCount || !selection.focusNode) return;
    const node = selection.focusNode;
    const span = (node.nodeType === Node.ELEMENT_NODE ? node : node.parentElement)?.closest(".textLayer > span");
    const end = layer.querySelector(".endOfContent");
    if (!span || !end || span.parentElement !== layer || span.nextSibling === end) return;
    span.after(end);
  }

  /** The book closes: nothing of it is kept or listened to. */
  clear() {
    this.#listening.abort();
    this.#contents.clear();
  }

  #highlight(container, number) {
    const layer = this.#layers.get(container);
    if (!layer) return;
    const { divs, texts } = layer;
    for (const div of container.querySelectorAll(".has-highlight")) {
      const index = divs.indexOf(div);
      div.textContent = texts[index];
      div.classList.remove("has-highlight");
    }
    const map = this.#contents.peek(number)?.map;
    if (!map) return;
    // Ranges per item, so one item holding two matches is split once.
    const byItem = new Map();
    for (const mark of this.#marks(number)) {
      for (const range of itemRanges(map, mark.start, mark.length)) {
        if (!byItem.has(range.item)) byItem.set(range.item, []);
        byItem.get(range.item).push({ ...range, current: mark.current, speaking: mark.speaking });
      }
    }
    for (const [item, ranges] of byItem) {
      const div = divs[item];
      const text = texts[item];
      if (!div || text === undefined) continue;
      ranges.sort((a, b) => a.from - b.from);
      const parts = [];
      let at = 0;
      for (const range of ranges) {
        if (range.from < at) continue;
        parts.push(document.createTextNode(text.slice(at, range.from)));
        const mark = document.createElement("mark");
        mark.className = range.speaking ? "highlight speaking" : range.current ? "highlight current" : "highlight";
        mark.textContent = text.slice(range.from, range.to);
        parts.push(mark);
        at = range.to;
      }
      parts.push(document.createTextNode(text.slice(at)));
      div.replaceChildren(...parts);
      div.classList.add("has-highlight");
    }
  }
}
