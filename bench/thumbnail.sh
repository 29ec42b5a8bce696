#!/usr/bin/env bash
# Thumbnails of the corpus's JPEG and PNG pictures, 80 pixels wide at JPEG quality 50, made side by side in one
# run on all P cores of the machine (P = nproc):
#   quillo          the thumbnail loop as the programs run it: one process, one worker per core (thumb_bench)
#   quillo xP       the same code as P one-worker processes, each given 1/P of the pictures
#   floor -PP       the shared in-process floor (thumbfloor.c: libjpeg DCT scaling, libpng, box filter) as P
#                   processes
#   vipsthumbnail -PP  vipsthumbnail as P processes
# Each takes its turn RUNS times (default 3) and counts with its median wall time; pictures per second on the
# wall clock, CPU seconds and CPU/wall (how many cores were busy) beside them. Ends with the benchmark row:
# quillo against the P-core floor (goal: at least 0.9) and the other references, as ratios of this run.
# Every reference must be there: a missing tool fails the benchmark rather than leaving a row out.
# Usage: bench/thumbnail.sh BUILD_DIR   (THUMB_EVERY=k takes every k-th picture, default 3; 1 takes all)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
corpus=${QUILLO_CORPUS:-/tmp/qcorpus}
shared=${QUILLO_SHARED_BENCH:-$root/../shared/bench}
every=${THUMB_EVERY:-3}
runs=${RUNS:-3}
cores=$(nproc)
width=80
quality=50

missing() {
  echo "bench/thumbnail.sh: $*" >&2
  exit 1
}
[ -x "$build/bin/thumb_bench" ] || missing "thumb_bench is not built in $build (the front end's thumbnail library is needed)"
[ -f "$shared/thumbfloor.c" ] || missing "the thumbnail floor $shared/thumbfloor.c is missing"
command -v vipsthumbnail >/dev/null || missing "vipsthumbnail is missing (Debian package libvips-tools)"
command -v cc >/dev/null || missing "no C compiler for the thumbnail floor"
if [ ! -f "$corpus/.qcorpus" ]; then
  echo "making the benchmark corpus in $corpus (a few minutes, once)"
  PATH=/usr/bin:$PATH N=${N:-3000} "$shared/make-corpus.sh" "$corpus" >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/thumbfloor" "$shared/thumbfloor.c" -ljpeg -lpng ||
  missing "the thumbnail floor does not build (libjpeg-dev and libpng-dev)"

# The same pictures for every tool under plain names: vips reads "[1]" in a cache file's name as an option list.
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
[ "$count" -gt 0 ] || missing "no JPEG or PNG picture in $corpus"
share=$(((count + cores - 1) / cores))  # pictures per process, so that exactly P processes run
cat "${pictures[@]}" >/dev/null         # every tool reads from the page cache

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

# P processes over P shares of the pictures.
in_processes() {
  printf '%s\0' "${pictures[@]}" | xargs -0 -P "$cores" -n "$share" "$@"
}

{
  for _ in $(seq "$runs"); do
    timed quillo "$build/bin/thumb_bench" -w "$width" -o "$work/out-quillo" "${pictures[@]}"
    timed quillo-procs in_processes "$build/bin/thumb_bench" -j 1 -w "$width" -o "$work/out-quillo-procs"
    timed floor in_processes "$work/thumbfloor" -w "$width" -q "$quality" -o "$work/out-floor"
    timed vipsthumbnail in_processes vipsthumbnail -s "${width}x" \
      -o "$work/out-vipsthumbnail/%s.jpg[Q=$quality]"
  done
} >"$work/results"

# The median run of each tool by wall time.
sort -k1,1 -k2,2n "$work/results" | awk -v n="$count" -v w="$width" -v q="$quality" -v runs="$runs" -v p="$cores" '
  { rows[$1] = rows[$1] " " NR; line[NR] = $0 }
  END {
    printf "%d pictures (JPEG and PNG of the corpus), %d px wide, quality %d, %d cores; median of %d runs\n",
      n, w, q, p, runs
    printf "%-22s %8s %8s %9s %6s %11s\n", "", "wall s", "CPU s", "CPU/wall", "made", "pictures/s"
    split("quillo quillo-procs floor vipsthumbnail", order, " ")
    label["quillo"] = "quillo (all cores)"; label["quillo-procs"] = "quillo as " p " processes"
    label["floor"] = "floor -P" p; label["vipsthumbnail"] = "vipsthumbnail -P" p
    for (i = 1; i <= 4; i++) {
      t = order[i]
      k = split(substr(rows[t], 2), idx, " ")
      split(line[idx[int((k + 1) / 2)]], f, " ")
      real[t] = f[2]; cpu[t] = f[3]; made[t] = f[4]; rate[t] = n / real[t]
      printf "%-22s %8.2f %8.2f %9.2f %6d %11.1f\n", label[t], real[t], cpu[t], cpu[t] / real[t], made[t], rate[t]
    }
    printf "\n| thumbnails, %d cores | %.0f pictures/s (CPU/wall %.2f) | the same code as %d processes %.0f/s; " \
      "libjpeg DCT floor -P%d %.0f/s; vipsthumbnail -P%d %.0f/s | %.2f of the %d-core floor | goal >= 0.9 |\n",
      p, rate["quillo"], cpu["quillo"] / real["quillo"], p, rate["quillo-procs"], p, rate["floor"], p,
      rate["vipsthumbnail"], rate["quillo"] / rate["floor"], p
    printf "quillo / floor -P%d          = %.2f (goal: at least 0.9)\n", p, rate["quillo"] / rate["floor"]
    printf "quillo / same code, %d procs = %.2f\n", p, rate["quillo"] / rate["quillo-procs"]
    printf "quillo / vipsthumbnail -P%d  = %.2f\n", p, rate["quillo"] / rate["vipsthumbnail"]
    # The corpus holds damaged pictures on purpose: a tool that refuses them makes fewer files, and a rate
    # over far fewer files would flatter it.
    for (t in made) if (made[t] < n * 0.9) printf "note: %s made %d thumbnails of %d pictures\n", t, made[t], n
  }'
