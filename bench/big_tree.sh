#!/usr/bin/env bash
# Whole catalog runs over a large generated tree of small pictures (BIG_N files,
# default 100 000): files per second of a warm run against the header-scan floor
# over the same tree, page writing against copying the catalog, and the run's peak
# memory per file; then the same run and its memory over a tree of BIG_MEMORY_N
# files (default 300 000), the size the memory goal is set for.
# Usage: bench/big_tree.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
# shellcheck source=lib/big_tree_bench.bash
source "$root/bench/lib/big_tree_bench.bash"
[ -x /usr/bin/time ] || { echo "missing reference tool: /usr/bin/time (GNU time)" >&2; exit 1; }
# One catalog run (no copy, fresh output) under GNU time: "seconds max_rss_kb files".
run_once() {
  rm -rf "$work/out" && mkdir -p "$work/out"
  local t0 t1
  t0=$(now)
  /usr/bin/time -v -o "$work/time" "$build/bin/quillo" --settings "$work/prog" --output "$work/out" --no-copy --no-thumbnails --timings \
    "$1" >/dev/null 2>"$work/log" || [ "${2:-}" = may-fail ]
  t1=$(now)
  awk -v a="$t0" -v b="$t1" '/Maximum resident set size/ { rss = $NF } END { printf "%.3f %d", b - a, rss }' "$work/time"
  awk '/pictures placed/ { files = $7 } /^timing: write pages/ { write = $(NF - 1) }
    END { printf " %d %.1f\n", files, write }' "$work/log"
}
# Copies the catalog the last run wrote (warm), as the reference for writing its pages: "milliseconds".
copy_catalog_once() {
  local catalog t0 t1
  catalog=$(dirname "$(find "$work/out" -name index000000.html | head -1)")
  rm -rf "$work/copy"
  t0=$(now)
  cp -r "$catalog" "$work/copy"
  t1=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.1f\n", (b - a) * 1000 }'
}
floor_once() {
  local t0 t1
  t0=$(now)
  "$work/floor" -w "$tree" >/dev/null 2>&1
  t1=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }'
}

mkdir -p "$work/empty"
# An empty folder: what the program holds before any file is listed.
run_once "$work/empty" may-fail >"$work/empty.txt"
read -r _ empty_rss _ <"$work/empty.txt"
run_once "$tree" >/dev/null  # warm the page cache
: >"$work/ours"
: >"$work/floors"
: >"$work/copies"
for i in 1 2 3; do
  floor_once >>"$work/floors"
  run_once "$tree" >>"$work/ours"
  copy_catalog_once >>"$work/copies"
done
read -r ours_s rss files _ < <(sort -n "$work/ours" | sed -n 2p)
write_ms=$(awk '{ print $4 }' "$work/ours" | sort -n | sed -n 2p)
copy_ms=$(sort -n "$work/copies" | sed -n 2p)
floor_s=$(sort -n "$work/floors" | sed -n 2p)
awk -v n="$n" -v f="$files" -v o="$ours_s" -v fl="$floor_s" -v rss="$rss" -v base="$empty_rss" 'BEGIN {
  printf "%-34s %d files generated, %d listed by quillo\n", "tree", n, f
  printf "%-34s %8.0f ms  %8.0f files/s\n", "floor (walk + stat + parse)", fl * 1000, n / fl
  printf "%-34s %8.0f ms  %8.0f files/s\n", "quillo whole run (median of 3)", o * 1000, f / o
  printf "whole catalog run warm: quillo / floor = %.2f (goal >= 0.7)\n", (f / o) / (n / fl)
  printf "peak memory at %d files: %.0f MB, %.0f B/file (%.0f B/file above an empty run)\n",
    f, rss / 1024, rss * 1024 / f, (rss - base) * 1024 / f }'
awk -v w="$write_ms" -v c="$copy_ms" 'BEGIN {
  printf "%-34s %8.0f ms\n%-34s %8.0f ms\n", "write pages (median of 3)", w, "cp -r of the finished catalog", c
  printf "page writing: write pages / cp -r = %.1f (goal <= 4)\n", w / c }'

# The larger tree: one warm-up, then the floor and quillo interleaved twice, the better of each.
big=${BIG_MEMORY_TREE:-$tree-large}
big_n=${BIG_MEMORY_N:-300000}
big_tree "$big" "$big_n"
run_once "$big" >/dev/null
: >"$work/ours"
: >"$work/floors"
for i in 1 2; do
  t0=$(now); "$work/floor" -w "$big" >/dev/null 2>&1; t1=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }' >>"$work/floors"
  run_once "$big" >>"$work/ours"
done
read -r ours_s rss files _ < <(sort -n "$work/ours" | head -1)
floor_s=$(sort -n "$work/floors" | head -1)
awk -v n="$big_n" -v f="$files" -v o="$ours_s" -v fl="$floor_s" -v rss="$rss" -v base="$empty_rss" 'BEGIN {
  printf "%-34s %d files generated, %d listed by quillo\n", "large tree", n, f
  printf "%-34s %8.0f ms  %8.0f files/s\n", "floor (better of 2)", fl * 1000, n / fl
  printf "%-34s %8.0f ms  %8.0f files/s\n", "quillo whole run (better of 2)", o * 1000, f / o
  printf "whole catalog run warm, %d files: quillo / floor = %.2f (goal >= 0.7)\n", f, (f / o) / (n / fl)
  printf "peak memory at %d files: %.0f MB, %.0f B/file (%.0f B/file above an empty run) (goal <= 250 B/file)\n",
    f, rss / 1024, rss * 1024 / f, (rss - base) * 1024 / f }'
