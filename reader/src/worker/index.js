// The pdf.js worker the reader starts (build.mjs adjusts how it looks pages
// up). The JPEG decoder must be in place before pdf.js loads: pdf.js looks
// for one once, as it starts.
import "./jpeg.js";
export * from "pdfjs-dist/legacy/build/pdf.worker.mjs";
