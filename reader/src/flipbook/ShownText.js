// Tells the host the printed text of the pages on screen, for its own text
// pane and reading aloud, and marks the sentence it is reading.
import { foldedSpan, shownReport } from "./spokenRange.js";
import { post, shownMessage } from "../shared/bridge.js";

// Pages flicked through quickly are not worth extracting.
const SETTLE_MS = 250;

export class ShownText {
  #reader;
  #timer = 0;
  #wanted = "";
  #pages = new Map();
  #speaking = null;

  constructor(reader) {
    this.#reader = reader;
  }

  /** The pages on screen changed to `numbers`. */
  update(numbers) {
    clearTimeout(this.#timer);
    this.#wanted = numbers.join(",");
    this.#timer = setTimeout(() => this.#tell(numbers), SETTLE_MS);
  }

  async #tell(numbers) {
    const index = this.#reader.textIndex;
    if (!index) return;
    const key = numbers.join(",");
    const pages = await Promise.all(numbers.map((n) => index.page(n)));
    // Turned on meanwhile: the later turn tells its own pages.
    if (key !== this.#wanted || index !== this.#reader.textIndex) return;
    this.#pages = new Map(numbers.map((n, i) => [n, pages[i]]));
    const count = this.#reader.book?.pageCount ?? 0;
    post(shownMessage(shownReport(numbers.map((n, i) => ({ number: n, text: pages[i].display })), count)));
  }

  /** The host reads [from, to) of page `number`'s printed text; no page: it has stopped. */
  speak(number, from, to) {
    const page = this.#pages.get(number);
    const span = page ? foldedSpan(page.at, from, to) : null;
    const was = this.#speaking;
    this.#speaking = span ? { number, ...span } : null;
    if (was || this.#speaking) this.#reader.refreshMarks();
  }

  /** The spoken sentence's mark on page `number`, for the text layer. */
  marks(number) {
    const s = this.#speaking;
    return s && s.number === number ? [{ start: s.start, length: s.length, current: false, speaking: true }] : [];
  }

  clear() {
    clearTimeout(this.#timer);
    this.#wanted = "";
    this.#pages = new Map();
    this.#speaking = null;
  }
}
