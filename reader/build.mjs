// Bundles the start page and the reader page into one directory:
//   node build.mjs <output dir>
import { build } from "esbuild";
import { cp, mkdir, readdir, readFile, rm, copyFile } from "node:fs/promises";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

const PDFJS = join(dirname(fileURLToPath(import.meta.url)), "node_modules", "pdfjs-dist");
const SOFT_MASK = join(dirname(fileURLToPath(import.meta.url)), "src", "flipbook", "softMask.js");
const DARKEN = join(dirname(fileURLToPath(import.meta.url)), "src", "flipbook", "stemDarkening.js");

/** Applies `changes` to `source`. Each must apply exactly once: a pdf.js update that moves the code fails the build. */
function change(source, changes, file) {
  for (const [was, now] of changes) {
    const at = source.indexOf(was);
    if (at < 0 || source.indexOf(was, at + 1) >= 0) throw new Error(`${file}: no single place for: ${was}`);
    source = source.replace(was, now);
  }
  return source;
}

// WebKit cannot compile pdf.js's JPEG 2000 decoder (relaxed SIMD), so pdf.js
// falls back to the decoders in script, which it would import from beside the
// wasm files: the host's scheme serves no scripts and a worker started from a
// blob may import none, so they are bundled into the worker, run only on use.
const fallback = (name) => [
  `    const path = \`\${this.#wasmUrl}${name}_nowasm_fallback.js\`;\n    let instance = null;\n    try {\n      const mod = await import(\n      /*webpackIgnore: true*/\n      /*@vite-ignore*/\n      path);\n`,
  `    let instance = null;\n    try {\n      const mod = await import(${JSON.stringify(join(PDFJS, "wasm", `${name}_nowasm_fallback.js`))});\n`,
];

const WORKER_CHANGES = [
  fallback("jbig2"),
  fallback("openjpeg"),
  // pdf.js finds page n of a flat page tree by reading the dictionaries of the
  // pages before it. Read by ranges, each is a request of its own: checking the
  // last page on opening cost one per page (1024 for a 1024-page book) before
  // page 1 could show, and looking up any page fetched all of them at once.
  // A PDF read by ranges skips the check (one loaded whole keeps it), and a
  // lookup fetches ahead only the pages up to the one it looks for.
  ["      await this.getPage(numPages - 1);\n", "      if (this.stream.isDataLoaded) await this.getPage(numPages - 1);\n"],
  [
    "        if (currentNode === this.toplevelPagesDict && lastKid instanceof Ref && !pageDictCache.has(lastKid)) {\n",
    "        if (currentNode === this.toplevelPagesDict && last <= pageIndex && lastKid instanceof Ref && !pageDictCache.has(lastKid)) {\n",
  ],
];

// WebKit's canvas has no filters, which pdf.js needs to turn a soft mask into
// alpha; softMask.js does it on the pixels there.
const maskStep = (source) => [
  `      pCtx.filter = subtype === "Alpha" ? this.filterFactory.addAlphaFilter(transferMap) : this.filterFactory.addLuminosityFilter(transferMap);\n      pCtx.drawImage(${source}, 0, 0);\n      pCtx.filter = "none";\n`,
  `      __brivaneDrawMask(pCtx, ${source}, subtype, transferMap, () => {\n        pCtx.filter = subtype === "Alpha" ? this.filterFactory.addAlphaFilter(transferMap) : this.filterFactory.addLuminosityFilter(transferMap);\n        pCtx.drawImage(${source}, 0, 0);\n        pCtx.filter = "none";\n      });\n`,
];
// Small text in the page's fonts gets a hairline outline (stemDarkening.js).
const DARKEN_TEXT = [
  [
    "    ctx.lineWidth = lineWidth;\n    if (needsFill && current.patternFill) {\n",
    "    ctx.lineWidth = lineWidth;\n    const darken = simpleFillText && __brivaneDarkenText(ctx, fontSize / fontSizeScale);\n    if (needsFill && current.patternFill) {\n",
  ],
  [
    "          ctx.fillText(character, scaledX, scaledY);\n          this.dependencyTracker?.recordCharacterBBox(",
    "          ctx.fillText(character, scaledX, scaledY);\n          if (darken) ctx.strokeText(character, scaledX, scaledY);\n          this.dependencyTracker?.recordCharacterBBox(",
  ],
];
const DISPLAY_CHANGES = [maskStep("srcEntry.canvas"), maskStep("maskCanvas"), ...DARKEN_TEXT];

