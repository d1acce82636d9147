#!/usr/bin/env bash
# Builds everything and runs every test:
#   - the 64-bit and 32-bit Windows builds (program, test heads, tests, benchmarks);
#   - checks of the programs without Wine: they load only system DLLs, every imported function's
#     slot is filled as the loader expects, the 32-bit one is small, neither carries a test hook;
#   - the Windows-free code natively with AddressSanitizer and UndefinedBehaviorSanitizer, and
#     bounded fuzz runs of the version block parser and the import table reader;
#   - every test of the 64-bit build and of the 32-bit build under Wine, the 32-bit one as 64-bit
#     Windows runs it (tools/wine32-setup.sh), each in a fresh Wine prefix with a virtual X server of
#     its own.
# Installs what is missing first (Debian 12). Ends with one line: "Summary: N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VESK_BUILD_DIR:-$root/build}
jobs=${VESK_JOBS:-2}
fuzz_seconds=${VESK_FUZZ_SECONDS:-60}
"$root/tools/install-deps.sh" || exit 1
# 32-bit Wine, set up first so that every test prefix is the same 64-bit one with SysWOW64.
wine32_ready=0
"$root/tools/wine32-setup.sh" && wine32_ready=1

passed=0
failed=0
figures=$build/figures.txt
mkdir -p "$build"
: >"$figures"

# Adds the counts of a ctest log's closing line to the totals.
count_ctest() {
  local line total bad
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

step() { echo; echo "== $*"; }

step "Windows builds (64-bit and 32-bit)"
if ! "$root/tools/build.sh" all; then
  echo "build failed"
  echo "Summary: 0 passed, 1 failed"
  exit 1
fi

step "Runtime DLLs of the programs"
for arch in win64 win32; do
  triple=$([ $arch = win64 ] && echo x86_64-w64-mingw32 || echo i686-w64-mingw32)
  exe=$build/$arch/bin/VeskInstaller.exe
  dlls=$("$triple-objdump" -p "$exe" | awk '/DLL Name/ {print $3}' | tr '\n' ' ')
  echo "$arch: $dlls"
  if grep -qiE 'libstdc|libgcc|winpthread' <<<"$dlls"; then
    echo "FAIL: $exe needs a runtime DLL"; failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
done

step "Import tables of the programs"
# A slot the loader leaves empty makes the first call of that function jump to address 0.
if python3 "$root/tools/check-imports.py" "$build"/win64/bin/VeskInstaller.exe "$build"/win32/bin/VeskInstaller.exe \
     --not-at-start comdlg32.dll ole32.dll shell32.dll version.dll; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

step "Size of the programs"
# The released 32-bit program is to stay under 450 KB as Windows counts them (460,800 bytes: Explorer
# shows it as under 450 KB).
size_limit=460800
for arch in win64 win32; do
  size=$(stat -L -c %s "$build/$arch/bin/VeskInstaller.exe" 2>/dev/null || echo 0)
  echo "$arch: $size bytes ($(( (size + 1023) / 1024 )) KB as Windows shows it)"
  [ $arch = win32 ] && size32=$size
done
if [ "$size32" -gt 0 ] && [ "$size32" -lt "$size_limit" ]; then
  passed=$((passed + 1))
else
  echo "FAIL: the 32-bit program is over 450 KB (or missing)"; failed=$((failed + 1))
fi

step "No test hooks in the released programs"
for arch in win64 win32; do
  if strings -a "$build/$arch/bin/VeskInstaller.exe" | grep -q 'VESK_'; then
    echo "FAIL: $arch/VeskInstaller.exe carries a test hook"; failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
done

step "Native build of the Windows-free code with sanitizers"
cmake -S "$root" -B "$build/native" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVESK_SANITIZE=ON -DVESK_FUZZ=ON >/dev/null && cmake --build "$build/native" -j"$jobs"
if [ $? -eq 0 ]; then
  (cd "$build/native" && ctest --output-on-failure -j"$jobs") 2>&1 | tee "$build/native-ctest.log"
  count_ctest "$build/native-ctest.log"
else
  echo "native build failed"; failed=$((failed + 1))
fi

# Each fuzz target gets half the time; the import table's seeds its corpus with the test images.
for target in version_block import_table; do
  fuzzer=$build/native/bin/fuzz_$target
  [ -x "$fuzzer" ] || continue
  seconds=$((fuzz_seconds / 2))
  step "Fuzzing $target for ${seconds} s"
  corpus=$build/fuzz-corpus-$target
  log=$build/fuzz-$target.log
  mkdir -p "$corpus"
  if "$fuzzer" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 "$corpus" \
       >"$log" 2>&1; then
    passed=$((passed + 1)); crashes=0
  else
    failed=$((failed + 1)); crashes=1; tail -n 40 "$log"
  fi
  runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' | tail -n1)
  echo "fuzz executions: ${runs:-0}, crashes: $crashes"
  echo "fuzz_executions_$target=${runs:-0}" >>"$figures"
  echo "fuzz_crashes_$target=$crashes" >>"$figures"
done

step "Tests of the 64-bit build under Wine"
(cd "$build/win64" && ctest --output-on-failure -j"$jobs") 2>&1 | tee "$build/win64-ctest.log"
count_ctest "$build/win64-ctest.log"

step "Tests of the 32-bit build under Wine (32-bit programs in a 64-bit prefix)"
if [ "$wine32_ready" = 1 ]; then
  # What a test accepted only because of the emulator, in a file of this run (as Wine's Z: drive).
  notes_file=$build/emulator-notes.txt
  rm -f "$notes_file"
  (cd "$build/win32" && VESK_NOTES_FILE="Z:${notes_file//\//\\}" ctest --output-on-failure -j"$jobs") 2>&1 |
    tee "$build/win32-ctest.log"
  count_ctest "$build/win32-ctest.log"
else
  echo "FAIL: this machine cannot run 32-bit Windows programs (see above): the 32-bit tests did not run"
  failed=$((failed + 1))
fi

echo
echo "Fuzzing figures ($figures):"
sed 's/^/  /' "$figures"
if [ -s "${notes_file:-}" ]; then
  echo
  echo "Accepted only because the 32-bit tests ran through the CPU emulator:"
  tr -d '\r' <"$notes_file" | sort -u | sed 's/^/  /'
fi
echo
echo "Summary: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
