"""Runs the README's Python snippet against the installed package.

usage: python_readme.py README EXAMPLES_DIR WORK_DIR

The snippet converts examples/column-layout.mxp into column-layout.txt in the current directory
and lists the recipes of examples/labelled-layout.mxp, so it runs in WORK_DIR beside a copy of
the examples. It must print the count of the records it wrote and the name of every recipe, and
the module it imports must report a missing input as OSError with ENOENT and the path.
"""
import contextlib
import errno
import io
import os
import re
import shutil
import sys

readme, examples, work_dir = sys.argv[1:4]
with open(readme, encoding="utf-8") as f:
    blocks = re.findall(r"^```python\n(.*?)^```", f.read(), re.S | re.M)
if len(blocks) != 1:
    sys.exit(f"expected one Python snippet in {readme}, found {len(blocks)}")

shutil.rmtree(work_dir, ignore_errors=True)
shutil.copytree(examples, os.path.join(work_dir, "examples"))
os.chdir(work_dir)

printed = io.StringIO()
snippet = {}
with contextlib.redirect_stdout(printed):
    exec(compile(blocks[0], "README.md", "exec"), snippet)
print(printed.getvalue(), end="")

with open("column-layout.txt", "rb") as f:
    records = f.read().split(b"\n")[:-1]
if not records or any(len(r) < 100 for r in records):
    sys.exit("the snippet wrote no records, or records without a title field")
lines = printed.getvalue().splitlines()
if lines[0].split()[0] != str(len(records)):
    sys.exit(f"the snippet printed {lines[0]!r} for {len(records)} records")
with open("examples/labelled-layout.mxp", encoding="utf-8") as f:
    titles = re.findall(r"^Title: (.*?)\s*$", f.read(), re.M)
if len(titles) < 2 or len(lines) != 1 + len(titles) or not all(
        line.startswith(title + " ") for line, title in zip(lines[1:], titles)):
    sys.exit(f"the snippet listed {lines[1:]}, the archive holds {titles}")

mirtabel = snippet["mirtabel"]
try:
    mirtabel.convert("no such file.mxp", "unused.txt")
    sys.exit("a missing input raised nothing")
except OSError as e:
    if e.errno != errno.ENOENT or e.filename != "no such file.mxp":
        sys.exit(f"a missing input raised {e!r} for {e.filename!r}")
if os.path.exists("unused.txt"):
    sys.exit("a missing input still created the output")
print("README snippet: ok")
