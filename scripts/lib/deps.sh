# Package lists and an idempotent installer shared by scripts/run and scripts/test.
VELLOMARCH_BUILD_PACKAGES=(cmake ninja-build pkg-config g++ nlohmann-json3-dev libsodium-dev libsecret-1-dev
  qt6-base-dev qt6-base-dev-tools libx11-dev libxtst-dev libxcb1-dev libwayland-dev
  librust-wayland-protocols-dev)
# What the Linux program needs at run time on a desktop (fonts for Japanese and colour emoji,
# Qt's own texts in Japanese).
# qt6-wayland: Qt's platform plugin for a Wayland session whose compositor offers data-control.
VELLOMARCH_RUN_PACKAGES=(fonts-noto-cjk fonts-noto-color-emoji qt6-translations-l10n qt6-wayland)
# Making the Debian package (CPack reads the libraries' dependencies with dpkg-shlibdeps and
# finds them with file) and checking it as Debian would.
VELLOMARCH_PACKAGING_PACKAGES=(dpkg-dev file lintian desktop-file-utils appstream)
# A virtual desktop for running the program without a display, and for the end-to-end tests.
# A headless sway (run as an unprivileged user) with wl-clipboard and wtype for the Wayland tests.
# A session bus with GNOME Keyring as the Secret Service, and secret-tool to look into it, for the
# tests of the history key in the keyring.
VELLOMARCH_DESKTOP_PACKAGES=(xvfb xauth openbox trayer xclip xdotool x11-utils x11-xserver-utils
  imagemagick sway wl-clipboard wtype dbus-daemon gnome-keyring libsecret-tools)
# dbus-daemon, python3-dbus and python3-gi: a private session bus with the tests' stand-in for the
# desktop portal's global shortcuts.
VELLOMARCH_TEST_PACKAGES=(googletest libgtest-dev libgmock-dev zlib1g-dev dbus-daemon python3-dbus python3-gi)
# Building the bench preset (bench/, its helper programs): Google Benchmark and XFixes.
VELLOMARCH_BENCH_BUILD_PACKAGES=(libbenchmark-dev libxfixes-dev)
# Running scripts/bench: the peer it is compared with, and the plot of the scaling figures.
# copyq-plugins is what a normal install of copyq recommends: without it CopyQ records no image.
VELLOMARCH_BENCH_PACKAGES=(copyq copyq-plugins gnuplot-nox)

install_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# The Windows cross build and its tests under Wine on a private X display.
VELLOMARCH_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 xvfb xauth
  fonts-wine fonts-liberation imagemagick xclip xdotool x11-utils)

# The fuzz targets of fuzz/: clang with libFuzzer and the sanitizers' runtime.
VELLOMARCH_FUZZ_PACKAGES=(clang libclang-rt-14-dev)
