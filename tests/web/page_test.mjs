// The page in headless Chromium, opened from a file:// URL: two files converted, their counts,
// warnings, preview and downloads checked against the module, no network request; files that
// are not MXP shown as warnings as mxpconvert gives them; screenshots; and a 100 MB archive.
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { after, before, test } from "node:test";
import { pathToFileURL } from "node:url";

import { launchChromium } from "./chromium.mjs";
import { nativeConvert, root, sampleArchive, webBuild, writeSample } from "./support.mjs";

const { convertMXP } = await import(join(webBuild, "mirtabel.mjs"));
// The page with a recipe card of each format, and with files that are not MXP.
const screenshots = { records: "screenshot.png", json: "screenshot-json.png", warnings: "screenshot-warnings.png" };

const scratch = mkdtempSync(join(tmpdir(), "mirtabel-page-"));
const downloads = join(scratch, "downloads");
let browser, page, worker;
const requests = [];
const problems = [];
// What went wrong in the page or its worker, but for the refusals the first test provokes.
const unexpected = () => problems.filter((text) => !text.includes("data:,x"));

before(async () => {
  browser = await launchChromium();
  // Every request and every error, of the page and of its worker.
  browser.on((method, params, sessionId) => {
    if (method === "Network.requestWillBeSent") requests.push(params.request.url);
    if (method === "Runtime.exceptionThrown") problems.push(params.exceptionDetails.exception?.description ?? params.exceptionDetails.text);
    if (method === "Log.entryAdded" && params.entry.level === "error") problems.push(params.entry.text);
    if (method === "Runtime.consoleAPICalled" && params.type === "error") problems.push(params.args.map((a) => a.value).join(" "));
    if (method === "Target.attachedToTarget") {
      if (params.targetInfo.type === "worker") worker = browser.session(params.sessionId);
      watch(params.sessionId, true);
    }
  });
  const { targetId } = await browser.send("Target.createTarget", { url: "about:blank" });
  page = browser.session((await browser.send("Target.attachToTarget", { targetId, flatten: true })).sessionId);
  await watch(page.sessionId, false);
  await page.send("Target.setAutoAttach", { autoAttach: true, waitForDebuggerOnStart: true, flatten: true });
  await page.send("Page.enable");
  await page.send("Emulation.setDeviceMetricsOverride", { width: 1200, height: 900, deviceScaleFactor: 1, mobile: false });
  mkdirSync(downloads);
  await browser.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads, eventsEnabled: true });
  await page.send("Page.navigate", { url: pathToFileURL(join(webBuild, "index.html")).href });
  await page.waitFor("document.readyState === 'complete'");
});

after(async () => {
  await browser?.close();
  rmSync(scratch, { recursive: true, force: true });
});

async function watch(sessionId, paused) {
  for (const domain of ["Network", "Runtime", "Log"]) await browser.send(`${domain}.enable`, {}, sessionId);
  if (paused) await browser.send("Runtime.runIfWaitingForDebugger", {}, sessionId);
}

async function chooseFiles(paths) {
  const { root: document } = await page.send("DOM.getDocument");
  const { nodeId } = await page.send("DOM.querySelector", { nodeId: document.nodeId, selector: "#files" });
  await page.send("DOM.setFileInputFiles", { nodeId, files: paths });
}

// Clicks the button and returns the bytes of the file it downloads.
async function download(selector) {
  const finished = new Promise((resolve) => {
    let name;
    browser.on((method, params) => {
      if (method === "Browser.downloadWillBegin") name = params.suggestedFilename;
      if (method === "Browser.downloadProgress" && params.state === "completed") resolve(name);
    });
  });
  await page.evaluate(`document.querySelector(${JSON.stringify(selector)}).click()`);
  const name = await finished;
  return { name, bytes: readFileSync(join(downloads, name)) };
}

async function press(key, code, text = undefined) {
  for (const type of ["keyDown", "keyUp"])
    await page.send("Input.dispatchKeyEvent", { type, key, code: key, windowsVirtualKeyCode: code, text: type === "keyDown" ? text : undefined });
}
const text = (selector) => page.evaluate(`[...document.querySelectorAll(${JSON.stringify(selector)})].map((e) => e.textContent)`);
const click = (selector, n = 0) => page.evaluate(`document.querySelectorAll(${JSON.stringify(selector)})[${n}].click()`);
const jsonLines = (bytes) => new TextDecoder().decode(bytes).split("\n").filter(Boolean).map((line) => JSON.parse(line));

