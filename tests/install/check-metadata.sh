#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo pass their validators, and the
# newest release in the metainfo is the project's version.
# The changelog's newest entry is that version too.
# Usage: check-metadata.sh DESKTOP_FILE METAINFO_FILE CHANGELOG PROJECT_VERSION
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
desktop="$1"
metainfo="$2"
changelog="$3"
version="$4"

out="$(desktop-file-validate "$desktop" 2>&1)" || fail "desktop-file-validate rejects $desktop: $out"
[[ -z "$out" ]] || fail "desktop-file-validate warns about $desktop: $out"
grep -qx 'Exec=quenvo' "$desktop" || fail "$desktop does not start plain quenvo"
grep -qx 'Icon=quenvo' "$desktop" || fail "$desktop does not name the quenvo icon"

appstreamcli validate --no-net --explain "$metainfo" >"$scratch/as.log" 2>&1 || {
  cat "$scratch/as.log" >&2
  fail "appstreamcli rejects $metainfo"
}
grep -q '<launchable type="desktop-id">quenvo.desktop</launchable>' "$metainfo" ||
  fail "$metainfo does not launch quenvo.desktop"
grep -q '<screenshot type="default">' "$metainfo" || fail "$metainfo has no default screenshot"
newest="$(grep -m1 -oE '<release version="[^"]+"' "$metainfo" | sed -E 's/.*"([^"]+)"/\1/')"
[[ "$newest" == "$version" ]] ||
  fail "$metainfo names release '$newest' first, the project is $version: add the release"
top="$(head -n1 "$changelog")"
[[ "$top" == "quenvo ($version) "* ]] || fail "$changelog starts with '$top', the project is $version"
finish
