#!/usr/bin/env python3
"""Compares the structured export of the hand-written corpus with the JSON written for it by hand.

Usage: compare_corpus.py MXP_TO_JSONL CORPUS_DIR

For every NAME.mxp in CORPUS_DIR, NAME.expected.json lists one object per recipe, in a short
form: the author's name as a string, a step as its text, a section as {"section", "steps"}, a
comment as its text or {"name", "text"}; "@context" and "@type" left out. Each field counts one
error when it differs; a list counts one per element missing, extra or changed; nutrition one per
property. Prints the errors of each recipe and the total. Strings must carry no DEL, C1 control
or line or paragraph separator raw.
"""
import difflib
import json
import pathlib
import subprocess
import sys

RAW_CONTROLS = ["\x7f", "\u2028", "\u2029"] + [chr(c) for c in range(0x80, 0xA0)]


def short_form(recipe):
    """The export's object in the expected file's short form."""
    out = {}
    for key, value in recipe.items():
        if key in ("@context", "@type"):
            continue
        if key == "author" and isinstance(value, dict) and value.get("@type") == "Person":
            value = value.get("name")
        elif key == "recipeInstructions":
            value = [step.get("text") if step.get("@type") == "HowToStep" else
                     {"section": step.get("name"),
                      "steps": [s.get("text") for s in step.get("itemListElement", [])]}
                     for step in value]
        elif key == "comment":
            value = [{"name": c["name"], "text": c.get("text")} if "name" in c else c.get("text")
                     for c in value]
        elif key == "nutrition":
            value = {k: v for k, v in value.items() if k != "@type"}
        out[key] = value
    return out


def flat(items):
    """A list as comparable strings, a section's steps one by one after its name."""
    for item in items:
        if isinstance(item, dict) and "section" in item:
            yield "section " + json.dumps(item["section"])
            for step in item["steps"]:
                yield "  " + json.dumps(step)
        else:
            yield json.dumps(item, sort_keys=True)


def field_errors(expected, actual):
    errors = {}
    for key in list(expected) + [k for k in actual if k not in expected]:
        want, got = expected.get(key), actual.get(key)
        if want == got:
            continue
        if isinstance(want, dict) or isinstance(got, dict):
            want, got = want or {}, got or {}
            errors[key] = sum(want.get(k) != got.get(k) for k in set(want) | set(got))
        elif isinstance(want, list) or isinstance(got, list):
            want, got = list(flat(want or [])), list(flat(got or []))
            same = sum(block.size for block in
                       difflib.SequenceMatcher(None, want, got, autojunk=False).get_matching_blocks())
            errors[key] = max(len(want), len(got)) - same
        else:
            errors[key] = 1
    return errors


def main():
    converter, corpus = sys.argv[1], pathlib.Path(sys.argv[2])
    total = recipes = right = 0
    for source in sorted(corpus.glob("*.mxp")):
        expected = json.loads(source.with_suffix(".expected.json").read_text(encoding="utf-8"))
        run = subprocess.run([converter, str(source)], capture_output=True, check=True)
        text = run.stdout.decode("utf-8")
        raw = [c for c in RAW_CONTROLS if c in text]
        if raw:
            print(f"{source.name}: raw {[hex(ord(c)) for c in raw]} in the output")
            total += len(raw)
        lines = text.split("\n")[:-1]
        if len(lines) != len(expected):
            print(f"{source.name}: {len(lines)} recipes, {len(expected)} expected")
            total += abs(len(lines) - len(expected))
        for number, (want, line) in enumerate(zip(expected, lines), 1):
            got = short_form(json.loads(line))
            errors = field_errors(want, got)
            count = sum(errors.values())
            recipes += 1
            right += count == 0
            total += count
            if count:
                detail = ", ".join(f"{k} {n}" for k, n in errors.items())
                print(f"{source.name} #{number} {want.get('name')!r}: {count} errors ({detail})")
                for key in errors:
                    print(f"    {key}: expected {json.dumps(want.get(key), ensure_ascii=False)}")
                    print(f"    {' ' * len(key)}  got      {json.dumps(got.get(key), ensure_ascii=False)}")
    print(f"{recipes} recipes, {right} right, {total} field errors, "
          f"{total / max(recipes, 1):.2f} per recipe")
    return 1 if total or not recipes else 0


if __name__ == "__main__":
    sys.exit(main())