// The whole page, saved in the build directory, which CI keeps.
async function saveScreenshot(t, name) {
  await page.evaluate("window.scrollTo(0, 0)");
  const { cssContentSize } = await page.send("Page.getLayoutMetrics");
  const { data } = await page.send("Page.captureScreenshot", { format: "png", captureBeyondViewport: true,
    clip: { x: 0, y: 0, width: 1200, height: Math.ceil(cssContentSize.height), scale: 1 } });
  const path = join(webBuild, name);
  writeFileSync(path, Buffer.from(data, "base64"));
  t.diagnostic(`screenshot: ${path}`);
}

// The recipe card as the page shows it, and as the structured reading has it.
const card = () => page.evaluate(`(() => {
  const all = (selector) => [...document.querySelectorAll("#reader " + selector)].map((e) => e.textContent);
  return { title: all("h3")[0], facts: all(".facts dd"), headings: all("h5"), ingredients: all(".ingredients li"), steps: all(".steps li"), notes: all(".notes p") };
})()`);
const expectedCard = (recipe, facts) => ({
  title: recipe.name,
  facts,
  headings: recipe.recipeIngredient.filter((line) => line.endsWith(":")).map((line) => line.slice(0, -1)),
  ingredients: recipe.recipeIngredient.filter((line) => !line.endsWith(":")),
  steps: recipe.recipeInstructions.map((step) => step.text),
  notes: [...(recipe.description ? [recipe.description] : []), ...(recipe.comment ?? []).map((c) => `${c.name}: ${c.text}`)],
});

