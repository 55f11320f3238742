#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors (in Release too), and runs every test; then the core,
# window, archive and server tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
# The browser edition's tools are large: QUILLMERE_SKIP_WEB=1 leaves them out, and its build too.
if [ "${QUILLMERE_SKIP_WEB:-0}" = 1 ]; then scripts/ensure-deps.sh; else scripts/ensure-deps.sh --web; fi
# The code stays as .clang-format lays it out (clang-format 14, Debian's).
find src tests tools bench \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format --dry-run --Werror
# The page's scripts pass the linter (tools/lint/eslint.config.js), which ensure-deps.sh --web installed.
if [ "${QUILLMERE_SKIP_WEB:-0}" != 1 ]; then
    tools/lint/node_modules/.bin/eslint --config tools/lint/eslint.config.js --max-warnings 0 web src/server/pages
fi
scripts/build.sh -DQUILLMERE_WERROR=ON
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure)

# The browser edition: the core as WebAssembly in build-web/quillmere-core.js. emcc's JavaScript
# tools need Debian's node modules, which a node from elsewhere does not find by itself.
if [ "${QUILLMERE_SKIP_WEB:-0}" != 1 ]; then
    export NODE_PATH=/usr/share/nodejs
    emcmake cmake -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLMERE_WEB=ON -DQUILLMERE_WERROR=ON >/dev/null
    cmake --build build-web
    # The page (build-web/quillmere.html) in headless Chromium against the command line.
    (cd build && ctest --output-on-failure -R '^web\.')
fi

# Release as a packager builds it, every target with warnings as errors: GCC warns at -O3 what it
# does not at -O2. Built, not run: the tests above ran the same code.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLMERE_WERROR=ON >/dev/null
cmake --build build-release

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_SANITIZE=ON -DQUILLMERE_WERROR=ON \
    -DQUILLMERE_BUILD_GUI=ON -DQUILLMERE_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan --target quillmere_core_tests quillmere_gui_tests quillmere_tournament_tests examples \
    quillmere_server_tests quillmere-server quillmere quillmere-tournament
(cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
    LSAN_OPTIONS=suppressions="$PWD/../tests/sanitizer-suppressions.txt" UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -R '^(core|gui|tournament|server)\.')

# A minute of each fuzzer, when clang is there, in three runs from the seeds: the save path, the
# core's inflate against zlib's, and the profiles, tournament checks and reports. A run keeps every
# input it finds in memory, and these are large. The sanitizer's quarantine of freed memory is kept
# small, so that the memory limit measures the target, not the checker. What they find belongs in
# tests/fuzz/regressions and tests/fuzz/tournament-regressions (a stream: tests/support/CraftedStreams).
if command -v clang++ >/dev/null; then
    CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_FUZZ=ON \
        -DQUILLMERE_WERROR=ON -DQUILLMERE_BUILD_GUI=OFF -DQUILLMERE_BUILD_TESTS=OFF -DQUILLMERE_BUILD_BENCH=OFF >/dev/null
    cmake --build build-fuzz --target quillmere-fuzz quillmere-fuzz-corpus quillmere-fuzz-tournament \
        quillmere-fuzz-tournament-corpus quillmere-fuzz-inflate quillmere-fuzz-inflate-corpus
    rm -rf build-fuzz/seeds build-fuzz/tournament-seeds build-fuzz/inflate-seeds
    build-fuzz/bin/quillmere-fuzz-corpus build-fuzz/seeds
    build-fuzz/bin/quillmere-fuzz-inflate-corpus build-fuzz/inflate-seeds
    cp tests/fuzz/regressions/* build-fuzz/seeds/
    build-fuzz/bin/quillmere-fuzz-tournament-corpus build-fuzz/tournament-seeds
    cp tests/fuzz/tournament-regressions/* build-fuzz/tournament-seeds/
    fuzz() {  # NAME PROGRAM DICTIONARY SEEDS
        for run in 1 2 3; do
            rm -rf build-fuzz/found && mkdir build-fuzz/found
            ASAN_OPTIONS=quarantine_size_mb=32 "$2" -dict="$3" \
                -rss_limit_mb=256 -timeout=2 -max_total_time=20 -seed="$run" -print_final_stats=1 -artifact_prefix=build-fuzz/ \
                build-fuzz/found "$4" 2>&1 | grep -E '^(stat::|Done|==)' || true
            [ -z "$(ls build-fuzz/crash-* build-fuzz/oom-* build-fuzz/timeout-* build-fuzz/leak-* 2>/dev/null)" ] || {
                echo "the $1 fuzzer found an input that fails: see build-fuzz/"; exit 1; }
        done
    }
    fuzz save build-fuzz/bin/quillmere-fuzz tests/fuzz/save.dict build-fuzz/seeds
    fuzz inflate build-fuzz/bin/quillmere-fuzz-inflate tests/fuzz/inflate.dict build-fuzz/inflate-seeds
    fuzz tournament build-fuzz/bin/quillmere-fuzz-tournament tests/fuzz/tournament.dict build-fuzz/tournament-seeds
fi
