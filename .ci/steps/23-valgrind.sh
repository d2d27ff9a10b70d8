#!/usr/bin/env bash
# The whole test suite under valgrind's memcheck (a g++ build): each test program runs once, with
# all its tests; an invalid access, a use of uninitialised memory or a definite leak fails it.
set -euo pipefail
build=${MIRTABEL_CI_BUILD_DIR:-build-valgrind}
apt-get install -y -qq --no-install-recommends valgrind >/dev/null
rm -rf "$build"
cmake -S . -B "$build" -G Ninja -DMIRTABEL_WERROR=ON
cmake --build "$build" --parallel 2

# glibc picks its string functions by processor. Its AVX2 and EVEX forms of mem*, wmem* and str*
# read whole 32- or 64-byte blocks that may reach past the end of a buffer; the extra bytes are
# never used, but memcheck reports them or not depending on where the buffer lies. The programs
# under valgrind run with glibc's baseline (SSE2) forms instead, which memcheck understands, so a
# report always means a fault. A name glibc does not know is ignored silently, so check that the
# setting takes effect: AVX2 (CPUID leaf 7, EBX bit 5) and AVX-512F (bit 16) must be inactive.
export GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-AVX512F,-AVX512VL,-AVX512BW,-AVX_Fast_Unaligned_Load
if [ "$(uname -m)" = x86_64 ]; then
  leaf7_ebx=$(/lib64/ld-linux-x86-64.so.2 --list-diagnostics |
    sed -n 's/^x86\.cpu_features\.features\[0x1\]\.active\[0x1\]=//p')
  if [ -z "$leaf7_ebx" ] || (((leaf7_ebx >> 5 | leaf7_ebx >> 16) & 1)); then
    echo "GLIBC_TUNABLES did not turn off glibc's AVX2 and AVX-512 string functions" >&2
    exit 1
  fi
  echo "glibc's AVX2 and AVX-512 string functions are off (CPUID 7 EBX active: $leaf7_ebx)"
fi
# The test programs of the default suite that the build made, each run once with all its test
# cases (ctest lists a GoogleTest program's cases one by one). Left out: the allocation count,
# which replaces malloc as valgrind does itself; the stack measurement, which reads the stack
# that a finished thread left, memory that valgrind marks as no longer addressable; and the two
# tests whose inputs of tens of megabytes take minutes under valgrind (the ASan run covers them).
commands=$(ctest --test-dir "$build" --show-only=json-v1 | python3 -c '
import json, os, shlex, sys
build = os.path.realpath(sys.argv[1])
skipped_programs = {"boundary_allocation_test", "boundary_stack_tests"}
extra = {"hardening_bad_input_test": ["--gtest_filter=-BadInput.HugeFileWithoutALineFeedConverts:"
                                      "BadInput.TenMillionEmptyLinesConvert"]}
seen = {}
for test in json.load(sys.stdin)["tests"]:
    command = [a for a in test.get("command", []) if not a.startswith("--gtest_")]
    if not command or not os.path.realpath(command[0]).startswith(build + os.sep):
        continue
    name = os.path.basename(command[0])
    if name not in skipped_programs:
        seen.setdefault(name, command + extra.get(name, []))
for command in seen.values():
    print(shlex.join(command))
' "$build")
[ -n "$commands" ] || { echo "no tests found"; exit 1; }
# The comparison with the reference converter takes its first 500 generated inputs here, not
# all 3,000 (a minute more under valgrind); the other steps run them all.
export MIRTABEL_REFERENCE_INPUTS=500
passed=0 failed=0
while IFS= read -r command; do
  eval "set -- $command"
  started=$SECONDS
  if valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
       --track-origins=yes "$@" >"$build/valgrind.log" 2>&1; then
    passed=$((passed + 1))
    echo "valgrind ok   $(basename "$1") ($((SECONDS - started)) s)"
  else
    failed=$((failed + 1))
    echo "valgrind FAIL $(basename "$1")"
    tail -n 80 "$build/valgrind.log"
  fi
done <<<"$commands"
echo "valgrind: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
