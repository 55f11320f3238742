#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test; then the core and
# window tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh
scripts/build.sh -DQUILLMERE_WERROR=ON
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure)

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_SANITIZE=ON -DQUILLMERE_WERROR=ON \
    -DQUILLMERE_BUILD_GUI=ON -DQUILLMERE_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan --target quillmere_core_tests quillmere_gui_tests
(cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
    LSAN_OPTIONS=suppressions="$PWD/../tests/sanitizer-suppressions.txt" UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -R '^(core|gui)\.')

# A minute of the fuzzer over the whole path, when clang is there; what it finds belongs in
# tests/fuzz/regressions.
if command -v clang++ >/dev/null; then
    CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_FUZZ=ON \
        -DQUILLMERE_WERROR=ON -DQUILLMERE_BUILD_GUI=OFF -DQUILLMERE_BUILD_TESTS=OFF -DQUILLMERE_BUILD_BENCH=OFF >/dev/null
    cmake --build build-fuzz --target quillmere-fuzz quillmere-fuzz-corpus
    rm -rf build-fuzz/corpus && build-fuzz/bin/quillmere-fuzz-corpus build-fuzz/corpus
    cp tests/fuzz/regressions/* build-fuzz/corpus/
    build-fuzz/bin/quillmere-fuzz -dict=tests/fuzz/save.dict -rss_limit_mb=256 -timeout=2 -max_total_time=60 \
        -print_final_stats=1 -artifact_prefix=build-fuzz/ build-fuzz/corpus 2>&1 | tail -15
fi
