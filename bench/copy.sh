#!/usr/bin/env bash
# Copy mode: a whole catalog run that copies every picture of the corpus into the
# output folder, in MB/s of the corpus, against `cp -r -p` of the same corpus into
# the same file system, warm, in one run. Usage: bench/copy.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/quillo-copy.XXXXXX")
trap 'rm -rf "$work"' EXIT
# shellcheck source=lib/catalog_program.bash
source "$root/bench/lib/catalog_program.bash"
[ -x /usr/bin/cp ] || { echo "missing reference tool: /usr/bin/cp" >&2; exit 1; }

now() { date +%s.%N; }
megabytes=$(du -sbL "$corpus" | awk '{ print $1 / 1048576 }')
tar -cf /dev/null "$corpus" 2>/dev/null  # warm the page cache
best_cp=999 best_ours=999
for i in 1 2 3; do
  rm -rf "$work/cp" "$work/out" && mkdir -p "$work/out" && sync
  t0=$(now); /usr/bin/cp -r -p "$corpus" "$work/cp"; t1=$(now)
  best_cp=$(awk -v a="$t0" -v b="$t1" -v m="$best_cp" 'BEGIN { d = b - a; print (d < m ? d : m) }')
  rm -rf "$work/cp" && sync
  t0=$(now)
  "$build/bin/quillo" --settings "$work/prog" --output "$work/out" --copy --no-thumbnails "$corpus" >/dev/null 2>"$work/log"
  t1=$(now)
  best_ours=$(awk -v a="$t0" -v b="$t1" -v m="$best_ours" 'BEGIN { d = b - a; print (d < m ? d : m) }')
done
images=$(find "$work/out" -maxdepth 3 -type d -name Images | head -1)
[ -n "$images" ] || { echo "quillo made no Images folder" >&2; cat "$work/log" >&2; exit 1; }
copied=$(du -sb "$images" | awk '{ print $1 / 1048576 }')
awk -v mb="$megabytes" -v c="$best_cp" -v o="$best_ours" -v got="$copied" 'BEGIN {
  printf "%-34s %8.0f MB/s  (%.0f MB)\n", "cp -r -p (best of 3)", mb / c, mb
  printf "%-34s %8.0f MB/s  (%.0f MB of pictures copied)\n", "quillo run with copies (best of 3)", got / o, got
  printf "copy mode: quillo / cp -r -p = %.2f (goal >= 0.95)\n", (got / o) / (mb / c) }'
