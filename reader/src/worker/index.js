// The pdf.js worker the reader starts (build.mjs adjusts how it looks pages up).
export * from "pdfjs-dist/legacy/build/pdf.worker.mjs";
