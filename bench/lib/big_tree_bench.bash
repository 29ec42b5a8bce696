# Sourced by the benchmarks over the large generated tree (after root and build are
# set): the tree of BIG_N files (default 100 000) at BIG_TREE, a scratch folder with
# the catalog program's settings, the floor program built there, and a clock.
n=${BIG_N:-100000}
tree=${BIG_TREE:-/tmp/quillo-bigtree}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=catalog_program.bash
source "$root/bench/lib/catalog_program.bash"
# shellcheck source=big_tree.bash
source "$root/bench/lib/big_tree.bash"
need_tool cc

big_tree "$tree" "$n"
cc -O2 -o "$work/floor" "$shared/floor.c"
now() { date +%s.%N; }
