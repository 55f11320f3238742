#!/usr/bin/env bash
# Installs what is missing, builds what it runs, and opens the example batch: in the window when a
# display is there, else as the results report on standard output. Build messages go to standard
# error, so that standard output holds only the report.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh >&2
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    cmake --build build --target quillmere examples >&2
    exec build/bin/quillmere build/examples/*.sav
fi
cmake --build build --target quillmere-report examples >&2
status=0
build/bin/quillmere-report --encoding utf-8 --sort final build/examples || status=$?
echo
# Exit status 1 only says that some example files failed to load, as one of them is meant to.
[ "$status" -le 1 ] || exit "$status"
