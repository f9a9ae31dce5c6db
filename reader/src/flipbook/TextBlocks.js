// Answers whether a press lands inside the text of the page under it. The box
// is measured once per text layer, as shares of its page, and kept with it.
import { blockOf, insideBlock, shareOf } from "./textBlock.js";

// Half a line's worth of room round the text, so a drag started just before a word still selects.
const SLACK = 0.01;

export class TextBlocks {
  #blocks = new WeakMap();

  /** Whether the client point (`x`, `y`) is in the text block of the page element holding `target`. */
  contains(target, x, y) {
    const page = target instanceof Element ? target.closest(".page") : null;
    const layer = page?.querySelector(".textLayer");
    if (!layer) return false;
    const frame = page.getBoundingClientRect();
    let block = this.#blocks.get(layer);
    if (!block) {
      const rects = [...layer.querySelectorAll(":scope > span")].map((s) => s.getBoundingClientRect());
      const box = blockOf(rects);
      block = box && shareOf(box, frame);
      // A layer still being laid out is measured again next time.
      if (block) this.#blocks.set(layer, block);
    }
    const at = shareOf({ left: x, top: y, right: x, bottom: y }, frame);
    return insideBlock(at.left, at.top, block, SLACK);
  }
}
