// What a link annotation on a page does when clicked.

const EXTERNAL = new Set(["http:", "https:", "mailto:", "tel:"]);

/**
 * { kind: "external", url } for web and mail links, { kind: "internal", dest }
 * for jumps inside the document, null for anything else (scripts, files, launch
 * actions are never followed).
 */
export function linkTarget(annotation) {
  if (!annotation || annotation.subtype !== "Link") return null;
  const raw = typeof annotation.url === "string" && annotation.url !== "" ? annotation.url : annotation.unsafeUrl;
  if (typeof raw === "string" && raw.trim() !== "") {
    const text = raw.trim();
    // A bare "www." address is a web address its author did not bother to complete.
    const candidate = /^www\./i.test(text) ? `https://${text}` : text;
    try {
      const url = new URL(candidate);
      return EXTERNAL.has(url.protocol) ? { kind: "external", url: url.href } : null;
    } catch {
      return null;
    }
  }
  if (annotation.dest !== undefined && annotation.dest !== null && annotation.dest !== "") {
    return { kind: "internal", dest: annotation.dest };
  }
  return null;
}

/**
 * Position of a rectangle in PDF user space ([x1, y1, x2, y2]) as fractions of
 * the page as shown: `viewport` ({ transform, width, height }, pdf.js's at
 * scale 1) maps user space onto the shown page, turned by its /Rotate.
 */
export function rectToBox(rect, viewport) {
  const { transform: m, width, height } = viewport ?? {};
  if (!(width > 0) || !(height > 0) || !Array.isArray(m) || !Array.isArray(rect) || rect.length !== 4) return null;
  const xs = [];
  const ys = [];
  for (const [x, y] of [[rect[0], rect[1]], [rect[2], rect[3]]]) {
    xs.push((m[0] * x + m[2] * y + m[4]) / width);
    ys.push((m[1] * x + m[3] * y + m[5]) / height);
  }
  const clamp = (v) => Math.min(Math.max(v, 0), 1);
  const left = clamp(Math.min(...xs));
  const right = clamp(Math.max(...xs));
  const top = clamp(Math.min(...ys));
  const bottom = clamp(Math.max(...ys));
  if (right - left <= 0 || bottom - top <= 0) return null;
  return { left, top, width: right - left, height: bottom - top };
}
