"""Runs the README's Python snippet against the installed library.

usage: python_readme.py README EXAMPLE WORK_DIR

The snippet converts examples/column-layout.mxp into column-layout.txt in the current directory,
so it runs in WORK_DIR beside a copy of the example. It must print the count, write as many
records as it counts, and its function must report a missing input as -1 with ENOENT in errno.
"""
import contextlib
import errno
import io
import os
import re
import shutil
import sys

readme, example, work_dir = sys.argv[1:4]
with open(readme, encoding="utf-8") as f:
    blocks = re.findall(r"^```python\n(.*?)^```", f.read(), re.S | re.M)
if len(blocks) != 1:
    sys.exit(f"expected one Python snippet in {readme}, found {len(blocks)}")

shutil.rmtree(work_dir, ignore_errors=True)
os.makedirs(os.path.join(work_dir, "examples"))
shutil.copy(example, os.path.join(work_dir, "examples", "column-layout.mxp"))
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
if printed.getvalue().split()[0] != str(len(records)):
    sys.exit(f"the snippet printed {printed.getvalue()!r} for {len(records)} records")

convert = snippet["convert"]
result = convert("no such file.mxp", "unused.txt")
if result != -1 or snippet["ctypes"].get_errno() != errno.ENOENT:
    sys.exit(f"a missing input gave {result} and errno {snippet['ctypes'].get_errno()}")
if os.path.exists("unused.txt"):
    sys.exit("a missing input still created the output")
print("README snippet: ok")
