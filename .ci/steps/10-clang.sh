#!/usr/bin/env bash
# The whole suite again, built with clang++ and warnings as errors.
set -euo pipefail
rm -rf build-clang
CXX=clang++ cmake -S . -B build-clang -G Ninja -DMIRTABEL_WERROR=ON
cmake --build build-clang
ctest --test-dir build-clang --output-on-failure --no-tests=error
