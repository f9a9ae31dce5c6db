// The contents panel: a nested list of entries that jump to their page, with
// the chapter being read marked as the pages turn.
import { currentEntry } from "./toc.js";
import { listEntry } from "../shared/listEntry.js";

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
    const { item: li, button } = listEntry([["entry-title", entry.title], ["entry-page", this.#labelOf(entry.page)]],
      () => this.#onPick(entry.page));
    this.#entries.push(entry);
    this.#buttons.push(button);
    if (entry.children.length > 0) {
      const ul = document.createElement("ul");
      ul.append(...entry.children.map((child) => this.#item(child)));
      li.append(ul);
    }
    return li;
  }
}
