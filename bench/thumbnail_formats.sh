#!/usr/bin/env bash
# Thumbnails of the same pictures stored as JPEG, WebP and AVIF, at the same pixel sizes, made by the front
# end's thumbnail loop (thumb_bench) 80 pixels wide: milliseconds per picture for each format and size, and
# each format against JPEG (below 1: faster than JPEG). The pictures are photo-like (a fractal with grain),
# made once per run by ImageMagick at two sizes: a typical web picture and a camera export scaled down.
# The formats take turns RUNS times (default 5) and count with their median.
# Usage: bench/thumbnail_formats.sh BUILD_DIR   (COUNT=n pictures per set, default 24)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
count=${COUNT:-24}
runs=${RUNS:-5}
width=80

if [ ! -x "$build/bin/thumb_bench" ]; then
  echo "thumb_bench is not built in $build (front end off?): skipped"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

make_set() {
  local size=$1 dir="$work/$1"
  mkdir -p "$dir/jpeg" "$dir/webp" "$dir/avif"
  seq 1 "$count" | xargs -P 2 -I{} sh -c '
    src="'"$dir"'/jpeg/p{}.jpg"
    /usr/bin/convert -size '"$size"' -seed {} plasma:fractal -attenuate 0.3 +noise Gaussian -quality 85 "$src"
    /usr/bin/convert "$src" -quality 80 "'"$dir"'/webp/p{}.webp"
    /usr/bin/convert "$src" "'"$dir"'/avif/p{}.avif"'
}

# Seconds for one set on the wall clock, as thumb_bench measures it (reading sizes excluded).
seconds() {
  local set=$1
  rm -rf "$work/out"
  mkdir -p "$work/out"
  "$build/bin/thumb_bench" -w "$width" -o "$work/out" "$set"/* 2>&1 >/dev/null | awk '{ print $8 }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf "%d pictures per set, %d px wide thumbnails, median of %d runs\n" "$count" "$width" "$runs"
printf "%-10s %-6s %12s %10s\n" "size" "format" "ms/picture" "vs JPEG"
for size in 320x240 1024x768; do
  make_set "$size"
  cat "$work/$size"/*/* >/dev/null  # every format reads from the page cache
  declare -A ms=()
  for f in jpeg webp avif; do : >"$work/times-$f"; done
  for _ in $(seq "$runs"); do
    for f in jpeg webp avif; do seconds "$work/$size/$f" >>"$work/times-$f"; done
  done
  for f in jpeg webp avif; do
    ms[$f]=$(median <"$work/times-$f" | awk -v n="$count" '{ printf "%.2f", $1 * 1000 / n }')
    printf "%-10s %-6s %12s %10.2f\n" "$size" "$f" "${ms[$f]}" "$(awk -v a="${ms[$f]}" -v b="${ms[jpeg]}" 'BEGIN { print a / b }')"
  done
done
