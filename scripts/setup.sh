#!/usr/bin/env bash
# Installs the Debian packages that building, testing and playing need, and only
# those that are missing. Sourced by ./play and ./test.
kelmar_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-multimedia-dev libqt6opengl6-dev
  libbenchmark-dev
  fonts-dejavu-core fonts-comic-neue
)

# Rebuilds reuse earlier compiles when ccache is there; it is not required.
kelmar_cmake_launcher() {
  command -v ccache >/dev/null && echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  return 0
}

kelmar_install_missing() {
  local missing=()
  local p
  for p in "${kelmar_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
