// The contents panel: a nested list of entries that jump to their page, with
// the chapter being read marked as the pages turn.
import { currentEntry } from "./toc.js";

export class Contents {
  #list;
  #onPick;
  #labelOf;
  #entries = [];
  #buttons = [];
  #marked = null;

  constructor(list, onPick, labelOf = String) {
    this.#list = list;
    this.#onPick = onPick;
    this.#labelOf = labelOf;
  }

  show(entries) {
    this.#entries = [];
    this.#buttons = [];
    this.#marked = null;
    this.#list.replaceChildren(...entries.map((entry) => this.#item(entry)));
  }

  /** Marks the chapter that the pages on screen belong to. */
  mark(pages) {
    const at = currentEntry(this.#entries, Math.max(...pages));
    const button = at === -1 ? null : this.#buttons[at];
    if (button === this.#marked) return;
    this.#marked?.removeAttribute("aria-current");
    button?.setAttribute("aria-current", "location");
    this.#marked = button;
  }

  #item(entry) {
    const li = document.createElement("li");
    const button = document.createElement("button");
    button.type = "button";
    const title = document.createElement("span");
    title.className = "entry-title";
    title.textContent = entry.title;
    const page = document.createElement("span");
    page.className = "entry-page";
    page.textContent = this.#labelOf(entry.page);
    button.append(title, page);
    button.addEventListener("click", () => this.#onPick(entry.page));
    this.#entries.push(entry);
    this.#buttons.push(button);
    li.append(button);
    if (entry.children.length > 0) {
      const ul = document.createElement("ul");
      ul.append(...entry.children.map((child) => this.#item(child)));
      li.append(ul);
    }
    return li;
  }
}
