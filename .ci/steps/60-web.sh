#!/usr/bin/env bash
# The browser build: mirtabel.mjs and the page, built with Debian's Emscripten, then tested in
# Node (byte for byte against the native mxpconvert) and in Debian's headless Chromium, which
# also saves the page's screenshots as build/web/screenshot*.png. The tests need no npm package.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends emscripten chromium nodejs python3 >/dev/null
node --version

rm -rf build/web
cmake --preset web >/dev/null
cmake --build --preset web --parallel 2
ls -l build/web/mirtabel.mjs build/web/mirtabel-worker.js

# The native converter the module is held against: the test command's, else a release build.
if [ ! -x build/dev/mxpconvert ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --parallel 2 --target mxpconvert
fi
node --test tests/web/module_test.mjs tests/web/page_test.mjs
