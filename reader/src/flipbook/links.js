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
 * Position of a rectangle in PDF user space ([x1, y1, x2, y2], origin bottom
 * left) as fractions of a page whose view box is `view`.
 */
export function rectToBox(rect, view) {
  const [vx1, vy1, vx2, vy2] = view;
  const width = vx2 - vx1;
  const height = vy2 - vy1;
  if (!(width > 0) || !(height > 0) || !Array.isArray(rect) || rect.length !== 4) return null;
  const x1 = Math.min(rect[0], rect[2]);
  const x2 = Math.max(rect[0], rect[2]);
  const y1 = Math.min(rect[1], rect[3]);
  const y2 = Math.max(rect[1], rect[3]);
  const clamp = (v) => Math.min(Math.max(v, 0), 1);
  const left = clamp((x1 - vx1) / width);
  const right = clamp((x2 - vx1) / width);
  const top = clamp((vy2 - y2) / height);
  const bottom = clamp((vy2 - y1) / height);
  if (right - left <= 0 || bottom - top <= 0) return null;
  return { left, top, width: right - left, height: bottom - top };
}
