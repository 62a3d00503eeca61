#!/usr/bin/env bash
# The manual pages format without a single warning from man and groff, as
# they are installed (compressed) and as written.
# Every option that the program's --help lists is in its page.
# Usage: check-manpages.sh PAGE.gz PROGRAM [PAGE.gz PROGRAM]...
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
while (($# >= 2)); do
  page="$1"
  program="$2"
  shift 2
  out="$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)" ||
    fail "man could not format $page"
  [[ -z "$out" ]] || fail "man warns about $page: $out"
  out="$(gzip -dc "$page" | groff -man -ww -z -Tutf8 2>&1)" || fail "groff could not format $page"
  [[ -z "$out" ]] || fail "groff warns about $page: $out"
  # Every page carries the sections a reader looks for.
  text="$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l -Tutf8 "$page" 2>/dev/null | col -b)"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES "SEE ALSO"; do
    grep -qx "$section" <<<"$text" || fail "$page has no $section section"
  done
  options="$(QT_QPA_PLATFORM=offscreen "$program" --help | grep -oE '^ +(-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+')"
  [[ -n "$options" ]] || fail "$program --help lists no option"
  for option in $options; do
    grep -qF -- "$option" <<<"$text" || fail "$page does not document $option"
  done
done
finish
