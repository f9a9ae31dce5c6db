// The recently read books on the start page: a cover, the title and how far
// the book was read, and a button that takes the book off the list.
import { t } from "../shared/strings.js";
import { progressText, withCover } from "./recent.js";

export class RecentList {
  #list;
  #actions;
  #entries = [];
  #focusAt = -1;

  /** actions: { open(index), remove(index) } with the host's indices. */
  constructor(list, actions) {
    this.#list = list;
    this.#actions = actions;
  }

  get entries() {
    return this.#entries;
  }

  show(entries) {
    const hadFocus = this.#list.contains(document.activeElement);
    this.#entries = entries;
    this.#list.replaceChildren(...entries.map((entry, row) => this.#row(entry, row)));
    // After a removal the keys stay in the list, on the next book.
    if (this.#focusAt >= 0 && entries.length > 0) {
      const rows = this.#list.querySelectorAll(".recent-remove");
      rows[Math.min(this.#focusAt, rows.length - 1)].focus();
    } else if (hadFocus && entries.length === 0) {
      document.getElementById("open").focus();
    }
    this.#focusAt = -1;
  }

  /** A cover drawn after the list was shown: only its row changes, so focus and pointer stay put. */
  cover(index, fields) {
    this.#entries = withCover(this.#entries, index, fields);
    const row = this.#entries.findIndex((entry) => entry.index === index);
    const item = this.#list.children[row];
    if (row < 0 || !item) return;
    const fresh = this.#row(this.#entries[row], row);
    item.querySelector(".recent-cover").replaceWith(fresh.querySelector(".recent-cover"));
    item.querySelector(".recent-progress").replaceWith(fresh.querySelector(".recent-progress"));
  }

  #row(entry, row) {
    const item = document.createElement("li");
    const open = document.createElement("button");
    open.type = "button";
    open.className = "recent-open";
    open.title = entry.file;
    const cover = document.createElement("span");
    cover.className = "recent-cover";
    if (entry.cover) {
      const img = document.createElement("img");
      img.alt = "";
      img.src = entry.cover;
      cover.append(img);
    } else {
      cover.classList.add("placeholder");
    }
    const text = document.createElement("span");
    text.className = "recent-text";
    const title = document.createElement("span");
    title.className = "recent-title";
    title.textContent = entry.title;
    const progress = document.createElement("span");
    progress.className = "recent-progress";
    progress.textContent = progressText(entry.page, entry.pages) || entry.file;
    text.append(title, progress);
    open.append(cover, text);
    open.addEventListener("click", () => this.#actions.open(entry.index));

    const remove = document.createElement("button");
    remove.type = "button";
    remove.className = "recent-remove";
    remove.setAttribute("aria-label", t("Remove {title} from the list", { title: entry.title }));
    remove.title = t("Remove from the list");
    remove.textContent = "×";
    remove.addEventListener("click", () => {
      this.#focusAt = row;
      this.#actions.remove(entry.index);
    });
    item.append(open, remove);
    return item;
  }
}
