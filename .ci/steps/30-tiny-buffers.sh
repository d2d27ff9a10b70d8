#!/usr/bin/env bash
# The whole suite again with tiny read and write buffers (8 and 61 bytes), so that small test
# inputs cross buffer boundaries everywhere: inside UTF-8 sequences, between CR and LF, inside the
# reader's block-wise ASCII copy, and in every write. Set MIRTABEL_TINY_BUFFERS to choose sizes.
set -euo pipefail
for size in ${MIRTABEL_TINY_BUFFERS:-8 61}; do
  build=build-buffer-$size
  rm -rf "$build"
  cmake -S . -B "$build" -G Ninja -DMIRTABEL_WERROR=ON -DMIRTABEL_IO_BUFFER_SIZE="$size" >/dev/null
  cmake --build "$build" --parallel 2
  ctest --test-dir "$build" --output-on-failure --no-tests=error --parallel 2
done
