import { nextPage, previousPage } from "./layout.js";
import { poseStyles, turnKeyframes, dragAngle, UPRIGHT } from "./leafMotion.js";
import { leafSign, stepToward } from "./direction.js";

// Turning a leaf: animated for clicks and keys, following the pointer when the
// reader drags a page corner. Only transforms and opacity change, so the
// compositor can run the animation without re-laying out the book.
const DURATION = 650;
const EDGE_SHARE = 0.2;
const DRAG_THRESHOLD = 6;
const reducedMotion = window.matchMedia("(prefers-reduced-motion: reduce)");

export class PageTurn {
  #book;
  #el;
  #leaf;
  #blocks;
  #front;
  #back;
  #animations = [];
  #done = null;
  #drag = null;

  constructor(book, leaf, blocks) {
    this.#book = book;
    this.#blocks = blocks;
    this.#leaf = leaf;
    this.#front = this.#face("front");
    this.#back = this.#face("back");
    leaf.append(this.#front, this.#back);
    const el = book.element;
    this.#el = el;
    el.addEventListener("pointerdown", (e) => this.#pointerDown(e));
    el.addEventListener("pointermove", (e) => this.#pointerMove(e));
    el.addEventListener("pointerup", (e) => this.#pointerUp(e));
    el.addEventListener("pointercancel", () => this.#cancelDrag());
  }

  get active() {
    return this.#done !== null || this.#drag?.started === true;
  }

  /** Animates the turn from page `from` to the neighbouring spread of `to`; false when it does not animate. */
  start(from, to) {
    if (reducedMotion.matches) return false;
    const forward = to > from;
    this.#prepare(from, to, forward ? 0 : -180);
    this.#animate(forward ? 0 : -180, forward ? -180 : 0, DURATION, () => this.#book.show(this.#book.spreadFor(to)));
    return true;
  }

  /** Jumps a running turn to its end. */
  finish() {
    const done = this.#done;
    for (const a of this.#animations) a.cancel();
    this.#animations = [];
    this.#done = null;
    if (done) done();
  }

  #face(side) {
    const face = document.createElement("div");
    face.className = `face ${side}`;
    const shade = document.createElement("div");
    shade.className = "shade";
    face.append(shade);
    return face;
  }

  // A page that carries its own size sizes its face; the CSS anchors the face at the spine.
  #setFace(face, page, like = null) {
    const shade = face.lastChild;
    face.replaceChildren(...(page ? [page] : []), shade);
    face.classList.toggle("blank", page === null);
    const size = page ?? like;
    face.style.width = size?.style.width ?? "";
    face.style.height = size?.style.height ?? "";
  }

  #pose(angle) {
    const pose = poseStyles(angle, this.#book.direction);
    Object.assign(this.#front.style, { transform: pose.front.transform, opacity: String(pose.front.opacity) });
    Object.assign(this.#back.style, { transform: pose.back.transform, opacity: String(pose.back.opacity) });
    this.#front.lastChild.style.opacity = this.#back.lastChild.style.opacity = String(pose.shade.opacity);
  }

  // Lays the pages under the leaf and on its two faces, the leaf at `angle`.
  #prepare(from, to, angle) {
    const book = this.#book;
    const a = book.spreadFor(from);
    const b = book.spreadFor(to);
    const forward = to > from;
    const [earlier, later] = forward ? [a, b] : [b, a];
    if (book.spreads) {
      const front = book.pageElement(earlier.right);
      this.#setFace(this.#front, front);
      this.#setFace(this.#back, book.pageElement(later.left), front);
      book.show({ left: earlier.left, right: later.right, single: null });
    } else {
      const front = book.pageElement(earlier.single);
      this.#setFace(this.#front, front);
      this.#setFace(this.#back, null, front);
      book.show({ left: null, right: null, single: later.single });
    }
    this.#pose(angle);
    this.#leaf.classList.remove("idle");
    this.#el.classList.add("turning");
  }

  #animate(fromAngle, toAngle, duration, onEnd) {
    const span = Math.abs(toAngle - fromAngle) / 180;
    const options = { duration: Math.max(120, duration * span), fill: "forwards" };
    const frames = turnKeyframes(fromAngle, toAngle, undefined, this.#book.direction);
    this.#animations = [
      this.#front.animate(frames.front, options),
      this.#back.animate(frames.back, options),
      this.#front.lastChild.animate(frames.shade, options),
      this.#back.lastChild.animate(frames.shade, options),
    ];
    this.#done = () => {
      this.#leaf.classList.add("idle");
      this.#el.classList.remove("turning");
      for (const face of [this.#front, this.#back]) {
        face.replaceChildren(face.lastChild);
        face.removeAttribute("style");
        face.lastChild.removeAttribute("style");
      }
      onEnd();
      this.#book.turned();
    };
    this.#animations[0].onfinish = () => this.finish();
  }

  #pointerDown(event) {
    const book = this.#book;
    if (event.button !== 0 || this.#done) return;
    // Pressing on words starts a selection, never a turn.
    if (event.pointerType !== "touch" && event.target instanceof Element && event.target.closest(".textLayer > *")) return;
    const rect = this.#el.getBoundingClientRect();
    const x = event.clientX - rect.left;
    const edge = Math.max(36, book.pageWidth * EDGE_SHARE);
    const page = book.page;
    let target = null;
    if (x > rect.width - edge) target = nextOf(book, page, stepToward("right", book.direction));
    else if (x < edge) target = nextOf(book, page, stepToward("left", book.direction));
    if (target === null) return;
    // A drag inside the text selects, and one on pages larger than the view pans: there only a click turns.
    const clickOnly = book.overflows || (event.pointerType === "mouse" && this.#blocks.contains(event.target, event.clientX, event.clientY));
    this.#drag = { id: event.pointerId, x0: event.clientX, y0: event.clientY, from: page, to: target, started: false, angle: 0, clickOnly };
  }

  #pointerMove(event) {
    const drag = this.#drag;
    if (!drag || event.pointerId !== drag.id) return;
    if (!drag.started) {
      if (Math.hypot(event.clientX - drag.x0, event.clientY - drag.y0) < DRAG_THRESHOLD) return;
      if (drag.clickOnly) {
        this.#drag = null;
        return;
      }
      drag.started = true;
      this.#book.dropSelection();
      this.#el.setPointerCapture(drag.id);
      drag.angle = drag.to > drag.from ? 0 : -180;
      this.#prepare(drag.from, drag.to, drag.angle);
      drag.reach = this.#reach();
    }
    drag.angle = this.#angleAt(event.clientX, drag.reach);
    this.#pose(drag.angle);
  }

  #pointerUp(event) {
    const drag = this.#drag;
    if (!drag || event.pointerId !== drag.id) return;
    this.#drag = null;
    const book = this.#book;
    if (!drag.started) {
      book.goTo(drag.to);
      return;
    }
    const forward = drag.to > drag.from;
    const complete = forward ? drag.angle < UPRIGHT : drag.angle > UPRIGHT;
    const end = forward === complete ? -180 : 0;
    const page = complete ? drag.to : drag.from;
    this.#animate(drag.angle, end, DURATION, () => book.show(book.spreadFor(page)));
    if (complete) book.landed(page);
  }

  #cancelDrag() {
    const drag = this.#drag;
    this.#drag = null;
    if (drag?.started) this.#animate(drag.angle, drag.to > drag.from ? 0 : -180, DURATION, () => this.#book.show(this.#book.spreadFor(drag.from)));
  }

  // Where the leaf's free edge can reach, read once as the drag starts: each face is as wide as its page.
  // The leaf lies on the page it turns, against the spine (its left edge, or its right in a right-to-left book).
  #reach() {
    const box = this.#leaf.getBoundingClientRect();
    const sign = leafSign(this.#book.direction);
    return { sign, spine: sign > 0 ? box.left : box.right, front: this.#front.offsetWidth, back: this.#back.offsetWidth };
  }

  // The leaf's free edge follows the pointer across the page it is over.
  #angleAt(clientX, reach) {
    const direction = this.#book.direction;
    if (!this.#book.spreads) {
      // A single page has no spine beside it: its whole width maps onto the half turn.
      return dragAngle(clientX, reach.spine + (reach.sign * reach.front) / 2, reach.front / 2, direction);
    }
    const overBack = reach.sign * (clientX - reach.spine) < 0;
    return dragAngle(clientX, reach.spine, overBack ? reach.back : reach.front, direction);
  }
}

function nextOf(book, page, direction) {
  const step = direction > 0 ? nextPage : previousPage;
  const target = step(page, book.pageCount, book.spreads);
  return target === page ? null : target;
}
