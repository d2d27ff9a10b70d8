#!/usr/bin/env bash
# Fuzzes the structured export (JSON Lines) and the cookbook (HTML) for 30 seconds with libFuzzer
# (clang, with ASan and UBSan, no recovery), from the seed corpus, the structured samples and the
# hand-written corpus. A crash, a sanitizer report, an output line that is not a valid Recipe
# object with its "@type" and "name", or a cookbook that is not whole, holds a character HTML
# forbids or differs from the JSON Lines, fails the run and leaves the input in the build
# directory. Reuses the fuzz build of 22-fuzz.sh when it is there. Set MIRTABEL_FUZZ_SECONDS to
# fuzz longer.
set -euo pipefail
build=${MIRTABEL_CI_BUILD_DIR:-build-fuzz}
seconds=${MIRTABEL_FUZZ_SECONDS:-30}
apt-get install -y -qq --no-install-recommends libclang-rt-14-dev >/dev/null
CXX=clang++ cmake -S . -B "$build" -G Ninja -DMIRTABEL_WERROR=ON -DMIRTABEL_FUZZ=ON >/dev/null
cmake --build "$build" --parallel 2 --target json_fuzzer
mkdir -p "$build/json-corpus" "$build/json-artifacts"
"$build/json_fuzzer" -max_total_time="$seconds" -max_len=40000 -timeout=10 -rss_limit_mb=2048 \
  -dict=fuzz/mxp.dict -artifact_prefix="$build/json-artifacts/" -print_final_stats=1 \
  "$build/json-corpus" fuzz/corpus tests/structured/data tests/structured/corpus 2>"$build/json-fuzz.log" || {
  tail -n 60 "$build/json-fuzz.log"
  echo "the fuzzer found a failure; the input is in $build/json-artifacts/:"
  ls -l "$build/json-artifacts"
  exit 1
}
grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb)' \
  "$build/json-fuzz.log"
echo "corpus: $(ls "$build/json-corpus" | wc -l) new inputs"
