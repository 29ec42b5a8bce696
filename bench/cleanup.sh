#!/usr/bin/env bash
# The cache clean-up's walk over a generated backup of 50 000 pictures beside a plain
# `find -printf '%s'` of the same tree (the least any walk that needs sizes can do),
# and the area sort both ways: the old exchange sort and the sort the clean-up uses.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
files=${CLEANUP_FILES:-50000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/prog" "$work/seeds"
cp "$build/bin/quillo.ini" "$work/prog/quillo.ini"
i=0
for size in 20x20 120x90 468x60 640x480 32x600 200x200; do
  for ext in jpg png gif; do
    /usr/bin/convert -size "$size" plasma:red-blue "$work/seeds/s$i.$ext"
    i=$((i + 1))
  done
done
"$build/bench/cleanup_bench" make "$work/backup" "$files" "$work"/seeds/*

now() { date +%s.%N; }
# Warm the page cache so both walks read from memory; the best of three counts.
find "$work/backup" -type f -printf '%s\n' >/dev/null
find_s=999
best=""
for run in 1 2 3; do
  t0=$(now); find "$work/backup" -type f -printf '%s\n' >/dev/null; t1=$(now)
  find_s=$(awk -v a="$t0" -v b="$t1" -v m="$find_s" 'BEGIN { d = b - a; print (d < m ? d : m) }')
  line=$("$build/bench/cleanup_bench" time "$work/prog" "$work/backup")
  if [ -z "$best" ] || awk -v a="$line" -v b="$best" 'BEGIN { split(a, x); split(b, y); exit !(x[2] < y[2]) }'; then
    best=$line
  fi
  [ "$run" -eq 1 ] && [ "$(echo "$line" | awk '{ print ($3 > 20) }')" = 1 ] && break  # one slow exchange sort is enough
done
read -r n walk exchange sorted mark <<<"$best"
printf '%-44s %8.3f s\n' "find -printf '%s' ($n files)" "$find_s" \
  "clean-up walk (scan + every header)" "$walk" \
  "exchange_sort by area (old, n^2)" "$exchange" \
  "sort_list by area (what the clean-up uses)" "$sorted" \
  "marking the candidates" "$mark"
awk -v w="$walk" -v s="$sorted" -v m="$mark" -v f="$find_s" -v e="$exchange" 'BEGIN {
  printf "clean-up (walk + sort + marks) / find = %.1f   exchange_sort / sort_list = %.0f\n", (w + s + m) / f, e / (s > 0 ? s : 0.001) }'
