#!/usr/bin/env bash
# Runs the window tests that need a real X server (RealScreen.*) under Xvfb with a window manager,
# as a desktop would place and resize the window.
#   real-screen.sh QUILLMERE_GUI_TESTS
set -euo pipefail
for tool in xvfb-run openbox; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1280x800x24" bash -c 'openbox >/dev/null 2>&1 & sleep 0.5; "$0" --gtest_filter="RealScreen.*"' "$1"
