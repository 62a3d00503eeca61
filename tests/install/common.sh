# Shared by the install checks: a scratch folder removed on exit, failure
# reporting, and `cmake --install` of the build folder into a scratch prefix.
set -euo pipefail

scratch="$(mktemp -d "${TMPDIR:-/tmp}/quenvo-install-test.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

finish() {
  if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}

# install_into BUILD_DIR PREFIX
install_into() {
  cmake --install "$1" --prefix "$2" >"$scratch/install.log" 2>&1 || {
    cat "$scratch/install.log" >&2
    echo "FAIL: cmake --install into $2" >&2
    exit 1
  }
}

# The regular files and symlinks under DIR, relative to it, sorted.
files_under() {
  (cd "$1" && find . \( -type f -o -type l \) -printf '%P\n' | LC_ALL=C sort)
}
