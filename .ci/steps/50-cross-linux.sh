#!/usr/bin/env bash
# Other Linux processors: the library, mxpconvert and the whole suite cross-built with warnings
# as errors for 32-bit ARM (char is unsigned there; the portable inner loop), 64-bit ARM (NEON)
# and big-endian s390x (the portable inner loop on words whose bytes run the other way), each
# suite run under QEMU.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends cmake ninja-build qemu-user googletest python3 \
  g++-arm-linux-gnueabihf g++-aarch64-linux-gnu g++-s390x-linux-gnu >/dev/null

for target in ${MIRTABEL_CROSS_TARGETS:-armhf aarch64 s390x}; do
  build=build-cross-$target
  echo "---- $target"
  rm -rf "$build"
  cmake -S . -B "$build" -G Ninja --toolchain "cmake/toolchains/$target.cmake" -DMIRTABEL_WERROR=ON
  cmake --build "$build" --parallel 2
  ctest --test-dir "$build" --output-on-failure --no-tests=error -j2
done
