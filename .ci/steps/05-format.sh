#!/usr/bin/env bash
# Every C and C++ source follows .clang-format; a file that would change fails the run.
set -euo pipefail
apt-get install -y -qq --no-install-recommends clang-format >/dev/null
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
echo "all sources formatted"
