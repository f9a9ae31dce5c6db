import { nextPage, previousPage } from "./layout.js";

// Turning a leaf: animated for clicks and keys, following the pointer when the
// reader drags a page corner. Only transforms and opacity change, so the
// compositor can run the animation without re-laying out the book.
const DURATION = 650;
const EASING = "cubic-bezier(0.35, 0.1, 0.25, 1)";
const EDGE_SHARE = 0.2;
const DRAG_THRESHOLD = 6;
const reducedMotion = window.matchMedia("(prefers-reduced-motion: reduce)");
// The leaf darkens as it stands up from the page and lightens as it lands.
const shadeAt = (angle) => Math.sin((Math.abs(angle) * Math.PI) / 180) * 0.45;

export class PageTurn {
  #book;
  #leaf;
  #front;
  #back;
  #animations = [];
  #done = null;
  #drag = null;

  constructor(book, leaf) {
    this.#book = book;
    this.#leaf = leaf;
    this.#front = this.#face("front");
    this.#back = this.#face("back");
    leaf.append(this.#front, this.#back);
    const el = book.element;
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
    this.#prepare(from, to);
    const forward = to > from;
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

  #setFace(face, number) {
    const shade = face.lastChild;
    const page = this.#book.pageElement(number);
    face.replaceChildren(...(page ? [page] : []), shade);
    face.classList.toggle("blank", page === null);
  }

  // Lays the pages under the leaf and on its two faces.
  #prepare(from, to) {
    const book = this.#book;
    const a = book.spreadFor(from);
    const b = book.spreadFor(to);
    const forward = to > from;
    const [earlier, later] = forward ? [a, b] : [b, a];
    if (book.spreads) {
      book.show({ left: earlier.left, right: later.right, single: null });
      this.#setFace(this.#front, earlier.right);
      this.#setFace(this.#back, later.left);
    } else {
      book.show({ left: null, right: null, single: later.single });
      this.#setFace(this.#front, earlier.single);
      this.#setFace(this.#back, null);
    }
    this.#leaf.classList.remove("idle");
    book.element.classList.add("turning");
  }

  #animate(fromAngle, toAngle, duration, onEnd) {
    const span = Math.abs(toAngle - fromAngle) / 180;
    const options = { duration: Math.max(120, duration * span), easing: EASING, fill: "forwards" };
    this.#animations = [
      this.#leaf.animate([{ transform: `rotateY(${fromAngle}deg)` }, { transform: `rotateY(${toAngle}deg)` }], options),
      this.#front.lastChild.animate([{ opacity: shadeAt(fromAngle) }, { opacity: 0.45 }, { opacity: shadeAt(toAngle) }], options),
      this.#back.lastChild.animate([{ opacity: shadeAt(fromAngle) }, { opacity: 0.45 }, { opacity: shadeAt(toAngle) }], options),
    ];
    this.#done = () => {
      this.#leaf.classList.add("idle");
      this.#book.element.classList.remove("turning");
      this.#leaf.style.transform = "";
      this.#front.replaceChildren(this.#front.lastChild);
      this.#back.replaceChildren(this.#back.lastChild);
      this.#front.lastChild.style.opacity = "";
      this.#back.lastChild.style.opacity = "";
      onEnd();
      this.#book.turned();
    };
    this.#animations[0].onfinish = () => this.finish();
  }

  #pointerDown(event) {
    const book = this.#book;
    if (event.button !== 0 || book.zoom > 1 || this.#done) return;
    // Pressing on words starts a selection, never a turn.
    if (event.pointerType !== "touch" && event.target instanceof Element && event.target.closest(".textLayer > *")) return;
    const rect = book.element.getBoundingClientRect();
    const x = event.clientX - rect.left;
    const edge = Math.max(36, book.pageWidth * EDGE_SHARE);
    const page = book.page;
    let target = null;
    if (x > rect.width - edge) target = nextOf(book, page, 1);
    else if (x < edge) target = nextOf(book, page, -1);
    if (target === null) return;
    this.#drag = { id: event.pointerId, x0: event.clientX, y0: event.clientY, from: page, to: target, started: false, angle: 0 };
  }

  #pointerMove(event) {
    const drag = this.#drag;
    if (!drag || event.pointerId !== drag.id) return;
    if (!drag.started) {
      if (Math.hypot(event.clientX - drag.x0, event.clientY - drag.y0) < DRAG_THRESHOLD) return;
      drag.started = true;
      this.#book.dropSelection();
      this.#book.element.setPointerCapture(drag.id);
      this.#prepare(drag.from, drag.to);
    }
    drag.angle = this.#angleAt(event.clientX);
    this.#leaf.style.transform = `rotateY(${drag.angle}deg)`;
    this.#front.lastChild.style.opacity = String(shadeAt(drag.angle));
    this.#back.lastChild.style.opacity = String(shadeAt(drag.angle));
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
    const complete = forward ? drag.angle < -90 : drag.angle > -90;
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

  // The leaf's free edge follows the pointer: its projection is cos(angle) page widths from the spine.
  #angleAt(clientX) {
    const book = this.#book;
    const rect = book.element.getBoundingClientRect();
    // A single page has no spine beside it: its whole width maps onto the half turn.
    const centre = rect.left + rect.width / 2;
    const reach = book.spreads ? book.pageWidth : book.pageWidth / 2;
    const ratio = Math.min(1, Math.max(-1, (clientX - centre) / Math.max(1, reach)));
    return -(Math.acos(ratio) * 180) / Math.PI;
  }
}

function nextOf(book, page, direction) {
  const step = direction > 0 ? nextPage : previousPage;
  const target = step(page, book.pageCount, book.spreads);
  return target === page ? null : target;
}
