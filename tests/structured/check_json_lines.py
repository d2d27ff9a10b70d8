#!/usr/bin/env python3
"""Runs the structured export on MXP files and checks its output with Python's json module.

Usage: check_json_lines.py MXP_TO_JSONL DIR...

Every .mxp file in the directories, and generated hostile input (random bytes, MXP lines full of
quotes, backslashes, control characters, invalid UTF-8 and over-long lines), is converted with
roomy and with tiny per-recipe stores. Each output must be UTF-8, and each of its lines one JSON
object with "@context": "https://schema.org", "@type": "Recipe" and a string "name", no other
field empty, and as many lines as the recipes the export reports.
"""
import json
import pathlib
import random
import subprocess
import sys
import tempfile


def hostile_inputs(seed_count=24):
    pieces = [b'*  X  *', b'Title: "Q\\"', b'--------  ----  ----', b'\x00\x01\x1f\x7f', b'\\u0000',
              b'"', b'\\', b'\xff\xfe\xc3', b'\xe9\x92\x80', b'   1/2 c  -', b'-----A-----',
              b'MMMMM', b'NOTES : "', b'Per Serving', b'Categories : a  b', b'\t', b'\r', b'']
    for seed in range(seed_count):
        rng = random.Random(seed)
        if seed % 4 == 0:
            yield bytes(rng.randrange(256) for _ in range(rng.randrange(1, 3000)))
            continue
        lines = [b'*  X  *', b'', b'Title: x' if seed % 3 else b'  x']
        for _ in range(rng.randrange(1, 300)):
            line = b''.join(rng.choice(pieces) for _ in range(rng.randrange(0, 6)))
            if rng.randrange(40) == 0:
                line *= rng.randrange(200, 2000)  # past the 4,999 characters of one read
            lines.append(line)
        yield rng.choice([b'\n', b'\r\n']).join(lines)


def check(converter, path, stores):
    run = subprocess.run([converter, str(path), *stores], capture_output=True)
    where = f"{path.name} with stores {stores or 'roomy'}"
    if run.returncode != 0:
        return f"{where}: exit status {run.returncode}: {run.stderr.decode(errors='replace')}"
    records = int(run.stderr.split()[0])
    text = run.stdout.decode("utf-8")  # strict: fails on any invalid byte
    lines = text.split("\n")
    if lines.pop() != "":
        return f"{where}: the output does not end with a line feed"
    if len(lines) != records:
        return f"{where}: {len(lines)} lines for {records} recipes"
    for number, line in enumerate(lines, 1):
        try:
            recipe = json.loads(line)
        except json.JSONDecodeError as error:
            return f"{where}, line {number}: {error}"
        if not isinstance(recipe, dict) or recipe.get("@context") != "https://schema.org" or \
                recipe.get("@type") != "Recipe" or not isinstance(recipe.get("name"), str):
            return f"{where}, line {number}: not a Recipe with a name: {line[:200]}"
        empty = [key for key, value in recipe.items() if key != "name" and not value]
        if empty:
            return f"{where}, line {number}: empty {empty}"
    return None


def main():
    converter, directories = sys.argv[1], sys.argv[2:]
    inputs = sorted(p for d in directories for p in pathlib.Path(d).glob("*.mxp"))
    with tempfile.TemporaryDirectory() as scratch:
        for n, data in enumerate(hostile_inputs()):
            path = pathlib.Path(scratch) / f"hostile-{n}.mxp"
            path.write_bytes(data)
            inputs.append(path)
        failures = [problem for path in inputs for stores in ([], ["50", "5"])
                    if (problem := check(converter, path, stores))]
    for problem in failures:
        print(problem)
    print(f"{len(inputs)} inputs, {len(failures)} failures")
    return 1 if failures or not inputs else 0


if __name__ == "__main__":
    sys.exit(main())
