#!/usr/bin/env bash
# Thumbnails of the corpus's JPEG and PNG pictures, 80 pixels wide at JPEG quality 50, made side by side in one
# run by the front end's thumbnail loop (thumb_bench), vipsthumbnail (one process over all the files),
# ImageMagick convert -thumbnail (one process per file, as it is used) and the shared in-process floor
# (thumbfloor.c: libjpeg DCT scaling, libpng, box filter). Pictures per second on the wall clock; CPU seconds
# beside them, as vipsthumbnail works on several threads and the others on one.
# The three fast tools take turns RUNS times (default 3) and count with their median; convert runs once.
# Usage: bench/thumbnail.sh BUILD_DIR   (THUMB_EVERY=k takes every k-th picture, default 3; 1 takes all)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
corpus=${QUILLO_CORPUS:-/tmp/qcorpus}
shared=${QUILLO_SHARED_BENCH:-$root/../shared/bench}
every=${THUMB_EVERY:-3}
runs=${RUNS:-3}
width=80
quality=50

if [ ! -x "$build/bin/thumb_bench" ]; then
  echo "thumb_bench is not built in $build (front end off?): skipped"
  exit 0
fi
if [ ! -f "$corpus/.qcorpus" ]; then
  echo "making the benchmark corpus in $corpus (a few minutes, once)"
  PATH=/usr/bin:$PATH N=${N:-3000} "$shared/make-corpus.sh" "$corpus" >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/thumbfloor" "$shared/thumbfloor.c" -ljpeg -lpng

# The same pictures for every tool under plain names: ImageMagick and vips read "[1]" in a cache file's name
# as a frame number or an option list.
mkdir -p "$work/src"
find "$corpus" -type f \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.jpe' -o -iname '*.png' \) -print0 |
  sort -z | awk -v RS='\0' -v ORS='\0' -v k="$every" '(NR - 1) % k == 0' |
  while IFS= read -r -d '' f; do
    i=$((${i:-0} + 1))
    case "${f,,}" in *.png) ext=png ;; *) ext=jpg ;; esac
    ln -s "$f" "$work/src/$(printf %05d "$i").$ext"
  done
pictures=("$work"/src/*)
count=${#pictures[@]}
cat "${pictures[@]}" >/dev/null  # every tool reads from the page cache

# Runs one tool into its own folder; prints wall seconds, CPU seconds and the thumbnails it left.
timed() {
  local name=$1
  shift
  rm -rf "$work/out-$name"
  mkdir -p "$work/out-$name"
  local TIMEFORMAT='%R %U %S'
  { time "$@" >/dev/null 2>&1 || true; } 2>"$work/time-$name"
  read -r real user sys <"$work/time-$name"
  echo "$name $real $(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }') $(find "$work/out-$name" -name '*.jpg' | wc -l)"
}

convert_each() {
  local f base
  for f in "${pictures[@]}"; do
    base=$(basename "$f")
    /usr/bin/convert "$f" -thumbnail "${width}x" -quality "$quality" "$work/out-convert/${base%.*}.jpg" || true
  done
}

{
  for _ in $(seq "$runs"); do
    timed quillo "$build/bin/thumb_bench" -w "$width" -o "$work/out-quillo" "${pictures[@]}"
    timed vipsthumbnail vipsthumbnail -s "${width}x" -o "$work/out-vipsthumbnail/%s.jpg[Q=$quality]" \
      "${pictures[@]}"
    timed floor "$work/thumbfloor" -w "$width" -q "$quality" -o "$work/out-floor" "${pictures[@]}"
  done
  timed convert convert_each
} >"$work/results"

# The median run of each tool by wall time.
sort -k1,1 -k2,2n "$work/results" | awk -v n="$count" -v w="$width" -v q="$quality" -v runs="$runs" '
  { rows[$1] = rows[$1] " " NR; line[NR] = $0 }
  END {
    printf "%d pictures (JPEG and PNG of the corpus), %d px wide, quality %d; median of %d runs\n", n, w, q, runs
    printf "%-16s %9s %9s %9s %11s\n", "", "wall s", "CPU s", "made", "pictures/s"
    split("quillo vipsthumbnail floor convert", order, " ")
    for (i = 1; i <= 4; i++) {
      t = order[i]
      k = split(substr(rows[t], 2), idx, " ")
      split(line[idx[int((k + 1) / 2)]], f, " ")
      real[t] = f[2]; cpu[t] = f[3]; made[t] = f[4]
      printf "%-16s %9.2f %9.2f %9d %11.1f\n", t, real[t], cpu[t], made[t], n / real[t]
    }
    printf "quillo / vipsthumbnail = %.2f (goal: at least 1)\n", real["vipsthumbnail"] / real["quillo"]
    printf "quillo / convert       = %.2f\n", real["convert"] / real["quillo"]
    printf "quillo / floor         = %.2f\n", real["floor"] / real["quillo"]
  }'
