# Shared by the set-up commands: installs the Debian packages that are
# missing, then configures and builds one CMake preset.
set -euo pipefail

QUENVO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

QUENVO_PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-serialport-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-liberation
  libcups2-dev poppler-utils cups printer-driver-cups-pdf
)

# Only for the demo on a machine without a display: a virtual X server.
QUENVO_DEMO_PACKAGES=(xvfb xauth)

# For building the Debian package: cpack runs dpkg-shlibdeps (dpkg-dev) on the
# programs it finds with file.
QUENVO_PACKAGING_PACKAGES=(dpkg-dev file)

# For the install checks of the test suite: the validators of the desktop
# entry and the metainfo, the manual page formatter, an SVG renderer, and a
# virtual X server to launch the installed menu entry in.
QUENVO_CHECK_PACKAGES=(
  desktop-file-utils appstream man-db groff-base librsvg2-bin
  xvfb xauth xdotool
)

quenvo_install_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  if ((${#missing[@]} == 0)); then
    return 0
  fi
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
  fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# quenvo_build PRESET [TARGET...]
quenvo_build() {
  local preset="$1"
  shift
  cd "$QUENVO_ROOT"
  # QUENVO_WERROR=ON in the environment turns warnings into errors (CI).
  cmake --preset "$preset" -DQUENVO_WERROR="${QUENVO_WERROR:-OFF}" >/dev/null
  local jobs
  jobs="$(nproc 2>/dev/null || echo 2)"
  if (($# > 0)); then
    local t
    for t in "$@"; do
      cmake --build --preset "$preset" -j "$jobs" --target "$t"
    done
  else
    cmake --build --preset "$preset" -j "$jobs"
  fi
}
