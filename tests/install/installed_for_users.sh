#!/usr/bin/env bash
# An install into a prefix that its users cannot write, run by normal users with fresh homes: each user's
# settings, catalog and cache analysis land in that user's own folders, nothing is written under the prefix,
# and a second user runs it as well as the first, with the same temporary folder. As root (CI) the test makes
# two users of its own; otherwise it runs as the current user, the second time with a second home. A copy of
# the program folder that its user may write, without the install mark, keeps everything beside the programs.
set -euo pipefail
build=${QUILLO_BUILD:?} source=${QUILLO_SOURCE:?}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
skip() {
  echo "SKIP: $*"
  exit 77
}

work=$(mktemp -d "${TMPDIR:-/tmp}/quillo-install.XXXXXX")
made_users=()
cleanup() {
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
  for user in "${made_users[@]}"; do userdel "$user" 2>/dev/null || true; done
}
trap cleanup EXIT
chmod 755 "$work"

# --- the users ---
users=()
if [[ $(id -u) == 0 ]]; then
  command -v useradd >/dev/null && command -v runuser >/dev/null || skip "running as root without useradd and runuser"
  for user in quillo-test-ann quillo-test-bob; do
    if ! id "$user" >/dev/null 2>&1; then
      useradd --no-create-home --shell /usr/sbin/nologin --user-group "$user" || skip "useradd $user failed"
      made_users+=("$user")
    fi
    users+=("$user")
  done
else
  users=("$(id -un)" "$(id -un)")
  echo "note: not root, so both runs are by $(id -un), each with a home of its own"
fi

# run_as USER HOME [VAR=VALUE...] -- COMMAND...: the command as USER with only the environment given here.
run_as() {
  local user=$1 home=$2
  shift 2
  local vars=()
  while [[ $1 != -- ]]; do
    vars+=("$1")
    shift
  done
  shift
  local env=(env -i "HOME=$home" "PATH=$prefix/bin:/usr/bin:/bin" "TEMP=$shared_temp" LANG=C.UTF-8 "${vars[@]}")
  if [[ $(id -u) == 0 ]]; then
    runuser -u "$user" -- "${env[@]}" "$@"
  else
    "${env[@]}" "$@"
  fi
}

new_home() {
  local user=$1 home=$2
  mkdir -p "$home"
  [[ $(id -u) == 0 ]] && chown "$user" "$home"
  chmod 700 "$home"
}

# --- the install ---
prefix=$work/usr
program=$prefix/lib/quillo
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || {
  cat "$work/install.log"
  fail "cmake --install failed"
}
for f in quillo quillo.ini quillo.installed libzuno.so librexp32.so libquillo_thumbnails.so html/quillo.js button/back.gif help; do
  [[ -e $program/$f ]] || fail "the install has no $program/$f"
done
[[ -L $prefix/bin/quillo ]] || fail "bin/quillo is not a link"
[[ $(readlink -f "$prefix/bin/quillo") == "$(readlink -f "$program/quillo")" ]] || fail "bin/quillo does not lead to $program/quillo"
zcat "$prefix/share/man/man1/quillo.1.gz" | grep -q '^\.TH QUILLO 1' || fail "no manual page for quillo"

png_size() { # the width of a PNG, from its header
  od -An -tu1 -j16 -N4 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }'
}
if [[ ${QUILLO_WITH_ZUNOP:-0} == 1 ]]; then
  [[ $(readlink -f "$prefix/bin/ZunoP") == "$(readlink -f "$program/ZunoP")" ]] || fail "bin/ZunoP does not lead to $program/ZunoP"
  desktop=$prefix/share/applications/zunop.desktop
  grep -qx "Exec=$prefix/bin/ZunoP" "$desktop" || fail "the menu entry does not start $prefix/bin/ZunoP: $(grep Exec "$desktop")"
  for size in 48 64 128; do
    icon=$prefix/share/icons/hicolor/${size}x$size/apps/quillo.png
    [[ -f $icon && $(png_size "$icon") == "$size" ]] || fail "no ${size}-pixel icon at $icon"
  done
fi

# Nobody may write the installed files, as after a system install; the pictures are readable by everyone.
chmod -R a-w,a+rX "$prefix"
pictures=$work/sample
cp -r "$source/data/sample" "$pictures"
chmod -R a+rX "$pictures"
# One temporary folder for everybody, as /tmp is.
shared_temp=$work/tmp
mkdir -m 1777 "$shared_temp"
snapshot() { find "$prefix" -printf '%p %y %s %T@ %m %U\n' | sort; }
before=$(snapshot)

