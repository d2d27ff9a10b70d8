// Builds the two scripts that carry the engine, from the WebAssembly binary, its glue and
// mirtabel_api.js:
//   mirtabel.mjs        the ES module for browsers, workers and Node: exports convertMXP.
//   mirtabel-worker.js  a classic script for the page: defines mirtabelWorker(), the page's worker
//                       as a function, which the page starts from a blob: URL (a worker script
//                       cannot be loaded from a file:// URL).
// The binary travels inside both as base64, so nothing is ever fetched.
//   node assemble.mjs WASM GLUE API WORKER OUTDIR
import { readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";

const [wasm, glue, api, worker, outdir] = process.argv.slice(2);
const engine = [
  `const MIRTABEL_WASM_BASE64 = "${readFileSync(wasm).toString("base64")}";`,
  readFileSync(glue, "utf8"),
  readFileSync(api, "utf8"),
].join("\n");
const banner = "// Mirtabel's MXP conversion, built from its C++ sources with Emscripten.\n";

writeFileSync(join(outdir, "mirtabel.mjs"), `${banner}${engine}\nexport { convertMXP };\n`);
writeFileSync(
  join(outdir, "mirtabel-worker.js"),
  `${banner}function mirtabelWorker() {\n${engine}\n${readFileSync(worker, "utf8")}\n}\n`,
);
