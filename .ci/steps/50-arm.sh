#!/usr/bin/env bash
# 32- and 64-bit ARM Linux: the library, mxpconvert and the whole suite cross-built for each
# with warnings as errors, and the suite run under QEMU (char is unsigned there).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends cmake ninja-build qemu-user googletest python3 \
  g++-arm-linux-gnueabihf g++-aarch64-linux-gnu >/dev/null

for target in armhf aarch64; do
  build=build-cross-$target
  echo "---- $target"
  rm -rf "$build"
  cmake -S . -B "$build" -G Ninja --toolchain "cmake/toolchains/$target.cmake" -DMIRTABEL_WERROR=ON
  cmake --build "$build" --parallel 2
  ctest --test-dir "$build" --output-on-failure --no-tests=error -j2
done
