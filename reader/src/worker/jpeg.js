import { installJpegDecoder } from "../shared/jpegDecoding.js";

// Only in a real worker: pdf.js may also load this module into the page itself.
const scope = globalThis;
if (typeof scope.WorkerGlobalScope === "function" && scope instanceof scope.WorkerGlobalScope) installJpegDecoder(scope);
