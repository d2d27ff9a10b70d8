#!/usr/bin/env bash
# The whole suite, the fuzz corpus replay included, once more on each inner loop of the reader
# that this processor runs: the portable one, SSE2 and AVX2 (the test command used the fastest).
# NEON runs in the aarch64 suite under QEMU, and the portable loop again on big-endian s390x.
set -euo pipefail
build=${MIRTABEL_CI_BUILD_DIR:-build/dev}
if [ ! -x "$build/mxpconvert" ]; then
  cmake --preset dev >/dev/null && cmake --build --preset dev
fi
paths="portable"
if [ "$(uname -m)" = x86_64 ]; then
  paths="portable sse2"
  if grep -qw avx2 /proc/cpuinfo; then
    paths="$paths avx2"
  else
    echo "this processor has no AVX2: that path is not run here"
  fi
fi
for path in $paths; do
  echo "---- MIRTABEL_SIMD=$path"
  log="$build/simd-$path.log"
  if ! MIRTABEL_SIMD=$path ctest --test-dir "$build" --output-on-failure --no-tests=error -j2 \
      >"$log" 2>&1; then
    grep -v ' Passed ' "$log"
    exit 1
  fi
  grep -E 'tests passed' "$log"
done
