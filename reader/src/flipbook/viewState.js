// How the reader shows a book, kept by the host between openings: the view,
// the fit, the zoom and the reading direction. The host hands back what it
// stored; a book reports what it shows. Either may lack fields or hold values
// this page does not know, and those are left out.
import { viewMessage } from "../shared/bridge.js";

export const VIEWS = ["spread", "single", "scroll"];
export const FITS = ["page", "width"];
export const DIRECTIONS = ["ltr", "rtl"];
// The host refuses a report with a zoom outside these.
export const MIN_ZOOM = 0.25;
export const MAX_ZOOM = 8;

// Direction first: it decides how pages pair up. The fit before the view, so a
// column opens at the top of the page; the zoom last, as it scales the fit.
const SETTERS = [
  ["direction", "setDirection"],
  ["fit", "setFit"],
  ["view", "setView"],
  ["zoom", "setZoom"],
];

/** The usable fields of `raw`, a stored state or a book. */
export function readViewState(raw) {
  const state = {};
  if (raw === null || typeof raw !== "object") return state;
  if (VIEWS.includes(raw.view)) state.view = raw.view;
  if (FITS.includes(raw.fit)) state.fit = raw.fit;
  if (typeof raw.zoom === "number") {
    // Three decimals keep the report short and still place a page to the pixel.
    const zoom = Math.round(raw.zoom * 1000) / 1000;
    if (zoom >= MIN_ZOOM && zoom <= MAX_ZOOM) state.zoom = zoom;
  }
  if (DIRECTIONS.includes(raw.direction)) state.direction = raw.direction;
  return state;
}

/** Shows `book` as `state` says, through whichever setters the book has. */
export function applyViewState(book, state) {
  for (const [key, setter] of SETTERS) {
    const value = state[key];
    if (value === undefined || typeof book[setter] !== "function" || book[key] === value) continue;
    book[setter](value);
  }
}

/** The message that tells the host how `book` is shown; "" when the book tells nothing. */
export function viewReport(book) {
  const state = readViewState(book);
  return Object.keys(state).length > 0 ? viewMessage(state) : "";
}
