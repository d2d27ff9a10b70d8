#!/usr/bin/env bash
# aarch64: the library, mxpconvert and the whole suite cross-built for aarch64-linux-gnu
# with warnings as errors, and the suite run under qemu-aarch64 (char is unsigned there).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends \
  cmake ninja-build g++-aarch64-linux-gnu qemu-user googletest python3 >/dev/null

rm -rf build-cross-aarch64
cmake -S . -B build-cross-aarch64 -G Ninja --toolchain cmake/toolchains/aarch64.cmake -DMIRTABEL_WERROR=ON
cmake --build build-cross-aarch64 --parallel 2
ctest --test-dir build-cross-aarch64 --output-on-failure --no-tests=error -j2
