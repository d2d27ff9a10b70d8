#!/usr/bin/env bash
# The HTML cookbook, judged by tools nobody here wrote: the W3C Nu HTML Checker (vnu-jar from
# npm, run on Debian's Java), a structured-data extractor and validator from npm (versions pinned
# in tests/html/package-lock.json), and Debian's headless Chromium, whose PDF poppler reads back.
# The cookbook's screenshot is saved as build/cookbook.png.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends \
  default-jre-headless chromium poppler-utils nodejs >/dev/null
# A Node.js that comes with its own npm needs no other.
command -v npm >/dev/null || apt-get install -y -qq --no-install-recommends npm >/dev/null
node --version
java -version 2>&1 | head -1

# The package's own install script would fetch a Java runtime: Debian's is used instead.
(cd tests/html && npm ci --ignore-scripts --no-audit --no-fund)

# The converter under test: the test command's, else a release build.
if [ ! -x build/dev/mxpconvert ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --parallel 2 --target mxpconvert
fi
node --test tests/html/cookbook_test.mjs
