// Keyboard commands of the reader page.
import { arrowCommand } from "./direction.js";

const PLAIN = {
  ArrowLeft: "previous",
  ArrowUp: "previous",
  PageUp: "previous",
  ArrowRight: "next",
  ArrowDown: "next",
  PageDown: "next",
  " ": "next",
  Home: "first",
  End: "last",
  "+": "zoomIn",
  "=": "zoomIn",
  "-": "zoomOut",
  "−": "zoomOut",
  "0": "zoomFit",
  w: "fitWidth",
  W: "fitWidth",
  F11: "fullscreen",
  r: "direction",
  R: "direction",
  Escape: "close",
};

// Ctrl with a digit picks a view; the code stands in where the layout types no digit there.
const VIEW_KEYS = { 1: "viewSpread", 2: "viewSingle", 3: "viewScroll" };

// Keys that move the view over a page larger than it before they turn: axis, way, and how far.
const PANNING = {
  ArrowLeft: ["x", -1, "line"],
  ArrowRight: ["x", 1, "line"],
  ArrowUp: ["y", -1, "line"],
  ArrowDown: ["y", 1, "line"],
  PageUp: ["y", -1, "screen"],
  PageDown: ["y", 1, "screen"],
  " ": ["y", 1, "screen"],
};

/** The command for a key event, or null to leave the key to the browser. */
export function commandForKey(event, { typing = false, direction = "ltr" } = {}) {
  const key = event.key;
  const modifier = event.ctrlKey || event.metaKey;
  if (modifier && !event.altKey && (key === "p" || key === "P")) return "print";
  if (modifier && (key === "+" || key === "=")) return "zoomIn";
  if (modifier && key === "-") return "zoomOut";
  if (modifier && key === "0") return "zoomFit";
  const digit = /^Digit([123])$/.exec(event.code ?? "")?.[1] ?? (/^[123]$/.test(key) ? key : null);
  if (modifier && !event.altKey && !event.shiftKey && digit) return VIEW_KEYS[digit];
  if (modifier && !event.altKey && (key === "f" || key === "F")) return "find";
  if (key === "F3" && !modifier && !event.altKey) return event.shiftKey ? "findPrevious" : "findNext";
  if (modifier && !event.altKey && /^[glGL]$/.test(key)) return "pageEntry";
  // In a text field it selects that field's text, as everywhere.
  if (modifier && !event.altKey && (key === "a" || key === "A")) return typing ? null : "selectAll";
  if (modifier || event.altKey) return null;
  if (typing && key !== "F11" && key !== "Escape") return null;
  if (key === " " && event.shiftKey) return "previous";
  return arrowCommand(key, PLAIN[key] ?? null, direction);
}

/** How a key pans the view ({ axis, sign, step: "line" | "screen" }), or null for keys that do not. */
export function panForKey(event) {
  if (event.ctrlKey || event.metaKey || event.altKey) return null;
  const pan = PANNING[event.key];
  if (!pan) return null;
  const sign = event.key === " " && event.shiftKey ? -1 : pan[1];
  return { axis: pan[0], sign, step: pan[2] };
}
