#!/usr/bin/env bash
# Fails when an engine layer reaches a layer that is not below it: by a symbol its
# objects need that only a higher (or sibling) layer defines, or by an #include of
# a higher layer's header. Calls through zuno.h's C declarations pass any include
# path, so the symbols are the real test; the includes catch types and inline code.
# Fails too when a layer other than the first (the platform floor) needs a system
# call of the C library, or the parts of the C++ library that reach the system.
#
# usage: check_layers.sh ENGINE_SOURCE_DIR LAYER=ARCHIVE[:FLOOR,FLOOR...] ...
# Each FLOOR is a layer the layer links directly; what those link is allowed too.
set -euo pipefail
export LC_ALL=C

src=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

declare -A archive floors
layers=()
for arg in "$@"; do
  name=${arg%%=*}
  rest=${arg#*=}
  archive[$name]=${rest%%:*}
  floors[$name]=""
  [[ $rest == *:* ]] && floors[$name]=${rest#*:}
  layers+=("$name")
done

# Every layer a layer may reach: its floors and, recursively, theirs.
reach() {
  local todo=("$1") seen=" $1 " l f
  while ((${#todo[@]})); do
    l=${todo[0]}
    todo=("${todo[@]:1}")
    for f in ${floors[$l]//,/ }; do
      [[ $seen == *" $f "* ]] && continue
      seen+="$f "
      todo+=("$f")
    done
  done
  echo "$seen"
}

for l in "${layers[@]}"; do
  nm -g --defined-only "${archive[$l]}" 2>/dev/null | awk 'NF == 3 { print $3 }' | sort -u >"$work/$l.def"
  nm -u "${archive[$l]}" 2>/dev/null | awk 'NF == 2 { print $2 }' | sort -u | comm -23 - "$work/$l.def" >"$work/$l.und"
done

# System calls and the library routines that wrap them, as the objects name them.
os_calls='^(open|open64|openat|openat64|creat|read|pread|pread64|readv|write|pwrite|pwrite64|writev|close|'
os_calls+='fsync|fdatasync|lseek|lseek64|fcntl|ioctl|flock|lockf|dup|dup2|pipe|stat|stat64|lstat|lstat64|fstat|'
os_calls+='fstat64|fstatat|fstatat64|statx|statfs|fstatfs|statvfs|__xstat|__lxstat|__fxstat|access|faccessat|'
os_calls+='mkdir|mkdirat|rmdir|unlink|unlinkat|rename|renameat|renameat2|link|linkat|symlink|readlink|chmod|'
os_calls+='fchmod|chown|utime|utimes|utimensat|futimens|truncate|ftruncate|realpath|getcwd|chdir|opendir|'
os_calls+='fdopendir|readdir|readdir64|closedir|scandir|nftw|glob|getenv|secure_getenv|setenv|unsetenv|putenv|'
os_calls+='time|clock_gettime|gettimeofday|clock|localtime|localtime_r|gmtime|gmtime_r|mktime|asctime|asctime_r|'
os_calls+='ctime|ctime_r|sleep|usleep|nanosleep|getpid|getppid|getuid|geteuid|getgid|kill|raise|fork|vfork|'
os_calls+='execv|execvp|execve|system|popen|pclose|waitpid|wait|posix_spawn|posix_spawnp|dlopen|dlsym|dladdr|'
os_calls+='dlclose|mmap|munmap|fopen|fopen64|fdopen|freopen|fclose|fread|fwrite|fgets|fputs|fprintf|printf|'
os_calls+='vfprintf|vprintf|puts|putchar|perror|stdin|stdout|stderr|tmpfile|mkstemp|mkdtemp|tmpnam|socket|'
os_calls+='connect|sched_yield|setpriority|getpriority|sysconf)$'
cxx_os='^_ZNSt10filesystem|^_ZNSt6chrono3_V212(system|steady)_clock3nowEv|^_ZNSt11this_thread|'
cxx_os+='^_ZNSt13random_device|_ZNSt13basic_filebuf|_ZNSt14basic_ifstream|_ZNSt14basic_ofstream|'
cxx_os+='_ZNSt13basic_fstream|^_ZSt4cout|^_ZSt4cerr|^_ZSt4clog'

failures=0
os_floor=${layers[0]}
for l in "${layers[@]:1}"; do
  while read -r sym; do
    echo "layer $l calls the system past the $os_floor floor: $(echo "$sym" | c++filt)"
    failures=$((failures + 1))
  done < <(grep -E "$os_calls|$cxx_os" "$work/$l.und" || true)
done

for l in "${layers[@]}"; do
  allowed=$(reach "$l")
  for m in "${layers[@]}"; do
    [[ $allowed == *" $m "* ]] && continue
    # Needed here, defined up there, and by nothing this layer may reach.
    comm -12 "$work/$l.und" "$work/$m.def" >"$work/hits"
    for a in $allowed; do
      [[ $a == "$l" ]] && continue
      comm -23 "$work/hits" "$work/$a.def" >"$work/hits.next"
      mv "$work/hits.next" "$work/hits"
    done
    while read -r sym; do
      echo "layer $l uses $(echo "$sym" | c++filt) of layer $m"
      failures=$((failures + 1))
    done <"$work/hits"
  done
  # Headers of a layer that is not below: "folder/name.h" from any other engine folder.
  while IFS=: read -r file _ folder; do
    [[ -d $src/$folder && $folder != include && $allowed != *" $folder "* ]] || continue
    echo "layer $l includes a header of layer $folder: ${file#"$src"/}"
    failures=$((failures + 1))
  done < <(grep -rHnoE '^#include "[a-z_]+/' "$src/$l" --include='*.cpp' --include='*.h' |
             sed -E 's/#include "([a-z_]+)\//\1/')
done

if ((failures)); then
  echo "$failures reference(s) against the engine's layers"
  exit 1
fi
echo "engine layers: ${layers[*]}: no reference runs upward"
