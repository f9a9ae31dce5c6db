// Which way a book reads, and what that turns around: where its pages sit,
// which way a leaf falls, and which way the sideways keys, swipes and page
// edges take the reader. Nothing here touches the DOM.

export const LTR = "ltr";
export const RTL = "rtl";

/** "rtl" or "ltr" for a value that names one (any case), else null. */
export function directionOf(value) {
  const v = String(value ?? "").trim().toLowerCase();
  return v === LTR || v === RTL ? v : null;
}

/** The direction a PDF's viewer preferences ask for; anything unreadable reads left to right. */
export function directionFromPreferences(preferences) {
  const wanted = preferences && typeof preferences === "object" ? preferences.Direction : null;
  return String(wanted ?? "").toUpperCase() === "R2L" ? RTL : LTR;
}

export const opposite = (direction) => (direction === RTL ? LTR : RTL);

/**
 * Where the pages of a spread sit on screen. A spread names its pages in
 * reading order ("left" is the earlier page of a pair, as a left-to-right book
 * shows it); a right-to-left book shows the earlier page on the right, so the
 * cover sits left of the spine and the last even page right of it.
 */
export function placeSpread(spread, direction) {
  if (direction !== RTL || spread.single != null) return spread;
  return { left: spread.right, right: spread.left, single: null };
}

/** Page numbers of a spread as they sit on screen, left to right. */
export function pagesOnScreen(spread, direction) {
  const placed = placeSpread(spread, direction);
  return [placed.single, placed.left, placed.right].filter((p) => p != null);
}

/**
 * -1 for a step back, +1 for a step on, 0 for none, when a sideways gesture
 * goes toward `side` ("left" or "right"): a click on that edge, an arrow key.
 */
export function stepToward(side, direction) {
  const onward = direction === RTL ? "left" : "right";
  if (side !== "left" && side !== "right") return 0;
  return side === onward ? 1 : -1;
}

/** The step a horizontal swipe of `dx` pixels asks for: the finger drags the next page in from the far edge. */
export const swipeStep = (dx, direction) => (dx === 0 ? 0 : stepToward(dx < 0 ? "right" : "left", direction));

/** The command a sideways arrow key gives in a book of `direction`; other keys keep their `command`. */
export function arrowCommand(key, command, direction) {
  const side = { ArrowLeft: "left", ArrowRight: "right" }[key];
  if (!side || (command !== "next" && command !== "previous")) return command;
  return stepToward(side, direction) > 0 ? "next" : "previous";
}

/**
 * Which way a leaf's angles turn on screen: a right-to-left book's leaf hangs
 * left of the spine and falls to the right, the mirror image of the other.
 */
export const leafSign = (direction) => (direction === RTL ? -1 : 1);

/** Arrows in a button's tooltip that name keys point the way the book reads. */
export function tooltipFor(text, direction) {
  if (direction !== RTL) return text;
  return String(text).replace(/[←→]/g, (arrow) => (arrow === "←" ? "→" : "←"));
}

/**
 * Where page `page` sits in the page overview, which pairs pages as the book
 * does: `row` counted from 0 (the cover's), `side` "left" or "right".
 */
export function overviewCell(page, direction) {
  // Left to right, even pages sit on the left and odd ones (the cover alone) on the right.
  const even = page > 1 && page % 2 === 0;
  return { row: Math.floor(page / 2), side: even !== (direction === RTL) ? "left" : "right" };
}

/** The first and last page on rows `first` to `last` (from 0) of the overview of a book of `count` pages. */
export function overviewPages(first, last, count) {
  return { first: Math.max(1, 2 * first), last: Math.min(count, 2 * last + 1) };
}

/** Rows of the overview of a book of `count` pages. */
export const overviewRows = (count) => (count < 1 ? 0 : Math.floor(count / 2) + 1);
