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
  F11: "fullscreen",
  r: "direction",
  R: "direction",
  Escape: "close",
};

// Vertical keys scroll a zoomed page instead of turning it.
const SCROLLING = new Set(["ArrowUp", "ArrowDown", " "]);

/** The command for a key event, or null to leave the key to the browser. */
export function commandForKey(event, { zoomed = false, typing = false, direction = "ltr" } = {}) {
  const key = event.key;
  const modifier = event.ctrlKey || event.metaKey;
  if (modifier && !event.altKey && (key === "p" || key === "P")) return "print";
  if (modifier && (key === "+" || key === "=")) return "zoomIn";
  if (modifier && key === "-") return "zoomOut";
  if (modifier && key === "0") return "zoomFit";
  if (modifier && !event.altKey && (key === "f" || key === "F")) return "find";
  if (key === "F3" && !modifier && !event.altKey) return event.shiftKey ? "findPrevious" : "findNext";
  if (modifier && !event.altKey && /^[glGL]$/.test(key)) return "pageEntry";
  // In a text field it selects that field's text, as everywhere.
  if (modifier && !event.altKey && (key === "a" || key === "A")) return typing ? null : "selectAll";
  if (modifier || event.altKey) return null;
  if (typing && key !== "F11" && key !== "Escape") return null;
  if (zoomed && SCROLLING.has(key)) return null;
  return arrowCommand(key, PLAIN[key] ?? null, direction);
}
