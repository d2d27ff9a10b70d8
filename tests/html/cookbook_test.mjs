// The HTML cookbook judged by tools nobody here wrote: the Nu HTML Checker (vnu-jar, on the
// system's Java), a structured-data extractor and validator from npm, and headless Chromium,
// whose PDF poppler's pdftotext and pdftoppm read back. Run after `npm ci` in this directory:
//   node --test tests/html/cookbook_test.mjs
// MIRTABEL_NATIVE_CONVERTER names the mxpconvert to test (default: build/dev's, else release's);
// MIRTABEL_COOKBOOK_SCREENSHOT where the screenshot goes (default: build/cookbook.png).
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { createHash } from "node:crypto";
import { spawnSync } from "node:child_process";
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { basename, dirname, join, resolve } from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";
import WebAutoExtractor from "@marbec/web-auto-extractor";
import Validator from "@adobe/structured-data-validator";
import { launchChromium } from "../web/chromium.mjs";

const here = dirname(fileURLToPath(import.meta.url));
const root = resolve(here, "../..");
const converter = process.env.MIRTABEL_NATIVE_CONVERTER ??
  ["build/dev/mxpconvert", "build/release/mxpconvert"].map((p) => join(root, p)).find(existsSync);
const screenshot = process.env.MIRTABEL_COOKBOOK_SCREENSHOT ?? join(root, "build/cookbook.png");
const scratch = mkdtempSync(join(tmpdir(), "mirtabel-cookbook-"));
after(() => rmSync(scratch, { recursive: true, force: true }));

// Text that must stay text: markup, references, the ends of a script element and of a comment,
// controls and noncharacters that HTML forbids, and a byte that is not UTF-8.
const hostile = Buffer.concat([Buffer.from(
  "*  Recipe export  *\n\n   </script><!-- <b>Tom & \"Jerry's\"</b> \u0001\u0085\ufdd0\uffff\n" +
  "Recipe By     : <script>alert(1)</script>\nServing Size  : 2\nCategories    : A&B  <i>C</i>\n\n" +
  "  Amount  Measure       Ingredient -- Preparation Method\n--------  ------------  --------------------------------\n" +
  "   1      cup           milk </SCRIPT ><!--\n\n1. Heat <![CDATA[ ]]> --> gently \u2028 and stir \u{10FFFF}.\n", "utf8"),
Buffer.from([0xff, 0x0a])]);

// A recipe whose ingredients fit on a page, but not below its long description.
const stew = "*  Recipe export  *\n\n   Winter Stew\nServing Size  : 6\n\n" +
  "  Amount  Measure       Ingredient -- Preparation Method\n--------  ------------  --------------------------------\n" +
  Array.from({ length: 14 }, (_, i) => `   ${i + 1}      cups          ingredient ${i + 1} -- chopped\n`).join("") +
  "\nSimmer for two hours.\n\nDescription: " + "A slow stew for a cold evening, best made a day ahead. ".repeat(6) + "\n";

const archives = [
  ...["tests/data", "tests/structured/data", "tests/structured/corpus", "examples"].flatMap((dir) =>
    readdirSync(join(root, dir)).filter((name) => name.endsWith(".mxp")).map((name) => join(root, dir, name))),
  join(scratch, "hostile.mxp"),
  join(scratch, "stew.mxp"),
  join(scratch, "Family recipes.mxp"),
];
writeFileSync(archives.at(-3), hostile);
writeFileSync(archives.at(-2), stew);
// A corpus archive under a name a person would give it, for the title of the screenshot.
writeFileSync(archives.at(-1), readFileSync(join(root, "tests/structured/corpus/column-a.mxp")));

function convert(args, input) {
  const run = spawnSync(converter, ["-q", ...args], { input });
  assert.equal(run.status, 0, `${converter} ${args.join(" ")}: ${run.stderr}`);
  return run.stdout;
}

// archive → { html, jsonl }: each archive's cookbook and its JSON Lines.
const outputs = new Map();
before(() => {
  archives.forEach((archive, i) => {
    const html = join(scratch, `${i}.html`);
    convert(["--format=html", archive, "-o", html]);
    outputs.set(archive, { html, jsonl: convert(["--format=json", archive]).toString("utf8") });
  });
});

// The JSON Lines with each recipe's categories as one text, as the cookbook's JSON-LD gives them.
// The texts are joined as written, escapes and all, as the converter joins them.
const categoriesAsText = (jsonl) => jsonl.replace(/"recipeCategory":\[("(?:[^"\\]|\\.)*"(?:,"(?:[^"\\]|\\.)*")*)\]/g,
  (_, list) => `"recipeCategory":${list.replaceAll('","', ", ")}`);

const scripts = (html) => [...html.matchAll(/<script type="application\/ld\+json">([^]*?)<\/script>/g)].map((m) => m[1]);

test("each article holds its recipe's JSON Lines object, its categories as one text, and the style is the one the policy allows", () => {
  for (const [name, { html, jsonl }] of outputs) {
    const text = readFileSync(html, "utf8");
    assert.equal(scripts(text).join(""), categoriesAsText(jsonl), name);
    assert.equal((text.match(/<article /g) ?? []).length, jsonl.split("\n").length - 1, name);
    const style = text.match(/<style>([^]*?)<\/style>/)[1];
    const hash = createHash("sha256").update(style, "utf8").digest("base64");
    assert.match(text, new RegExp(`content="default-src 'none'; style-src 'sha256-${hash.replace(/[+/]/g, "\\$&")}'`), name);
  }
  // From a pipe, read twice through a copy: the same cookbook but for its title.
  const piped = convert(["--format=html", "-"], readFileSync(archives[0])).toString("utf8");
  const title = basename(archives[0], ".mxp");
  assert.equal(piped, readFileSync(outputs.get(archives[0]).html, "utf8").replaceAll(`>${title}<`, ">Cookbook<"));
});