const patchWorker = {
  name: "patch-pdf-worker",
  setup(build) {
    build.onLoad({ filter: /pdf\.worker\.mjs$/ }, async ({ path }) => ({
      contents: change(await readFile(path, "utf8"), WORKER_CHANGES, "pdf.worker.mjs"),
      loader: "js",
    }));
  },
};

const patchDisplay = {
  name: "patch-pdf-display",
  setup(build) {
    build.onLoad({ filter: /[\\/]legacy[\\/]build[\\/]pdf\.mjs$/ }, async ({ path }) => {
      const source = change(await readFile(path, "utf8"), DISPLAY_CHANGES, "pdf.mjs");
      const imports = `import { drawMask as __brivaneDrawMask } from ${JSON.stringify(SOFT_MASK)};\n` +
        `import { darkenText as __brivaneDarkenText } from ${JSON.stringify(DARKEN)};\n`;
      return { contents: imports + source, loader: "js" };
    });
  },
};

const here = dirname(fileURLToPath(import.meta.url));
const out = process.argv[2];
if (!out) {
  console.error("usage: node build.mjs <output dir>");
  process.exit(2);
}
const src = join(here, "src");

await mkdir(out, { recursive: true });
await build({
  entryPoints: {
    main: join(src, "start", "index.js"), flipbook: join(src, "flipbook", "index.js"), help: join(src, "help", "index.js"),
  },
  outdir: out,
  bundle: true,
  // Classic scripts: module scripts from file:// are subject to CORS checks.
  format: "iife",
  target: ["chrome110", "safari16"],
  minify: true,
  legalComments: "eof",
  logLevel: "warning",
  logOverride: { "empty-import-meta": "silent" },
  plugins: [patchDisplay],
});

for (const file of ["main.html", "main.css", "flipbook.html", "flipbook.css", "help.html", "help.css"]) {
  await copyFile(join(src, file), join(out, file));
}

const assets = join(out, "pdfjs");
await rm(assets, { recursive: true, force: true });
await mkdir(assets, { recursive: true });
await build({
  entryPoints: { "pdf.worker": join(src, "worker", "index.js") },
  outdir: assets,
  outExtension: { ".js": ".mjs" },
  bundle: true,
  format: "esm",
  target: ["chrome110", "safari16"],
  minify: true,
  legalComments: "eof",
  logLevel: "warning",
  plugins: [patchWorker],
});
await copyFile(join(PDFJS, "LICENSE"), join(assets, "LICENSE"));
for (const dir of ["cmaps", "standard_fonts"]) {
  await cp(join(PDFJS, dir), join(assets, dir), { recursive: true });
}
// The image decoders (JPEG 2000, JBIG2 and fax) and colour management. Not
// iccs/: PdfSource leaves DeviceCMYK to pdf.js's own conversion. Not
// quickjs-eval: the page runs no document scripts; not the fallbacks, which
// are in the worker.
await mkdir(join(assets, "wasm"));
for (const file of await readdir(join(PDFJS, "wasm"))) {
  if (file.startsWith("quickjs") || file.endsWith(".js")) continue;
  await copyFile(join(PDFJS, "wasm", file), join(assets, "wasm", file));
}
const count = (await readdir(join(assets, "cmaps"))).length;
console.log(`web content written to ${out} (${count} cmaps)`);
