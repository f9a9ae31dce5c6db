import { test } from "node:test";
import assert from "node:assert/strict";
import { book, cdp, configFor, openPage, reader, sent, shot, useBrowser, waitForPages } from "./harness.mjs";

useBrowser();
const press = async (page, key, left, right) => (await page.keyboard.press(key), waitForPages(page, left, right));

test("one flipbook through the ways of turning, linking, contents, thumbnails, open and print, then a second book", async () => {
  const toc = [{ title: "Welcome", page: 1 }, { title: "Chapter <two>", page: 8 }];
  const design = { title: "Spring <b>Catalogue</b> &amp; more", subtitle: "<img src=x>Issue 3", background: "#1d3b4f" };
  const { page, problems, config } = await reader(12, { design, toc });
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

  // A click on the page edge, then the two kinds of link.
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
  assert.equal(await page.textContent("#announce"), "Pages 10 and 11 of 12");
  await press(page, "End", 12, null);
  assert.ok(await page.isDisabled("#btn-next"));
  await press(page, "Home", null, 1);
  await page.fill("#page-input", "7");
  await press(page, "Enter", 6, 7);
  assert.equal(await page.inputValue("#page-input"), "6");

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

  // A second configuration replaces the book; without contents the button hides.
  await page.evaluate((c) => window.onMessage(c), configFor(await book(4), null, ""));
  await waitForPages(page, null, 1);
  await page.waitForTimeout(200);
  assert.equal(await page.textContent("#page-count"), "4");
  assert.ok(await page.isHidden("#btn-contents"));
  assert.deepEqual(problems, []);
  await page.close();
});

test("pages render at the device pixel ratio; zooming renders them again at the new size and lets the reader pan", async () => {
  const { page, problems } = await openPage("flipbook.html");
  await (await cdp(page)).send("Emulation.setDeviceMetricsOverride", { width: 1280, height: 800, deviceScaleFactor: 2, mobile: false });
  await page.evaluate((c) => window.onMessage(c), configFor(await book(12)));
  await waitForPages(page, null, 1);
  const rendered = () => page.evaluate(() => {
    const stage = document.getElementById("stage");
    const natural = document.querySelector(".slot.right img").naturalWidth;
    return { natural, sharp: Math.abs(natural - 2 * document.querySelector(".slot.right").getBoundingClientRect().width) <= 2,
      pannable: stage.scrollHeight > stage.clientHeight };
  });
  const fit = await rendered();
  assert.ok(fit.sharp, "two image pixels per CSS pixel at this ratio");
  await page.keyboard.press("+");
  await page.keyboard.press("+");
  await page.waitForFunction((w) => document.querySelector(".slot.right .page:not(.loading) img")?.naturalWidth > w * 1.4, fit.natural);
  const zoomed = await rendered();
  assert.ok(zoomed.sharp && zoomed.pannable, `zoomed: ${JSON.stringify(zoomed)}`);
  assert.equal(await page.inputValue("#zoom-level"), "150%");
  await shot(page, "reader-zoomed");
  // Turning still works while zoomed, without animation.
  await page.click("#btn-next");
  await waitForPages(page, 2, 3);
  await page.click("#btn-zoom-fit");
  // Back to a sharp render at the fitted size; judged at the ratio the page
  // reports, as the browser's pixel-ratio emulation may be reset under load.
  await page.waitForFunction((w) => {
    const img = document.querySelector(".slot.right .page:not(.loading) img");
    return img && Math.abs(img.naturalWidth - (w * window.devicePixelRatio) / 2) < 2;
  }, fit.natural);
  assert.deepEqual(problems, []);
  await page.close();
});

test("a narrow window shows single pages and resizing keeps the page", async () => {
  const { page } = await reader(12, null, { width: 560, height: 800 });
  await waitForPages(page, null, 1);
  await press(page, "ArrowRight", null, 2);
  await press(page, "ArrowRight", null, 3);
  await shot(page, "reader-narrow");
  for (const [width, left, right] of [[1280, 2, 3], [560, null, 2]]) {
    await page.setViewportSize({ width, height: 800 });
    await waitForPages(page, left, right);
  }
  await page.close();
});

test("a bad configuration or a missing PDF shows a message, never a blank page", async () => {
  const cases = [
    [{}, /not told where its pages are/],
    [configFor("file:///nonexistent/dir"), /could not be found|could not be read/],
    [{ path: "https://brivane.example/x.pdf" }, /not in a local file/],
  ];
  for (const [config, pattern] of cases) {
    const { page } = await openPage("flipbook.html");
    await page.evaluate((c) => window.onMessage(c), config);
    await page.waitForSelector("#message:not([hidden])");
    assert.match(await page.textContent("#message"), pattern);
    if (config.metadata === null) await shot(page, "reader-error");
    await page.close();
  }
});
