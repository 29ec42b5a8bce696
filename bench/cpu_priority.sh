#!/usr/bin/env bash
# The default processor share (CpuPriority=10) against the fastest setting (100) on
# the same catalog run: the default yields the processor to waiting programs but must
# not sleep, so on an idle machine it runs within 1.2x of the fastest.
# Usage: bench/cpu_priority.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=lib/catalog_program.bash
source "$root/bench/lib/catalog_program.bash"

# Milliseconds of one whole quillo run at the given CpuPriority.
run_ms() {
  local t0 t1
  t0=$(date +%s%N)
  "$build/bin/quillo" -q --settings "$work/prog" --output "$work/out" --no-copy --no-thumbnails \
    --set "CpuPriority=$1" "$corpus" >/dev/null
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000000))
}

run_ms 100 >/dev/null  # warm the page cache
default=() fastest=()
for i in $(seq "$runs"); do  # interleaved, so drift hits both alike
  default+=("$(run_ms 10)")
  fastest+=("$(run_ms 100)")
done
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }
d=$(median "${default[@]}") f=$(median "${fastest[@]}")
printf "%-34s %8d ms\n" "CpuPriority=10 (default)" "$d"
printf "%-34s %8d ms\n" "CpuPriority=100 (fastest)" "$f"
awk -v d="$d" -v f="$f" 'BEGIN { printf "default / fastest = %.2f (goal: at most 1.2)\n", d / f }'
