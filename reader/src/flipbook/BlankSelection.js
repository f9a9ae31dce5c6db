// A drag that starts in the blank space of a page's text (between lines,
// past a line's end) selects from the text nearest the press. Left alone,
// browsers anchor such a selection at the start of the page's text.
import { nearestRect } from "./textBlock.js";

export class BlankSelection {
  /** `blocks.contains(target, x, y)` tells a press inside a page's text block. */
  constructor(stage, blocks) {
    stage.addEventListener("mousedown", (e) => {
      const layer = e.target instanceof Element && e.target.closest(".textLayer");
      if (e.button !== 0 || !layer || e.target.closest(".textLayer > span") || !blocks.contains(e.target, e.clientX, e.clientY)) return;
      const anchor = caretNear(layer, e.clientX, e.clientY);
      if (!anchor) return;
      e.preventDefault();
      document.getSelection()?.collapse(anchor.node, anchor.offset);
      this.#follow(layer, anchor);
    });
  }

  #follow(layer, anchor) {
    const done = new AbortController();
    const move = (e) => {
      const focus = caretNear(layer, e.clientX, e.clientY);
      if (focus) document.getSelection()?.setBaseAndExtent(anchor.node, anchor.offset, focus.node, focus.offset);
    };
    document.addEventListener("mousemove", move, { signal: done.signal });
    document.addEventListener("mouseup", () => done.abort(), { signal: done.signal });
  }
}

// The caret in the text of `layer` nearest the client point (x, y), or null.
function caretNear(layer, x, y) {
  const spans = [...layer.querySelectorAll(":scope > span")].filter((s) => s.firstChild?.nodeType === Node.TEXT_NODE);
  const rects = spans.map((s) => s.getBoundingClientRect());
  const i = nearestRect(rects, x, y);
  if (i < 0) return null;
  const [span, r] = [spans[i], rects[i]];
  const text = span.firstChild;
  const cx = Math.min(Math.max(x, r.left + 0.5), r.right - 0.5);
  const cy = (r.top + r.bottom) / 2;
  const hit = document.caretPositionFromPoint?.(cx, cy);
  const range = hit ? null : document.caretRangeFromPoint?.(cx, cy);
  const node = hit?.offsetNode ?? range?.startContainer;
  if (node === text) return { node, offset: hit?.offset ?? range.startOffset };
  // Where the engine cannot tell, the side of the line the point is on decides.
  return { node: text, offset: x > (r.left + r.right) / 2 ? text.length : 0 };
}
