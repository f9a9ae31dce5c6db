import { test } from "node:test";
import assert from "node:assert/strict";
import { applyViewState, readViewState, viewReport } from "../../../reader/src/flipbook/viewState.js";

test("a stored state keeps the fields this page knows and drops the rest one by one", () => {
  const cases = [
    [{ view: "single", fit: "width", zoom: 1.5, direction: "rtl" }, { view: "single", fit: "width", zoom: 1.5, direction: "rtl" }],
    [{ view: "diagonal", fit: "width", zoom: 9, direction: "up" }, { fit: "width" }],
    [{ view: ["scroll"], fit: null, zoom: "2", direction: "RTL", colour: "red" }, {}],
    [{ zoom: 0.25 }, { zoom: 0.25 }],
    [{ zoom: 0.2 }, {}],
    [{ zoom: Number.NaN }, {}],
    [{ zoom: Infinity }, {}],
    [{ zoom: 1.23456 }, { zoom: 1.235 }],
    [{ zoom: 8.0004 }, { zoom: 8 }],
    [null, {}],
    ["single", {}],
    [undefined, {}],
    [Object.create({ view: "scroll" }), { view: "scroll" }], // a book's getters live on its prototype
  ];
  for (const [raw, want] of cases) assert.deepEqual(readViewState(raw), want, JSON.stringify(raw));
});

// A book that records every call, with only the setters the test gives it.
function fakeBook(current, setters) {
  const calls = [];
  const book = { ...current };
  for (const name of setters) {
    const key = name.slice(3).toLowerCase();
    book[name] = (value) => {
      calls.push(`${key}=${value}`);
      book[key] = value;
    };
  }
  return { book, calls };
}

test("a state is applied through the setters the book has, direction first and zoom last, skipping what holds", () => {
  const all = ["setDirection", "setView", "setFit", "setZoom"];
  const cases = [
    [{ zoom: 2, fit: "width", view: "single", direction: "rtl" }, {}, all, ["direction=rtl", "view=single", "fit=width", "zoom=2"]],
    [{ view: "scroll", zoom: 1.5 }, { view: "spread", zoom: 1 }, ["setZoom"], ["zoom=1.5"]],
    [{ view: "single", zoom: 1 }, { view: "single", zoom: 1 }, all, []],
    [{}, { view: "spread" }, all, []],
    [{ direction: "rtl" }, {}, [], []],
  ];
  for (const [state, current, setters, want] of cases) {
    const { book, calls } = fakeBook(current, setters);
    applyViewState(book, state);
    assert.deepEqual(calls, want, JSON.stringify(state));
  }
});

test("the report to the host names only what the book shows, as compact JSON the host accepts", () => {
  const cases = [
    [{ page: 3, view: "scroll", fit: "width", zoom: 1.25, direction: "ltr" },
      'action.view {"view":"scroll","fit":"width","zoom":1.25,"direction":"ltr"}'],
    [{ page: 3, zoom: 1 }, 'action.view {"zoom":1}'],
    [{ page: 3, zoom: 40, view: "flip" }, ""],
    [{ page: 3 }, ""],
  ];
  for (const [book, want] of cases) {
    const report = viewReport(book);
    assert.equal(report, want);
    // The host's cap on the message.
    assert.ok(report.length - "action.view ".length <= 256);
  }
});
