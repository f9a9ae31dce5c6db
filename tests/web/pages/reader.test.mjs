import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { configFor, openPage, sent, shot, startBrowser, waitForPages } from "./harness.mjs";

let browser;
before(async () => {
  browser = await startBrowser();
});
after(async () => browser?.close());

async function reader(count, metadata, viewport) {
  const dataUrl = await browser.book(count);
  const opened = await openPage(browser, "flipbook.html", viewport);
  const config = configFor(dataUrl, metadata);
  await opened.page.evaluate((c) => window.onMessage(c), config);
  return { ...opened, config, dataUrl };
}

test("a flipbook opens on its cover and turns by button, key, page entry and Home/End", async () => {
  const title = "Spring <b>Catalogue</b> &amp; more";
  const { page, problems } = await reader(12, { design: { title, subtitle: "<img src=x>Issue 3", background: "#1d3b4f" } });
  await waitForPages(page, null, 1);
  await shot(page, "reader-cover");
  assert.equal(await page.textContent("#title"), "Spring Catalogue & more");
  assert.equal(await page.textContent("#subtitle"), "Issue 3");
  assert.equal(await page.locator("header img").count(), 0, "metadata markup never becomes elements");
  assert.equal(await page.evaluate(() => getComputedStyle(document.getElementById("main")).backgroundColor), "rgb(29, 59, 79)");

  await page.click("#btn-next");
  await waitForPages(page, 2, 3);
  await shot(page, "reader-spread");
  await page.keyboard.press("ArrowRight");
  await waitForPages(page, 4, 5);
  assert.equal(await page.textContent("#announce"), "Pages 4 and 5 of 12");
  await page.keyboard.press("PageUp");
  await waitForPages(page, 2, 3);
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

test("clicking a page edge and dragging a corner turn the page; a short drag falls back", async () => {
  const { page, problems } = await reader(12, null);
  await waitForPages(page, null, 1);
  const box = await page.locator(".book").boundingBox();
  await page.mouse.click(box.x + box.width - 10, box.y + box.height / 2);
  await waitForPages(page, 2, 3);
  // Drag the right-hand corner across the spine.
  const y = box.y + box.height - 20;
  await page.mouse.move(box.x + box.width - 5, y);
  await page.mouse.down();
  for (let i = 1; i <= 10; i++) {
    await page.mouse.move(box.x + box.width - 5 - (i * box.width * 0.8) / 10, y);
    if (i === 4) await shot(page, "reader-turning");
  }
  await page.mouse.up();
  await waitForPages(page, 4, 5);
  // A drag that does not reach the spine puts the leaf back.
  await page.mouse.move(box.x + box.width - 5, y);
  await page.mouse.down();
  await page.mouse.move(box.x + box.width - 60, y, { steps: 4 });
  await page.mouse.up();
  await waitForPages(page, 4, 5);
  assert.deepEqual(problems, []);
  await page.close();
});

test("zooming renders the pages again at the new size and lets the reader pan", async () => {
  const { page, problems } = await reader(12, null);
  await waitForPages(page, null, 1);
  const width = () => page.evaluate(() => document.querySelector(".slot.right img").naturalWidth);
  const fitWidth = await width();
  await page.keyboard.press("+");
  await page.keyboard.press("+");
  await page.waitForFunction((w) => document.querySelector(".slot.right .page:not(.loading) img")?.naturalWidth > w * 1.4, fitWidth);
  const cssWidth = await page.evaluate(() => document.querySelector(".slot.right").getBoundingClientRect().width);
  assert.ok(Math.abs((await width()) - cssWidth) <= 2, "sharp: one image pixel per CSS pixel at this ratio");
  assert.equal(await page.textContent("#zoom-level"), "150%");
  const scrollable = await page.evaluate(() => {
    const s = document.getElementById("stage");
    return s.scrollHeight > s.clientHeight;
  });
  assert.ok(scrollable, "a zoomed page can be panned");
  await shot(page, "reader-zoomed");
  // Turning still works while zoomed, without animation.
  await page.click("#btn-next");
  await waitForPages(page, 2, 3);
  await page.click("#btn-zoom-fit");
  await page.waitForFunction((w) => Math.abs(document.querySelector(".slot.right .page:not(.loading) img")?.naturalWidth - w) < 2, fitWidth);
  assert.deepEqual(problems, []);
  await page.close();
});

test("pages render at the device pixel ratio", async () => {
  const dataUrl = await browser.book(12);
  const { page } = await openPage(browser, "flipbook.html");
  const cdp = await browser.context.newCDPSession(page);
  await cdp.send("Emulation.setDeviceMetricsOverride", { width: 1280, height: 800, deviceScaleFactor: 2, mobile: false });
  await page.evaluate((c) => window.onMessage(c), configFor(dataUrl));
  await waitForPages(page, null, 1);
  const { natural, css } = await page.evaluate(() => ({
    natural: document.querySelector(".slot.right img").naturalWidth,
    css: document.querySelector(".slot.right").getBoundingClientRect().width,
  }));
  assert.ok(Math.abs(natural - 2 * css) <= 2, `image ${natural}px for ${css} CSS px`);
  await page.close();
});

test("Open PDF and Print post the configured path; Ctrl+P prints", async () => {
  const { page, config } = await reader(4, null);
  await waitForPages(page, null, 1);
  await page.click("#btn-openpdf");
  await page.click("#btn-print");
  await page.keyboard.press("Control+p");
  assert.deepEqual(await sent(page), [`action.openpdf ${config.path}`, `action.print ${config.path}`, `action.print ${config.path}`]);
  await page.close();
});

test("web links open in a new window and internal links jump to their page", async () => {
  const { page } = await reader(12, null);
  await waitForPages(page, null, 1);
  await page.click("#btn-next");
  await waitForPages(page, 2, 3);
  await page.locator('.slot.left .page[data-page="2"] .link').click();
  assert.deepEqual(await page.evaluate(() => window.__opened), [["https://example.org/from-page-2", "_blank"]]);
  await page.locator('.slot.right .page[data-page="3"] .link').click();
  await waitForPages(page, 6, 7);
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

test("contents come from the metadata, and the button hides when there are none", async () => {
  const toc = [{ title: "Welcome", page: 1 }, { title: "Chapter <two>", page: 8 }];
  const { page } = await reader(12, { toc });
  await waitForPages(page, null, 1);
  await page.waitForSelector("#btn-contents:not([hidden])");
  await page.click("#btn-contents");
  await shot(page, "reader-contents");
  await page.getByRole("button", { name: /Chapter <two>/ }).click();
  await waitForPages(page, 8, 9);
  await page.close();

  const plain = await reader(4, null);
  await waitForPages(plain.page, null, 1);
  await plain.page.waitForTimeout(200);
  assert.ok(await plain.page.isHidden("#btn-contents"));
  await plain.page.close();
});

test("the page overview renders thumbnails and jumps to the one picked", async () => {
  const { page, problems } = await reader(30, null);
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
    [{ ...configFor("file:///nonexistent/dir/"), metadata: null }, /could not be found|could not be read/],
    [{ path: "https://brivane.example/x.pdf" }, /not in a local file/],
  ];
  for (const [config, pattern] of cases) {
    const { page } = await openPage(browser, "flipbook.html");
    await page.evaluate((c) => window.onMessage(c), config);
    await page.waitForSelector("#message:not([hidden])");
    assert.match(await page.textContent("#message"), pattern);
    if (config.path?.startsWith("file:")) await shot(page, "reader-error");
    await page.close();
  }
});

test("a second configuration replaces the book", async () => {
  const { page } = await reader(4, null);
  await waitForPages(page, null, 1);
  await page.keyboard.press("ArrowRight");
  await waitForPages(page, 2, 3);
  const other = await browser.book(12);
  await page.evaluate((c) => window.onMessage(c), configFor(other, null, { slash: false }));
  await waitForPages(page, null, 1);
  assert.equal(await page.textContent("#page-count"), "12");
  await page.close();
});
