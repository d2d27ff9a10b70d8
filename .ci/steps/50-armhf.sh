#!/usr/bin/env bash
# armhf: the library, mxpconvert and the whole suite cross-built for arm-linux-gnueabihf
# with warnings as errors, and the suite run under qemu-arm (char is unsigned there).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends \
  cmake ninja-build g++-arm-linux-gnueabihf qemu-user googletest python3 >/dev/null

rm -rf build-cross-armhf
cmake -S . -B build-cross-armhf -G Ninja --toolchain cmake/toolchains/armhf.cmake -DMIRTABEL_WERROR=ON
cmake --build build-cross-armhf --parallel 2
ctest --test-dir build-cross-armhf --output-on-failure --no-tests=error -j2
