// The find bar: searches the whole book as the reader types, counts the
// matches, marks them on the shown pages and turns to the current one, and
// lists them with a line of their text and the page they are printed on.
import { findAll, foldQuery, matchContext, matchStatus } from "./textSearch.js";
import { pageDisplay } from "./pageLabels.js";
import { t } from "../shared/strings.js";

const $ = (id) => document.getElementById(id);
const DEBOUNCE_MS = 200;
// More lines than anyone reads through; the count still covers every match.
const LIST_LIMIT = 500;
// A long book's search shows a first list after this long, and the whole one at its end.
const EARLY_LIST_MS = 500;
// The list is built in slices of about this much work, so the page keeps answering.
const SLICE_MS = 8;
const inBookOrder = (a, b) => a.page - b.page || a.start - b.start;

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
  #list = $("find-results-list");
  #listOpen = true;
  #listed = [];
  #listRun = 0;

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
      } else if (e.key === "ArrowDown" && this.#listed.length > 0 && !$("find-results").hidden) {
        e.preventDefault();
        this.#focusItem(Math.max(0, this.#listed.indexOf(this.#matches[this.#current])));
      }
    });
    this.#list.addEventListener("keydown", (e) => this.#listKey(e));
    $("find-list").addEventListener("click", () => {
      this.#listOpen = !this.#listOpen;
      this.#showList();
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
      this.#showList();
    }
    this.#input.focus();
    this.#input.select();
  }

  close() {
    if (!this.isOpen) return;
    this.#cancel();
    this.#bar.hidden = true;
    $("btn-find").setAttribute("aria-expanded", "false");
    $("find-results").hidden = true;
    this.#matches = [];
    this.#current = -1;
    this.#query = "";
    this.#refresh();
    this.#status();
    this.#renderList();
    const target = this.#returnTo?.isConnected ? this.#returnTo : $("stage");
    this.#returnTo = null;
    target.focus();
  }

  /** The host's own find field: searches for `query` as typed there (0), or goes on to the next (1) or previous (-1) match. */
  lookFor(query, direction = 0) {
    if (!this.#reader.book) return undefined;
    this.open();
    this.#input.value = String(query);
    if (direction !== 0) return this.step(direction);
    this.#search(this.#input.value);
    return undefined;
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
    this.#renderList();
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
    this.#renderList();
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
    const startedAt = performance.now();
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
        if (this.#listed.length === 0 && found.length > 0 && performance.now() - startedAt > EARLY_LIST_MS) {
          this.#renderList([...found].sort(inBookOrder));
        }
      }
    }
    found.sort(inBookOrder);
    this.#matches = found;
    this.#current = first ? found.indexOf(first) : -1;
    this.#searching = null;
    this.#status();
    this.#refresh();
    await this.#renderList();
  }

  #show() {
    const match = this.#matches[this.#current];
    if (!match) return;
    this.#status(this.#searching !== null);
    this.#reader.goTo(match.page);
    this.#refresh();
    this.#markListed();
  }

  // Lines for the first matches in the book, each with its text around it.
  async #renderList(matches = this.#searching === null ? this.#matches : []) {
    const run = ++this.#listRun;
    const shown = matches.slice(0, LIST_LIMIT);
    const index = this.#reader.textIndex;
    this.#listed = shown;
    this.#list.replaceChildren();
    const total = this.#matches.length;
    const note = $("find-results-note");
    note.hidden = total <= LIST_LIMIT;
    note.textContent = note.hidden ? "" : t("The first {shown} of {total} matches", { shown: shown.length, total });
    let slice = performance.now();
    for (const [i, match] of shown.entries()) {
      const page = index ? await index.page(match.page) : null;
      // A newer list (the whole of a search, or another search) replaces this one.
      if (run !== this.#listRun) return;
      this.#list.append(this.#item(match, i, page));
      if (i === 0) this.#showList();
      if (performance.now() - slice > SLICE_MS) {
        this.#markListed();
        await new Promise((resolve) => setTimeout(resolve));
        if (run !== this.#listRun) return;
        slice = performance.now();
      }
    }
    this.#markListed();
    this.#showList();
  }

  #item(match, i, page) {
    const book = this.#reader.book;
    const li = document.createElement("li");
    const button = document.createElement("button");
    button.type = "button";
    button.tabIndex = -1;
    const where = document.createElement("span");
    where.className = "result-page";
    where.textContent = book ? pageDisplay(this.#reader.pageLabels, match.page, book.pageCount) : String(match.page);
    const line = document.createElement("span");
    line.className = "result-text";
    line.dir = "auto";
    if (page) {
      const { before, hit, after } = matchContext(page, match.start, this.#query.length);
      const mark = document.createElement("mark");
      mark.textContent = hit;
      line.append(before, mark, after);
    }
    button.append(where, line);
    button.addEventListener("click", () => {
      this.#current = this.#matches.indexOf(match);
      this.#show();
    });
    li.append(button);
    li.dataset.index = String(i);
    return li;
  }

  #showList() {
    const has = this.isOpen && this.#listed.length > 0;
    $("find-list").hidden = !has;
    $("find-list").setAttribute("aria-expanded", String(this.#listOpen));
    $("find-results").hidden = !(has && this.#listOpen);
  }

  // One line of the list is the tab stop: the current match's.
  #markListed() {
    const at = this.#listed.indexOf(this.#matches[this.#current]);
    for (const [i, li] of [...this.#list.children].entries()) {
      const button = li.firstChild;
      if (i === at) button.setAttribute("aria-current", "true");
      else button.removeAttribute("aria-current");
      button.tabIndex = i === Math.max(at, 0) ? 0 : -1;
    }
    if (at !== -1 && !$("find-results").hidden) this.#list.children[at]?.scrollIntoView({ block: "nearest" });
  }

  #focusItem(i) {
    const items = this.#list.children;
    if (items.length === 0) return;
    const at = Math.min(Math.max(i, 0), items.length - 1);
    for (const [k, li] of [...items].entries()) li.firstChild.tabIndex = k === at ? 0 : -1;
    items[at].firstChild.focus();
  }

  #listKey(e) {
    const li = e.target.closest?.("li");
    if (!li) return;
    const i = Number(li.dataset.index);
    const moves = { ArrowDown: i + 1, ArrowUp: i - 1, Home: 0, End: this.#listed.length - 1 };
    if (e.key === "Escape") {
      this.close();
    } else if (e.key === "ArrowUp" && i === 0) {
      this.#input.focus();
    } else if (e.key in moves) {
      this.#focusItem(moves[e.key]);
    } else {
      return;
    }
    // The page's own keys (turning, closing) stay out of the list.
    e.preventDefault();
    e.stopPropagation();
  }

  #refresh() {
    this.#reader.refreshMarks();
  }

  #status(searching = this.#searching !== null) {
    const text = matchStatus({ query: this.#query, current: this.#current, total: this.#matches.length, searching });
    $("find-status").textContent = text;
    this.onStatus?.(text);
    this.#bar.classList.toggle("no-match", Boolean(this.#query) && this.#matches.length === 0 && !searching);
  }
}
