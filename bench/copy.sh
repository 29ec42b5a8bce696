#!/usr/bin/env bash
# Copy mode: a whole catalog run that copies every picture of the corpus into the
# output folder (scan, header reads, copies, pages), in MB/s of what it copied, against
# `cp -r -p` of the whole corpus into the same file system, in MB/s of the corpus.
# Usage: bench/copy.sh BUILD_DIR   (ROUNDS=5 by default)
#
# The two sides take turns, round by round, the first place alternating, and every
# timed command starts from the same state: no dirty pages waiting (sync), the corpus
# read into the page cache just before, and a fresh output folder. No output is
# removed before the end: on a file system without a journal (as on these machines)
# ext4 passes over every inode freed in the last minutes, one buffer lookup each, to
# find a free one, so a run made right after the removal of the last run's 3 000 files
# is slowed by that removal, by how much depending on the order. On a shared machine
# a round can also be slowed by someone else's work; the best round of each side is
# the figure, the medians are printed beside it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
rounds=${ROUNDS:-5}
work=$(mktemp -d "${TMPDIR:-/tmp}/quillo-copy.XXXXXX")
trap 'rm -rf "$work"' EXIT
# shellcheck source=lib/catalog_program.bash
source "$root/bench/lib/catalog_program.bash"
[ -x /usr/bin/cp ] || { echo "missing reference tool: /usr/bin/cp" >&2; exit 1; }

megabytes=$(du -sbL "$corpus" | awk '{ print $1 / 1048576 }')

# Everything written so far on disk, the corpus in the page cache, fresh output folders.
same_start() {
  out=$work/round$1/out copy=$work/round$1/cp
  mkdir -p "$out"
  sync
  tar -cf /dev/null "$corpus" 2>/dev/null
}

# Runs one side once and prints its seconds: wall, and processor (user + system).
seconds_of() {
  local TIMEFORMAT='%R %U %S' line
  line=$({ time "$@" >/dev/null 2>"$work/log"; } 2>&1) || { echo "$1 failed:" >&2; cat "$work/log" >&2; return 1; }
  awk '{ print $1, $2 + $3 }' <<<"$line"
}
time_cp() { seconds_of /usr/bin/cp -r -p "$corpus" "$copy"; }
time_ours() { seconds_of "$build/bin/quillo" --settings "$work/prog" --output "$out" --copy --no-thumbnails "$corpus"; }

cp_wall=() cp_cpu=() our_wall=() our_cpu=() copied=
for ((i = 1; i <= rounds; i++)); do
  if ((i % 2)); then order="cp ours"; else order="ours cp"; fi
  for side in $order; do
    same_start "$i"
    if [ "$side" = cp ]; then
      times=$(time_cp)
      read -r wall cpu <<<"$times"
      cp_wall+=("$wall") cp_cpu+=("$cpu")
    else
      times=$(time_ours)
      read -r wall cpu <<<"$times"
      our_wall+=("$wall") our_cpu+=("$cpu")
      if [ -z "$copied" ]; then
        images=$(find "$out" -maxdepth 3 -type d -name Images | head -1)
        [ -n "$images" ] || { echo "quillo made no Images folder" >&2; cat "$work/log" >&2; exit 1; }
        copied=$(du -sb "$images" | awk '{ print $1 / 1048576 }')
      fi
    fi
  done
done
# best and median of a list of seconds
stats() { printf '%s\n' "$@" | sort -g | awk '{ t[NR] = $1 } END { print t[1], t[int((NR + 1) / 2)] }'; }
read -r cp_best cp_median < <(stats "${cp_wall[@]}")
read -r our_best our_median < <(stats "${our_wall[@]}")
read -r cp_cpu_best _ < <(stats "${cp_cpu[@]}")
read -r our_cpu_best _ < <(stats "${our_cpu[@]}")
awk -v mb="$megabytes" -v got="$copied" -v n="$rounds" -v cb="$cp_best" -v cm="$cp_median" \
  -v ob="$our_best" -v om="$our_median" -v cc="$cp_cpu_best" -v oc="$our_cpu_best" \
  -v ct="${cp_wall[*]}" -v ot="${our_wall[*]}" 'BEGIN {
  printf "%-34s %6.0f MB/s  median %4.0f  (%.0f MB; s: %s)\n", "cp -r -p (best of " n ")", mb / cb, mb / cm, mb, ct
  printf "%-34s %6.0f MB/s  median %4.0f  (%.0f MB of pictures copied; s: %s)\n", "quillo run with copies (best of " n ")", got / ob, got / om, got, ot
  printf "processor time per MB (best): cp %.2f ms, quillo %.2f ms\n", 1000 * cc / mb, 1000 * oc / got
  printf "copy mode: quillo / cp -r -p = %.2f, medians %.2f (goal >= 0.95)\n", (got / ob) / (mb / cb), (got / om) / (mb / cm) }'