# --- first user: the XDG defaults ---
ann=${users[0]} ann_home=$work/home-ann
new_home "$ann" "$ann_home"
run_as "$ann" "$ann_home" -- quillo "$pictures" >"$work/ann.out" 2>"$work/ann.err" || {
  cat "$work/ann.err"
  fail "quillo failed for the first user"
}
page=$(cat "$work/ann.out")
[[ $page == "$ann_home/Pictures/Quillo/sample/html_1/index.html" ]] || fail "the catalog is not in the pictures folder: $page"
[[ -f $page ]] || fail "the entry page $page was not written"
grep -q "first run: your settings are $ann_home/.config/quillo/quillo.ini" "$work/ann.err" ||
  fail "quillo did not say where the settings went: $(cat "$work/ann.err")"
settings=$ann_home/.config/quillo/quillo.ini
grep -qx "ExecPath=$program" "$settings" || fail "the user's settings do not name the program folder"
grep -qx "OutputPath=$ann_home/Pictures/Quillo" "$settings" || fail "the user's settings do not name the pictures folder"
catalog=$ann_home/Pictures/Quillo/sample/html_1
[[ -f $catalog/quillo.js && -f $catalog/back.gif ]] || fail "the catalog lacks the program's viewer script or buttons"
ls "$catalog" | grep -q '^index000000\.html$' || fail "no thumbnail page in the catalog"
ls "$catalog/Thumbs" 2>/dev/null | grep -q '\.jpg$' || fail "the installed quillo made no thumbnail files"
[[ -d $ann_home/.local/share/quillo ]] || fail "no data folder for the cache analysis"
[[ -z $(find "$ann_home" ! -user "$ann") ]] || fail "files in the home that the user does not own"
# The second run finds the user's settings and says nothing of a first run.
run_as "$ann" "$ann_home" -- quillo "$pictures" >"$work/ann2.out" 2>"$work/ann2.err" || fail "a second run failed: $(cat "$work/ann2.err")"
! grep -q "first run" "$work/ann2.err" || fail "the second run copied the settings again"

# --- second user: XDG folders of their own, same temporary folder ---
bob=${users[1]} bob_home=$work/home-bob
new_home "$bob" "$bob_home"
mkdir -p "$bob_home/conf"
printf '# written by xdg-user-dirs-update\nXDG_PICTURES_DIR="$HOME/Bilder"\n' >"$bob_home/conf/user-dirs.dirs"
[[ $(id -u) == 0 ]] && chown -R "$bob" "$bob_home"
run_as "$bob" "$bob_home" "XDG_CONFIG_HOME=$bob_home/conf" "XDG_DATA_HOME=$bob_home/data" -- \
  quillo "$pictures" >"$work/bob.out" 2>"$work/bob.err" || {
  cat "$work/bob.err"
  fail "quillo failed for the second user"
}
page=$(cat "$work/bob.out")
[[ $page == "$bob_home/Bilder/Quillo/sample/html_1/index.html" && -f $page ]] || fail "the second user's catalog is not in their pictures folder: $page"
[[ -f $bob_home/conf/quillo/quillo.ini ]] || fail "the second user's settings are not in XDG_CONFIG_HOME"
[[ -d $bob_home/data/quillo ]] || fail "the second user's data folder is not in XDG_DATA_HOME"
[[ -f $ann_home/Pictures/Quillo/sample/html_1/index.html ]] || fail "the second user's run touched the first user's catalog"

after=$(snapshot)
[[ $before == "$after" ]] || {
  diff <(echo "$before") <(echo "$after") || true
  fail "something was written under the prefix"
}

# --- a portable copy its user may write keeps everything beside the programs ---
portable=$work/portable
cp -r "$program" "$portable"
rm -f "$portable/quillo.installed"
chmod -R u+w "$portable"
[[ $(id -u) == 0 ]] && chown -R "$ann" "$portable"
carl_home=$work/home-carl
new_home "$ann" "$carl_home"
page=$(run_as "$ann" "$carl_home" -- "$portable/quillo" -q "$pictures") || fail "the portable copy failed"
[[ $page == "$portable/OUTPUT/sample/html_1/index.html" && -f $page ]] || fail "the portable copy's catalog is not beside it: $page"
[[ ! -e $carl_home/.config/quillo ]] || fail "the portable copy made settings in the home"
echo "ok: $ann and $bob ran the installed quillo; catalogs in their own folders, nothing written under $prefix"
