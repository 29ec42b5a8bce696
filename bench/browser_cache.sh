#!/usr/bin/env bash
# Cache backup of a real Chromium cache of about 2 000 pictures (filled once by
# headless Chromium browsing a generated site), side by side with `cp -r` of the
# same cache folder; then a second backup with nothing new.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
n=${CACHE_ENTRIES:-2000}
filled=${QUILLO_BROWSER_CACHE:-/tmp/qbrowsercache-$n}
if [ ! -f "$filled/caches.json" ]; then
  echo "filling a Chromium cache with $n pictures in $filled (a few minutes, once)"
  python3 tests/browser_caches/fill_bench_cache.py --out "$filled" --entries "$n" >/dev/null
fi
cache=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["caches"]["chromium"]["cache_dir"])' \
  "$filled/caches.json")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/settings" "$work/home"
cp "$build/bin/quillo.ini" "$work/settings/"
cp -r "$build/bin/html" "$work/settings/"

now() { date +%s.%N; }
best() { awk -v d="$1" -v m="$2" 'BEGIN { print (d < m ? d : m) }'; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { print b - a }'; }
# One backup run: prints its wall time and the time of its copying phase (the
# preparation, which reads the cache into the backup), in seconds.
backup() {
  local t
  t=$(now)
  env -u OS -u WINDIR -u USERPROFILE HOME="$work/home" "$build/bin/quillo" -q --timings --settings "$work/settings" \
    --output "$1" --cache-folder "$cache" --mode backup 2>"$work/timings" >/dev/null
  echo "$(since "$t") $(awk '/^timing: prepare/ { print $3 / 1000 }' "$work/timings")"
}

# Best of three each, caches warm: a moment of load on a shared machine must not decide the figure.
copy=999 first=999 first_copy=999 again=999 again_copy=999
for i in 1 2 3; do
  rm -rf "$work/cp" "$work/out" "$work/settings/DB"
  mkdir -p "$work/out"
  t=$(now); cp -r "$cache" "$work/cp"; copy=$(best "$(since "$t")" "$copy")
  read -r whole part < <(backup "$work/out")
  first=$(best "$whole" "$first"); first_copy=$(best "$part" "$first_copy")
  read -r whole part < <(backup "$work/out")
  again=$(best "$whole" "$again"); again_copy=$(best "$part" "$again_copy")
done
entries=$(find "$cache" -name '*_0' | wc -l)
copies=$(find "$work/out" -path '*Content.IE5*' -type f ! -name '*.ahm' | wc -l)
awk -v e="$entries" -v c="$copies" -v p="$copy" -v f="$first" -v fc="$first_copy" -v a="$again" -v ac="$again_copy" 'BEGIN {
  printf "cache entries                     %d (pictures and pages copied %d)\n", e, c
  printf "cp -r of the cache                %.3f s\n", p
  printf "backup copy, first run            %.3f s (whole run with catalog %.3f s)\n", fc, f
  printf "backup copy, nothing new          %.3f s (whole run with catalog %.3f s)\n", ac, a
  printf "ratio first copy/cp               %.2f (goal: 2.00 or less; whole run %.2f)\n", fc / p, f / p
  printf "ratio copy again/first            %.3f (goal: under 0.100; whole run %.3f)\n", ac / fc, a / f
}'
