#!/usr/bin/env bash
# The concurrency tests under ThreadSanitizer (clang): conversions on eight threads at once must
# share no state.
set -euo pipefail
build=${MIRTABEL_CI_BUILD_DIR:-build-tsan}
apt-get install -y -qq --no-install-recommends libclang-rt-14-dev >/dev/null
rm -rf "$build"
CXX=clang++ cmake -S . -B "$build" -G Ninja -DMIRTABEL_WERROR=ON -DMIRTABEL_SANITIZE=thread
cmake --build "$build" --parallel 2 --target hardening_concurrency_test
# ThreadSanitizer of clang 14 cannot map its shadow memory under more address randomisation than
# 28 bits; run without randomisation there.
run=()
if [ "$(cat /proc/sys/vm/mmap_rnd_bits 2>/dev/null || echo 28)" -gt 28 ]; then
  run=(setarch "$(uname -m)" -R)
fi
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
"${run[@]}" ctest --test-dir "$build" --output-on-failure --no-tests=error -R '^Concurrency\.'