test("two files of either layout: counts, warnings, preview of both formats, downloads, no request", async (t) => {
  const long = "Stir the pudding for a long time and keep on stirring, then stir it a little more. ".repeat(130);
  // A recipe left out between two records, and ingredients under headings.
  const labelled = Buffer.concat([readFileSync(join(root, "examples/labelled-layout.mxp")),
    Buffer.from(`\n*  Recipe export  *\n\nTitle: Christmas Pudding for Forty\nServings: 40\n\n1 kg suet\n\n${long.replace(/(.{70})/g, "$1\n")}\n`),
    Buffer.from("*  Recipe export  *\n\nTitle: Pancakes\nServings: 4\nSource: Grandma\n\n-----FOR THE BATTER-----\n2 eggs\n250 ml milk\n-----TO SERVE-----\nlemon\n\nWhisk.\n\nFry thin.\n")]);
  const files = [join(root, "examples/column-layout.mxp"), writeSample(scratch, "family.mxp", labelled)];
  const expected = await Promise.all(files.map(async (file) => convertMXP(readFileSync(file))));
  const structured = await Promise.all(files.map(async (file) => jsonLines((await convertMXP(readFileSync(file), { format: "json" })).output)));
  assert.deepEqual(expected.map((r) => [r.records, r.leftOut, r.leftOutAt]), [[3, [], []], [3, ["Christmas Pudding for Forty"], [2]]]);

  await chooseFiles(files);
  await page.waitFor("document.querySelectorAll('.file[data-state=done], .file[data-state=warning]').length === 2");
  assert.deepEqual(await page.evaluate("[...document.querySelectorAll('.file')].map((e) => e.dataset.state)"), ["done", "warning"]);
  const statuses = await text(".file-status");
  assert.match(statuses[0], /^3 recipes written in \d+\.\d\d s\.$/);
  assert.match(statuses[1], /^3 recipes written in \d+\.\d\d s, 1 left out\.$/);
  assert.deepEqual(await text(".file:nth-child(2) .warnings li"), expected[1].warnings.map((w) => w.message));
  assert.deepEqual(await text(".file:nth-child(2) .left-out li"), ["Christmas Pudding for Forty"]);

  // The preview lists the first file's titles; a search without its accents finds one.
  assert.deepEqual(await text("#titles button"), ["Apple Pie", "Crème Brûlée", "Mint Tea"]);
  await page.evaluate("document.getElementById('search').focus()");
  await page.send("Input.insertText", { text: "brulee" });
  await page.waitFor("document.querySelectorAll('#titles button').length === 1");
  // By keyboard alone: down into the list, Enter on the title.
  await press("ArrowDown", 40);
  assert.equal(await page.evaluate("document.activeElement.textContent"), "Crème Brûlée");
  await press("Enter", 13, "\r");
  // The recipe as a person reads it, from the structured reading.
  await page.waitFor("document.querySelector('#reader h3')?.textContent === 'Crème Brûlée' && document.querySelector('#reader .steps')");
  assert.deepEqual(await card(), expectedCard(structured[0][1], ["4", "45 min", "Marie-Thérèse", "Desserts"]));
  // The record as written, line by line.
  await click("#tab-raw");
  const record = new TextDecoder().decode(expected[0].output).split("\n")[1];
  const lines = [...record].slice(100).join("").split("[PAGE]");
  assert.deepEqual(await text("#reader .line-text"), lines.map((p) => (p.trim() === "" ? "(blank line)" : p)));
  assert.equal((await text("#reader .note"))[0], `${lines.length} lines`);
  await click("#tab-recipe");

  // Each record of the second file shows its own recipe, before and after the one left out.
  await page.evaluate("document.getElementById('search').value = ''; document.getElementById('search').dispatchEvent(new Event('input'))");
  await page.evaluate(`document.getElementById('preview-file').selectedIndex = 1; document.getElementById('preview-file').dispatchEvent(new Event('change'))`);
  assert.deepEqual(await text("#titles button"), ["Apple Crumble", "Café au lait", "Pancakes"]);
  const kept = structured[1].filter((recipe) => recipe.name !== "Christmas Pudding for Forty");
  for (const [n, facts] of [["6", "Desserts, Baking"], ["Drinks"], ["4"]].entries()) {
    await click("#titles button", n);
    await page.waitFor(`document.querySelector('#reader h3')?.textContent === ${JSON.stringify(kept[n].name)}`);
    assert.deepEqual(await card(), expectedCard(kept[n], facts));
  }
  assert.deepEqual([(await card()).headings, (await card()).notes], [["FOR THE BATTER", "TO SERVE"], ["Source: Grandma"]]);
  await click("#titles button", 1);
  await page.evaluate(`document.getElementById('preview-file').selectedIndex = 0; document.getElementById('preview-file').dispatchEvent(new Event('change'))`);
  await click("#titles button", 1);

  const column = await download(".file:nth-child(1) .downloads button");
  assert.equal(column.name, "column-layout.txt");
  assert.ok(column.bytes.equals(expected[0].output));
  const side = await download(".file:nth-child(2) .downloads button:nth-child(2)");
  assert.equal(side.name, "family.left-out.mxp");
  assert.ok(side.bytes.equals(expected[1].leftOutFile));
  // The zip, compressed, as Python's zipfile reads it: its files' bytes and their CRCs.
  const all = await download("#download-all");
  const zip = join(downloads, all.name);
  const listing = execFileSync("python3", ["-c", "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nassert z.testzip() is None\nfor i in z.infolist(): print(i.filename, i.compress_type, i.compress_size < i.file_size)", zip], { encoding: "utf8" });
  assert.deepEqual(listing.trim().split("\n").sort(), ["column-layout.txt 8 True", "family.left-out.mxp 8 True", "family.txt 8 True"]);
  const unzipped = join(scratch, "unzipped");
  execFileSync("python3", ["-m", "zipfile", "-e", zip, unzipped]);
  assert.ok(readFileSync(join(unzipped, "family.txt")).equals(expected[1].output));
  assert.ok(readFileSync(join(unzipped, "family.left-out.mxp")).equals(expected[1].leftOutFile));

  // Every control is named, for a screen reader as for the eye.
  assert.deepEqual(await page.evaluate(`[...document.querySelectorAll("button, input, select, progress")]
    .filter((e) => !(e.labels?.length || e.getAttribute("aria-label") || (e.tagName === "BUTTON" && e.textContent.trim())))
    .map((e) => e.outerHTML)`), []);

  assert.deepEqual(requests.filter((url) => !/^(file|blob):/.test(url)), []);
  assert.deepEqual(unexpected(), []);
  // Nor could they send anything: the policy refuses a request of the page's and of its worker's.
  const send = "fetch('data:,x').then(() => 'sent', () => 'refused')";
  assert.deepEqual([await page.evaluate(send), await worker.evaluate(send)], ["refused", "refused"]);
  await saveScreenshot(t, screenshots.records);

  // JSON Lines: the same card, and the object as written.
  // JSON Lines and the cookbook keep the pudding whole, and warn that it is past a record's length.
  const jsonWarnings = (await convertMXP(readFileSync(files[1]), { format: "json" })).warnings;
  assert.deepEqual(jsonWarnings.map((w) => w.code), ["too-long"]);
  const tooLong = jsonWarnings.map((w) => w.message);
  const keptWhole = async () => {
    await page.waitFor("document.querySelectorAll('.file[data-state=done], .file[data-state=warning]').length === 2");
    assert.deepEqual(await page.evaluate("[...document.querySelectorAll('.file')].map((e) => e.dataset.state)"), ["done", "warning"]);
    assert.deepEqual(await text(".file:nth-child(2) .warnings li"), tooLong);
  };
  await page.evaluate("document.getElementById('format').value = 'json'; document.getElementById('format').dispatchEvent(new Event('change'))");
  await keptWhole();
  assert.deepEqual(await text("#titles button"), structured[0].map((recipe) => recipe.name));
  await click("#titles button", 1);
  await page.waitFor("document.querySelector('#reader h3')?.textContent === 'Crème Brûlée'");
  assert.deepEqual(await card(), expectedCard(structured[0][1], ["4", "45 min", "Marie-Thérèse", "Desserts"]));
  await saveScreenshot(t, screenshots.json);
  await click("#tab-raw");
  assert.deepEqual(JSON.parse((await text("#reader pre"))[0]), structured[0][1]);
  await click("#tab-recipe");

  // As a cookbook, titled after the file.
  await page.evaluate("document.getElementById('format').value = 'html'; document.getElementById('format').dispatchEvent(new Event('change'))");
  await keptWhole();
  const cookbook = await download(".file:nth-child(1) .downloads button");
  assert.equal(cookbook.name, "column-layout.html");
  const html = await convertMXP(readFileSync(files[0]), { format: "html", title: "column-layout" });
  assert.ok(cookbook.bytes.equals(html.output));
  await page.evaluate("document.getElementById('format').value = 'records'; document.getElementById('format').dispatchEvent(new Event('change'))");
  await page.waitFor("document.querySelectorAll('.file[data-state=done], .file[data-state=warning]').length === 2");
  assert.deepEqual(unexpected(), []);
});

