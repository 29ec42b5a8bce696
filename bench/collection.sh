#!/usr/bin/env bash
# Collection run (scan + examine, no copy) against the header-scan floor and
# ImageMagick's `identify -ping`, all over the same corpus, in one run.
set -euo pipefail
build=$1
corpus=$QUILLO_CORPUS
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cc -O2 -o "$work/floor" "$QUILLO_SHARED_BENCH/floor.c"
mkdir -p "$work/out" "$work/prog"
sed 's/^SubdirDepth=.*/SubdirDepth=20/' "$build/bin/quillo.ini" > "$work/prog/quillo.ini"

# Warm the page cache so every tool reads from memory.
"$work/floor" "$corpus" >/dev/null 2>&1 || true

now() { date +%s.%N; }
rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", n / s }'; }

t0=$(now); "$work/floor" "$corpus" >/dev/null 2>&1; t1=$(now)
files=$(find "$corpus" -type f ! -name '.*' | wc -l)
floor_s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')

read -r ours_files ours_s ours_rate < <("$build/bench/collect_bench" "$work/prog" "$corpus" "$work/out")

pics=$(find "$corpus" -type f \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.jpe' -o -iname '*.png' \
        -o -iname '*.gif' -o -iname '*.bmp' -o -iname '*.tif' \) | head -1000)
t0=$(now); printf '%s\n' "$pics" | tr '\n' '\0' | xargs -0 /usr/bin/identify -ping >/dev/null 2>&1 || true; t1=$(now)
im_n=$(printf '%s\n' "$pics" | wc -l)
im_s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')

floor_rate=$(rate "$files" "$floor_s")
im_rate=$(rate "$im_n" "$im_s")
printf '%-28s %8s files/s\n' "floor (walk + 64 bytes)" "$floor_rate" "quillo collection" "$ours_rate" \
  "identify -ping" "$im_rate"
awk -v f="$floor_rate" -v o="$ours_rate" -v i="$im_rate" 'BEGIN {
  printf "quillo / floor = %.2f (goal >= 0.5)   quillo / identify = %.1f (goal >= 20)\n", o / f, o / i }'
