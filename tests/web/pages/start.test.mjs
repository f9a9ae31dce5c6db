import { test } from "node:test";
import assert from "node:assert/strict";
import { openPage, sent, shot, useBrowser } from "./harness.mjs";

const SIZE = { width: 450, height: 300 };
useBrowser();

test("the start page fits 450×300 without scrolling, in light and dark", async () => {
  for (const scheme of ["light", "dark"]) {
    const { page, problems } = await openPage("main.html", SIZE);
    await page.emulateMedia({ colorScheme: scheme });
    // Told of no recent books, the page shows no heading for them either.
    await page.evaluate(() => window.onRecentBooks([]));
    const fit = await page.evaluate(() => [document.documentElement.scrollHeight <= innerHeight,
      document.documentElement.scrollWidth <= innerWidth, document.querySelector("img.logo").naturalWidth,
      document.getElementById("recent").checkVisibility()]);
    assert.deepEqual([...fit, problems], [true, true, 256, false, []], scheme);
    await shot(page, `start-${scheme}`);
    await page.close();
  }
});

test("by keyboard: Enter opens once and stays busy until the echo; the help link posts action.help", async () => {
  const { page } = await openPage("main.html", SIZE);
  const open = page.getByRole("button", { name: "Open Flipbook…" });
  const focused = () => page.evaluate(() => document.activeElement.id);
  assert.equal(await focused(), "open", "the button has focus on arrival");
  await page.keyboard.press("Enter");
  await open.click();
  assert.deepEqual(await sent(page), ["action.openfile"], "a second press while the panel is up posts nothing");
  assert.equal(await open.getAttribute("aria-busy"), "true");
  await shot(page, "start-busy");
  await page.evaluate(() => webkit.messageHandlers.bridge.onMessage("action.openfile"));
  assert.equal(await open.getAttribute("aria-busy"), "false");
  await open.focus();
  await page.keyboard.press("Tab");
  assert.equal(await focused(), "help");
  await page.keyboard.press("Enter");
  await open.click();
  assert.deepEqual(await sent(page), ["action.openfile", "action.help", "action.openfile"]);
  assert.match(page.url(), /main\.html$/, "the help link does not navigate the page");
  await page.close();
});
