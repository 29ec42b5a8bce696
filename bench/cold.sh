#!/usr/bin/env bash
# Collection (scan + examine) with a cold page cache over the large generated tree,
# against the floor that reads one file at a time over the same cold tree, beside the
# disk's ceiling: 16 threads reading the same first 4 KiB of every file, nothing else.
# Usage: bench/cold.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
# shellcheck source=lib/big_tree_bench.bash
source "$root/bench/lib/big_tree_bench.bash"

how=$(drop_tree_cache "$tree")
t0=$(now); "$work/floor" -w "$tree" >/dev/null 2>&1; t1=$(now)
floor_s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
cc -O2 -o "$work/parallel_floor" "$root/bench/parallel_floor.c" -lpthread
find "$tree" -type f -name 'p*' >"$work/files"
drop_tree_cache "$tree" >/dev/null
ceiling_s=$("$work/parallel_floor" 16 <"$work/files")
drop_tree_cache "$tree" >/dev/null
read -r files ours_s _ < <("$build/bench/collect_bench" "$work/prog" "$tree" "$work/out")
drop_tree_cache "$tree" >/dev/null
read -r _ alone_s _ < <(QUILLO_READERS=1 "$build/bench/collect_bench" "$work/prog" "$tree" "$work/out")
echo "cold: $how"
awk -v n="$n" -v f="$files" -v o="$ours_s" -v fl="$floor_s" -v a="$alone_s" -v c="$ceiling_s" 'BEGIN {
  printf "%-34s %8.2f s  (%d files)\n", "floor, one file at a time", fl, n
  printf "%-34s %8.2f s  (%.2fx the floor: what this disk allows)\n", "16 readers, reads only", c, fl / c
  printf "%-34s %8.2f s\n", "quillo collection, one reader", a
  printf "%-34s %8.2f s  (%d listed)\n", "quillo collection", o, f
  printf "collection cold: quillo is %.2fx faster than the sequential floor (goal >= 3)\n", fl / o }'
