#!/usr/bin/env bash
# Catalog run with quillo (no copy) over the collection benchmark's corpus: files per
# second for the whole run and for the page-writing phase alone, which must cost
# well under the scan. Usage: bench/catalog.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=lib/catalog_program.bash
source "$root/bench/lib/catalog_program.bash"

run_once() {
  local t0 t1
  t0=$(date +%s.%N)
  "$build/bin/quillo" --settings "$work/prog" --output "$work/out" --no-copy --no-thumbnails --timings "$corpus" \
    >/dev/null 2>"$work/log"
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" '
    /^timing: gather:/ && !/gather: done/ { gather += $(NF - 1) }
    /^timing: prepare/ { prepare = $(NF - 1) }
    /^timing: write pages/ { write = $(NF - 1) }
    /pictures placed/ { placed = $2; files = $7 }
    END { printf "%.1f %.1f %.1f %d %d", (b - a) * 1000, prepare + gather, write, files, placed }' "$work/log"
  echo " $(find "$work/out" -name 'index000*.html' | wc -l)"
}

run_once >/dev/null  # warm the page cache
for i in $(seq "$runs"); do run_once; done | sort -n | awk -v runs="$runs" '
  NR == int((runs + 1) / 2) {
    total = $1; scan = $2; write = $3; files = $4; placed = $5; pages = $6
    printf "%-34s %d files listed, %d placed on %d pages\n", "corpus", files, placed, pages
    printf "%-34s %8.0f ms  %8.0f files/s\n", "quillo run (median of " runs ")", total, files / (total / 1000)
    printf "%-34s %8.0f ms  %8.0f files/s\n", "  scan and examine", scan, files / (scan / 1000)
    printf "%-34s %8.0f ms  %8.0f files/s\n", "  write pages", write, placed / (write / 1000)
    printf "write pages / scan = %.2f of the time (goal: well under 1)\n", write / scan
  }'
