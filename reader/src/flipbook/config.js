// Turns the configuration the host hands to the reader page into what the page
// needs, refusing anything it cannot show safely.
import { N_ } from "../shared/strings.js";

/** Joins a directory URL (with or without a final "/") and a relative path. */
export function joinUrl(dir, rel) {
  const base = String(dir ?? "");
  const tail = String(rel ?? "").replace(/^\/+/, "");
  if (base === "") return tail;
  return base.endsWith("/") ? base + tail : `${base}/${tail}`;
}

/** Directory URL with exactly one trailing "/", so relative references resolve inside it. */
export function asDirectoryUrl(dir) {
  const text = String(dir ?? "");
  return text === "" || text.endsWith("/") ? text : `${text}/`;
}

/**
 * The address under which the host serves a local file in byte ranges, or null
 * where it offers none (a plain browser): the configuration names file URLs,
 * the page reads through the host's scheme.
 */
export function bookUrl(url, scheme = globalThis.brivaneBookScheme) {
  if (typeof scheme !== "string" || !/^[a-z][a-z0-9+.-]*$/.test(scheme)) return null;
  let parsed;
  try {
    parsed = new URL(url);
  } catch {
    return null;
  }
  if (parsed.protocol !== "file:" || (parsed.host !== "" && parsed.host !== "localhost")) return null;
  return `${scheme}://${parsed.pathname}`;
}

/** The metadata reading of a value as text: strings, numbers and booleans only. */
export function readText(value) {
  if (typeof value === "string") return value;
  if (typeof value === "number" && Number.isFinite(value)) return String(value);
  if (typeof value === "boolean") return value ? "true" : "false";
  return "";
}

function member(value, key) {
  return value !== null && typeof value === "object" && !Array.isArray(value) ? value[key] : undefined;
}

// English here; the page translates them where it shows them.
export const ERROR_NO_PATH = N_("This flipbook cannot be shown: the reader was not told where its pages are.");
export const ERROR_BAD_PATH = N_("This flipbook cannot be shown: its pages are not in a local file.");
export const ERROR_NO_CONFIG = N_("This flipbook cannot be shown: the reader received no usable configuration.");

// Only local documents: the reader never touches the network.
const LOCAL_SCHEMES = new Set(["file:", "blob:"]);

function localUrl(text, base) {
  try {
    const url = new URL(text, base);
    return LOCAL_SCHEMES.has(url.protocol) ? url.href : null;
  } catch {
    return null;
  }
}

/**
 * Reads the host's configuration (an object, or its JSON text).
 * Returns { error } or the reader's view of it.
 */
export function readConfig(raw, pageUrl) {
  let config = raw;
  if (typeof config === "string") {
    try {
      config = JSON.parse(config);
    } catch {
      return { error: ERROR_NO_CONFIG };
    }
  }
  if (config === null || typeof config !== "object" || Array.isArray(config)) {
    return { error: ERROR_NO_CONFIG };
  }
  const path = config.path;
  if (typeof path !== "string" || path.trim() === "") return { error: ERROR_NO_PATH };
  const pdfUrl = localUrl(path, pageUrl);
  if (pdfUrl === null) return { error: ERROR_BAD_PATH };

  const dataText = typeof config.thumbnailPath === "string" && config.thumbnailPath !== ""
    ? config.thumbnailPath
    : new URL(".", pdfUrl).href;
  const dataUrl = asDirectoryUrl(localUrl(dataText, pageUrl) ?? new URL(".", pdfUrl).href);
  const tocText = typeof config.tocPath === "string" && config.tocPath !== ""
    ? config.tocPath
    : joinUrl(dataUrl, "files/toc/");
  const tocUrl = asDirectoryUrl(localUrl(tocText, pageUrl) ?? joinUrl(dataUrl, "files/toc/"));

  const metadata = member(config, "metadata") ?? null;
  const design = member(metadata, "design");
  return {
    path,
    pdfUrl,
    dataUrl,
    tocUrl,
    title: readText(member(design, "title")),
    subtitle: readText(member(design, "subtitle")),
    background: readBackground(member(design, "background"), dataUrl),
    metadata,
  };
}

// "/" is written \u002f: the message extractor (xgettext) would end the pattern there.
const COLOUR = /^(#[0-9a-f]{3,8}|(rgb|rgba|hsl|hsla)\([0-9.,%\s\u002f+-]+\)|[a-z]{3,30})$/i;

/**
 * A background is a colour, or an image file under the book's own
 * files/backgrounds, given either as the absolute URL the host rewrote it to or
 * as a path relative to the data directory. Anything else is ignored.
 */
export function readBackground(value, dataUrl) {
  let candidate = value;
  if (candidate !== null && typeof candidate === "object" && !Array.isArray(candidate)) {
    candidate = candidate.image ?? candidate.url ?? candidate.color ?? candidate.colour;
  }
  if (typeof candidate !== "string") return null;
  const text = candidate.trim();
  if (text === "") return null;
  if (COLOUR.test(text) && !text.includes("/")) return { color: text };
  const base = asDirectoryUrl(dataUrl);
  const image = fileUnder(text, base, joinUrl(base, "files/backgrounds/"));
  return image === null ? null : { image };
}

// The path segments of a file URL as the file system will see them, or null
// when decoding could smuggle in a separator or a step upwards ("..%2F").
function fileSegments(url) {
  if (url.protocol !== "file:" || url.search !== "" || url.hash !== "") return null;
  const segments = [];
  for (const raw of url.pathname.split("/")) {
    let segment;
    try {
      segment = decodeURIComponent(raw);
    } catch {
      return null;
    }
    if (/[/\\\0]/.test(segment) || segment === "." || segment === "..") return null;
    // The host's rewrite may leave a doubled "/" after the directory name; it still resolves.
    if (segment !== "") segments.push(segment);
  }
  return segments;
}

/** Canonical URL of `text` (relative to `baseUrl`) when it names a file strictly inside directory `dirUrl`, else null. */
export function fileUnder(text, baseUrl, dirUrl) {
  let url;
  let dir;
  try {
    dir = new URL(asDirectoryUrl(dirUrl));
    url = new URL(text, baseUrl);
  } catch {
    return null;
  }
  const root = fileSegments(dir);
  const path = fileSegments(url);
  if (root === null || path === null || url.host !== dir.host || path.length <= root.length) return null;
  if (!root.every((segment, i) => path[i] === segment)) return null;
  return `file://${url.host}/${path.map(encodeURIComponent).join("/")}`;
}

/** Longest title or subtitle the page shows, in user-perceived characters. */
export const TITLE_MAX_GRAPHEMES = 200;

const graphemes = typeof Intl.Segmenter === "function" ? new Intl.Segmenter(undefined, { granularity: "grapheme" }) : null;

/** At most `max` user-perceived characters of `text`; a cut one ends in an ellipsis. */
export function capText(text, max) {
  const value = String(text ?? "");
  if (value.length <= max) return value;
  const parts = [];
  const pieces = graphemes ? graphemes.segment(value) : value;
  for (const piece of pieces) {
    parts.push(graphemes ? piece.segment : piece);
    if (parts.length > max) return `${parts.slice(0, max - 1).join("")}…`;
  }
  return value;
}

/** CSS url() value for an already validated URL. */
export function cssUrl(url) {
  return `url("${String(url).replace(/["\\\n\r\f]/g, (c) => `\\${c.charCodeAt(0).toString(16)} `)}")`;
}
