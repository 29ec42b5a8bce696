# Sourced by the benchmarks of large trees: big_tree DIR N makes (once, then reuses)
# N small pictures of five formats in folders of 500, two levels deep, each file's
# bytes its model's with a distinct tail, so no two files are alike on disk.
# Needs ImageMagick's convert and perl; fails loudly without them.
need_tool() {
  command -v "$1" >/dev/null 2>&1 || { echo "missing reference tool: $1" >&2; exit 1; }
}

big_tree() {
  local dir=$1 n=$2
  if [ -f "$dir/.bigtree" ] && [ "$(cat "$dir/.bigtree")" = "$n" ]; then return 0; fi
  need_tool convert
  need_tool perl
  rm -rf "$dir"
  mkdir -p "$dir/.models"
  convert -size 64x48 gradient:red-blue -quality 80 "$dir/.models/m.jpg"
  convert -size 40x30 plasma:fractal -seed 3 "$dir/.models/m.png" 2>/dev/null ||
    convert -size 40x30 gradient:green-yellow "$dir/.models/m.png"
  convert -size 32x32 gradient:white-black "$dir/.models/m.gif"
  convert -size 24x16 gradient:blue-white "$dir/.models/m.bmp"
  convert -size 20x20 gradient:red-green "$dir/.models/m.tif"
  perl -e '
    my ($dir, $n) = @ARGV;
    my @ext = qw(jpg png gif bmp tif jpg jpg png);
    my %model;
    for my $e (qw(jpg png gif bmp tif)) {
      open(my $f, "<:raw", "$dir/.models/m.$e") or die "$e: $!";
      local $/; $model{$e} = <$f>;
    }
    for my $i (0 .. $n - 1) {
      my $sub = sprintf("%s/d%02d/e%03d", $dir, int($i / 10000), int($i / 500) % 20);
      if ($i % 500 == 0) { mkdir "$dir/" . sprintf("d%02d", int($i / 10000)); mkdir $sub; }
      my $e = $ext[$i % @ext];
      open(my $f, ">:raw", sprintf("%s/p%06d.%s", $sub, $i, $e)) or die "$sub: $!";
      print $f $model{$e}, pack("N", $i);  # after the picture data: readers ignore it
      close $f;
    }' "$dir" "$n"
  rm -rf "$dir/.models"
  echo "$n" >"$dir/.bigtree"
}

# Drops the page cache of every file of a tree: all caches as root (when sudo lets
# us without a password), else each file's cached pages, which needs no privilege.
# Prints how it was done.
drop_tree_cache() {
  local dir=$1
  sync
  if sudo -n sh -c 'echo 3 > /proc/sys/vm/drop_caches' 2>/dev/null; then
    echo "all caches dropped"
    return 0
  fi
  need_tool perl
  find "$dir" -type f -print0 | perl -e '
    $/ = "\0";
    while (my $p = <STDIN>) {
      chomp $p;
      open(my $f, "<", $p) or next;
      # posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) as the x86-64 system call fadvise64.
      syscall(221, fileno($f), 0, 0, 4) == 0 or die "fadvise: $!";
      close $f;
    }'
  echo "file pages dropped with posix_fadvise (no root: folder and inode caches stay)"
}
