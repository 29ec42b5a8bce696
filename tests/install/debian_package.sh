#!/usr/bin/env bash
# The Debian package of this build: named quillo_<version>_<arch>.deb, everything under /usr, the program
# folder with the engine and the data, the commands on the PATH as links into it, the menu entry and the
# manual page; its Depends computed from the libraries the programs link; no build or test leftovers.
# lintian, when installed, finds no error.
set -euo pipefail
build=${QUILLO_BUILD:?} version=${QUILLO_VERSION:?}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
for tool in cpack dpkg-deb dpkg-shlibdeps dpkg; do
  command -v "$tool" >/dev/null || {
    echo "SKIP: $tool is missing"
    exit 77
  }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quillo-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
arch=$(dpkg --print-architecture)
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log"
  fail "cpack failed"
}
deb=$work/quillo_${version}_$arch.deb
[[ -f $deb ]] || fail "no $(basename "$deb"); made: $(ls "$work")"

dpkg-deb -c "$deb" | awk '{ print $6 ($7 == "->" ? " -> " $8 : "") }' | sed 's|^\./|/|' | sort >"$work/files"
outside=$(grep -v -e '^/usr/' -e '^/$' -e '^/usr$' "$work/files" || true)
[[ -z $outside ]] || fail "files outside /usr: $outside"
expect=(
  "/usr/bin/quillo -> ../lib/quillo/quillo"
  /usr/lib/quillo/quillo
  /usr/lib/quillo/libzuno.so
  /usr/lib/quillo/librexp32.so
  /usr/lib/quillo/libquillo_thumbnails.so
  /usr/lib/quillo/quillo.ini
  /usr/lib/quillo/quillo.installed
  /usr/lib/quillo/html/quillo.js
  /usr/lib/quillo/button/back.gif
  /usr/share/man/man1/quillo.1.gz
  /usr/share/doc/quillo/copyright
  /usr/share/doc/quillo/changelog.gz
)
if [[ ${QUILLO_WITH_ZUNOP:-0} == 1 ]]; then
  expect+=(
    "/usr/bin/ZunoP -> ../lib/quillo/ZunoP"
    /usr/lib/quillo/ZunoP
    /usr/share/applications/zunop.desktop
    /usr/share/man/man1/ZunoP.1.gz
    /usr/share/icons/hicolor/48x48/apps/quillo.png
    /usr/share/icons/hicolor/64x64/apps/quillo.png
    /usr/share/icons/hicolor/128x128/apps/quillo.png
  )
fi
for f in "${expect[@]}"; do
  grep -qxF "$f" "$work/files" || fail "the package lacks $f"
done
leftovers=$(grep -E '_test$|/tests?/|/OUTPUT|/DB/|\.a$|/make_art|/engine_probe|/sample/' "$work/files" || true)
[[ -z $leftovers ]] || fail "build or test leftovers in the package: $leftovers"

depends=$(dpkg-deb -f "$deb" Depends)
# quillo's thumbnail module is loaded, not linked: the package must still bring the libraries it needs.
for lib in libc6 libstdc++6 libcurl libmsiecf libqt6gui6 libavif; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
if [[ ${QUILLO_WITH_ZUNOP:-0} == 1 ]]; then
  [[ $depends == *libqt6widgets6* ]] || fail "Depends lacks Qt's widgets: $depends"
fi
[[ $(dpkg-deb -f "$deb" Package) == quillo && $(dpkg-deb -f "$deb" Architecture) == "$arch" ]] ||
  fail "wrong package name or architecture"

mkdir "$work/root"
dpkg-deb -x "$deb" "$work/root"
grep -qx "Exec=/usr/bin/ZunoP" "$work/root/usr/share/applications/zunop.desktop" 2>/dev/null ||
  [[ ${QUILLO_WITH_ZUNOP:-0} != 1 ]] || fail "the menu entry does not start /usr/bin/ZunoP"
[[ -z $(find "$work/root" -type d ! -perm 755) ]] || fail "folders that are not rwxr-xr-x: $(find "$work/root" -type d ! -perm 755)"

if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
  cat "$work/lintian.log"
  ! grep -q '^E: ' "$work/lintian.log" || fail "lintian found errors"
else
  echo "note: lintian is not installed; the package was not linted"
fi
echo "ok: $(basename "$deb"), Depends: $depends"
