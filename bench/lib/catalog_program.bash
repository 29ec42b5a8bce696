# Sourced by the catalog benchmarks: the corpus, and a program folder of their own
# (the settings with every folder level searched, the templates and buttons the
# catalog copies) in $work, with TEMP inside it. Needs root, build and work set.
corpus=${QUILLO_CORPUS:-/tmp/qcorpus}
shared=${QUILLO_SHARED_BENCH:-$root/../shared/bench}

if [ ! -f "$corpus/.qcorpus" ]; then
  echo "making the benchmark corpus in $corpus (a few minutes, once)"
  PATH=/usr/bin:$PATH N=${N:-3000} "$shared/make-corpus.sh" "$corpus" >/dev/null
fi

mkdir -p "$work/prog" "$work/out" "$work/temp"
sed 's/^SubdirDepth=.*/SubdirDepth=20/' "$build/bin/quillo.ini" >"$work/prog/quillo.ini"
ln -s "$build/bin/html" "$work/prog/html"
ln -s "$build/bin/button" "$work/prog/button"
export TEMP=$work/temp
