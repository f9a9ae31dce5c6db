// How a turning leaf looks at each moment, without the DOM. The leaf's angle
// runs from 0 (lying on the right-hand page) to -180 (lying on the left-hand
// one). Each face only ever turns between lying flat and standing upright, and
// only one face shows at a time, so no renderer can show a face from behind:
// some drop backface-visibility and 3D nesting when they draw without a GPU.
// A right-to-left book turns the mirror image: the same angles, rotated the
// other way on screen, with the faces hinged on their other edges.

import { leafSign } from "./direction.js";

export const UPRIGHT = -90;
// Far enough for a gentle taper of the lifted edge, as on a real book.
const PERSPECTIVE = 5000;
const MAX_SHADE = 0.45;
// The ease of a turn: quick to lift, slow to land.
const EASE = [0.35, 0.1, 0.25, 1];
// Keyframes per full turn; the compositor interpolates between them linearly.
const STEPS = 30;

const bezier = (a, b, s) => 3 * a * s * (1 - s) ** 2 + 3 * b * s * s * (1 - s) + s ** 3;

/** Progress of the turn's ease at time share `t` (0…1). */
export function ease(t) {
  if (t <= 0) return 0;
  if (t >= 1) return 1;
  const [x1, y1, x2, y2] = EASE;
  let [lo, hi] = [0, 1];
  for (let i = 0; i < 40; i++) {
    const mid = (lo + hi) / 2;
    if (bezier(x1, x2, mid) < t) lo = mid;
    else hi = mid;
  }
  return bezier(y1, y2, (lo + hi) / 2);
}

/** Time share at which the ease reaches progress `p`. */
export function easeInverse(p) {
  let [lo, hi] = [0, 1];
  for (let i = 0; i < 40; i++) {
    const mid = (lo + hi) / 2;
    if (ease(mid) < p) lo = mid;
    else hi = mid;
  }
  return (lo + hi) / 2;
}

/** The leaf darkens as it stands up from the page and lightens as it lands. */
export function shadeAt(angle) {
  return Math.abs(Math.sin((angle * Math.PI) / 180)) * MAX_SHADE;
}

const clampAngle = (angle) => Math.min(0, Math.max(-180, angle));

/**
 * What each face shows at leaf angle `angle`: the front turns about the spine
 * from flat to upright, then the back turns from upright to flat on the other
 * side. A face that is not showing stands upright, edge on, as well as hidden.
 */
export function leafPose(angle) {
  const a = clampAngle(angle);
  const front = a > UPRIGHT;
  return {
    front: { rotate: Math.max(a, UPRIGHT), shown: front },
    back: { rotate: Math.min(a + 180, -UPRIGHT), shown: !front },
    shade: shadeAt(a),
  };
}

// Adding zero turns a mirrored -0 into 0, which CSS would print as "-0deg".
const transformOf = (rotate, sign) => `perspective(${PERSPECTIVE}px) rotateY(${rotate * sign + 0}deg)`;

/** Inline styles for the two faces and their shades at `angle`, for a book read in `direction`. */
export function poseStyles(angle, direction = "ltr") {
  const pose = leafPose(angle);
  const sign = leafSign(direction);
  const face = (f) => ({ transform: transformOf(f.rotate, sign), opacity: f.shown ? 1 : 0 });
  return { front: face(pose.front), back: face(pose.back), shade: { opacity: pose.shade } };
}

/**
 * Keyframes for a turn from `from` to `to` degrees along the ease, sampled so
 * that a linear timing reproduces it, with the faces trading places exactly
 * where the leaf stands upright.
 */
export function turnKeyframes(from, to, steps = STEPS, direction = "ltr") {
  const span = to - from;
  const pose = (angle) => poseStyles(angle, direction);
  const poses = [];
  for (let i = 0; i <= steps; i++) poses.push([i / steps, pose(from + span * ease(i / steps))]);
  const crossing = span === 0 ? -1 : (UPRIGHT - from) / span;
  if (crossing > 0 && crossing < 1) {
    // Both faces stand edge on there: the one turning away hides as the other shows.
    const at = easeInverse(crossing);
    const upright = pose(UPRIGHT);
    const showing = (pose) => ({
      front: { ...upright.front, opacity: pose.front.opacity },
      back: { ...upright.back, opacity: pose.back.opacity },
      shade: upright.shade,
    });
    const index = poses.findIndex(([offset]) => offset >= at);
    poses.splice(index, 0, [at, showing(pose(from))], [at, showing(pose(to))]);
  }
  const track = (part) => poses.map(([offset, pose]) => ({ offset, ...pose[part] }));
  return { front: track("front"), back: track("back"), shade: track("shade") };
}

/**
 * Leaf angle for a pointer at `x` dragging the leaf's free edge: its shadow on
 * the page is cos(angle) times `reach` from the spine at `spine`, on the side
 * the leaf starts from (the right, or the left in a right-to-left book).
 */
export function dragAngle(x, spine, reach, direction = "ltr") {
  const ratio = Math.min(1, Math.max(-1, (leafSign(direction) * (x - spine)) / Math.max(1, reach)));
  return -(Math.acos(ratio) * 180) / Math.PI;
}
