#!/usr/bin/env bash
# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer (clang): any
# out-of-bounds access, use after free, leak or undefined behaviour stops the run.
set -euo pipefail
build=${MIRTABEL_CI_BUILD_DIR:-build-asan}
apt-get install -y -qq --no-install-recommends libclang-rt-14-dev >/dev/null
rm -rf "$build"
CXX=clang++ cmake -S . -B "$build" -G Ninja -DMIRTABEL_WERROR=ON -DMIRTABEL_SANITIZE=address
cmake --build "$build" --parallel 2
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir "$build" --output-on-failure --no-tests=error --parallel 2
