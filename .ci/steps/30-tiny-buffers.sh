#!/usr/bin/env bash
# The whole suite again built with a read buffer of 8 bytes, which also writes its output as soon
# as 8 bytes are finished, so that every test input crosses buffer boundaries everywhere: inside
# UTF-8 sequences, between CR and LF, inside the reader's block-wise copy, and in every write.
# (The reference comparison also runs every inner loop with small buffers in the default build.)
# Set MIRTABEL_TINY_BUFFERS to choose other sizes, such as "8 61".
set -euo pipefail
for size in ${MIRTABEL_TINY_BUFFERS:-8}; do
  build=build-buffer-$size
  rm -rf "$build"
  cmake -S . -B "$build" -G Ninja -DMIRTABEL_WERROR=ON -DMIRTABEL_IO_BUFFER_SIZE="$size" >/dev/null
  cmake --build "$build" --parallel 2
  ctest --test-dir "$build" --output-on-failure --no-tests=error --parallel 2
done
