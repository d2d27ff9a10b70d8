// The page: hands the chosen files to the worker, shows each one's summary and downloads, and
// previews the recipes of a converted file.
"use strict";

(() => {
  const $ = (id) => document.getElementById(id);
  const SHOWN_TITLES = 200;
  const EXTENSIONS = { records: ".txt", json: ".jsonl", html: ".html" };
  const numbers = new Intl.NumberFormat("en");
  const decoder = new TextDecoder();
  const entries = [];  // one per file: { file, card, job, result, index, seconds }
  let jobs = 0;
  let shown = null;  // the entry whose recipes the preview lists

  const worker = new Worker(URL.createObjectURL(
    new Blob([`(${mirtabelWorker.toString()})();`], { type: "text/javascript" })));
  worker.onmessage = (event) => {
    const entry = entries.find((e) => e.job === event.data.id);
    if (entry !== undefined) update(entry, event.data);
  };

  // --- Files in ---

  $("choose").addEventListener("click", () => $("files").click());
  $("files").addEventListener("change", (event) => {
    add(event.target.files);
    event.target.value = "";
  });
  // A file dropped anywhere on the page is taken, not opened by the browser.
  document.addEventListener("dragover", (event) => {
    event.preventDefault();
    $("drop-zone").classList.add("over");
  });
  document.addEventListener("dragleave", (event) => {
    if (event.relatedTarget === null) $("drop-zone").classList.remove("over");
  });
  document.addEventListener("drop", (event) => {
    event.preventDefault();
    $("drop-zone").classList.remove("over");
    add(event.dataTransfer.files);
  });
  for (const id of ["format", "encoding"]) $(id).addEventListener("change", () => entries.forEach(convert));

  function add(files) {
    for (const file of files) {
      const card = $("file-template").content.firstElementChild.cloneNode(true);
      card.querySelector(".file-name").textContent = file.name;
      card.querySelector(".file-size").textContent = size(file.size);
      card.querySelector("progress").setAttribute("aria-label", `Progress of ${file.name}`);
      $("file-list").append(card);
      const entry = { file, card };
      entries.push(entry);
      convert(entry);
    }
    $("results").hidden = entries.length === 0;
  }

  function convert(entry) {
    entry.job = ++jobs;
    entry.result = entry.index = null;
    entry.format = $("format").value;
    entry.card.dataset.state = "waiting";
    entry.card.querySelector("progress").removeAttribute("value");
    status(entry, "Waiting…");
    entry.card.querySelector(".left-out").hidden = true;
    entry.card.querySelector(".downloads").replaceChildren();
    const title = (entry.file.name.replace(/\.[^.]*$/, "") || entry.file.name).slice(0, 200).replaceAll("\0", "");
    worker.postMessage({ id: entry.job, file: entry.file, format: entry.format, encoding: $("encoding").value, title });
    refreshDownloadAll();
    if (entry === shown) showFile(null);
  }

  // --- What the worker says ---

  function update(entry, message) {
    const progress = entry.card.querySelector("progress");
    if (message.type === "progress") {
      entry.card.dataset.state = "converting";
      progress.value = message.total === 0 ? 1 : message.done / message.total;
      status(entry, `Converting… ${Math.floor(progress.value * 100)}%`);
      return;
    }
    progress.value = 1;
    if (message.type === "failed" || message.result.error !== null) {
      entry.card.dataset.state = "failed";
      status(entry, `Not converted: ${message.type === "failed" ? message.message : message.result.error.message}.`);
      return;
    }
    Object.assign(entry, { result: message.result, index: message.index, seconds: message.seconds });
    entry.card.dataset.state = "done";
    const { records, leftOut, cutRecipes } = message.result;
    status(entry, `${count(records, "recipe")} written in ${message.seconds.toFixed(2)} s` +
      (leftOut.length > 0 ? `, ${numbers.format(leftOut.length)} left out.` : ".") +
      (cutRecipes > 0 ? ` ${count(cutRecipes, "recipe")} too large to keep whole, written cut.` : ""));
    showLeftOut(entry);
    showDownloads(entry);
    refreshDownloadAll();
    refreshPreviewFiles();
  }

  function showLeftOut(entry) {
    const { leftOut } = entry.result;
    const details = entry.card.querySelector(".left-out");
    details.hidden = leftOut.length === 0;
    details.querySelector("summary").textContent =
      `${count(leftOut.length, "recipe")} left out: ${leftOut.length === 1 ? "its text is" : "their texts are"} longer than 9,500 characters`;
    details.querySelector("ul").replaceChildren(...leftOut.slice(0, SHOWN_TITLES).map((title) => item(title || "(no title)")));
    if (leftOut.length > SHOWN_TITLES) details.querySelector("ul").append(item(`and ${numbers.format(leftOut.length - SHOWN_TITLES)} more, all in the side file`));
  }

  function showDownloads(entry) {
    const base = entry.file.name.replace(/\.[^.]*$/, "") || entry.file.name;
    entry.outputName = base + EXTENSIONS[entry.format];
    entry.sideName = `${base}-left-out.mxp`;
    const buttons = [button(`Download ${entry.outputName}`, () => download(entry.outputName, entry.result.output), "primary")];
    if (entry.result.leftOutFile !== null)
      buttons.push(button("Download the left-out recipes", () => download(entry.sideName, entry.result.leftOutFile)));
    entry.card.querySelector(".downloads").replaceChildren(...buttons);
  }

  // --- Downloads ---

  function download(name, data) {
    const url = URL.createObjectURL(data instanceof Blob ? data : new Blob([data]));
    const link = Object.assign(document.createElement("a"), { href: url, download: name });
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
  }

  const done = () => entries.filter((entry) => entry.result !== null && entry.result !== undefined);

  function refreshDownloadAll() {
    $("download-all").disabled = done().length === 0;
  }

  $("download-all").addEventListener("click", () => {
    const taken = new Set();
    const unique = (name) => {
      let candidate = name;
      for (let n = 2; taken.has(candidate); ++n) candidate = name.replace(/(\.[^.]*)?$/, ` (${n})$1`);
      taken.add(candidate);
      return candidate;
    };
    const files = [];
    for (const entry of done()) {
      files.push({ name: unique(entry.outputName), bytes: entry.result.output });
      if (entry.result.leftOutFile !== null) files.push({ name: unique(entry.sideName), bytes: entry.result.leftOutFile });
    }
    try {
      download("mirtabel-converted.zip", makeZip(files));
    } catch (error) {
      alert(`The outputs are too large for one zip file (${error.message}): download them one by one.`);
    }
  });

  // --- Preview ---

  function refreshPreviewFiles() {
    const select = $("preview-file");
    const previewable = done().filter((entry) => entry.index !== null);
    select.replaceChildren(...previewable.map((entry) =>
      Object.assign(document.createElement("option"), { value: entry.job, textContent: entry.file.name })));
    $("preview").hidden = previewable.length === 0;
    if (shown === null && previewable.length > 0) showFile(previewable[0]);
    if (shown !== null) select.value = shown.job;
  }

  $("preview-file").addEventListener("change", (event) =>
    showFile(entries.find((entry) => entry.job === Number(event.target.value))));
  $("search").addEventListener("input", () => listTitles());

  function showFile(entry) {
    shown = entry;
    if (entry === null) {
      refreshPreviewFiles();
      return;
    }
    entry.folded ??= entry.index.titles.map(fold);
    listTitles();
    showRecipe(entry.index.titles.length > 0 ? 0 : -1);
  }

  function listTitles() {
    const { titles } = shown.index;
    const wanted = fold($("search").value.trim());
    const matches = [];
    for (let i = 0; i < titles.length && matches.length <= SHOWN_TITLES; ++i)
      if (shown.folded[i].includes(wanted)) matches.push(i);
    $("titles").replaceChildren(...matches.slice(0, SHOWN_TITLES).map((i) => {
      const choice = button(titles[i] || "(no title)", () => showRecipe(i));
      choice.dataset.record = i;
      return item(choice);
    }));
    const total = count(titles.length, "recipe");
    $("match-count").textContent = wanted === "" ? total
      : matches.length === 0 ? `No title of the ${total} holds “${$("search").value.trim()}”.`
      : matches.length > SHOWN_TITLES ? `More than ${SHOWN_TITLES} of the ${total} match; the first ${SHOWN_TITLES} are listed.`
      : `${count(matches.length, "title")} of the ${total} match.`;
  }

  // A record's body as a handheld reader shows it: a page for each stretch between page marks.
  function showRecipe(i) {
    for (const choice of $("titles").querySelectorAll("button"))
      choice.setAttribute("aria-current", String(Number(choice.dataset.record) === i));
    if (i < 0) {
      $("reader").replaceChildren(Object.assign(document.createElement("p"), { className: "placeholder", textContent: "This file holds no recipe." }));
      return;
    }
    const { output } = shown.result;
    const end = i + 1 < shown.index.starts.length ? shown.index.starts[i + 1] - 1 : output.length - 1;
    const pages = decoder.decode(output.subarray(shown.index.bodies[i], end)).split("[PAGE]");
    const heading = Object.assign(document.createElement("h3"), { textContent: shown.index.titles[i] || "(no title)" });
    const summary = Object.assign(document.createElement("p"), { className: "note", textContent: count(pages.length, "page") });
    const list = document.createElement("ol");
    list.className = "pages";
    list.append(...pages.map((text, n) => {
      const page = document.createElement("li");
      page.className = text.trim() === "" ? "page blank" : "page";
      page.append(Object.assign(document.createElement("span"), { className: "page-number", textContent: `${n + 1}` }),
        Object.assign(document.createElement("span"), { className: "page-text", textContent: text.trim() === "" ? "(blank page)" : text }));
      return page;
    }));
    $("reader").replaceChildren(heading, summary, list);
  }

  // Up and down arrows move between the titles; down from the search box enters the list.
  $("search").addEventListener("keydown", (event) => {
    if (event.key === "ArrowDown") {
      $("titles").querySelector("button")?.focus();
      event.preventDefault();
    }
  });
  $("titles").addEventListener("keydown", (event) => {
    if (event.key !== "ArrowDown" && event.key !== "ArrowUp") return;
    const item = event.target.closest("li");
    const next = event.key === "ArrowDown" ? item?.nextElementSibling : item?.previousElementSibling;
    if (next) next.querySelector("button").focus();
    else if (event.key === "ArrowUp") $("search").focus();
    event.preventDefault();
  });

  // --- Small helpers ---

  function status(entry, text) {
    entry.card.querySelector(".file-status").textContent = text;
  }

  function fold(text) {
    return text.normalize("NFD").replace(/\p{M}/gu, "").toLowerCase();
  }

  function count(n, noun) {
    return `${numbers.format(n)} ${noun}${n === 1 ? "" : "s"}`;
  }

  function size(bytes) {
    if (bytes < 1000) return `${bytes} bytes`;
    const [value, unit] = bytes < 1e6 ? [bytes / 1e3, "kB"] : bytes < 1e9 ? [bytes / 1e6, "MB"] : [bytes / 1e9, "GB"];
    return `${value.toFixed(1)} ${unit}`;
  }

  function item(content) {
    const li = document.createElement("li");
    li.append(content);
    return li;
  }

  function button(text, action, kind = "") {
    const element = Object.assign(document.createElement("button"), { type: "button", className: `button ${kind}`.trim(), textContent: text });
    element.addEventListener("click", action);
    return element;
  }
})();
