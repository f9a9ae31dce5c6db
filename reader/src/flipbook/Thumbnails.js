// The page overview: one button per page, rendered only while it scrolls into
// view, with a small cache so a long book does not fill memory.
import { LruCache } from "./LruCache.js";
import { t } from "../shared/strings.js";

const THUMB_WIDTH = 120;
const THUMB_CACHE = 48;

export class Thumbnails {
  #list;
  #source;
  #onPick;
  #observer = null;
  #cache;
  #buttons = [];

  constructor(list, source, onPick) {
    this.#list = list;
    this.#source = source;
    this.#onPick = onPick;
    this.#cache = new LruCache(THUMB_CACHE, (url, page) => {
      URL.revokeObjectURL(url);
      const img = this.#buttons[page - 1]?.firstChild;
      if (img) img.removeAttribute("src");
    });
  }

  build(count, aspect) {
    this.destroy();
    this.#observer = new IntersectionObserver((entries) => this.#visible(entries), { root: this.#list.parentElement, rootMargin: "200px 0px" });
    const fragment = document.createDocumentFragment();
    for (let page = 1; page <= count; page++) {
      const button = document.createElement("button");
      button.type = "button";
      button.className = "thumb";
      button.dataset.page = String(page);
      button.setAttribute("aria-label", t("Page {page}", { page }));
      const img = document.createElement("img");
      img.alt = "";
      img.width = THUMB_WIDTH;
      img.height = Math.round(THUMB_WIDTH / aspect);
      const label = document.createElement("span");
      label.textContent = String(page);
      button.append(img, label);
      button.addEventListener("click", () => this.#onPick(page));
      fragment.append(button);
      this.#observer.observe(button);
      this.#buttons.push(button);
    }
    this.#list.replaceChildren(fragment);
  }

  /** Marks the pages on screen and brings them into view. */
  mark(pages) {
    for (const b of this.#list.querySelectorAll("[aria-current]")) b.removeAttribute("aria-current");
    for (const page of pages) this.#buttons[page - 1]?.setAttribute("aria-current", "page");
    this.#buttons[pages[0] - 1]?.scrollIntoView({ block: "nearest" });
  }

  destroy() {
    this.#observer?.disconnect();
    this.#observer = null;
    this.#cache.clear();
    this.#buttons = [];
    this.#list.replaceChildren();
  }

  #visible(entries) {
    const dpr = window.devicePixelRatio || 1;
    for (const entry of entries) {
      if (!entry.isIntersecting) continue;
      const button = entry.target;
      const page = Number(button.dataset.page);
      const cached = this.#cache.get(page);
      if (cached) {
        button.firstChild.src = cached;
        continue;
      }
      const stillVisible = () => this.#observer !== null && button.isConnected && isShown(button);
      this.#source
        .render(page, THUMB_WIDTH * dpr, stillVisible, "image/jpeg")
        .then((result) => {
          if (!button.isConnected) return URL.revokeObjectURL(result.url);
          this.#cache.set(page, result.url);
          button.firstChild.src = result.url;
        })
        .catch(() => {});
    }
  }
}

function isShown(element) {
  const box = element.getBoundingClientRect();
  const root = element.parentElement.parentElement.getBoundingClientRect();
  return box.bottom > root.top - 200 && box.top < root.bottom + 200 && box.width > 0;
}
