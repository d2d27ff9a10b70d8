"""Runs a command in the environment that README.md's "Installing" section gives a program using
the library installed under PREFIX: its `export LD_LIBRARY_PATH=...` and `export PYTHONPATH=...`
lines, run by the shell with PREFIX set. Nothing else tells the program where the library and
the Python package are.

usage: readme_environment.py README PREFIX COMMAND...
"""
import os
import re
import subprocess
import sys

NAMES = ("LD_LIBRARY_PATH", "PYTHONPATH")

readme, prefix, command = sys.argv[1], sys.argv[2], sys.argv[3:]
with open(readme, encoding="utf-8") as f:
    text = f.read()
lines = []
for name in NAMES:
    found = re.findall(rf"^export {name}=.*$", text, re.M)
    if len(found) != 1:
        sys.exit(f"expected one 'export {name}=' line in {readme}, found {len(found)}")
    lines += found
environment = {k: v for k, v in os.environ.items() if k not in NAMES}
shown = subprocess.run(["sh", "-c", "\n".join(lines) + '\nprintf "%s\\n%s" "$LD_LIBRARY_PATH" "$PYTHONPATH"'],
                       env=dict(environment, PREFIX=prefix), capture_output=True, text=True,
                       check=True).stdout.split("\n")
values = dict(zip(NAMES, shown))
print(f"{' / '.join(lines)}  (PREFIX={prefix}): "
      + ", ".join(f"{name}={value}" for name, value in values.items()))
sys.exit(subprocess.run(command, env=dict(environment, **values)).returncode)
