#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; then the core tests once more under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh
scripts/build.sh
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure)

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLMERE_SANITIZE=ON \
    -DQUILLMERE_BUILD_GUI=OFF -DQUILLMERE_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan --target quillmere_core_tests
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -R '^core\.')
