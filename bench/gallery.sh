#!/usr/bin/env bash
# A photo folder as people keep one: 200 camera-size photos (3000x2000, about 2 MB each) in 12 nested
# folders. quillo's catalog of it with thumbnail files (the default) and without (--no-thumbnails): the build
# time (median of RUNS, default 3), the peak memory, the number of pages, and the weight of the first page
# as a browser fetches it (the frameset, its three frames, the scripts, buttons and the thumbnails of page 0).
# The gallery generators compared once by hand (fgallery, llgal, igal2, thumbsup) took 1 800 to 13 000 times
# as long as the catalog without thumbnails; the last line sets the thumbnail build against that.
# Usage: bench/gallery.sh BUILD_DIR   (the photos are made once in $QUILLO_GALLERY, default /tmp/qgallery)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
gallery=${QUILLO_GALLERY:-/tmp/qgallery}
runs=${RUNS:-3}
convert=/usr/bin/convert
for tool in "$convert" /usr/bin/time python3; do
  command -v "$tool" >/dev/null || { echo "gallery: $tool is missing (scripts/install-deps installs it)" >&2; exit 1; }
done

folders=(2023/beach 2023/beach/evening 2023/city 2024/mountain 2024/mountain/summit 2024/mountain/lake
  2024/family 2024/family/birthday 2025/garden 2025/garden/spring 2025/trip 2025/trip/day2)
if [ ! -f "$gallery/.qgallery" ]; then
  echo "making 200 camera-size photos in $gallery (about a minute, once)"
  rm -rf "$gallery"
  mkdir -p "$gallery/.drawn"
  # Twenty drawn photos, each copied ten times: decoding costs what it costs for a real photo of that size.
  for i in $(seq 0 19); do
    "$convert" -size 3000x2000 -seed "$((i + 1))" plasma:red-blue -quality 92 "$gallery/.drawn/$i.jpg" &
    (((i + 1) % 2 == 0)) && wait
  done
  wait
  for n in $(seq 0 199); do
    folder=$gallery/${folders[$((n % 12))]}
    mkdir -p "$folder"
    cp "$gallery/.drawn/$((n % 20)).jpg" "$folder/IMG_$((1000 + n)).jpg"
  done
  rm -rf "$gallery/.drawn"
  touch "$gallery/.qgallery"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/prog" "$work/temp"
sed 's/^SubdirDepth=.*/SubdirDepth=20/; s/^SearchSubdir=.*/SearchSubdir=1/' "$build/bin/quillo.ini" >"$work/prog/quillo.ini"
ln -s "$build/bin/html" "$work/prog/html"
ln -s "$build/bin/button" "$work/prog/button"
export TEMP=$work/temp

# One catalog build: prints "seconds peak_kb entry_page".
build_once() {
  rm -rf "$work/out"
  local t0 t1
  t0=$(date +%s.%N)
  /usr/bin/time -f '%M' -o "$work/time" "$build/bin/quillo" -q --settings "$work/prog" --output "$work/out" \
    "$@" "$gallery" >"$work/entry"
  t1=$(date +%s.%N)
  echo "$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }') $(cat "$work/time") $(cat "$work/entry")"
}

# The bytes a browser fetches to show the first page: the pages and everything they name.
first_page_weight() {
  python3 - "$1" <<'EOF'
import os, re, sys
from urllib.parse import unquote
entry = sys.argv[1]
folder = os.path.dirname(entry)
seen = set()
def add(path):
    path = os.path.normpath(path)
    if path in seen or not os.path.isfile(path):
        return
    seen.add(path)
    if path.endswith('.html'):
        text = open(path, encoding='utf-8', errors='replace').read()
        for ref in re.findall(r'(?:src|poster)="([^"]+)"', text):
            if '://' in ref:
                continue
            add(os.path.join(os.path.dirname(path), unquote(ref)))
for page in ('index.html', 'file.html', 'control.html', 'index000000.html'):
    add(os.path.join(folder, page))
print(sum(os.path.getsize(p) for p in seen), len(seen))
EOF
}

median_of() { sort -n | awk -v n="$runs" 'NR == int((n + 1) / 2)'; }

report() {
  local label=$1
  shift
  build_once "$@" >/dev/null  # warm the page cache
  for i in $(seq "$runs"); do build_once "$@"; done | median_of >"$work/median"
  read -r seconds peak entry <"$work/median"
  read -r bytes files < <(first_page_weight "$entry")
  pages=$(find "$(dirname "$entry")" -maxdepth 1 -name 'index0*.html' | wc -l)
  printf '%-14s build %7.3f s  peak %6.1f MB  %3d pages  first page %7.2f MB (%d files)\n' "$label" "$seconds" \
    "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" "$pages" "$(awk -v b="$bytes" 'BEGIN { print b / 1048576 }')" \
    "$files"
  echo "$seconds" >"$work/$label.seconds"
}

originals=$(du -sb --exclude=.qgallery "$gallery" | cut -f1)
echo "200 photos, 12 folders, $((originals / 1048576)) MB; $(nproc) cores"
report no-thumbnails --no-thumbnails
report thumbnails
awk -v plain="$(cat "$work/no-thumbnails.seconds")" -v thumbs="$(cat "$work/thumbnails.seconds")" 'BEGIN {
  printf "peers (1 800-13 000 x the build without thumbnails): %.0f-%.0f s; with thumbnails quillo is %.0f-%.0f x faster\n",
    plain * 1800, plain * 13000, plain * 1800 / thumbs, plain * 13000 / thumbs }'
