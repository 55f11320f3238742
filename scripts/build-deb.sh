#!/usr/bin/env bash
# Usage: scripts/build-deb.sh [BUILD_DIR]   (default build-deb)
# Builds the programs as a Debian package build does (build type None, the compiler and linker flags
# of dpkg-buildflags with every hardening feature) and packs quillmere-report_*.deb, quillmere-server_*.deb and
# quillmere_*.deb into BUILD_DIR. Needs dpkg-dev.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CMake reads no CPPFLAGS: the preprocessor's flags (_FORTIFY_SOURCE) go with the compiler's.
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DQUILLMERE_BUILD_TESTS=OFF -DQUILLMERE_BUILD_BENCH=OFF \
    "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags"
cmake --build "$build"
(cd "$build" && cpack)
ls "$build"/*.deb
