#!/usr/bin/env bash
# The Debian package: its control fields, exactly the install tree's files
# under /usr, and programs that run from the unpacked package on the system's
# libraries alone.
# Usage: check-deb.sh DEB EXPECTED_LIST PROJECT_VERSION
#        check-deb.sh --build BUILD_DIR EXPECTED_LIST PROJECT_VERSION
#          (builds the package from BUILD_DIR with cpack first)
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
if [[ "$1" == --build ]]; then
  build="$2"
  shift 2
  (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out") >"$scratch/cpack.log" 2>&1 || {
    cat "$scratch/cpack.log" >&2
    echo "FAIL: cpack" >&2
    exit 1
  }
  deb="$(ls "$scratch"/out/*.deb)"
else
  deb="$1"
  shift
fi
expected="$1"
version="$2"
arch="$(dpkg --print-architecture)"

[[ "$(basename "$deb")" == "quenvo_${version}_${arch}.deb" ]] || fail "package file is named $(basename "$deb")"
field() { dpkg-deb --field "$deb" "$1"; }
[[ "$(field Package)" == quenvo ]] || fail "Package: $(field Package)"
[[ "$(field Version)" == "$version" ]] || fail "Version: $(field Version), the project is $version"
[[ "$(field Architecture)" == "$arch" ]] || fail "Architecture: $(field Architecture)"
[[ "$(field Section)" == electronics ]] || fail "Section: $(field Section)"
[[ -n "$(field Maintainer)" ]] || fail "no Maintainer"
[[ "$(field Description)" == "companion program for a handheld true-RMS multimeter"* ]] ||
  fail "Description: $(field Description)"
[[ "$(field Description | sed -n 2p)" == " Quenvo reads"* ]] ||
  fail "the extended description does not follow the summary: $(field Description | sed -n 2p)"
depends="$(field Depends)"
# Computed from the shared libraries: the C library and Qt's libraries with
# versions, not a hand-kept list.
for lib in libc6 'libstdc\+\+6' libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6; do
  grep -qE "(^|, )$lib(:[a-z0-9]+)? \(>= " <<<"$depends" || fail "Depends lacks a versioned $lib: $depends"
done

# Contents: the install tree's files under /usr, nothing else; only root owns.
dpkg-deb --contents "$deb" >"$scratch/contents"
awk '$1 !~ /^d/ { sub(/^\.\/usr\//, "", $6); print $6 }' "$scratch/contents" | LC_ALL=C sort >"$scratch/files"
if ! diff -u "$expected" "$scratch/files" >"$scratch/diff"; then
  fail "package files differ from $expected (- expected, + packaged):"
  cat "$scratch/diff" >&2
fi
awk '{ print $6 }' "$scratch/contents" | grep -v '^\./usr/' | grep -vx '\./' &&
  fail "files outside /usr in the package"
awk '$2 != "root/root" { print }' "$scratch/contents" | grep . && fail "files not owned by root in the package"

# Unpacked into a throwaway root, the programs run on the system's libraries.
root="$scratch/root"
dpkg -x "$deb" "$root"
run() { env -u LD_LIBRARY_PATH -u QT_PLUGIN_PATH HOME="$scratch" "$@"; }
out="$(run "$root/usr/bin/quenvo-log" --version)" || fail "quenvo-log --version failed"
[[ "$out" == "quenvo-log $version" ]] || fail "quenvo-log --version says '$out'"
out="$(run QT_QPA_PLATFORM=offscreen "$root/usr/bin/quenvo" --version)" || fail "quenvo --version failed"
[[ "$out" == "Quenvo $version" ]] || fail "quenvo --version says '$out'"
out="$(run timeout 60 "$root/usr/bin/quenvo-log" --demo --count 3)" || fail "quenvo-log --demo --count 3 failed"
lines="$(grep -cE '^ +[1-3] +[A-Z]' <<<"$out" || true)"
[[ "$lines" == 3 ]] || fail "quenvo-log --demo --count 3 printed: $out"
ldd "$root/usr/bin/quenvo" | grep 'not found' && fail "quenvo lacks a library"
file -b "$root/usr/bin/quenvo-log" | grep -q 'not stripped' && fail "quenvo-log is not stripped"

finish
