# Package lists and an idempotent installer shared by scripts/run and scripts/test.
VELLOMARCH_BUILD_PACKAGES=(cmake ninja-build pkg-config g++ nlohmann-json3-dev libsodium-dev)
VELLOMARCH_TEST_PACKAGES=(googletest libgtest-dev libgmock-dev)

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
  fonts-wine fonts-liberation)
