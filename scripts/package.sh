#!/usr/bin/env bash
# Builds the Debian package build-deb/kelmar_<version>_<architecture>.deb: a release
# build for the prefix /usr, packed by CPack. Installs what is missing first, like ./play.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
kelmar_install_missing dpkg-dev
build=build-deb
# Debian's hardening: fortified and protected code, read-only relocations bound at start.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELMAR_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
  $(kelmar_cmake_launcher) >/dev/null
cmake --build "$build"
(cd "$build" && cpack -G DEB)
