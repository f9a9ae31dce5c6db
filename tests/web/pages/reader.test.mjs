import { test } from "node:test";
import assert from "node:assert/strict";
import { reader, sent, shot, useBrowser, waitForPages } from "./harness.mjs";

useBrowser();
const press = async (page, key, left, right) => (await page.keyboard.press(key), waitForPages(page, left, right));

test("one flipbook through the ways of turning, linking, contents, thumbnails, open and print", async () => {
  const toc = [{ title: "Welcome", page: 1 }, { title: "Chapter <two>", page: 8 }];
  const design = { title: "Spring <b>Catalogue</b> &amp; more", subtitle: "<img src=x>Issue 3", background: "#1d3b4f" };
  const { page, problems, config } = await reader(12, { metadata: { design, toc } });
  await waitForPages(page, null, 1);
  await shot(page, "reader-cover");
  assert.deepEqual([await page.textContent("#title"), await page.textContent("#subtitle")], ["Spring Catalogue & more", "Issue 3"]);
  assert.equal(await page.locator("header img").count(), 0, "metadata markup never becomes elements");
  assert.equal(await page.evaluate(() => getComputedStyle(document.getElementById("main")).backgroundColor), "rgb(29, 59, 79)");
  await page.click("#btn-openpdf");
  await page.click("#btn-print");
  await page.keyboard.press("Control+p");
  // Reports (position, view, drawn, the pages on screen, the text and contents for the
  // host's own widgets) come on their own time; only the actions are counted here.
  const messages = await sent(page);
  const reports = ["action.position", "action.view", "action.drawn", "action.onscreen", "action.shown", "action.contents", "action.found"];
  const actions = messages.filter((m) => !reports.some((r) => m.startsWith(r)));
  assert.deepEqual(actions, [`action.openpdf ${config.path}`, ...Array(2).fill(`action.print ${config.path}`)]);
  // The host's own picture of the cover goes on this word, given once.
  assert.deepEqual(messages.filter((m) => m.startsWith("action.drawn")), ["action.drawn 1"]);

  const box = await page.locator(".book").boundingBox();
  const [right, y] = [box.x + box.width - 5, box.y + box.height - 20];
  await page.mouse.click(right - 5, box.y + box.height / 2);
  await waitForPages(page, 2, 3);
  await shot(page, "reader-spread");
  // The host hears what is on screen before it prints, for the dialog's "Current page".
  await page.keyboard.press("Control+p");
  const told = await sent(page);
  const printedAt = told.lastIndexOf(`action.print ${config.path}`);
  assert.equal(told.slice(0, printedAt).findLast((m) => m.startsWith("action.onscreen")), "action.onscreen 2 3");
  await page.locator('.slot.left .page[data-page="2"] .link').click();
  assert.deepEqual(await page.evaluate(() => window.__opened), [["https://example.org/from-page-2", "_blank"]]);
  await page.locator('.slot.right .page[data-page="3"] .link').click();
  await waitForPages(page, 6, 7);
  // A corner dragged across the spine turns; one that does not reach it puts the leaf back.
  for (const [distance, steps, want] of [[box.width * 0.8, 10, 8], [55, 4, 8]]) {
    await page.mouse.move(right, y);
    await page.mouse.down();
    for (let i = 1; i <= steps; i++) {
      await page.mouse.move(right - (i * distance) / steps, y);
      if (i === 4 && steps === 10) await shot(page, "reader-turning");
    }
    await page.mouse.up();
    await waitForPages(page, want, want + 1);
  }
  await press(page, "ArrowRight", 10, 11);
  await press(page, "End", 12, null);
  assert.ok(await page.isDisabled("#btn-next"));
  await press(page, "Home", null, 1);

  await page.click("#btn-contents");
  await shot(page, "reader-contents");
  await page.getByRole("button", { name: /Chapter <two>/ }).click();
  await waitForPages(page, 8, 9);
  await page.click("#btn-thumbs");
  await page.waitForFunction(() => document.querySelectorAll(".thumb img[src]").length >= 3);
  await shot(page, "reader-thumbnails");
  await page.click('.thumb[data-page="11"]');
  await waitForPages(page, 10, 11);
  assert.equal(await page.getAttribute('.thumb[data-page="11"]', "aria-current"), "page");
  for (const [width, left, right] of [[560, null, 10], [1280, 10, 11]]) {
    await page.setViewportSize({ width, height: 800 });
    await waitForPages(page, left, right);
    if (left === null) await shot(page, "reader-narrow");
  }
  assert.deepEqual(problems, []);
  await page.close();
});

test("a missing PDF shows a message, never a blank page", async () => {
  const { page } = await reader("file:///nonexistent/dir");
  await page.waitForSelector("#message:not([hidden])");
  assert.match(await page.textContent("#message"), /could not be found|could not be read/);
  await shot(page, "reader-error");
  await page.close();
});

test("the reader page in German: toolbar, pager, announcements, and the message for a configuration it cannot use", async () => {
  const { page, problems } = await reader(4, { lang: "de" });
  await waitForPages(page, null, 1);
  for (const name of ["Seitenübersicht", "Vergrößern", "Drucken", "Nächste Seite"]) {
    assert.equal(await page.getByRole("button", { name }).count(), 1, name);
  }
  await page.getByRole("button", { name: "Nächste Seite" }).click();
  await waitForPages(page, 2, 3);
  assert.equal(await page.locator("#announce").textContent(), "Seiten 2 und 3 von 4");
  await page.evaluate(() => window.onMessage({}));
  // The book shown before is closed first, so the message comes a moment later.
  await page.waitForSelector("#message:not([hidden])");
  assert.equal(await page.locator("#message h2").textContent(), "Das Flipbook kann nicht angezeigt werden");
  assert.match(await page.locator("#message p").textContent(), /^Dieses Flipbook kann nicht angezeigt werden: /);
  assert.deepEqual(problems, []);
  await page.close();
});

const visible = (page, selector) => page.evaluate((s) => {
  const box = document.querySelector(s).getBoundingClientRect();
  return getComputedStyle(document.querySelector(s)).visibility === "visible" && box.bottom > 0 && box.top < innerHeight;
}, selector);
const bookBox = (page) => page.evaluate(() => {
  const { x, y, width, height } = document.querySelector(".book").getBoundingClientRect();
  return [x, y, width, height].map(Math.round);
});

test("full screen: the bars step aside, the book grows into the room, an edge brings a bar over it without moving it, and Escape leaves last", async () => {
  const { page, problems } = await reader(8);
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
  assert.deepEqual(problems, []);
  await page.close();
});
