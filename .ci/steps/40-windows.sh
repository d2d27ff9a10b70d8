#!/usr/bin/env bash
# Windows x86-64: Mirtabel.dll, its import library, mxpconvert.exe and the whole suite
# cross-built with MinGW-w64 and warnings as errors; the DLL's export table and imports checked;
# the suite run under Wine, where the DLL's outputs are compared with a native Linux build's.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends \
  cmake ninja-build g++ g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 \
  googletest >/dev/null

rm -rf build-cross-windows build-cross-windows-reference
# The Linux outputs that the Windows build must reproduce byte for byte.
cmake -S . -B build-cross-windows-reference -G Ninja -DMIRTABEL_BUILD_TESTS=OFF >/dev/null
cmake --build build-cross-windows-reference --target mxpconvert --parallel 2
cmake -S . -B build-cross-windows -G Ninja --toolchain cmake/toolchains/mingw-w64-x86_64.cmake \
  -DMIRTABEL_WERROR=ON -DMIRTABEL_REFERENCE_CONVERTER="$PWD/build-cross-windows-reference/mxpconvert"
cmake --build build-cross-windows --parallel 2

# The export table: exactly the five fixed names at ordinals 1-5, the conversion API after them,
# and imports from system DLLs only.
dump=$(x86_64-w64-mingw32-objdump -p build-cross-windows/Mirtabel.dll)
sed -n '/^The Export Tables/,/^The Function Table/p' <<<"$dump" | sed '/^The Function Table/d'
table=$(awk '/^\[Ordinal\/Name Pointer\] Table/ {on = 1; next} on && NF == 0 {exit}
             on {gsub(/[][]/, ""); print $1 + 1, $2}' <<<"$dump" | sort -n)
expected='1 ConvertMXP
2 _ZN9CMirtabelC1Ev
3 _ZN9CMirtabelaSERKS_
4 _Z10fnMirtabelv
5 nMirtabel
6 mirtabel_convert
7 mirtabel_convert_stream
8 mirtabel_error_name
9 mirtabel_version
10 mirtabel_version_number
11 mirtabel_format_from_name
12 mirtabel_format_name'
if [ "$table" != "$expected" ] || ! grep -q 'Export Address Table 		0000000c' <<<"$dump"; then
  printf 'unexpected export table:\n%s\n' "$table" >&2
  exit 1
fi
imports=$(awk '/DLL Name:/ {print $3}' <<<"$dump" | sort -u)
echo "Mirtabel.dll imports:" $imports
if grep -viE '^(kernel32|msvcrt)\.dll$' <<<"$imports"; then
  echo "Mirtabel.dll needs a DLL that is not part of Windows" >&2
  exit 1
fi

# Stack probes: below a thread's stack Windows keeps one guard page, so a frame larger than a page
# must touch its pages in order (___chkstk_ms), as the conversion's frame of about 94 KiB does;
# no frame may be reserved in one step of a page or more.
code=$(x86_64-w64-mingw32-objdump -d --no-show-raw-insn build-cross-windows/Mirtabel.dll)
probes=$(grep -c 'call.*___chkstk_ms' <<<"$code" || true)
unprobed=""
for size in $(grep -oE 'sub +\$0x[0-9a-f]+,%rsp' <<<"$code" | grep -oE '0x[0-9a-f]+'); do
  if ((size >= 4096)); then unprobed+=" sub \$$size,%rsp"; fi
done
echo "Mirtabel.dll: $probes calls to ___chkstk_ms"
if [ "$probes" -eq 0 ] || [ -n "$unprobed" ]; then
  echo "a frame of a page or more is not probed:$unprobed" >&2
  exit 1
fi

# A throwaway Wine prefix, created before the tests so that its set-up messages stay out of
# their output.
export WINEDEBUG=-all WINEPREFIX
WINEPREFIX=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
wineboot -i >/dev/null 2>&1 || true
ctest --test-dir build-cross-windows --output-on-failure --no-tests=error -j2
