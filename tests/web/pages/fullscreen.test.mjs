import { test } from "node:test";
import assert from "node:assert/strict";
import { reader, sent, shot, useBrowser, waitForPages } from "./harness.mjs";

useBrowser();
const SIZE = { width: 1280, height: 800 };

const visible = (page, selector) => page.evaluate((s) => {
  const box = document.querySelector(s).getBoundingClientRect();
  return getComputedStyle(document.querySelector(s)).visibility === "visible" && box.bottom > 0 && box.top < innerHeight;
}, selector);
const bookBox = (page) => page.evaluate(() => {
  const { x, y, width, height } = document.querySelector(".book").getBoundingClientRect();
  return [x, y, width, height].map(Math.round);
});

test("full screen: the bars step aside, the book grows into the room, and an edge brings a bar over it without moving it", async () => {
  const { page, problems } = await reader(8, null, SIZE);
  await waitForPages(page, null, 1);
  const windowed = await bookBox(page);
  await page.click("#btn-fullscreen");
  assert.deepEqual(await sent(page).then((m) => m.filter((s) => s.startsWith("action.fullscreen"))), ["action.fullscreen on"]);

  await page.evaluate(() => window.onFullscreen(true));
  await page.waitForTimeout(400);
  assert.deepEqual([await visible(page, ".topbar"), await visible(page, ".pager")], [false, false]);
  const full = await bookBox(page);
  assert.ok(full[3] > windowed[3], `the book re-fits to the height it gained: ${windowed} → ${full}`);
  assert.equal(await page.getAttribute("#btn-fullscreen", "aria-pressed"), "true");

  // Top edge: the toolbar after a short pause; bottom edge: the page bar. The book stays put.
  const cases = [[0, ".topbar", true], [400, ".topbar", false], [799, ".pager", true], [400, ".pager", false]];
  for (const [y, bar, shown] of cases) {
    await page.mouse.move(640, y);
    await page.waitForTimeout(shown ? 80 : 300);
    assert.equal(await visible(page, bar), !shown, `${bar} waits before it follows y=${y}`);
    await page.waitForTimeout(shown ? 400 : 900);
    assert.equal(await visible(page, bar), shown, `${bar} at y=${y}`);
    assert.deepEqual(await bookBox(page), full, "no layout jump of the book");
    if (shown && bar === ".topbar") await shot(page, "fullscreen-top-bar");
  }
  assert.deepEqual(problems, []);
  await page.close();
});

test("Escape closes the find bar or a panel first, and only then asks to leave full screen", async () => {
  const { page } = await reader(8, null, SIZE);
  await waitForPages(page, null, 1);
  await page.evaluate(() => window.onFullscreen(true));
  const leave = async () => (await sent(page)).filter((m) => m === "action.fullscreen off").length;
  await page.keyboard.press("Control+f");
  await page.keyboard.press("Escape");
  assert.equal(await leave(), 0, "Escape closed the find bar only");
  await page.evaluate(() => document.getElementById("btn-thumbs").click());
  await page.keyboard.press("Escape");
  assert.equal(await leave(), 0, "Escape closed the overview only");
  await page.keyboard.press("Escape");
  assert.equal(await leave(), 1);
  await page.evaluate(() => window.onFullscreen(false));
  assert.deepEqual([await visible(page, ".topbar"), await visible(page, ".pager")], [true, true]);
  await page.keyboard.press("Escape");
  assert.equal(await leave(), 1, "out of full screen Escape asks for nothing");
  await page.close();
});
