#!/usr/bin/env bash
# The installed desktop entry's Exec line starts the desktop program: the
# command is taken from the installed quenvo.desktop, run under a virtual X
# server with the installed bin/ on PATH, and its window must appear.
# Usage: check-desktop-launch.sh BUILD_DIR
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
build="$1"
prefix="$scratch/prefix"
install_into "$build" "$prefix"

exec_line="$(sed -n 's/^Exec=//p' "$prefix/share/applications/quenvo.desktop")"
[[ -n "$exec_line" ]] || { fail "no Exec line"; finish; }
# Field codes (%f, %U, ...) stand for files and URLs; none are passed here.
exec_line="$(sed -E 's/ ?%[fFuUdDnNickvm]//g' <<<"$exec_line")"

cat >"$scratch/launch.sh" <<'INNER'
set -u
cd "$HOME"
$EXEC_LINE >"$HOME/launch.log" 2>&1 &
pid=$!
# The window is titled after the program; wait up to 20 s for it to map.
if timeout 20 xdotool search --sync --onlyvisible --name 'Quenvo' >/dev/null; then
  status=0
else
  echo "no Quenvo window appeared" >&2
  status=1
fi
if ! kill -0 "$pid" 2>/dev/null; then
  echo "the program exited early" >&2
  status=1
fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
((status == 0)) || cat "$HOME/launch.log" >&2
exit "$status"
INNER

mkdir -m 700 "$scratch/home"
# No receiver can be found here, so the program starts on its connection
# strip and waits; no real serial port is opened.
if ! env -u LD_LIBRARY_PATH -u QT_QPA_PLATFORM HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/home" \
  PATH="$prefix/bin:$PATH" EXEC_LINE="$exec_line" \
  xvfb-run -a -s '-screen 0 1280x1024x24' bash "$scratch/launch.sh"; then
  fail "Exec=$exec_line did not bring up the Quenvo window"
fi
finish