test("the Nu HTML Checker finds no error", () => {
  const jar = join(here, "node_modules/vnu-jar/build/dist/vnu.jar");
  const files = [...outputs.values()].map((o) => o.html);
  const run = spawnSync("java", ["-jar", jar, "--errors-only", "--format", "json", ...files], { encoding: "utf8" });
  const messages = JSON.parse(run.stderr).messages;
  assert.deepEqual(messages.map((m) => `${basename(m.url ?? "")}:${m.lastLine}: ${m.message}`), []);
  assert.equal(run.status, 0);
});

test("the structured-data extractor finds every recipe; the validator misses only an image", async () => {
  const validator = new Validator();
  for (const [name, { html, jsonl }] of outputs) {
    const extracted = new WebAutoExtractor({ addLocation: true, embedSource: ["rdfa", "microdata"] })
      .parse(readFileSync(html, "utf8"));
    const objects = categoriesAsText(jsonl).split("\n").filter(Boolean).map((line) => JSON.parse(line));
    const found = (extracted.jsonld.Recipe ?? []).map(({ "@location": _, ...object }) => object);
    assert.deepEqual(found, objects, name);
    const issues = (await validator.validate(extracted))
      .filter((i) => i.severity === "ERROR" || i.issueMessage.startsWith("Invalid"))
      .map((i) => `${i.severity} ${i.issueMessage}`);
    // A recipe without a title has an empty name, which the validator counts as missing.
    const expected = objects.flatMap((o) => ['ERROR Required attribute "image" is missing',
      ...(o.name === "" ? ['ERROR Required attribute "name" is missing'] : [])]);
    assert.deepEqual(issues, expected, name);
  }
});

test("Chromium prints one recipe from the top of each page and keeps each ingredient list on one page", async (t) => {
  const browser = await launchChromium();
  try {
    const requests = [];
    browser.on((method, params) => method === "Network.requestWillBeSent" && requests.push(params.request.url));
    const { targetId } = await browser.send("Target.createTarget", { url: "about:blank" });
    const page = browser.session((await browser.send("Target.attachToTarget", { targetId, flatten: true })).sessionId);
    await page.send("Network.enable");
    await page.send("Emulation.setDeviceMetricsOverride", { width: 900, height: 1000, deviceScaleFactor: 1, mobile: false });
    for (const archive of archives.slice(-2)) {
      const name = basename(archive, ".mxp");
      const { html, jsonl } = outputs.get(archive);
      await page.send("Page.navigate", { url: pathToFileURL(html).href });
      await page.waitFor(`document.readyState === 'complete' && document.title === ${JSON.stringify(name)}`);
      assert.deepEqual(requests.filter((url) => !url.startsWith("file:")), []);
      // The policy let the style sheet in.
      assert.equal(await page.evaluate("getComputedStyle(document.body).maxWidth"), "704px");
      if (name === "Family recipes") {
        const { data } = await page.send("Page.captureScreenshot", { format: "png",
          clip: { x: 0, y: 0, width: 900, height: 1000, scale: 1 } });
        writeFileSync(screenshot, Buffer.from(data, "base64"));
        t.diagnostic(`screenshot: ${screenshot}`);
      }
      // A small page (A6), so that long recipes take more than one.
      const pdf = await page.send("Page.printToPDF", { paperWidth: 4.13, paperHeight: 5.83,
        marginTop: 0.3, marginBottom: 0.3, marginLeft: 0.3, marginRight: 0.3 });
      const pdfPath = join(scratch, `${name}.pdf`);
      writeFileSync(pdfPath, Buffer.from(pdf.data, "base64"));
      const pages = checkPrint(name, pdfPath, jsonl.split("\n").filter(Boolean).map((line) => JSON.parse(line)));
      t.diagnostic(`${name}: ${pages} pages`);
    }
  } finally {
    await browser.close();
  }
});

// Reads the printed cookbook back: its first page starts with the title, each recipe starts a
// page of its own, and the page with a recipe's "Ingredients" holds all of them. Returns the
// number of pages.
function checkPrint(name, pdfPath, recipes) {
  const flat = (s) => s.replace(/\s+/g, " ").trim();
  const text = spawnSync("pdftotext", ["-enc", "UTF-8", pdfPath, "-"], { encoding: "utf8" }).stdout;
  const pages = text.split("\f").slice(0, -1).map(flat);
  const starts = pages.map((p) => recipes.findIndex((r) => p.startsWith(flat(r.name))));
  assert.ok(pages[0].startsWith(name), "the first page starts with the title");
  assert.deepEqual(starts.filter((i) => i >= 0), recipes.map((_, i) => i), `${name}: each recipe starts a page, in order`);
  recipes.forEach((recipe, i) => {
    // Its pages: from the one it starts to the next recipe's.
    const first = starts.indexOf(i);
    const end = starts.findIndex((s, at) => at > first && s >= 0);
    const own = pages.slice(first, end < 0 ? pages.length : end);
    if (!recipe.recipeIngredient) return;
    const holders = own.filter((p) => p.includes("Ingredients"));
    assert.equal(holders.length, 1, recipe.name);
    for (const ingredient of recipe.recipeIngredient) {
      assert.ok(holders[0].includes(flat(ingredient).replace(/:$/, "")), `${recipe.name}: ${ingredient}`);
    }
  });
  // The pages as images, as a person sees them.
  const prefix = join(scratch, `${name}-page`);
  assert.equal(spawnSync("pdftoppm", ["-r", "40", "-png", pdfPath, prefix]).status, 0);
  assert.equal(readdirSync(scratch).filter((f) => f.startsWith(`${name}-page`)).length, pages.length);
  return pages.length;
}
