// The find bar: searches the whole book as the reader types, counts the
// matches, marks them on the shown pages and turns to the current one.
import { findAll, foldQuery, matchStatus } from "./textSearch.js";

const $ = (id) => document.getElementById(id);
const DEBOUNCE_MS = 200;

export class Find {
  #reader;
  #bar = $("find-bar");
  #input = $("find-input");
  #timer = 0;
  #run = 0;
  #query = "";
  #matches = [];
  #current = -1;
  #searching = null;
  #returnTo = null;

  constructor(reader) {
    this.#reader = reader;
    this.#input.addEventListener("input", () => {
      clearTimeout(this.#timer);
      this.#timer = setTimeout(() => this.#search(this.#input.value), DEBOUNCE_MS);
    });
    this.#input.addEventListener("keydown", (e) => {
      if (e.key === "Enter") {
        e.preventDefault();
        this.step(e.shiftKey ? -1 : 1);
      } else if (e.key === "Escape") {
        e.preventDefault();
        e.stopPropagation();
        this.close();
      }
    });
    $("find-next").addEventListener("click", () => this.step(1));
    $("find-prev").addEventListener("click", () => this.step(-1));
    $("find-close").addEventListener("click", () => this.close());
  }

  get isOpen() {
    return !this.#bar.hidden;
  }

  /** Marks of page `number` for the text layer: [{ start, length, current }]. */
  marks(number) {
    const length = this.#query.length;
    return this.#matches
      .filter((m) => m.page === number)
      .map((m) => ({ start: m.start, length, current: m === this.#matches[this.#current] }));
  }

  open() {
    if (!this.#reader.book) return;
    if (!this.isOpen) {
      const active = document.activeElement;
      this.#returnTo = active && active !== document.body && !this.#bar.contains(active) ? active : null;
      this.#bar.hidden = false;
      $("btn-find").setAttribute("aria-expanded", "true");
    }
    this.#input.focus();
    this.#input.select();
  }

  close() {
    if (!this.isOpen) return;
    this.#cancel();
    this.#bar.hidden = true;
    $("btn-find").setAttribute("aria-expanded", "false");
    this.#matches = [];
    this.#current = -1;
    this.#query = "";
    this.#refresh();
    const target = this.#returnTo?.isConnected ? this.#returnTo : $("stage");
    this.#returnTo = null;
    target.focus();
  }

  /** Goes to the next (1) or previous (-1) match, wrapping round the book. */
  async step(direction) {
    if (!this.isOpen) return this.open();
    // Enter before the pause after typing searches now and shows the first match.
    const fresh = foldQuery(this.#input.value) !== this.#query;
    if (fresh) this.#search(this.#input.value);
    await this.#searching;
    const total = this.#matches.length;
    if (total === 0) return undefined;
    if (!fresh) this.#current = (this.#current + direction + total) % total;
    this.#show();
    return undefined;
  }

  /** A new book: nothing of the old one's matches stays. */
  reset() {
    this.#cancel();
    this.#matches = [];
    this.#current = -1;
    this.#query = "";
    this.#status();
  }

  #cancel() {
    clearTimeout(this.#timer);
    this.#run += 1;
    this.#searching = null;
  }

  #search(raw) {
    this.#cancel();
    const run = this.#run;
    const query = foldQuery(raw);
    this.#query = query;
    this.#matches = [];
    this.#current = -1;
    this.#refresh();
    this.#status();
    const book = this.#reader.book;
    const index = this.#reader.textIndex;
    if (!query || !book || !index) return;
    const done = this.#scan(run, query, book, index);
    this.#searching = done;
  }

  // From the page on screen to the end, then from the start: the first match
  // found is the one to show, while the rest of the book is still counted.
  async #scan(run, query, book, index) {
    const count = book.pageCount;
    const from = book.page;
    const found = [];
    let first = null;
    for (let i = 0; i < count; i++) {
      const page = ((from - 1 + i) % count) + 1;
      const text = await index.text(page);
      if (run !== this.#run) return;
      for (const start of findAll(text, query)) {
        const match = { page, start };
        found.push(match);
        if (!first) {
          first = match;
          this.#matches = [match];
          this.#current = 0;
          this.#show();
        }
      }
      if (i % 20 === 19) {
        this.#matches = [...found];
        this.#current = first ? this.#matches.indexOf(first) : -1;
        this.#status(true);
      }
    }
    found.sort((a, b) => a.page - b.page || a.start - b.start);
    this.#matches = found;
    this.#current = first ? found.indexOf(first) : -1;
    this.#searching = null;
    this.#status();
    this.#refresh();
  }

  #show() {
    const match = this.#matches[this.#current];
    if (!match) return;
    this.#status(this.#searching !== null);
    this.#reader.goTo(match.page);
    this.#refresh();
  }

  #refresh() {
    this.#reader.refreshMarks();
  }

  #status(searching = this.#searching !== null) {
    const text = matchStatus({ query: this.#query, current: this.#current, total: this.#matches.length, searching });
    $("find-status").textContent = text;
    this.#bar.classList.toggle("no-match", Boolean(this.#query) && this.#matches.length === 0 && !searching);
  }
}
