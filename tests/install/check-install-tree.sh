#!/usr/bin/env bash
# `cmake --install` into a scratch prefix installs exactly the expected files,
# programs executable, data files not.
# Usage: check-install-tree.sh BUILD_DIR EXPECTED_LIST
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
build="$1"
expected="$2"

prefix="$scratch/prefix"
install_into "$build" "$prefix"

if ! diff -u "$expected" <(files_under "$prefix") >"$scratch/diff"; then
  fail "installed files differ from $expected (- expected, + installed):"
  cat "$scratch/diff" >&2
fi

while IFS= read -r file; do
  [[ -e "$prefix/$file" ]] || continue
  mode="$(stat -c %a "$prefix/$file")"
  case "$file" in
    bin/*) want=755 ;;
    *) want=644 ;;
  esac
  [[ "$mode" == "$want" ]] || fail "$file has mode $mode, not $want"
done <"$expected"

# The pages are gzip streams without a file name or time stamp in the header.
for page in "$prefix"/share/man/man1/*.gz; do
  gzip -t "$page" || fail "$page is not a sound gzip file"
  header_flags=$(od -An -tu1 -j3 -N1 "$page" | tr -d ' ')
  mtime=$(od -An -tu4 -j4 -N4 "$page" | tr -d ' ')
  [[ "$header_flags" == 0 && "$mtime" == 0 ]] || fail "$page keeps a name or time stamp (gzip -n)"
done

for size in 16 22 24 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/quenvo.png"
  [[ -f "$png" ]] || continue
  got="$(file -b "$png")"
  [[ "$got" == "PNG image data, $size x $size, 8-bit/color RGBA"* ]] || fail "$png: $got"
done

finish
