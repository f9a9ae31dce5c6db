import { test } from "node:test";
import assert from "node:assert/strict";
import { dragAngle, ease, easeInverse, leafPose, turnKeyframes } from "../../../reader/src/flipbook/leafMotion.js";

const rotation = (transform) => Number(/rotateY\((-?[\d.e-]+)deg\)/.exec(transform)[1]);

test("exactly one face shows, turned no further than upright, at every angle", () => {
  const cases = [
    [0, "front", 0, 90],
    [-89.9, "front", -89.9, 90],
    [-90, "back", -90, 90],
    [-135, "back", -90, 45],
    [-180, "back", -90, 0],
    [20, "front", 0, 90], // past the ends: clamped onto the book
    [-200, "back", -90, 0],
  ];
  for (const [angle, shown, front, back] of cases) {
    const pose = leafPose(angle);
    assert.equal(pose.front.shown ? "front" : "back", shown, `${angle}°`);
    assert.notEqual(pose.front.shown, pose.back.shown, `${angle}°`);
    assert.ok(Math.abs(pose.front.rotate - front) < 1e-9 && Math.abs(pose.back.rotate - back) < 1e-9, `${angle}°`);
  }
  assert.equal(leafPose(0).shade, 0);
  assert.ok(Math.abs(leafPose(-90).shade - 0.45) < 1e-9 && leafPose(-45).shade < leafPose(-80).shade);
});

test("the ease runs from 0 to 1, never backwards, and inverts", () => {
  let last = -1;
  for (let i = 0; i <= 100; i++) {
    const p = ease(i / 100);
    assert.ok(p >= last && p >= 0 && p <= 1, `at ${i}%`);
    last = p;
    assert.ok(Math.abs(easeInverse(p) - i / 100) < 1e-4 || i === 100, `inverse at ${i}%`);
  }
  assert.deepEqual([ease(0), ease(1)], [0, 1]);
});

test("turn keyframes switch faces exactly where the leaf stands upright; right to left they are the mirror image, never -0deg", () => {
  const cases = [
    ["forward", 0, -180, "back"],
    ["backward", -180, 0, "front"],
    ["from the right half to the left", -60, -180, "back"],
    ["within the left half", -120, -180, null],
    ["from the left half to the right", -100, 0, "front"],
  ];
  for (const [name, from, to, after] of cases) {
    const frames = turnKeyframes(from, to);
    const { front, back, shade } = frames;
    assert.equal(front.length, back.length, name);
    assert.equal(front.length, shade.length, name);
    for (let i = 1; i < front.length; i++) assert.ok(front[i].offset >= front[i - 1].offset, `${name}: offsets in order`);
    assert.deepEqual([front[0].offset, front.at(-1).offset], [0, 1], name);
    for (let i = 0; i < front.length; i++) {
      assert.equal(front[i].opacity + back[i].opacity, 1, `${name}: one face at offset ${front[i].offset}`);
      assert.ok(rotation(front[i].transform) <= 0 && rotation(front[i].transform) >= -90, `${name}: front flat..upright`);
      assert.ok(rotation(back[i].transform) >= 0 && rotation(back[i].transform) <= 90, `${name}: back upright..flat`);
      // The face that shows never lags or leads the ease by more than a step.
      const want = from + (to - from) * ease(front[i].offset);
      const shown = front[i].opacity ? rotation(front[i].transform) : rotation(back[i].transform) - 180;
      assert.ok(Math.abs(shown - want) < 1e-6 || Math.abs(want + 90) < 1e-6, `${name}: angle at ${front[i].offset}`);
    }
    const switches = front.filter((f, i) => i > 0 && f.opacity !== front[i - 1].opacity);
    assert.equal(switches.length, after ? 1 : 0, name);
    if (after) {
      const at = switches[0].offset;
      assert.ok(Math.abs(from + (to - from) * ease(at) + 90) < 1e-6, `${name}: switch at upright`);
      assert.equal(switches[0].opacity, after === "front" ? 1 : 0, name);
      assert.equal(rotation(switches[0].transform), -90, `${name}: front edge on at the switch`);
    }
    const rtl = turnKeyframes(from, to, undefined, "rtl");
    assert.deepEqual(rtl.shade, shade, name);
    for (const part of ["front", "back"]) {
      const mirrored = frames[part].map((f) => [f.offset, f.opacity, -rotation(f.transform) || 0]);
      assert.deepEqual(rtl[part].map((f) => [f.offset, f.opacity, rotation(f.transform)]), mirrored, `${name}: right to left ${part}`);
      assert.ok(rtl[part].every((f) => !f.transform.includes("-0deg")), name);
    }
  }
});

test("a dragged corner sets the angle its shadow on the page would have, measured toward the left page right to left", () => {
  const cases = [
    // [x left to right, x right to left, want angle] with the spine at 400 and a reach of 200
    [600, 200, 0], // at the free edge: flat
    [700, 100, 0], // beyond it
    [400, 400, -90], // over the spine: upright
    [200, 600, -180], // at the far edge: flat on the other side
    [500, 300, -60],
  ];
  for (const [ltr, rtl, want] of cases) {
    assert.ok(Math.abs(dragAngle(ltr, 400, 200) - want) < 1e-9, `x ${ltr}`);
    assert.ok(Math.abs(dragAngle(rtl, 400, 200, "rtl") - want) < 1e-9, `x ${rtl} right to left`);
  }
});
