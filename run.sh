#!/usr/bin/env bash
# Installs what is missing, builds what it runs, and opens the examples: in the window when a display
# is there (the example tournament, checked against its profile), else as reports on standard output
# (the example batch's results, then the tournament's flags). Build messages go to standard error, so
# that standard output holds only the reports.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh --no-tests >&2
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    cmake --build build --target quillmere examples >&2
    exec build/bin/quillmere --profile build/examples-tournament/profile.json build/examples-tournament/saves
fi
cmake --build build --target quillmere-report examples >&2
status=0
build/bin/quillmere-report --encoding utf-8 --sort final build/examples || status=$?
echo
echo
echo "The example tournament's flags (build/examples-tournament, checked against its profile.json):"
build/bin/quillmere-report --profile build/examples-tournament/profile.json --flags-only \
    build/examples-tournament/saves || [ $? -eq 3 ]
# Exit status 1 only says that some example files failed to load, as one of them is meant to.
[ "$status" -le 1 ] || exit "$status"
