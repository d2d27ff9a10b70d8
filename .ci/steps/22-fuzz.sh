#!/usr/bin/env bash
# Fuzzes the conversion for 60 seconds with libFuzzer (clang, with ASan and UBSan), starting from
# the seed corpus in fuzz/corpus. A crash, a sanitizer report or a broken invariant fails the run
# and leaves the input that caused it in the build directory. Set MIRTABEL_FUZZ_SECONDS to fuzz
# longer.
set -euo pipefail
build=${MIRTABEL_CI_BUILD_DIR:-build-fuzz}
seconds=${MIRTABEL_FUZZ_SECONDS:-60}
apt-get install -y -qq --no-install-recommends libclang-rt-14-dev >/dev/null
rm -rf "$build"
CXX=clang++ cmake -S . -B "$build" -G Ninja -DMIRTABEL_WERROR=ON -DMIRTABEL_FUZZ=ON
cmake --build "$build" --parallel 2 --target mxp_fuzzer
mkdir -p "$build/corpus" "$build/artifacts"
# New inputs go to the first directory; the seeds stay as they are.
"$build/mxp_fuzzer" -max_total_time="$seconds" -max_len=40000 -timeout=10 -rss_limit_mb=2048 \
  -dict=fuzz/mxp.dict -artifact_prefix="$build/artifacts/" -print_final_stats=1 \
  "$build/corpus" fuzz/corpus 2>"$build/fuzz.log" || {
  tail -n 60 "$build/fuzz.log"
  echo "the fuzzer found a failure; the input is in $build/artifacts/:" && ls -l "$build/artifacts"
  exit 1
}
grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$build/fuzz.log"
echo "corpus: $(ls "$build/corpus" | wc -l) new inputs"
