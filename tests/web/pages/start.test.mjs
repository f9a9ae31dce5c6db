import { test } from "node:test";
import assert from "node:assert/strict";
import { focused, openPage, sent, shot, useBrowser } from "./harness.mjs";

const SIZE = { width: 450, height: 300 };
useBrowser();

test("the start page fits 450×300 without scrolling, in light and dark and in the catalogues' languages", async () => {
  for (const [scheme, lang, button, help] of [
    ["light", undefined, "Open Flipbook…", "Where do I get flipbooks?"],
    ["dark", undefined, "Open Flipbook…", "Where do I get flipbooks?"],
    ["light", "de", "Flipbook öffnen …", "Wo bekomme ich Flipbooks?"],
    ["light", "fr", "Ouvrir un flipbook…", "Où trouver des flipbooks\u00a0?"],
  ]) {
    const what = `${scheme}${lang ? `-${lang}` : ""}`;
    const { page, problems } = await openPage("main.html", { viewport: SIZE, lang });
    await page.emulateMedia({ colorScheme: scheme });
    // Told of no recent books, the page shows no heading for them either.
    await page.evaluate(() => window.onRecentBooks([]));
    const fit = await page.evaluate(() => [document.documentElement.scrollHeight <= innerHeight,
      document.documentElement.scrollWidth <= innerWidth, document.querySelector("img.logo").naturalWidth,
      document.getElementById("recent").checkVisibility(), document.documentElement.lang]);
    assert.deepEqual([...fit, problems], [true, true, 256, false, lang ?? "en", []], what);
    await shot(page, `start-${what}`);
    assert.equal(await page.getByRole("link", { name: help }).count(), 1, what);
    await page.getByRole("button", { name: button }).click();
    assert.deepEqual(await sent(page), ["action.openfile"], what);
    assert.notEqual(await page.locator("#open-status").textContent(), "", what);
    await page.close();
  }
});

const PIXEL = "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg==";

test("by keyboard: Enter opens once and stays busy until the echo; Tab goes to each book, then its remove button, then Clear list and help; recent books show a cover or a placeholder and their progress, scrolling inside 450×300", async () => {
  const { page, problems } = await openPage("main.html", { viewport: SIZE });
  const open = page.getByRole("button", { name: "Open Flipbook…" });
  assert.equal(await focused(page), "open", "the button has focus on arrival");
  await page.keyboard.press("Enter");
  await open.click();
  assert.deepEqual(await sent(page), ["action.openfile"], "a second press while the panel is up posts nothing");
  assert.equal(await open.getAttribute("aria-busy"), "true");
  await shot(page, "start-busy");
  const echo = () => page.evaluate(() => webkit.messageHandlers.bridge.onMessage("action.openfile"));
  await echo();
  assert.equal(await open.getAttribute("aria-busy"), "false");
  await open.focus();
  await page.keyboard.press("Tab");
  assert.equal(await focused(page), "help");
  await page.keyboard.press("Enter");
  await open.click();
  assert.deepEqual(await sent(page), ["action.openfile", "action.help", "action.openfile"]);
  assert.match(page.url(), /main\.html$/, "the help link does not navigate the page");
  await echo();

  await page.evaluate(() => window.onRecentBooks([{ title: "One", file: "1.flip", page: 1 }, { title: "Two", file: "2.flip", page: 3 }]));
  await open.focus();
  const order = [];
  for (let i = 0; i < 6; i++) {
    await page.keyboard.press("Tab");
    order.push(await focused(page));
  }
  assert.deepEqual(order, ["recent-open", "recent-remove", "recent-open", "recent-remove", "recent-clear", "help"]);
  await page.focus("#recent-list li:nth-child(2) .recent-remove");
  await page.keyboard.press("Enter");
  await page.click("#recent-clear");
  await page.click("#recent-list li:nth-child(1) .recent-open");
  assert.deepEqual((await sent(page)).slice(3), ["action.removerecent 1", "action.clearrecent", "action.openrecent 0"]);
  // The host answers a removal with the shorter list; the keys stay in it.
  await page.evaluate(() => window.onRecentBooks([{ title: "One", file: "1.flip", page: 1 }]));
  assert.equal(await focused(page), "recent-remove");
  await page.evaluate(() => window.onRecentBooks([]));
  assert.equal(await page.evaluate(() => document.getElementById("recent").checkVisibility()), false);

  const books = Array.from({ length: 8 }, (_, i) => ({ title: `Book ${i}`, file: `b${i}.flip`, page: i + 1, pages: 10 }));
  books[0] = { title: "Harbour Notes", file: "harbour.flip", page: 62, pages: 352, cover: PIXEL };
  books[1] = { ...books[1], cover: "file:///etc/passwd" };
  await page.evaluate((list) => window.onRecentBooks(list), books);
  const rows = await page.evaluate(() => [...document.querySelectorAll("#recent-list li")].map((li) => [
    li.querySelector(".recent-title").textContent, li.querySelector(".recent-progress").textContent,
    li.querySelector(".recent-cover img")?.getAttribute("src")?.slice(0, 22) ?? "placeholder"]));
  assert.deepEqual(rows.slice(0, 2), [["Harbour Notes", "page 62 of 352", "data:image/png;base64,"], ["Book 1", "page 2 of 10", "placeholder"]]);
  const fit = await page.evaluate(() => {
    const list = document.getElementById("recent-list");
    return [document.documentElement.scrollHeight <= innerHeight, list.scrollHeight > list.clientHeight,
      document.getElementById("recent-clear").checkVisibility()];
  });
  assert.deepEqual([...fit, problems], [true, true, true, []], "the page fits; the list scrolls; no CSP refusal of the cover");
  await shot(page, "start-recent-covers");

  // A cover drawn later changes its row only: the focus stays where it was.
  await page.focus("#recent-list li:nth-child(3) .recent-open");
  await page.evaluate((png) => window.onRecentCover(2, { cover: png, pages: 12 }), PIXEL);
  const after = await page.evaluate(() => [document.activeElement.closest("li") === document.querySelector("#recent-list li:nth-child(3)"),
    document.querySelector("#recent-list li:nth-child(3) .recent-progress").textContent,
    Boolean(document.querySelector("#recent-list li:nth-child(3) .recent-cover img"))]);
  assert.deepEqual(after, [true, "page 3 of 12", true]);
  await page.close();
});
