import { test } from "node:test";
import assert from "node:assert/strict";
import { book, cdp, configFor, openPage, reader, sent, shot, useBrowser, waitForPages } from "./harness.mjs";

useBrowser();

test("a flipbook opens on its cover, turns by button, key, page entry and Home/End, and posts open and print", async () => {
  const title = "Spring <b>Catalogue</b> &amp; more";
  const { page, problems, config } = await reader(12, { design: { title, subtitle: "<img src=x>Issue 3", background: "#1d3b4f" } });
  await waitForPages(page, null, 1);
  await shot(page, "reader-cover");
  assert.equal(await page.textContent("#title"), "Spring Catalogue & more");
  assert.equal(await page.textContent("#subtitle"), "Issue 3");
  assert.equal(await page.locator("header img").count(), 0, "metadata markup never becomes elements");
  assert.equal(await page.evaluate(() => getComputedStyle(document.getElementById("main")).backgroundColor), "rgb(29, 59, 79)");
  await page.click("#btn-openpdf");
  await page.click("#btn-print");
  await page.keyboard.press("Control+p");
  assert.deepEqual(await sent(page), [`action.openpdf ${config.path}`, ...Array(2).fill(`action.print ${config.path}`)]);

  await page.click("#btn-next");
  await waitForPages(page, 2, 3);
  await shot(page, "reader-spread");
  await page.keyboard.press("ArrowRight");
  await waitForPages(page, 4, 5);
  assert.equal(await page.textContent("#announce"), "Pages 4 and 5 of 12");
  await page.keyboard.press("End");
  await waitForPages(page, 12, null);
  assert.ok(await page.isDisabled("#btn-next"));
  await page.keyboard.press("Home");
  await waitForPages(page, null, 1);
  await page.fill("#page-input", "7");
  await page.press("#page-input", "Enter");
  await waitForPages(page, 6, 7);
  assert.equal(await page.inputValue("#page-input"), "6");
  assert.deepEqual(problems, []);
  await page.close();
});

test("a page edge click, links and a corner drag turn pages; web links open a new window; a short drag falls back", async () => {
  const { page, problems } = await reader(12);
  await waitForPages(page, null, 1);
  const box = await page.locator(".book").boundingBox();
  const [right, y] = [box.x + box.width - 5, box.y + box.height - 20];
  await page.mouse.click(right - 5, box.y + box.height / 2);
  await waitForPages(page, 2, 3);
  await page.locator('.slot.left .page[data-page="2"] .link').click();
  assert.deepEqual(await page.evaluate(() => window.__opened), [["https://example.org/from-page-2", "_blank"]]);
  await page.locator('.slot.right .page[data-page="3"] .link').click();
  await waitForPages(page, 6, 7);
  // Drag the right-hand corner across the spine.
  await page.mouse.move(right, y);
  await page.mouse.down();
  for (let i = 1; i <= 10; i++) {
    await page.mouse.move(right - (i * box.width * 0.8) / 10, y);
    if (i === 4) await shot(page, "reader-turning");
  }
  await page.mouse.up();
  await waitForPages(page, 8, 9);
  // A drag that does not reach the spine puts the leaf back.
  await page.mouse.move(right, y);
  await page.mouse.down();
  await page.mouse.move(right - 55, y, { steps: 4 });
  await page.mouse.up();
  await waitForPages(page, 8, 9);
  assert.deepEqual(problems, []);
  await page.close();
});

test("pages render at the device pixel ratio; zooming renders them again at the new size and lets the reader pan", async () => {
  const { page, problems } = await openPage("flipbook.html");
  await (await cdp(page)).send("Emulation.setDeviceMetricsOverride", { width: 1280, height: 800, deviceScaleFactor: 2, mobile: false });
  await page.evaluate((c) => window.onMessage(c), configFor(await book(12)));
  await waitForPages(page, null, 1);
  const measure = () => page.evaluate(() => {
    const stage = document.getElementById("stage");
    return {
      natural: document.querySelector(".slot.right img").naturalWidth,
      css: document.querySelector(".slot.right").getBoundingClientRect().width,
      pannable: stage.scrollHeight > stage.clientHeight,
    };
  });
  const fit = await measure();
  assert.ok(Math.abs(fit.natural - 2 * fit.css) <= 2, `image ${fit.natural}px for ${fit.css} CSS px`);
  await page.keyboard.press("+");
  await page.keyboard.press("+");
  await page.waitForFunction((w) => document.querySelector(".slot.right .page:not(.loading) img")?.naturalWidth > w * 1.4, fit.natural);
  const zoomed = await measure();
  assert.ok(Math.abs(zoomed.natural - 2 * zoomed.css) <= 2, "sharp: two image pixels per CSS pixel at this ratio");
  assert.ok(zoomed.pannable, "a zoomed page can be panned");
  assert.equal(await page.textContent("#zoom-level"), "150%");
  await shot(page, "reader-zoomed");
  // Turning still works while zoomed, without animation.
  await page.click("#btn-next");
  await waitForPages(page, 2, 3);
  await page.click("#btn-zoom-fit");
  await page.waitForFunction((w) => Math.abs(document.querySelector(".slot.right .page:not(.loading) img")?.naturalWidth - w) < 2, fit.natural);
  assert.deepEqual(problems, []);
  await page.close();
});

test("a narrow window shows single pages and resizing keeps the page", async () => {
  const { page } = await reader(12, null, { width: 560, height: 800 });
  await waitForPages(page, null, 1);
  await page.keyboard.press("ArrowRight");
  await waitForPages(page, null, 2);
  await page.keyboard.press("ArrowRight");
  await waitForPages(page, null, 3);
  await shot(page, "reader-narrow");
  await page.setViewportSize({ width: 1280, height: 800 });
  await waitForPages(page, 2, 3);
  await page.setViewportSize({ width: 560, height: 800 });
  await waitForPages(page, null, 2);
  await page.close();
});

test("contents come from the metadata; a second configuration replaces the book, and without contents the button hides", async () => {
  const { page } = await reader(12, { toc: [{ title: "Welcome", page: 1 }, { title: "Chapter <two>", page: 8 }] });
  await waitForPages(page, null, 1);
  await page.click("#btn-contents");
  await shot(page, "reader-contents");
  await page.getByRole("button", { name: /Chapter <two>/ }).click();
  await waitForPages(page, 8, 9);
  await page.evaluate((c) => window.onMessage(c), configFor(await book(4), null, ""));
  await waitForPages(page, null, 1);
  await page.waitForTimeout(200);
  assert.equal(await page.textContent("#page-count"), "4");
  assert.ok(await page.isHidden("#btn-contents"));
  await page.close();
});

test("the page overview renders thumbnails and jumps to the one picked", async () => {
  const { page, problems } = await reader(30);
  await waitForPages(page, null, 1);
  await page.click("#btn-thumbs");
  await page.waitForFunction(() => document.querySelectorAll(".thumb img[src]").length >= 3);
  await shot(page, "reader-thumbnails");
  await page.click('.thumb[data-page="9"]');
  await waitForPages(page, 8, 9);
  assert.equal(await page.getAttribute('.thumb[data-page="9"]', "aria-current"), "page");
  assert.deepEqual(problems, []);
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
