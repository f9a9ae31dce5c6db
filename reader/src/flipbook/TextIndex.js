// Folded text of every page for searching, extracted on demand and kept for
// a bounded number of pages so a long book does not fill memory.
import { LruCache } from "./LruCache.js";
import { pageText } from "./textSearch.js";

// A thousand-page book's text is some megabytes; past this it is extracted again.
const PAGE_LIMIT = 1500;
// Printed text with its offsets costs more than searching it: only pages in a results list need it.
const DISPLAY_LIMIT = 64;

export class TextIndex {
  #source;
  #pages = new LruCache(PAGE_LIMIT);
  #displays = new LruCache(DISPLAY_LIMIT);
  #pending = new Map();

  constructor(source) {
    this.#source = source;
  }

  /** The folded text of page `number`; "" for a page whose text cannot be read. */
  async text(number) {
    return (await this.#entry(number)).text;
  }

  /** Page `number`'s folded text with its printed form: pageText's result with display. */
  async page(number) {
    const cached = this.#displays.get(number);
    if (cached) return cached;
    const page = pageText((await this.#entry(number)).lines, false, true);
    this.#displays.set(number, page);
    return page;
  }

  async #entry(number) {
    const cached = this.#pages.get(number);
    if (cached !== undefined) return cached;
    let job = this.#pending.get(number);
    if (!job) {
      job = this.#source
        .textContent(number)
        .then(({ content }) => {
          // The strings alone are kept: enough to derive the printed text again.
          const lines = content.items.filter((item) => typeof item.str === "string").map(({ str, hasEOL }) => ({ str, hasEOL }));
          return { text: pageText(lines).text, lines };
        }, () => ({ text: "", lines: [] }))
        .then((entry) => {
          this.#pages.set(number, entry);
          this.#pending.delete(number);
          return entry;
        });
      this.#pending.set(number, job);
    }
    return job;
  }
}
