#!/usr/bin/env bash
# Takes the README's pictures of the window: the real program under Xvfb with a window manager, on
# the example batch, as a referee sees it at 1366 x 768.
#   tools/screenshots.sh [BUILD_DIR] [OUT_DIR]      (default build and docs)
# first-screen.png: the window as it opens, before any load;
# attention.png: the example batch at a 150-minute shortest session, the coloured verdicts with
#   "Needs attention" ticked;
# final-score.png: the Final score's tooltip, which says how the score was made.
# Needs xvfb, openbox, xdotool, wmctrl, x11-utils, imagemagick (scripts/ensure-deps.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}") out=$(realpath "${2:-docs}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -euo pipefail
build=$1 out=$2 work=$3
openbox >/dev/null 2>&1 &
sleep 0.5
# Settings of its own; the rules that turn most of the example batch's verdicts to Cheat.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/Quillmere"
printf '[rules]\nday=27\nmonth=11\nyear=2005\nsessionsPerDay=\"1,5\"\nminSessionMinutes=150\npresessions=1\n' \
    >"$XDG_CONFIG_HOME/Quillmere/Quillmere.conf"

window=""
start() {
    "$build/bin/quillmere" "$@" >/dev/null 2>"$work/window.err" &
    pid=$!
    window=""
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --name '^Quillmere \(version' 2>/dev/null | head -1) && [ -n "$window" ] && break
        sleep 0.05
    done
    [ -n "$window" ] || { echo "no window"; cat "$work/window.err"; exit 1; }
    xdotool windowmove "$window" 0 0 windowsize "$window" 1366 740
    sleep 1.5
}
stop() {
    wmctrl -i -c "$window"
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill "$pid" 2>/dev/null || true
    wait "$pid" || true
}
# Where the window's own pixels lie on the screen (under the window manager's frame).
place() {
    info=$(xwininfo -id "$window")
    X=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    Y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    WIDTH=$(sed -n 's/.*Width: *//p' <<<"$info")
    HEIGHT=$(sed -n 's/.*Height: *//p' <<<"$info")
}
# The window's own pixels and whatever tooltip lies over them.
shot() {
    place
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$1"
}
# Moves the pointer to (x, y) within the window's own pixels, as the pictures show them.
point() {
    place
    xdotool mousemove "$((X + $1))" "$((Y + $2))"
    sleep 0.3
}
click() {
    point "$1" "$2"
    xdotool click 1
    sleep 0.5
}

start
shot "$out/first-screen.png"
stop

start "$build"/examples/*.sav
# The list of the saves that could not be read goes first.
xdotool key --clearmodifiers Return
sleep 0.5
# The Reloads tab, where the verdicts are, with "Needs attention" ticked.
xdotool key --clearmodifiers ctrl+3
sleep 0.5
click 1045 93
point 5 400
shot "$out/attention.png"
# The Base tab, all rows again, and the pointer on the first row's Final score.
click 1045 93
xdotool key --clearmodifiers ctrl+1
point 775 159
sleep 2
shot "$out/final-score.png"
stop
SESSION
chmod +x "$work/session.sh"
xvfb-run -a -s "-screen 0 1366x768x24" "$work/session.sh" "$build" "$out" "$work"
ls -l "$out"/first-screen.png "$out"/attention.png "$out"/final-score.png
