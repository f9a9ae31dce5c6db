import { test } from "node:test";
import assert from "node:assert/strict";
import { configFor, openPage, shot, textBook, useBrowser } from "./harness.mjs";

useBrowser();
// Page 9 of the text book prints this line; find's phrase is in it.
const LINE = "Then she lit the copper lantern and waited.";

const sentWith = (page, prefix) => page.evaluate((p) => window.__sent.filter((m) => m.startsWith(p)), prefix);

async function waitSent(page, prefix, test = () => true) {
  for (let i = 0; i < 100; i++) {
    const found = (await sentWith(page, prefix)).filter(test);
    if (found.length) return found;
    await page.waitForTimeout(50);
  }
  throw new Error(`nothing sent starting ${prefix}: ${await page.evaluate(() => window.__sent.join("\n"))}`);
}

test("the host's widgets get the shown text, run commands and find, and mark the sentence read aloud", async () => {
  const { page, problems } = await openPage("flipbook.html", { width: 560, height: 800 });
  await page.evaluate((c) => window.onMessage(c), configFor(await textBook()));
  await page.waitForSelector(".slot .page .textLayer span");
  await page.fill("#page-input", "9");
  await page.keyboard.press("Enter");

  const [report] = await waitSent(page, "action.shown ", (m) => m.includes('"number":9'));
  const shown = JSON.parse(report.slice("action.shown ".length));
  assert.equal(shown.count, 12);
  assert.deepEqual(shown.pages.map((p) => p.number), [9]);
  const text = shown.pages[0].text;
  assert.ok(text.startsWith("Chapter 8\n") && text.includes(LINE), text.slice(0, 80));

  // The sentence the host reads is marked on the page, over its own words only.
  const from = text.indexOf(LINE);
  await page.evaluate(([f, t]) => window.onSpeaking(9, f, t), [from, from + LINE.length]);
  await page.waitForSelector(".page[data-page='9'] mark.speaking");
  const marked = await page.$$eval(".page[data-page='9'] mark.speaking", (marks) => marks.map((m) => m.textContent).join(" "));
  assert.equal(marked.replace(/\s+/g, " ").trim(), LINE);
  await shot(page, "reader-speaking");
  await page.evaluate(() => window.onSpeaking());
  await page.waitForFunction(() => !document.querySelector("mark.speaking"));

  // The menus' commands and the pane's find run in the page; the count comes back.
  await page.evaluate(() => window.onCommand("next"));
  await waitSent(page, "action.shown ", (m) => m.includes('"number":10'));
  await page.evaluate(() => window.onFind("copper lantern", 0));
  // From the page on screen: page 10's match, the second of the book's four.
  await waitSent(page, "action.found 2 of 4");
  await page.evaluate(() => window.onFind("copper lantern", 1));
  await waitSent(page, "action.found 3 of 4");
  await page.evaluate(() => window.onCommand("no such command"));
  assert.deepEqual(problems, []);
});
