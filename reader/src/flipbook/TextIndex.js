// Folded text of every page for searching, extracted on demand and kept for
// a bounded number of pages so a long book does not fill memory.
import { LruCache } from "./LruCache.js";
import { pageText } from "./textSearch.js";

// A thousand-page book's text, with its printed form for the results list,
// is some tens of megabytes; past this it is extracted again.
const PAGE_LIMIT = 1500;
const EMPTY = pageText([], false, true);

export class TextIndex {
  #source;
  #pages = new LruCache(PAGE_LIMIT);
  #pending = new Map();

  constructor(source) {
    this.#source = source;
  }

  /** The folded text of page `number`; "" for a page whose text cannot be read. */
  async text(number) {
    return (await this.page(number)).text;
  }

  /** Page `number`'s folded text with its printed form: pageText's result with display. */
  async page(number) {
    const cached = this.#pages.get(number);
    if (cached !== undefined) return cached;
    let job = this.#pending.get(number);
    if (!job) {
      job = this.#source
        .textContent(number)
        .then(({ content }) => pageText(content.items, false, true), () => EMPTY)
        .then((page) => {
          this.#pages.set(number, page);
          this.#pending.delete(number);
          return page;
        });
      this.#pending.set(number, job);
    }
    return job;
  }
}
