# Debian packages the build needs, installed only when missing.
# Sourced by the scripts in scripts/.

ZRC_BUILD_PACKAGES=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev
  # The player's tests draw text offscreen: they need one font.
  fonts-dejavu-core
  libsdl2-dev
  libcli11-dev nlohmann-json3-dev
  # zrc encode --convert resamples with libsoxr; other audio formats are
  # read and written through libsndfile.
  libsoxr-dev libsndfile1-dev
  # The GStreamer plugin and its tests: the development files, playbin,
  # appsink and the type finders of other formats, gst-launch-1.0 and
  # gst-inspect-1.0, gst-discoverer-1.0.
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-tools gstreamer1.0-plugins-base-apps
  # The install's checks: Debian packages through CPack (dpkg-shlibdeps),
  # the desktop entry, the file type, the manual pages.
  dpkg-dev desktop-file-utils shared-mime-info groff-base
)

# The fuzzers (scripts/fuzz): clang with libFuzzer and the sanitizer
# runtimes.
ZRC_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# What scripts/test needs beyond the build: valgrind for the tool's leak
# checks, and the fuzzers' packages.
ZRC_CHECK_PACKAGES=(valgrind "${ZRC_FUZZ_PACKAGES[@]}")

# Running the player without a screen (scripts/screenshot).
ZRC_SCREENSHOT_PACKAGES=(xvfb xauth)

# Installs the given packages that are not installed yet, as root or
# through sudo.
zrc_ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q '^install ok installed$'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo=(sudo)
    else
      echo "error: missing packages (${missing[*]}) and neither root nor sudo to install them" >&2
      return 1
    fi
  fi
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

zrc_ensure_build_deps() {
  zrc_ensure_packages "${ZRC_BUILD_PACKAGES[@]}"
}

# Configures and builds into the folder given, with any further CMake options.
zrc_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir"
}