test("files that are not MXP show as warnings, with mxpconvert's reasons, and leave the list", async (t) => {
  const bad = [
    ["empty.mxp", Buffer.alloc(0)],
    ["program.mxp", Buffer.from("\x7fELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0\x01\0\0\0\n\0\0", "latin1")],
    ["blank-first-line.txt", Buffer.from("\n*  Recipe export  *\n\nTitle: A\n")],
    ["no-recipe.mmf", Buffer.from("*  Recipe export  *\n")],
  ].map(([name, bytes]) => writeSample(scratch, name, bytes));
  const reasons = bad.map((path) => nativeConvert(path, scratch).warnings.map((line) => line.replace(/^.* does not look like an MXP recipe export: /, "")));
  assert.ok(reasons.every((found) => found.length === 1), `${reasons}`);

  await chooseFiles(bad);
  await page.waitFor("document.querySelectorAll('.file').length === 6 && document.querySelectorAll('.file[data-state=waiting], .file[data-state=converting]').length === 0");
  const cards = await page.evaluate(`[...document.querySelectorAll('.file')].slice(2).map((e) =>
    [e.dataset.state, [...e.querySelectorAll('.warnings li')].map((w) => w.textContent)])`);
  assert.deepEqual(cards, reasons.map(([reason]) => ["warning", [`The file does not look like an MXP recipe export: ${reason}.`]]));
  await saveScreenshot(t, screenshots.warnings);

  // An output never takes its input's name: the records of a .txt file are NAME.records.txt.
  assert.equal((await download(".file:nth-child(5) .downloads button")).name, "blank-first-line.records.txt");

  // Removed, a file leaves the list, the preview and the zip.
  for (let n = 0; n < bad.length; ++n) await click(".file:nth-child(3) .remove");
  assert.deepEqual(await text(".file-name"), ["column-layout.mxp", "family.mxp"]);
  assert.deepEqual(await page.evaluate("[...document.getElementById('preview-file').options].map((o) => o.textContent)"), ["column-layout.mxp", "family.mxp"]);
  assert.deepEqual(unexpected(), []);
});

test("a 100 MB archive converts in the page", async (t) => {
  const { archive, block, repeats } = sampleArchive(100e6);
  const expected = await convertMXP(block);
  const path = writeSample(scratch, "big.mxp", archive);
  const started = Date.now();
  await chooseFiles([path]);
  await page.waitFor("document.querySelector('.file:nth-child(3)')?.dataset.state === 'warning'", 300);
  const seconds = (Date.now() - started) / 1000;
  const status = (await text(".file-status"))[2];
  const records = new Intl.NumberFormat("en").format(expected.records * repeats);
  assert.match(status, new RegExp(`^${records} recipes written in \\d+\\.\\d\\d s, ${new Intl.NumberFormat("en").format(repeats)} left out\\.$`));
  t.diagnostic(`100 MB in headless Chromium: ${status} (worker); ${seconds.toFixed(2)} s from choosing the file to the page showing it`);
  assert.deepEqual(unexpected(), []);
  assert.deepEqual(requests.filter((url) => !/^(file|blob):/.test(url)), []);
});
