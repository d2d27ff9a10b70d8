// The page in headless Chromium, opened from a file:// URL: two files converted, their counts,
// preview and downloads checked against the module, no network request, a screenshot, and a
// 100 MB archive.
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { after, before, test } from "node:test";
import { pathToFileURL } from "node:url";

import { launchChromium } from "./chromium.mjs";
import { root, sampleArchive, webBuild, writeSample } from "./support.mjs";

const { convertMXP } = await import(join(webBuild, "mirtabel.mjs"));
const screenshot = process.env.MIRTABEL_SCREENSHOT ?? join(webBuild, "screenshot.png");

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

test("two files of either layout: counts, preview, downloads, no request", async (t) => {
  const long = "Stir the pudding for a long time and keep on stirring, then stir it a little more. ".repeat(130);
  const labelled = Buffer.concat([readFileSync(join(root, "examples/labelled-layout.mxp")),
    Buffer.from(`\n*  Recipe export  *\n\nTitle: Christmas Pudding for Forty\nServings: 40\n\n1 kg suet\n\n${long.replace(/(.{70})/g, "$1\n")}\n`)]);
  const files = [join(root, "examples/column-layout.mxp"), writeSample(scratch, "family.mxp", labelled)];
  const expected = await Promise.all(files.map(async (file) => convertMXP(readFileSync(file))));
  assert.deepEqual(expected.map((r) => [r.records, r.leftOut]), [[3, []], [2, ["Christmas Pudding for Forty"]]]);

  await chooseFiles(files);
  await page.waitFor("document.querySelectorAll('.file[data-state=done]').length === 2");
  const statuses = await text(".file-status");
  assert.match(statuses[0], /^3 recipes written in \d+\.\d\d s\.$/);
  assert.match(statuses[1], /^2 recipes written in \d+\.\d\d s, 1 left out\.$/);
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
  await page.waitFor("document.querySelector('#reader h3')?.textContent === 'Crème Brûlée'");
  const record = new TextDecoder().decode(expected[0].output).split("\n")[1];
  const pages = [...record].slice(100).join("").split("[PAGE]");
  assert.deepEqual(await text("#reader .page-text"), pages.map((p) => (p.trim() === "" ? "(blank page)" : p)));

  const column = await download(".file:nth-child(1) .downloads button");
  assert.equal(column.name, "column-layout.txt");
  assert.ok(column.bytes.equals(expected[0].output));
  const side = await download(".file:nth-child(2) .downloads button:nth-child(2)");
  assert.equal(side.name, "family-left-out.mxp");
  assert.ok(side.bytes.equals(expected[1].leftOutFile));
  const all = await download("#download-all");
  const unzipped = join(scratch, "unzipped");
  execFileSync("python3", ["-m", "zipfile", "-e", join(downloads, all.name), unzipped]);
  assert.deepEqual(readdirSync(unzipped).sort(), ["column-layout.txt", "family-left-out.mxp", "family.txt"]);
  assert.ok(readFileSync(join(unzipped, "family.txt")).equals(expected[1].output));

  // Every control is named, for a screen reader as for the eye.
  assert.deepEqual(await page.evaluate(`[...document.querySelectorAll("button, input, select, progress")]
    .filter((e) => !(e.labels?.length || e.getAttribute("aria-label") || (e.tagName === "BUTTON" && e.textContent.trim())))
    .map((e) => e.outerHTML)`), []);

  assert.deepEqual(requests.filter((url) => !/^(file|blob):/.test(url)), []);
  assert.deepEqual(unexpected(), []);
  // Nor could they send anything: the policy refuses a request of the page's and of its worker's.
  const send = "fetch('data:,x').then(() => 'sent', () => 'refused')";
  assert.deepEqual([await page.evaluate(send), await worker.evaluate(send)], ["refused", "refused"]);

  await page.evaluate("document.getElementById('search').value = ''; document.getElementById('search').dispatchEvent(new Event('input')); document.querySelector('#titles button:nth-child(1)'); document.querySelectorAll('#titles button')[1].click(); window.scrollTo(0, 0)");
  const { cssContentSize } = await page.send("Page.getLayoutMetrics");
  const { data } = await page.send("Page.captureScreenshot", { format: "png", captureBeyondViewport: true,
    clip: { x: 0, y: 0, width: 1200, height: Math.ceil(cssContentSize.height), scale: 1 } });
  writeFileSync(screenshot, Buffer.from(data, "base64"));
  t.diagnostic(`screenshot: ${screenshot}`);

  // As a cookbook, titled after the file.
  const chooseFormat = async (format) => {
    await page.evaluate(`document.getElementById('format').value = '${format}'; document.getElementById('format').dispatchEvent(new Event('change'))`);
    await page.waitFor("document.querySelectorAll('.file[data-state=done]').length === 2");
  };
  await chooseFormat("html");
  const cookbook = await download(".file:nth-child(1) .downloads button");
  assert.equal(cookbook.name, "column-layout.html");
  const html = await convertMXP(readFileSync(files[0]), { format: "html", title: "column-layout" });
  assert.ok(cookbook.bytes.equals(html.output));
  await chooseFormat("records");
});

test("a 100 MB archive converts in the page", async (t) => {
  const { archive, block, repeats } = sampleArchive(100e6);
  const expected = await convertMXP(block);
  const path = writeSample(scratch, "big.mxp", archive);
  const started = Date.now();
  await chooseFiles([path]);
  await page.waitFor("document.querySelectorAll('.file[data-state=done]').length === 3", 300);
  const seconds = (Date.now() - started) / 1000;
  const status = (await text(".file-status"))[2];
  const records = new Intl.NumberFormat("en").format(expected.records * repeats);
  assert.match(status, new RegExp(`^${records} recipes written in \\d+\\.\\d\\d s, ${new Intl.NumberFormat("en").format(repeats)} left out\\.$`));
  t.diagnostic(`100 MB in headless Chromium: ${status} (worker); ${seconds.toFixed(2)} s from choosing the file to the page showing it`);
  assert.deepEqual(unexpected(), []);
  assert.deepEqual(requests.filter((url) => !/^(file|blob):/.test(url)), []);
});
