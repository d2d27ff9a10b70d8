"""Runs a command in the environment that README.md's "Installing" section gives a program using
the library installed under PREFIX: its `export LD_LIBRARY_PATH=...` line, run by the shell with
PREFIX set. Nothing else tells the program where the library is.

usage: readme_environment.py README PREFIX COMMAND...
"""
import os
import re
import subprocess
import sys

readme, prefix, command = sys.argv[1], sys.argv[2], sys.argv[3:]
with open(readme, encoding="utf-8") as f:
    lines = re.findall(r"^export LD_LIBRARY_PATH=.*$", f.read(), re.M)
if len(lines) != 1:
    sys.exit(f"expected one 'export LD_LIBRARY_PATH=' line in {readme}, found {len(lines)}")
environment = {k: v for k, v in os.environ.items() if k != "LD_LIBRARY_PATH"}
shown = subprocess.run(["sh", "-c", lines[0] + '\nprintf %s "$LD_LIBRARY_PATH"'],
                       env=dict(environment, PREFIX=prefix), capture_output=True, text=True,
                       check=True).stdout
print(f"{lines[0]}  (PREFIX={prefix}): LD_LIBRARY_PATH={shown}")
sys.exit(subprocess.run(command, env=dict(environment, LD_LIBRARY_PATH=shown)).returncode)
