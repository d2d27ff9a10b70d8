#!/usr/bin/env bash
# The Python package as Python users install it: its wheel built offline by Debian's setuptools
# (pip install --no-build-isolation), its contents checked, installed into a fresh virtual
# environment, imported from outside the clone, and run on the examples as `python3 -m
# mirtabel`, whose outputs must be mxpconvert's.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends \
  python3 python3-venv python3-pip python3-setuptools python3-wheel cmake g++ >/dev/null
python=/usr/bin/python3  # Debian's, whose setuptools and wheel the build uses
repo=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work" "$repo/python/build" "$repo"/python/*.egg-info' EXIT

"$python" -m venv --system-site-packages "$work/venv"
pip=("$work/venv/bin/pip" --disable-pip-version-check --no-input)
"${pip[@]}" wheel --no-build-isolation --no-index --no-deps -w "$work/wheel" ./python
"$work/venv/bin/python" - "$work"/wheel/*.whl <<'PY'
import sys, zipfile
name = sys.argv[1]
files = sorted(f for f in zipfile.ZipFile(name).namelist() if not f.startswith("mirtabel-"))
expected = sorted("mirtabel/" + f for f in (
    "__init__.py", "__main__.py", "_library.py", "_location.py", "libmirtabel.so.1"))
assert files == expected, f"the wheel holds {files}, not {expected}"
assert not name.endswith("-none-any.whl"), f"{name} holds a native library: not for any platform"
print(f"wheel contents as expected: {name.rsplit('/', 1)[-1]}")
PY
"${pip[@]}" install --no-index --no-deps "$work"/wheel/*.whl

# The converter to compare with: the test command's, else a release build.
mxpconvert=build/dev/mxpconvert
if [ ! -x "$mxpconvert" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --parallel 2 --target mxpconvert
  mxpconvert=build/release/mxpconvert
fi
cd "$work"  # away from the clone: the installed package is the one imported
"$work/venv/bin/python" -c 'import mirtabel, os; print("imported", mirtabel.__version__, "from", os.path.dirname(mirtabel.__file__))' \
  | grep -F "$work/venv/"
"$work/venv/bin/python" -m mirtabel --help | grep -q "usage: python3 -m mirtabel"
for example in "$repo"/examples/*.mxp; do
  for format in records json html; do
    "$work/venv/bin/python" -m mirtabel -q --format="$format" "$example" "$work/python.out"
    "$repo/$mxpconvert" -q --format="$format" "$example" -o "$work/mxpconvert.out"
    cmp "$work/python.out" "$work/mxpconvert.out"
  done
  echo "$(basename "$example"): python3 -m mirtabel writes what mxpconvert writes, in every format"
done
