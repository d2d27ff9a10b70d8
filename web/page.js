// The page: hands the chosen files to the worker, shows each one's summary, warnings and
// downloads, and previews the recipes of a converted file: as a person reads them, and as written.
"use strict";

(() => {
  const $ = (id) => document.getElementById(id);
  const SHOWN_TITLES = 200;
  const EXTENSIONS = { records: ".txt", json: ".jsonl", html: ".html" };
  const numbers = new Intl.NumberFormat("en");
  const decoder = new TextDecoder();
  // One per file: { file, card, job, format, result, index, recipes, seconds }. `recipes` is the
  // structured reading as JSON Lines, { json, starts }, once the worker has it.
  const entries = [];
  let jobs = 0;
  let shown = null;  // the entry whose recipes the preview lists
  let current = -1;  // the recipe it shows, by its place in the list of titles
  let view = "recipe";  // or "raw": the record or JSON object as written

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
  for (const id of ["format", "encoding", "marker"]) $(id).addEventListener("change", () => entries.forEach(convert));

  function add(files) {
    for (const file of files) {
      const card = $("file-template").content.firstElementChild.cloneNode(true);
      card.querySelector(".file-name").textContent = file.name;
      card.querySelector(".file-size").textContent = size(file.size);
      card.querySelector("progress").setAttribute("aria-label", `Progress of ${file.name}`);
      card.querySelector(".remove").setAttribute("aria-label", `Remove ${file.name}`);
      $("file-list").append(card);
      const entry = { file, card };
      card.querySelector(".remove").addEventListener("click", () => remove(entry));
      entries.push(entry);
      convert(entry);
    }
    $("results").hidden = entries.length === 0;
  }

  // The worker may still convert it: what it says of a file no longer listed is ignored.
  function remove(entry) {
    entries.splice(entries.indexOf(entry), 1);
    entry.card.remove();
    $("results").hidden = entries.length === 0;
    refreshDownloadAll();
    if (entry === shown) showFile(null);
    else refreshPreviewFiles();
  }

  function convert(entry) {
    entry.job = ++jobs;
    entry.result = entry.index = entry.recipes = entry.recipesFailure = entry.folded = null;
    entry.format = $("format").value;
    entry.card.dataset.state = "waiting";
    entry.card.querySelector("progress").removeAttribute("value");
    status(entry, "Waiting…");
    entry.card.querySelector(".left-out").hidden = true;
    entry.card.querySelector(".warnings").replaceChildren();
    entry.card.querySelector(".downloads").replaceChildren();
    const title = (entry.file.name.replace(/\.[^.]*$/, "") || entry.file.name).slice(0, 200).replaceAll("\0", "");
    worker.postMessage({ id: entry.job, file: entry.file, format: entry.format, encoding: $("encoding").value, marker: $("marker").value, title });
    refreshDownloadAll();
    if (entry === shown) showFile(null);
  }

  // --- What the worker says ---

  function update(entry, message) {
    if (message.type === "recipes") {
      entry.recipes = message.recipes;
      entry.recipesFailure = message.message;
      if (entry === shown && current >= 0) showRecipe(current);
      return;
    }
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
    // JSON Lines are their own structured reading.
    if (entry.format === "json") entry.recipes = { json: message.result.output, starts: message.index.starts };
    const { records, leftOut, warnings } = message.result;
    // Any warning, as mxpconvert would give it, makes the file amber rather than green.
    entry.card.dataset.state = warnings.length > 0 ? "warning" : "done";
    status(entry, `${count(records, "recipe")} written in ${message.seconds.toFixed(2)} s` +
      (leftOut.length > 0 ? `, ${numbers.format(leftOut.length)} left out.` : "."));
    entry.card.querySelector(".warnings").replaceChildren(...warnings.map((warning) => {
      const line = item(warning.message);
      line.dataset.code = warning.code;
      return line;
    }));
    showDownloads(entry);
    showLeftOut(entry);
    refreshDownloadAll();
    refreshPreviewFiles();
  }

  function showLeftOut(entry) {
    const { leftOut } = entry.result;
    const details = entry.card.querySelector(".left-out");
    details.hidden = leftOut.length === 0;
    details.querySelector("summary").textContent =
      `${leftOut.length === 1 ? "The recipe" : "The recipes"} left out, kept in ${entry.sideName}`;
    details.querySelector("ul").replaceChildren(...leftOut.slice(0, SHOWN_TITLES).map((title) => item(title || "(no title)")));
    if (leftOut.length > SHOWN_TITLES) details.querySelector("ul").append(item(`and ${numbers.format(leftOut.length - SHOWN_TITLES)} more, all in the side file`));
  }

  function showDownloads(entry) {
    const base = entry.file.name.replace(/\.[^.]*$/, "") || entry.file.name;
    entry.outputName = base + EXTENSIONS[entry.format];
    // An output is never named as its input (manual.txt's records are manual.records.txt), so
    // that saving it beside the input keeps both.
    if (entry.outputName.toLowerCase() === entry.file.name.toLowerCase())
      entry.outputName = `${base}.${entry.format}${EXTENSIONS[entry.format]}`;
    // As mxpconvert names it: the output's name with .left-out.mxp for its extension.
    entry.sideName = `${base}.left-out.mxp`;
    const doubted = entry.result.warnings.some((warning) => warning.code === "not-mxp");
    const buttons = [button(`Download ${entry.outputName}`, () => download(entry.outputName, entry.result.output), doubted ? "" : "primary")];
    if (entry.result.leftOutFile !== null)
      buttons.push(button(`Download ${entry.sideName}`, () => download(entry.sideName, entry.result.leftOutFile)));
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

  $("download-all").addEventListener("click", async () => {
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
    const all = $("download-all");
    const label = all.textContent;
    all.disabled = true;
    all.textContent = "Compressing…";
    try {
      download("mirtabel-converted.zip", await makeZip(files));
    } catch (error) {
      alert(`The outputs are too large for one zip file (${error.message}): download them one by one.`);
    } finally {
      all.textContent = label;
      refreshDownloadAll();
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
      current = -1;
      refreshPreviewFiles();
      return;
    }
    entry.folded ??= entry.index.titles.map(fold);  // once per conversion
    $("tab-raw").textContent = entry.format === "json" ? "JSON" : "Record";
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
      choice.setAttribute("aria-current", String(i === current));
      return item(choice);
    }));
    const total = count(titles.length, "recipe");
    $("match-count").textContent = wanted === "" ? total
      : matches.length === 0 ? `No title of the ${total} holds “${$("search").value.trim()}”.`
      : matches.length > SHOWN_TITLES ? `More than ${SHOWN_TITLES} of the ${total} match; the first ${SHOWN_TITLES} are listed.`
      : `${count(matches.length, "title")} of the ${total} match.`;
  }

  // Two views of the recipe: as a person reads it, and as written.
  for (const [id, name] of [["tab-recipe", "recipe"], ["tab-raw", "raw"]]) $(id).addEventListener("click", () => choose(name));
  $("tab-recipe").parentElement.addEventListener("keydown", (event) => {
    if (event.key !== "ArrowLeft" && event.key !== "ArrowRight") return;
    choose(view === "recipe" ? "raw" : "recipe");
    $(view === "recipe" ? "tab-recipe" : "tab-raw").focus();
    event.preventDefault();
  });

  function choose(name) {
    view = name;
    for (const [id, own] of [["tab-recipe", "recipe"], ["tab-raw", "raw"]]) {
      $(id).setAttribute("aria-selected", String(own === view));
      $(id).tabIndex = own === view ? 0 : -1;
    }
    $("reader").setAttribute("aria-labelledby", view === "recipe" ? "tab-recipe" : "tab-raw");
    if (shown !== null) showRecipe(current);
  }

  function showRecipe(i) {
    current = i;
    for (const choice of $("titles").querySelectorAll("button"))
      choice.setAttribute("aria-current", String(Number(choice.dataset.record) === i));
    if (i < 0) {
      $("reader").replaceChildren(element("p", "This file holds no recipe.", "placeholder"));
      return;
    }
    $("reader").replaceChildren(...(view === "recipe" ? recipeCard(i) : shown.format === "json" ? jsonObject(i) : recordLines(i)));
  }

  // The structured reading of the i-th recipe listed. The records leave out recipes that the
  // JSON Lines keep: each one left out before a record moves that record one object on.
  function structured(i) {
    const { json, starts } = shown.recipes;
    const at = shown.format === "json" ? i : i + shown.result.leftOutAt.filter((before) => before <= i).length;
    return at + 1 < starts.length ? JSON.parse(decoder.decode(json.subarray(starts[at], starts[at + 1]))) : null;
  }

  // The recipe as a person reads it: title; yield and times; ingredients under their headings;
  // numbered steps; notes.
  function recipeCard(i) {
    if (shown.recipes === null)
      return [element("p", shown.recipesFailure ? `The recipe could not be read: ${shown.recipesFailure}.` : "Reading the recipe…", "placeholder")];
    const recipe = structured(i);
    if (recipe === null) return [element("p", "The structured reading does not have this recipe.", "placeholder")];
    const parts = [element("h3", recipe.name || "(no title)")];
    const facts = [
      ["Yield", recipe.recipeYield],
      ["Preparation", duration(recipe.prepTime)],
      ["Cooking", duration(recipe.cookTime)],
      ["Total time", duration(recipe.totalTime)],
      ["By", recipe.author?.name],
      ["From", recipe.citation ?? recipe.isBasedOn],
      // An array in JSON Lines, one text in the cookbook's JSON-LD.
      ["Categories", [recipe.recipeCategory ?? []].flat().join(", ")],
    ].filter(([, value]) => value);
    if (facts.length > 0) {
      const list = element("dl", "", "facts");
      for (const [name, value] of facts) {
        const pair = element("div");
        pair.append(element("dt", name), element("dd", value));
        list.append(pair);
      }
      parts.push(list);
    }
    const ingredients = recipe.recipeIngredient ?? [];
    if (ingredients.length > 0) {
      parts.push(element("h4", "Ingredients"));
      let list = null;
      for (const line of ingredients) {
        // A line that ends in a colon heads the ingredients after it.
        if (line.endsWith(":")) {
          parts.push(element("h5", line.slice(0, -1)));
          list = null;
          continue;
        }
        if (list === null) parts.push((list = element("ul", "", "ingredients")));
        list.append(element("li", line));
      }
    }
    const steps = recipe.recipeInstructions ?? [];
    if (steps.length > 0) {
      parts.push(element("h4", "Steps"));
      let list = null;
      for (const step of steps) {
        // A section heads the steps it holds.
        if (step["@type"] === "HowToSection") {
          parts.push(element("h5", step.name), (list = element("ol", "", "steps")));
          list.append(...step.itemListElement.map((inner) => element("li", inner.text)));
          list = null;
          continue;
        }
        if (list === null) parts.push((list = element("ol", "", "steps")));
        list.append(element("li", step.text));
      }
    }
    const notes = [
      ...(recipe.description ? [element("p", recipe.description)] : []),
      ...(recipe.comment ?? []).map((comment) => labelled(comment.name, comment.text)),
      ...(recipe.nutrition ? [labelled("Nutrition", recipe.nutrition.description)] : []),
    ];
    if (notes.length > 0) {
      const section = element("div", "", "notes");
      section.append(...notes);
      parts.push(element("h4", "Notes"), section);
    }
    if (ingredients.length === 0 && steps.length === 0 && notes.length === 0)
      parts.push(element("p", "No ingredients, steps or notes were found in this recipe.", "placeholder"));
    return parts;
  }

  // A record's body as a handheld reader shows it: a line for each stretch between the marks
  // that stand for the line breaks.
  function recordLines(i) {
    const { output } = shown.result;
    const end = i + 1 < shown.index.starts.length ? shown.index.starts[i + 1] - 1 : output.length - 1;
    const lines = decoder.decode(output.subarray(shown.index.bodies[i], end)).split("[PAGE]");
    const list = element("ol", "", "lines");
    list.append(...lines.map((text, n) => {
      const line = element("li", "", text.trim() === "" ? "line blank" : "line");
      line.append(element("span", `${n + 1}`, "line-number"), element("span", text.trim() === "" ? "(blank line)" : text, "line-text"));
      return line;
    }));
    return [element("h3", shown.index.titles[i] || "(no title)"), element("p", count(lines.length, "line"), "note"), list];
  }

  function jsonObject(i) {
    const { output } = shown.result;
    const { starts } = shown.index;
    const text = JSON.stringify(JSON.parse(decoder.decode(output.subarray(starts[i], starts[i + 1]))), null, 2);
    return [element("h3", shown.index.titles[i] || "(no title)"), element("pre", text, "json")];
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

  // "PT1H30M" as "1 h 30 min"; undefined for no time.
  function duration(time) {
    const [, hours, minutes] = /^PT(?:(\d+)H)?(?:(\d+)M)?$/.exec(time ?? "") ?? [];
    if (hours === undefined && minutes === undefined) return time;
    return [hours && `${hours} h`, minutes && `${minutes} min`].filter(Boolean).join(" ");
  }

  function element(name, text = "", className = "") {
    return Object.assign(document.createElement(name), { textContent: text, className });
  }

  function labelled(label, text) {
    const paragraph = element("p");
    if (label) paragraph.append(element("strong", `${label}: `));
    paragraph.append(text);
    return paragraph;
  }

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
