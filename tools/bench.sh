#!/usr/bin/env bash
# Runs every benchmark under Wine and prints one table (markdown), also saved to
# build/bench-table-<build>.md. Each figure is a median over repeated runs with its baseline measured in
# the same run. A benchmark reports; it never fails.
#   bench.sh [--32]   --32: the 32-bit build (through the CPU emulator where tools/wine32-setup.sh set
#                     one up: its ratios are between two emulated programs, its times are not Windows')
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/wine-env.sh"
build=${VESK_BUILD_DIR:-$root/build}
arch=win64
[ "${1:-}" = --32 ] && arch=win32
"$root/tools/install-deps.sh"
[ $arch = win64 ] || "$root/tools/wine32-setup.sh" || exit 1
"$root/tools/build.sh" $arch >/dev/null || { echo "build failed"; exit 1; }
template=$build/bench-template
"$root/tools/wine-prefix.sh" "$template"
table=$build/bench-table-$arch.md
cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
{
  echo "$arch build. Measured $(date -u +%Y-%m-%d) on $(nproc) cores ($cpu), $(free -g | awk '/Mem:/ {print $2}') GiB, $("$wine" --version) under Xvfb."
  echo
  echo "| Figure | Median | Baseline | Baseline median | Ratio | Target |"
  echo "|---|---|---|---|---|---|"
} >"$table"
rm -f "$table.notes"
for exe in "$build"/$arch/bin/bench/bench_*.exe; do
  name=$(basename "$exe" .exe)
  echo "running $name ..." >&2
  VESK_WINE_TEMPLATE=$template timeout 1800 "$root/tools/wine-run.sh" "$exe" 2>/dev/null | tr -d '\r' |
    awk -F'\t' -v notes="$table.notes" 'NF == 6 {printf "| %s | %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5, $6}
      $1 == "note" && NF == 2 {print "- " $2 >>notes}' >>"$table"
done
# Lines "note<TAB>text" of a benchmark: what a figure is made of, below the table.
if [ -s "$table.notes" ]; then { echo; echo "Notes:"; cat "$table.notes"; } >>"$table"; fi
rm -f "$table.notes"
rm -rf "$template"
cat "$table"
